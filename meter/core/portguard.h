#pragma once
// One exchange owns the meter's port at a time. While it is held, live ticks
// skip their poll and other meter commands are refused without a word, so no
// reader takes another's bytes.
//
// The hold is a token: an exchange that spans a window's life (a download,
// the clock window) keeps it as long as it needs the port and hands it on
// by move; it is given back when the token goes out of scope, on every way
// out. The port's owner tells the token when the port fails (a meter
// unplugged), so a read that waits on it ends at once.

#include <QObject>

class PortExchange
{
public:
    // Takes the port when it is free; otherwise an empty token.
    PortExchange();
    ~PortExchange();
    PortExchange(PortExchange&& other) noexcept;
    PortExchange& operator=(PortExchange&& other) noexcept;
    PortExchange(const PortExchange&) = delete;
    PortExchange& operator=(const PortExchange&) = delete;

    // True while this token holds the port.
    explicit operator bool() const { return owned_; }
    // Gives the port back now.
    void release();
    // The port failed while this token held it: nothing more will come.
    bool failed() const;

    static bool busy();
    // Counts the tokens handed out: a reader that shares the port with the
    // exchanges sees from it that someone else read the line meanwhile.
    static quint64 generation();

private:
    bool owned_;
};

// The one owner of the meter's port hands out the token and hears the
// port's failures.
class PortOwner : public QObject
{
    Q_OBJECT
public:
    static PortOwner& instance();

    // The token, empty while another exchange holds the port.
    static PortExchange take() { return PortExchange(); }

public slots:
    // The port reported that its device went away or cannot be read.
    void portFailed();

signals:
    // Emitted with the failure, while the token that saw it is still held.
    void failed();
};
