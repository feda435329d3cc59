#pragma once
// The line to the meter as an exchange with it sees it: what came, what to
// send, and whether the line is there at all. The serial port is one; tests
// script one of their own.

#include "common/clock.h"

#include <QByteArray>
#include <QList>
#include <QString>

class MeterPort
{
public:
    virtual ~MeterPort() = default;

    virtual bool portOpen() const = 0;
    // The device went away under the open port: nothing more arrives until
    // it is opened again.
    virtual bool lost() const = 0;
    // Closes and opens the same line again.
    virtual bool reopen() = 0;
    // Bytes waiting, after taking in what the system holds.
    virtual int inBufferCount() = 0;
    // Every waiting byte, emptying the buffer.
    virtual QByteArray input() = 0;
    // The same, in the pieces that came together, each with when it came
    // (Clock's monotonic time). A line that cannot tell gives one piece, now.
    struct Piece
    {
        QByteArray bytes;
        qint64 ns = 0;
    };
    virtual QList<Piece> inputPieces()
    {
        QByteArray all = input();
        if (all.isEmpty()) return {};
        return {{all, Clock::current().elapsedNs()}};
    }
    // Writes the bytes in one piece and pushes them out at once; false when
    // the line did not take them all (errorString() says why).
    virtual bool output(const QByteArray& bytes) = 0;
    virtual QString errorString() const { return {}; }
    void flush() { input(); }
};
