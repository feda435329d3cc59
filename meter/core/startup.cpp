#include "meter/core/startup.h"

StartupState& startupState()
{
    static StartupState s;
    return s;
}
