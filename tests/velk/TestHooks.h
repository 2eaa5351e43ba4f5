#pragma once
// Hooks built only into the test copy of Velk (velk_under_test).

#include "PacerClock.h"

#define TESTHOOKS_API __attribute__((visibility("default")))

namespace velktest {

/// The EEPROM pacing reads `clock` from now on and starts over as after loading.
TESTHOOKS_API void UsePacerClock(PacerClock& clock);
/// Back to the real clock.
TESTHOOKS_API void UseRealPacerClock();

/// `hook` runs inside every hand-over's entry, after busy is set and before the lock is
/// checked (null: none), on the thread that hands over.
TESTHOOKS_API void SetHandOverEntryHook(void (*hook)());

} // namespace velktest
