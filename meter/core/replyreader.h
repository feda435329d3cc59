#pragma once
// Collects a reply of the meter as its bytes come. The reader knows how long
// the reply is to be; "incomplete" is a state it is in, never a wait.
//
// Live frames (02 ... 03, six bytes) are no part of any reply: one or more
// that come before the reply's first byte are left out, and so are bytes
// that come after a quiet spell and are nothing but whole frames, since the
// meter writes a reply in one piece and its frames start again only after
// it. Such frames never make a cut reply complete.

#include "meter/core/protocol.h"

#include <QByteArray>
#include <QByteArrayView>

namespace Meter {

// Silence before a chunk after which frame-shaped bytes are taken as frames.
inline constexpr int QuietGapMs = 50;

// Bytes per second on the line at 38400 baud.
inline constexpr int LineBytesPerSecond = 3840;

// The time a reply of this many bytes may take: base plus twice its time
// on the line.
qint64 ReplyTimeLimitMs(qint64 bytes, qint64 baseMs);

class ReplyReader
{
public:
    // expected < 0: not known yet.
    explicit ReplyReader(qint64 expected = -1) : expected_(expected) {}

    void setExpected(qint64 bytes) { expected_ = bytes; }
    qint64 expected() const { return expected_; }

    virtual ~ReplyReader() = default;

    // Takes a chunk as read from the port. afterQuiet: the line had been
    // silent for at least QuietGapMs before it.
    virtual void feed(QByteArrayView chunk, bool afterQuiet = false);
    // The same, read nowMs after the request: the reader judges the quiet
    // spell itself.
    void feedAt(QByteArrayView chunk, qint64 nowMs);
    // When the reply last grew, on feedAt's clock (0: not yet).
    qint64 lastByteMs() const { return lastByteMs_; }

    // Reply bytes so far, frames left out; may hold more than expected.
    const QByteArray& bytes() const { return bytes_; }
    qint64 size() const { return bytes_.size(); }
    bool complete() const { return expected_ >= 0 && bytes_.size() >= expected_; }
    // The reply cut to its expected length (bytes beyond it are ignored).
    QByteArrayView reply() const;
    // Frames left out so far.
    int framesDropped() const { return framesDropped_; }

    // Room for the reply, up to a sane amount.
    void reserve(qint64 bytes);

private:
    void take(QByteArrayView chunk);

    QByteArray bytes_;
    QByteArray lead_; // the start of what may be a frame before the reply
    qint64 expected_;
    int framesDropped_ = 0;
    qint64 lastChunkMs_ = 0;
    qint64 lastByteMs_ = 0;
};

} // namespace Meter
