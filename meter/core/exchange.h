#pragma once
// One exchange with the meter: empty the line, send a command, gather what
// comes, and end when the reply is whole, the line stays quiet, the time is
// up, the port fails or the caller is interrupted. It runs only while it
// holds the port's token. Waits run on the program's clock with the events
// the caller lets through, and progress is told at most every 100 ms.

#include "common/meterport.h"
#include "common/progress.h"
#include "meter/core/porttoken.h"
#include "meter/core/replyreader.h"

#include <QByteArray>
#include <functional>

namespace Meter {

enum class End { Whole, Quiet, Limit, Failed, Interrupted };

// Which events run while the exchange waits.
enum class Events { All, NoUserInput, None };

struct Timing
{
    qint64 pollMs = 10; // the wait before each read
    qint64 quietMs = 0; // ends after so long without a gathered byte; 0: never
    qint64 limitMs = 0; // ends so long after the request; 0: never
    int reads = 0;      // ends after so many reads; 0: no count
    Events events = Events::All;
};

class Exchange
{
public:
    // The token's port is read; without a token nothing is sent or read and
    // every gather fails.
    Exchange(const PortToken& token, Gatherer& gatherer);

    // Asked after every wait: the caller went away or the program ends.
    std::function<bool()> interrupted;
    // Bytes gathered: at the first read, then at most every 100 ms, and
    // when the reply is whole.
    std::function<void(qint64 bytes)> progress;

    // Empties the line (unless told not to) and writes the command; the
    // exchange's clock starts now. False when the line did not take it.
    bool send(const QByteArray& command, bool flush = true);
    // Reads what came into the gatherer.
    void read();
    // Waits ms with the events given; false when interrupted meanwhile.
    bool wait(qint64 ms, Events events = Events::All);
    // Waits and reads, again and again, until an end.
    End gather(const Timing& timing);

    // Milliseconds since send() (or since the exchange began).
    qint64 elapsedMs() const;
    // The port is closed, lost or failed while held, or took no write.
    bool portFailed() const;
    // Why, for the user, when the port failed.
    QString failure() const;

private:
    void tellProgress(bool last);

    const PortToken& token_;
    MeterPort* port_;
    Gatherer& gatherer_;
    qint64 startNs_;
    ProgressThrottle progressDue_;
    QString writeFailure_;
};

} // namespace Meter
