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
    if (chunk.isEmpty() || chunk.size() % 6 != 0) return false;
    for (qsizetype i = 0; i < chunk.size(); i += 6)
        if (!IsLiveFrame(chunk.sliced(i, 6))) return false;
    return true;
}

} // namespace

void ReplyReader::feed(QByteArrayView chunk, bool afterQuiet)
{
    if (chunk.isEmpty()) return;
    if (!bytes_.isEmpty()) {
        if (afterQuiet && !complete() && onlyFrames(chunk)) {
            framesDropped_ += int(chunk.size() / 6);
            return;
        }
        bytes_.append(chunk);
        return;
    }
    take(chunk);
}

void ReplyReader::feedAt(QByteArrayView chunk, qint64 nowMs)
{
    const qint64 before = size();
    feed(chunk, nowMs - lastChunkMs_ >= QuietGapMs);
    if (!chunk.isEmpty()) lastChunkMs_ = nowMs;
    if (size() != before) lastByteMs_ = nowMs;
}

void ReplyReader::take(QByteArrayView chunk)
{
    // Before the reply's first byte: leave out whole frames in front of it.
    lead_.append(chunk);
    qsizetype at = 0;
    while (lead_.size() - at >= 6 && IsLiveFrame(QByteArrayView(lead_).sliced(at, 6))) {
        at += 6;
        ++framesDropped_;
    }
    const qsizetype left = lead_.size() - at;
    if (left == 0 || (lead_[at] == '\x02' && left < 6)) {
        // Nothing yet, or what may still become a frame.
        lead_.remove(0, at);
        return;
    }
    bytes_.append(QByteArrayView(lead_).sliced(at));
    lead_.clear();
}

QByteArrayView ReplyReader::reply() const
{
    const qint64 n = expected_ < 0 ? bytes_.size() : std::min<qint64>(expected_, bytes_.size());
    return QByteArrayView(bytes_).first(n);
}

void ReplyReader::reserve(qint64 bytes)
{
    // A directory can claim sets far beyond any real memory; the buffer
    // grows as bytes come rather than all at once.
    constexpr qint64 Sane = 64 * 1024 * 1024;
    bytes_.reserve(std::clamp<qint64>(bytes, 0, Sane));
}

} // namespace Meter
