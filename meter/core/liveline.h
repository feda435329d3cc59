#pragma once
// The meter's live frames as they come, unasked. Each tick of Panel.Timer1
// starts an attempt: what waits on the line goes into the frame reader, and
// then the line is polled every 10 ms, at most 100 times, until a frame
// ends. The polls run on a timer of their own, never in a nested event
// loop, so clicks, keys and dialogs go on between them and none of them can
// hold a poll. An attempt that spends its budget without a reading (silence,
// noise, or frames whose start cannot be told) loses the meter; the line is
// then listened to, sending nothing, until frames can be read again.
//
// While an exchange holds the port no byte is taken from it; an attempt
// then ends without a word, and where frames start is found anew. While a
// key waits for its handshake, the bytes read are heard for the meter's
// answer too, and an attempt that finds no frame ends without losing the
// meter: a meter may hold its frames while it is being spoken to.

#include "common/meterport.h"
#include "meter/core/framereader.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace Meter {

class Link;

class LiveLine : public QObject
{
    Q_OBJECT
public:
    LiveLine(Link& link, MeterPort& port);

    // A tick: starts an attempt, unless one runs, the line is listened to,
    // an exchange holds the port or the port is closed.
    void tick();
    // Listens for frames after a lost meter (ending any attempt), until
    // they can be read. A line that went away is opened again now and then,
    // so a meter plugged in again is found under its name.
    void listen();
    // The timers are off for other work: the attempt ends without a
    // reading, and listening waits for resume().
    void hold();
    void resume();

    bool polling() const { return poll_.isActive(); }
    bool listening() const { return listening_; }
    // When the running attempt last polled; none between attempts, and
    // none while a key waits, as such an attempt may end without a frame.
    std::optional<qint64> pollNs() const;

    // Takes what came on the line into the frame reader, unless an
    // exchange holds the port.
    void takeBytes();
    // Keep the bytes read from now on for the handshake, or stop.
    void hear(bool on);
    // The bytes read since the last call, while heard.
    QByteArray takeHeard();

    static constexpr int PollMs = 10;
    static constexpr int PollBudget = 100;
    static constexpr int ListenMs = 20;
    static constexpr int ReopenMs = 500;

signals:
    // A frame of the attempt: six bytes.
    void reading(const QByteArray& frame);
    // The attempt's budget passed without one; listening has begun.
    void lost();
    // Listening found frames that can be read.
    void found();

private:
    void onPoll();
    void onListen();
    void stopAttempt();

    Link& link_;
    MeterPort& port_;
    FrameReader frames_;
    QTimer poll_;
    QTimer listen_;
    int polls_ = 0;
    std::optional<qint64> pollNs_;
    bool listening_ = false;
    bool held_ = false;
    qint64 reopenedNs_ = 0;
    quint64 exchangesSeen_ = 0;
    bool hearing_ = false;
    QByteArray heard_;
};

} // namespace Meter
