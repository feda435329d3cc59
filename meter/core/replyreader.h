#pragma once
// Collects a reply of the meter as its bytes come. The reader knows how long
// the reply is to be; "incomplete" is a state it is in, never a wait.
//
// Live frames (02 ... 03, six bytes) may come before and right after a
// reply, but a reply may also start with bytes of that shape. A frame that
// comes around a reply was sent with the meter's settings of the moment, so
// where the live frames just before the request are known, only groups
// naming their range and mode are taken as frames, and the reply starts at
// the first group that does not. Where they are not known, the reply's own
// size decides: the reply read after the leading groups is the one whose
// size the gathered bytes match, and while another reading could still come
// true, the decision waits for the line to settle. Bytes that come after a
// quiet spell in the middle of a reply and are nothing but whole frames are
// left out, since the meter writes a reply in one piece.

#include "meter/core/protocol.h"

#include <QByteArray>
#include <QByteArrayView>

namespace Meter {

// Silence before a chunk after which frame-shaped bytes are taken as frames,
// and after the last byte before a reply that could still grow is judged.
inline constexpr int QuietGapMs = 50;

// Bytes per second on the line at 38400 baud.
inline constexpr int LineBytesPerSecond = 3840;

// What takes the bytes of an exchange with the meter: a reply reader, or
// the live frames.
class Gatherer
{
public:
    virtual ~Gatherer() = default;
    // A chunk as read, nowMs after the request (empty when nothing came).
    virtual void feedAt(QByteArrayView chunk, qint64 nowMs) = 0;
    virtual bool complete() const = 0;
    // When the gathered bytes last grew, on feedAt's clock (0: not yet).
    virtual qint64 lastByteMs() const = 0;
    // Bytes gathered, for progress.
    virtual qint64 size() const = 0;
};

// The time a reply of this many bytes may take: base plus twice its time
// on the line.
qint64 ReplyTimeLimitMs(qint64 bytes, qint64 baseMs);

class ReplyReader : public Gatherer
{
public:
    // size < 0: the reply tells its size (see sizeOf).
    explicit ReplyReader(qint64 size = -1) : fixed_(size) {}

    // Takes a chunk as read from the port, read nowMs after the request.
    void feedAt(QByteArrayView chunk, qint64 nowMs) override;
    // The same with no clock: the line is taken as settled at every chunk.
    void feed(QByteArrayView chunk);
    // When the reply last grew, on feedAt's clock (0: not yet).
    qint64 lastByteMs() const override { return lastByteMs_; }

    // The live frames just before the request looked like this one.
    void expectFramesLike(QByteArrayView frame);

    // Decides on what is in, as if the line were settled: the reading of a
    // single read that no more bytes follow.
    void settle();
    // Where the reply starts is known, though it may not be whole yet.
    bool startKnown() const;

    // The reply's bytes so far, the frames in front left out; may hold more
    // than its size.
    QByteArray bytes() const { return raw_.sliced(from_); }
    qint64 size() const override { return raw_.size() - from_; }
    // The reply's size, < 0 while not known.
    qint64 expected() const { return expectedAt(from_); }
    bool complete() const override { return decided_; }
    // The reply cut to its size (bytes beyond it are ignored).
    QByteArrayView reply() const;

    // Room for the reply, up to a sane amount.
    void reserve(qint64 bytes);

protected:
    // The size of a reply that starts with these bytes; < 0 while they do
    // not tell. A reader of a fixed size returns that.
    virtual qint64 sizeOf(QByteArrayView) const { return fixed_; }

private:
    void append(QByteArrayView chunk, bool afterQuiet, qint64 nowMs);
    qint64 expectedAt(qsizetype at) const;
    // Six bytes that may be a live frame, and whole groups that all may be.
    bool frameLike(QByteArrayView six) const;
    bool onlyFrames(QByteArrayView bytes) const;
    // Leading groups of six that may be frames.
    qsizetype leadingFrames() const;
    // The bytes after the leading frames are the start of one more.
    bool maybeFrameAt(qsizetype at) const;
    void decide(bool settled);

    QByteArray raw_;
    qsizetype from_ = 0; // where the reply starts in raw_
    qint64 fixed_;
    bool decided_ = false;
    qint64 lastChunkMs_ = 0;
    qint64 lastByteMs_ = 0;
    QByteArray like_; // range and mode bytes of the live frames, when known
};

} // namespace Meter
