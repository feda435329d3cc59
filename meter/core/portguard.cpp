#include "meter/core/portguard.h"

namespace {
bool held = false;
bool failedWhileHeld = false;
quint64 taken = 0;
} // namespace

PortExchange::PortExchange() : owned_(!held)
{
    if (!owned_) return;
    held = true;
    failedWhileHeld = false;
    ++taken;
}

PortExchange::~PortExchange()
{
    release();
}

PortExchange::PortExchange(PortExchange&& other) noexcept : owned_(other.owned_)
{
    other.owned_ = false;
}

PortExchange& PortExchange::operator=(PortExchange&& other) noexcept
{
    if (this != &other) {
        release();
        owned_ = other.owned_;
        other.owned_ = false;
    }
    return *this;
}

void PortExchange::release()
{
    if (!owned_) return;
    owned_ = false;
    held = false;
    failedWhileHeld = false;
}

bool PortExchange::failed() const
{
    return owned_ && failedWhileHeld;
}

bool PortExchange::busy()
{
    return held;
}

quint64 PortExchange::generation()
{
    return taken;
}

PortOwner& PortOwner::instance()
{
    static PortOwner owner;
    return owner;
}

void PortOwner::portFailed()
{
    if (!held) return;
    failedWhileHeld = true;
    emit failed();
}
