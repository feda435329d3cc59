#include "meter/core/portguard.h"

namespace {
bool held = false;
}

PortExchange::PortExchange() : owned_(!held)
{
    held = true;
}

PortExchange::~PortExchange()
{
    if (owned_) held = false;
}

bool PortExchange::busy()
{
    return held;
}
