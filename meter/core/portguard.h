#pragma once
// One exchange owns the meter's port at a time. While it is held, live ticks
// skip their poll and other meter commands are refused without a word, so no
// reader takes another's bytes.

class PortExchange
{
public:
    PortExchange();
    ~PortExchange();
    PortExchange(const PortExchange&) = delete;
    PortExchange& operator=(const PortExchange&) = delete;

    // True when this exchange got the port.
    explicit operator bool() const { return owned_; }

    static bool busy();

private:
    bool owned_;
};
