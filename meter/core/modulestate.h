#pragma once
// Every owner's module-level state back to its start values, the clock back
// to the real one and the program no longer ending: the program as just
// started. Tests call it between cases; an owner of new module state adds
// its reset here.

void resetModuleState();
