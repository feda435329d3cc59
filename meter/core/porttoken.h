#pragma once
// One exchange reads the meter's port at a time: the one that holds the
// token. While it is held the live reading leaves the line alone and other
// commands are refused without a word, so no reader takes another's bytes.
//
// An exchange that spans a window's life keeps its token as long as it needs
// the port and hands it on by move; the port goes back when the token goes
// out of scope, on every way out. The link tells the token when the port
// fails (a meter unplugged), so a read that waits on it ends at once.

class MeterPort;

namespace Meter {

class Link;

class PortToken
{
public:
    PortToken() = default;
    ~PortToken();
    PortToken(PortToken&& other) noexcept;
    PortToken& operator=(PortToken&& other) noexcept;
    PortToken(const PortToken&) = delete;
    PortToken& operator=(const PortToken&) = delete;

    // True while this token holds the port.
    explicit operator bool() const { return link_ != nullptr; }
    // Gives the port back now.
    void release();
    // The port failed while this token held it: nothing more will come.
    bool failed() const;
    // The port, for the exchange that holds the token; null without one.
    MeterPort* port() const;

private:
    friend class Link;
    explicit PortToken(Link* link) : link_(link) {}
    Link* link_ = nullptr;
};

} // namespace Meter
