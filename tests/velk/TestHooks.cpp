#include "TestHooks.h"

#include "Reader.h"
#include "ReaderRegistry.h"

void velktest::UsePacerClock(PacerClock& clock) {
    ReaderRegistry::Instance().Pacer().UseClock(clock);
}

void velktest::UseRealPacerClock() {
    ReaderRegistry::Instance().Pacer().UseClock(PacerClock::Real());
}

void velktest::SetHandOverEntryHook(void (*hook)()) {
    Reader::SetHandOverEntryHook(hook);
}
