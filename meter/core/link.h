#pragma once
// The link to the meter: the one owner of its port. It holds the port and
// the token that lets one exchange at a time read it, reads the live frames
// between exchanges, and speaks every command of the protocol, each in one
// function that sends, gathers what comes and tells how it ended. Windows
// call these and show what comes back; none of them touches the port.

#include "common/meterport.h"
#include "meter/core/exchange.h"
#include "meter/core/logger.h"
#include "meter/core/meterclock.h"
#include "meter/core/porttoken.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace Meter {

class LiveLine;

// How an exchange ended, and why, for the user, where it did not end whole.
struct Outcome
{
    End end = End::Whole;
    QString reason;
    explicit operator bool() const { return end == End::Whole; }
};

class Link : public QObject
{
    Q_OBJECT
public:
    explicit Link(MeterPort& port, QObject* parent = nullptr);
    ~Link() override;

    // The one link, while it exists.
    static Link* instance();

    bool portOpen() const;

    // The port for one exchange, empty while another holds it or a key
    // waits for its handshake.
    PortToken take();
    // An exchange holds the port.
    bool busy() const { return held_; }
    // A command can go out now: the port is open, and neither an exchange
    // nor a key waiting for its handshake has it.
    bool ready() const { return portOpen() && !held_ && !key_; }
    // Counts the tokens handed out: the live reading sees from it that an
    // exchange read the line meanwhile.
    quint64 exchanges() const { return taken_; }

    // The live frames: the live tick's attempts and the listening after a
    // lost meter.
    LiveLine& live() { return *live_; }

    // The caller went away: a wait that sees it gives up.
    using Gone = std::function<bool()>;

    // A meter key (code 1..10): "A" every 0.2 s until the meter answers
    // 02 FF FF FF FF 03, then "K", 0, 0, code. Returns at once; the live
    // reading goes on meanwhile. Refused (false) while another key waits,
    // an exchange holds the port or the port is closed.
    bool pressKey(int code);
    bool keyWaiting() const { return key_ != 0; }
    // One round of the handshake: what came since the last "A" is judged,
    // then the key or "A" again goes out. Runs every 0.2 s while a key waits.
    void handshakeStep();

    // "G", "D", "E" or "F", and 0.02 s for the meter to take it. While a
    // key waits, it goes out after the key.
    Outcome setting(char letter, const Gone& gone = {});
    // "J": the meter's sampling time, read once 0.02 s after asking.
    Outcome readSamplingTime(int& seconds, const Gone& gone = {});
    // "C", hi, lo.
    Outcome setSamplingTime(int seconds);
    // "I" again every 0.02 s until six bytes are in, ClockTries times at most.
    Outcome readClock(ClockBytes& clock, const Gone& gone = {});
    // "B" and the clock bytes of now, and 0.02 s.
    Outcome setClock(const QDateTime& now, const Gone& gone = {});
    // "H" (every set), or "P", lo, hi (one set), and 0.02 s.
    Outcome erase(std::optional<quint16> setAddress, const Gone& gone = {});
    // "O", lo, hi: the dump of a set of so many records, the bytes gathered
    // told to progress as they come.
    Outcome dump(quint16 address, qint64 records, QByteArray& dump,
                 const std::function<void(qint64 bytes)>& progress, const Gone& gone = {});

public slots:
    // The port reported that its device went away or cannot be read.
    void portFailed();

signals:
    // A key went out after its handshake.
    void keySent(int code);

private:
    friend class PortToken;
    void give();
    bool write(const QByteArray& bytes);
    void sendQueued();
    void endKey();
    // The port is held by another exchange.
    static Outcome refused();
    // Sends a command that gets no reply and gives the meter ms to take it.
    Outcome oneWay(const QByteArray& command, qint64 ms, const Gone& gone);

    MeterPort& port_;
    std::unique_ptr<LiveLine> live_;
    bool held_ = false;
    bool failedWhileHeld_ = false;
    quint64 taken_ = 0;

    int key_ = 0;           // the key waiting for its handshake
    QByteArray heard_;      // what came since the handshake's last look
    QTimer handshake_;      // 0.2 s between its rounds
    QByteArrayList queued_; // settings asked for while the key waits
    QTimer queue_;          // 0.02 s between them
};

// "N", the directory of the logger's sets, read in two steps as the windows
// use it: its head within 0.1 s while the windows' events run, so the
// caller can say there are no sets or show its window; then its rest with no
// events running, so no command comes between. The rest gives up after 2 s
// without a byte, or when the whole reply is not in within 2 s plus twice
// its time on the line. The read holds the port's token from ask() on.
class DirectoryRead
{
public:
    DirectoryRead(Link& link, Link::Gone gone);
    DirectoryRead(const DirectoryRead&) = delete;
    DirectoryRead& operator=(const DirectoryRead&) = delete;

    // Takes the port, empties the line, asks and reads what came in 0.1 s.
    // False when the port is taken, or the caller went away.
    bool ask();
    // Not a byte came, and the port is fine: there is no meter to tell of.
    bool nothingCame() const;
    // The number of sets came. A reply that starts like a live frame tells
    // where it starts only by its whole size: it is read whole first.
    bool headIn();
    int sets() const { return reader_.sets(); }
    // The rest of the reply; true when it is whole.
    bool finish();
    LoggerDirectory directory() const { return reader_.directory(); }
    // What went wrong, for the user.
    QString failure() const;
    // Gives the port back.
    void release() { token_.release(); }

private:
    Link& link_;
    PortToken token_;
    DirectoryReader reader_;
    std::optional<Exchange> exchange_;
    End end_ = End::Whole;
};

} // namespace Meter
