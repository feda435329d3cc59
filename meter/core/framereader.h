#pragma once
// Finds the meter's live frames in the bytes of the line and keeps track of
// where frames start, across reads and ticks, so that a reading is only ever
// taken from six bytes that are one frame.
//
// A frame is 02 x x x x 03 and its inner bytes may be 02 and 03 as well, so
// the tail of one frame and the head of the next can look like a frame too
// (02 00 04 03 02 03 sent twice holds 02 03 02 00 04 03). Where frames start
// is weighed anew from the recent bytes whenever bytes come:
// - six bytes that look like a frame and hold no 03 02 cannot be a tail and
//   a head, so they are a frame;
// - frames that run on one alignment clearly longer than on any other;
// - the line's own rhythm. A meter writes a frame's bytes back to back, and
//   an adapter splits or bunches them by less than the pause between frames,
//   so the silence where a frame starts is the longest of its six bytes.
//   Over the last sixteen frames' worth of bytes, the silences at each place
//   of six are set against those at every other place: a place is taken as
//   the start when its silences are longer than each other place's by more
//   than their spread lets chance give, and kept while they are still the
//   longer ones in most frames. A single odd silence neither makes nor
//   breaks an alignment, a wrong pick is put right as the silences come in,
//   and a line whose silences are all alike gives no alignment.
// The bytes decide before the rhythm. Where neither tells, no reading.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

namespace Meter {

// A silence longer than this (twice a live tick's whole budget) may have held
// bytes lost to a full buffer, or a meter unplugged in the middle of a
// frame: where frames start is found anew after it.
inline constexpr qint64 FrameStaleNs = 2'000'000'000;

class FrameReader
{
public:
    // One piece of the line as it arrived, at atNs on a monotonic clock.
    // Pieces are fed in the order they came; a piece is bytes that came
    // together, so the silences between pieces are the line's rhythm.
    void feed(QByteArrayView chunk, qint64 atNs);
    // Someone else read the line: where frames start is not known.
    void lose();
    // From now on only frames that end after this point are readings.
    void startReading();

    // The newest frame completed since startReading(), six bytes.
    std::optional<QByteArray> latest() const { return latest_; }
    bool aligned() const { return phase_.has_value(); }

private:
    void decide();
    QByteArrayView group(qint64 at) const;

    QByteArray buf_;           // the newest bytes of the line
    QList<qint64> silence_;    // before each byte of buf_, in ns; -1 where not known
    qint64 bufStart_ = 0;      // stream position of buf_[0]
    std::optional<int> phase_; // stream position mod 6 where frames start
    bool byBytes_ = false;     // the bytes said so, not the rhythm alone
    qint64 readFrom_ = 0;      // frames ending at or before this are no readings
    std::optional<QByteArray> latest_;
    std::optional<qint64> lastNs_;
};

} // namespace Meter
