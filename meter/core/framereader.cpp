#include "meter/core/framereader.h"

#include "meter/core/protocol.h"

#include <algorithm>

namespace Meter {

namespace {

// Bytes kept while the alignment is searched for: twelve frames' worth.
constexpr qint64 SearchBytes = 12 * FrameLength;

// A tail of one frame ends in 03 and the head of the next starts with 02:
// frame-looking bytes with no 03 02 inside are no such pair.
bool couldBeTailAndHead(QByteArrayView g)
{
    for (int j = 1; j < FrameLength; ++j)
        if (g[j - 1] == '\x03' && g[j] == '\x02') return true;
    return false;
}

} // namespace

void FrameReader::feed(QByteArrayView chunk, qint64 nowMs)
{
    if (lastFeedMs_ && nowMs - *lastFeedMs_ > FrameStaleMs) lose();
    lastFeedMs_ = nowMs;
    if (chunk.isEmpty()) {
        if (lastBytesMs_) lastEmptyMs_ = nowMs;
        return;
    }
    // Nothing had come between the last bytes and the last empty read, so
    // the line was silent at least that long before this chunk.
    if (lastBytesMs_ && lastEmptyMs_ &&
        *lastEmptyMs_ - *lastBytesMs_ > FrameGapMs + FrameGapSlackMs)
        marks_.append(end_);
    lastBytesMs_ = nowMs;
    lastEmptyMs_.reset();
    buf_.append(chunk.data(), chunk.size());
    end_ += chunk.size();
    process();
}

void FrameReader::lose()
{
    buf_.clear();
    bufStart_ = end_;
    next_.reset();
    marks_.clear();
    // The silences we saw may have held bytes someone else took.
    lastBytesMs_.reset();
    lastEmptyMs_.reset();
}

void FrameReader::startReading()
{
    readFrom_ = end_;
    latest_.reset();
    seen_ = false;
}

bool FrameReader::markedAt(qint64 at) const
{
    return marks_.contains(at);
}

void FrameReader::take(qint64 at)
{
    if (at + FrameLength <= readFrom_) return;
    latest_ = buf_.mid(at - bufStart_, FrameLength);
    seen_ = true;
}

void FrameReader::process()
{
    for (;;) {
        if (!next_) {
            search();
            if (!next_) break;
        }
        while (next_) {
            const qint64 at = *next_;
            const qint64 upTo = std::min(end_, at + FrameLength);
            // A silence inside what should be one frame: bytes were lost.
            const bool silenceInside = std::any_of(marks_.cbegin(), marks_.cend(),
                                                   [&](qint64 m) { return m > at && m < upTo; });
            if (!silenceInside && end_ - at < FrameLength) return trim();
            if (silenceInside ||
                !IsLiveFrame(QByteArrayView(buf_).sliced(at - bufStart_, FrameLength))) {
                next_.reset();
                buf_.remove(0, at - bufStart_);
                bufStart_ = at;
                break;
            }
            take(at);
            next_ = at + FrameLength;
        }
    }
    trim();
}

FrameReader::Run FrameReader::runAt(int phase) const
{
    Run r;
    const qint64 first =
        bufStart_ + ((phase - bufStart_ % FrameLength) + FrameLength) % FrameLength;
    if (first + FrameLength > end_) return r;
    const qint64 last = first + (end_ - first) / FrameLength * FrameLength - FrameLength;
    r.end = last + FrameLength;
    for (qint64 at = last; at >= first; at -= FrameLength) {
        const QByteArrayView g = QByteArrayView(buf_).sliced(at - bufStart_, FrameLength);
        if (!IsLiveFrame(g)) break;
        ++r.length;
        r.sure = r.sure || !couldBeTailAndHead(g);
        r.marked = r.marked || markedAt(at);
    }
    return r;
}

void FrameReader::search()
{
    std::array<Run, FrameLength> runs;
    for (int p = 0; p < FrameLength; ++p) {
        runs[size_t(p)] = runAt(p);
        const Run& r = runs[size_t(p)];
        if (r.end > readFrom_ && (r.length >= 2 || (r.length >= 1 && (r.sure || r.marked))))
            seen_ = true;
    }
    // The one alignment that a kind of evidence points to, if only one does.
    auto onlyOne = [&runs](auto&& holds) -> std::optional<int> {
        std::optional<int> found;
        for (int p = 0; p < FrameLength; ++p) {
            if (runs[size_t(p)].length == 0 || !holds(runs[size_t(p)])) continue;
            if (found) return std::nullopt;
            found = p;
        }
        return found;
    };
    std::optional<int> pick = onlyOne([](const Run& r) { return r.marked; });
    if (!pick) pick = onlyOne([](const Run& r) { return r.sure; });
    if (!pick) {
        // In a clean stream the false alignments' runs are at most one
        // longer than the true one's; a lead of two is the true alignment.
        const auto best =
            std::max_element(runs.cbegin(), runs.cend(),
                             [](const Run& a, const Run& b) { return a.length < b.length; });
        const bool clear =
            best->length >= 2 && std::all_of(runs.cbegin(), runs.cend(), [&](const Run& r) {
                return &r == &*best || r.length + 2 <= best->length;
            });
        if (clear) pick = int(best - runs.cbegin());
    }
    if (!pick) return;
    const Run& r = runs[size_t(*pick)];
    take(r.end - FrameLength);
    next_ = r.end;
}

void FrameReader::trim()
{
    qint64 keepFrom = next_ ? *next_ : std::max(bufStart_, end_ - SearchBytes);
    keepFrom = std::max(keepFrom, bufStart_);
    buf_.remove(0, keepFrom - bufStart_);
    bufStart_ = keepFrom;
    marks_.removeIf([this](qint64 m) { return m < bufStart_; });
}

} // namespace Meter
