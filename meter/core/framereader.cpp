#include "meter/core/framereader.h"

#include "meter/core/protocol.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Meter {

namespace {

// Frames' worth of the line weighed: enough that a few odd silences are
// outvoted, few enough that a change of rhythm is followed within seconds.
constexpr int HistoryGroups = 16;
constexpr qsizetype KeptBytes = (HistoryGroups + 1) * FrameLength;
// How much longer the silences at one place must be than at another, in the
// units of their spread, before it is taken as where frames start: the
// one-sided point of Student's t that chance passes once in a million, for
// 2 to 16 groups. With groups that all agree, three or four are enough; with
// a ragged rhythm it takes all sixteen, or never happens.
constexpr std::array<double, HistoryGroups - 1> LongerBeyondChance{
    318371.6, 707.2, 103.3, 41.6, 24.8, 17.8, 14.2, 12.1, 10.7, 9.8, 9.0, 8.5, 8.1, 7.7, 7.5};

// A tail of one frame ends in 03 and the head of the next starts with 02:
// frame-looking bytes with no 03 02 inside are no such pair.
bool couldBeTailAndHead(QByteArrayView g)
{
    for (int j = 1; j < FrameLength; ++j)
        if (g[j - 1] == '\x03' && g[j] == '\x02') return true;
    return false;
}

struct Phase
{
    std::optional<qint64> newest; // start of its newest whole group
    int run = 0;                  // frame-looking groups in a row up to the newest
    bool sure = false;            // one of them cannot be a tail and a head
};

} // namespace

void FrameReader::feed(QByteArrayView chunk, qint64 atNs)
{
    if (chunk.isEmpty()) return;
    if (lastNs_ && atNs - *lastNs_ > FrameStaleNs) lose();
    silence_.append(lastNs_ ? std::max<qint64>(0, atNs - *lastNs_) : -1);
    silence_.resize(silence_.size() + chunk.size() - 1, 0);
    lastNs_ = atNs;
    buf_.append(chunk.data(), chunk.size());
    if (const qsizetype drop = buf_.size() - KeptBytes; drop > 0) {
        buf_.remove(0, drop);
        silence_.remove(0, drop);
        bufStart_ += drop;
    }
    decide();
}

void FrameReader::lose()
{
    bufStart_ += buf_.size();
    buf_.clear();
    silence_.clear();
    phase_.reset();
    // The silence before the next byte may have held bytes someone else took.
    lastNs_.reset();
}

void FrameReader::startReading()
{
    readFrom_ = bufStart_ + buf_.size();
    latest_.reset();
}

QByteArrayView FrameReader::group(qint64 at) const
{
    return QByteArrayView(buf_).sliced(at - bufStart_, FrameLength);
}

void FrameReader::decide()
{
    const qint64 end = bufStart_ + buf_.size();
    std::array<Phase, FrameLength> ph;
    for (int p = 0; p < FrameLength && end - FrameLength >= bufStart_; ++p) {
        Phase& f = ph[size_t(p)];
        const qint64 back = ((end - FrameLength - p) % FrameLength + FrameLength) % FrameLength;
        const qint64 last = end - FrameLength - back;
        if (last < bufStart_) continue;
        f.newest = last;
        for (qint64 at = last; at >= bufStart_ && IsLiveFrame(group(at)); at -= FrameLength) {
            ++f.run;
            f.sure = f.sure || !couldBeTailAndHead(group(at));
        }
    }

    // The silence before each place of six in the newest groups of six bytes
    // whose timing is known, newest first.
    std::array<std::array<qint64, FrameLength>, HistoryGroups> rows;
    int n = 0;
    for (qint64 hi = end; hi - FrameLength >= bufStart_ && n < HistoryGroups; hi -= FrameLength) {
        auto& row = rows[size_t(n)];
        bool known = true;
        for (qint64 at = hi - FrameLength; at < hi; ++at) {
            row[size_t(at % FrameLength)] = silence_[at - bufStart_];
            known = known && silence_[at - bufStart_] >= 0;
        }
        if (known) ++n;
    }
    auto longerBy = [&](int i, int p, int q) {
        return double(rows[size_t(i)][size_t(p)] - rows[size_t(i)][size_t(q)]);
    };
    // p's silences are longer than q's by more than their spread lets chance give.
    auto clearlyLonger = [&](int p, int q) {
        if (n < 2) return false;
        double mean = 0, squares = 0;
        for (int i = 0; i < n; ++i)
            mean += longerBy(i, p, q) / n;
        for (int i = 0; i < n; ++i)
            squares += (longerBy(i, p, q) - mean) * (longerBy(i, p, q) - mean);
        const double spread = std::sqrt(squares / (n - 1) / n);
        return mean > 0 && (spread == 0 || mean / spread >= LongerBeyondChance[size_t(n - 2)]);
    };
    // p's silence is the longer one in most of the groups.
    auto mostlyLonger = [&](int p, int q) {
        int longer = 0;
        for (int i = 0; i < n; ++i)
            longer += longerBy(i, p, q) > 0;
        return 2 * longer > n;
    };

    auto candidate = [&](int p) { return ph[size_t(p)].run > 0; };
    // The one candidate a test holds for, if only one.
    auto onlyOne = [&](auto&& holds) -> std::optional<int> {
        std::optional<int> found;
        for (int p = 0; p < FrameLength; ++p) {
            if (!candidate(p) || !holds(p)) continue;
            if (found) return std::nullopt;
            found = p;
        }
        return found;
    };
    // A frame's start has the longest silence of its six bytes: the test
    // holds for p against every other place in the frame.
    auto againstAll = [&](int p, auto&& holds) {
        for (int q = 0; q < FrameLength; ++q)
            if (q != p && !holds(p, q)) return false;
        return true;
    };

    if (phase_ && !candidate(*phase_)) phase_.reset();

    std::optional<int> byBytes = onlyOne([&](int p) { return ph[size_t(p)].sure; });
    if (!byBytes) {
        // In a clean stream the false alignments' runs are at most one
        // longer than the true one's; a lead of two is the true alignment.
        const auto best = std::max_element(
            ph.cbegin(), ph.cend(), [](const Phase& a, const Phase& b) { return a.run < b.run; });
        if (best->run >= 2 && std::all_of(ph.cbegin(), ph.cend(), [&](const Phase& f) {
                return &f == &*best || f.run + 2 <= best->run;
            }))
            byBytes = int(best - ph.cbegin());
    }
    if (byBytes) {
        phase_ = byBytes;
        byBytes_ = true;
    } else if (const auto byRhythm = onlyOne([&](int p) { return againstAll(p, clearlyLonger); })) {
        phase_ = byRhythm;
        byBytes_ = false;
    } else if (phase_ && !byBytes_ && !againstAll(*phase_, mostlyLonger)) {
        // Taken from the rhythm alone, kept only while the rhythm still
        // bears it out.
        phase_.reset();
    }
    if (!phase_) return;
    const qint64 at = *ph[size_t(*phase_)].newest;
    // The meter's answer to a handshake has a frame's shape but is no reading.
    if (at + FrameLength > readFrom_ && !IsHandshakeReply(group(at)))
        latest_ = group(at).toByteArray();
}

} // namespace Meter
