#include "meter/core/replyreader.h"

#include <algorithm>

namespace Meter {

qint64 ReplyTimeLimitMs(qint64 bytes, qint64 baseMs)
{
    return baseMs + 2 * std::max<qint64>(bytes, 0) * 1000 / LineBytesPerSecond;
}

void ReplyReader::expectFramesLike(QByteArrayView frame)
{
    if (frame.size() == FrameLength && IsLiveFrame(frame)) like_ = frame.sliced(1, 2).toByteArray();
}

bool ReplyReader::frameLike(QByteArrayView six) const
{
    return IsLiveFrame(six) && (like_.isEmpty() || six.sliced(1, 2) == like_);
}

bool ReplyReader::onlyFrames(QByteArrayView bytes) const
{
    if (bytes.isEmpty() || bytes.size() % FrameLength != 0) return false;
    for (qsizetype i = 0; i < bytes.size(); i += FrameLength)
        if (!frameLike(bytes.sliced(i, FrameLength))) return false;
    return true;
}

bool ReplyReader::maybeFrameAt(qsizetype at) const
{
    const QByteArrayView part = QByteArrayView(raw_).sliced(at);
    if (part.isEmpty() || part.size() >= FrameLength || part[0] != '\x02') return false;
    // As much of the live frames' range and mode as is in.
    const qsizetype known = std::min<qsizetype>(like_.size(), part.size() - 1);
    return part.sliced(1, known) == QByteArrayView(like_).first(known);
}

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
        if (rest >= FrameLength || (rest > 0 && !maybeFrameAt(lead))) return;
    }
    raw_.append(chunk);
    lastByteMs_ = nowMs;
}

qsizetype ReplyReader::leadingFrames() const
{
    qsizetype k = 0;
    while (raw_.size() >= FrameLength * (k + 1) &&
           frameLike(QByteArrayView(raw_).sliced(FrameLength * k, FrameLength)))
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
    const bool maybeFrame = maybeFrameAt(FrameLength * frames);
    from_ = maybeFrame ? raw_.size() : FrameLength * frames;

    if ((frames == 0 || !like_.isEmpty()) && !maybeFrame) {
        // Nothing in front looks like a frame, or the frames in front are
        // known ones: one reading only, the reply right after them.
        const qint64 e = expectedAt(from_);
        decided_ = e >= 0 && raw_.size() - from_ >= e;
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

bool ReplyReader::startKnown() const
{
    const qsizetype at = FrameLength * leadingFrames();
    return decided_ || ((at == 0 || !like_.isEmpty()) && raw_.size() > at && !maybeFrameAt(at));
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
