#include "common/graphstate.h"

GraphState& graphState()
{
    static GraphState s;
    return s;
}
