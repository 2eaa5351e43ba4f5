#pragma once
// A hook built only into the test copy of Velk: gives the library's EEPROM pacing a clock.

#include "PacerClock.h"

#define PACERHOOK_API __attribute__((visibility("default")))

namespace velktest {

/// The pacing reads `clock` from now on and starts over as after loading.
PACERHOOK_API void UsePacerClock(PacerClock& clock);
/// Back to the real clock.
PACERHOOK_API void UseRealPacerClock();

} // namespace velktest
