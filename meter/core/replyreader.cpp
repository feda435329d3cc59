#include "meter/core/replyreader.h"

#include <algorithm>

namespace Meter {

qint64 ReplyTimeLimitMs(qint64 bytes, qint64 baseMs)
{
    return baseMs + 2 * std::max<qint64>(bytes, 0) * 1000 / LineBytesPerSecond;
}

namespace {

bool onlyFrames(QByteArrayView chunk)
{
    if (chunk.isEmpty() || chunk.size() % FrameLength != 0) return false;
    for (qsizetype i = 0; i < chunk.size(); i += FrameLength)
        if (!IsLiveFrame(chunk.sliced(i, FrameLength))) return false;
    return true;
}

} // namespace

void ReplyReader::feedAt(QByteArrayView chunk, qint64 nowMs)
{
    append(chunk, nowMs - lastChunkMs_ >= QuietGapMs, nowMs);
    decide(nowMs - lastByteMs_ >= QuietGapMs);
}

void ReplyReader::feed(QByteArrayView chunk)
{
    append(chunk, false, lastByteMs_);
    decide(true);
}

void ReplyReader::settle()
{
    decide(true);
}

void ReplyReader::append(QByteArrayView chunk, bool afterQuiet, qint64 nowMs)
{
    if (chunk.isEmpty()) return;
    lastChunkMs_ = nowMs;
    // Frames after a quiet spell, once the reply has begun, are no part of it.
    if (!decided_ && afterQuiet && onlyFrames(chunk)) {
        const qsizetype lead = FrameLength * leadingFrames();
        const qsizetype rest = raw_.size() - lead;
        if (rest >= FrameLength || (rest > 0 && raw_[lead] != '\x02')) return;
    }
    raw_.append(chunk);
    lastByteMs_ = nowMs;
}

qsizetype ReplyReader::leadingFrames() const
{
    qsizetype k = 0;
    while (raw_.size() >= FrameLength * (k + 1) &&
           IsLiveFrame(QByteArrayView(raw_).sliced(FrameLength * k, FrameLength)))
        ++k;
    return k;
}

qint64 ReplyReader::expectedAt(qsizetype at) const
{
    return sizeOf(QByteArrayView(raw_).sliced(std::min(at, raw_.size())));
}

void ReplyReader::decide(bool settled)
{
    if (decided_) return;
    const qsizetype frames = leadingFrames();
    const qsizetype rest = raw_.size() - FrameLength * frames;
    // The start of what may still become one more frame.
    const bool maybeFrame = rest > 0 && rest < FrameLength && raw_[FrameLength * frames] == '\x02';
    from_ = maybeFrame ? raw_.size() : FrameLength * frames;

    if (frames == 0 && !maybeFrame) {
        // Nothing in front looks like a frame: one reading only.
        const qint64 e = expectedAt(0);
        decided_ = e >= 0 && raw_.size() >= e;
        return;
    }
    if (!settled) return;
    // Each reading, the most frames left out first, by how well the bytes
    // fit it: its size exactly; then whole with only frames after it; then,
    // every frame-shaped group left out, whole with anything after it. A
    // line of nothing but frame-shaped groups fits only exactly.
    auto fit = [&](qsizetype k) {
        const qsizetype at = FrameLength * k;
        const qint64 e = expectedAt(at);
        if (e < 0 || raw_.size() - at < e) return 0;
        const qint64 after = raw_.size() - at - e;
        if (after == 0) return 3;
        if (rest == 0) return 0;
        if (onlyFrames(QByteArrayView(raw_).sliced(at + e))) return 2;
        return k == frames ? 1 : 0;
    };
    for (int wanted = 3; wanted >= 1; --wanted)
        for (qsizetype k = frames; k >= 0; --k)
            if (fit(k) == wanted) {
                from_ = FrameLength * k;
                decided_ = true;
                return;
            }
}

QByteArrayView ReplyReader::reply() const
{
    const qint64 e = expected();
    const QByteArrayView b = QByteArrayView(raw_).sliced(from_);
    return e < 0 ? b : b.first(std::min<qint64>(e, b.size()));
}

void ReplyReader::reserve(qint64 bytes)
{
    // A directory can claim sets far beyond any real memory; the buffer
    // grows as bytes come rather than all at once.
    constexpr qint64 Sane = 64 * 1024 * 1024;
    raw_.reserve(std::clamp<qint64>(bytes, 0, Sane));
}

} // namespace Meter
