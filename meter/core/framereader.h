#pragma once
// Finds the meter's live frames in the bytes of the line and keeps track of
// where frames start, across reads and ticks, so that a reading is only ever
// taken from six bytes that are one frame.
//
// A frame is 02 x x x x 03 and its inner bytes may be 02 and 03 as well, so
// the tail of one frame and the head of the next can look like a frame too
// (02 00 04 03 02 03 sent twice holds 02 03 02 00 04 03). Where frames start
// is told by evidence:
// - six bytes that look like a frame and hold no 03 02 inside cannot be a
//   tail and a head, so they are a frame;
// - the first byte after a silence longer than a frame's parts ever lie
//   apart starts a frame;
// - frames six bytes apart, on one alignment only, confirm it.
// Where the bytes cannot tell the alignments apart, no reading is taken.
// Once found, the alignment is kept as long as every six bytes are a frame
// and no silence says otherwise.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <array>
#include <optional>

namespace Meter {

// The longest silence between two parts of one frame.
inline constexpr int FrameGapMs = 40;
// A meter's timer runs a few ms late now and then, so only a silence this
// much longer than FrameGapMs tells that a frame starts after it.
inline constexpr int FrameGapSlackMs = 5;
// A pause between reads this long may have lost bytes (a full buffer): the
// alignment is found again.
inline constexpr int FrameStaleMs = 2000;

class FrameReader
{
public:
    // What one read of the port returned, possibly nothing, read at nowMs
    // (any monotonic milliseconds). Reads that return nothing tell of
    // silence, so every read is to be fed.
    void feed(QByteArrayView chunk, qint64 nowMs);
    // Someone else read the port: where frames start is not known.
    void lose();
    // From now on only frames that end after this point are readings.
    void startReading();

    // The newest frame completed since startReading(), six bytes.
    std::optional<QByteArray> latest() const { return latest_; }
    // Frames came since startReading(), though maybe on an alignment that
    // cannot be told (no reading then).
    bool framesSeen() const { return seen_; }
    bool aligned() const { return next_.has_value(); }

private:
    struct Run
    {
        int length = 0;      // frame-looking groups in a row, ending at the last whole group
        bool sure = false;   // one of them cannot be a tail and a head
        bool marked = false; // one of them starts after a silence
        qint64 end = 0;      // where the last whole group ends
    };

    void process();
    void search();
    Run runAt(int phase) const;
    void take(qint64 at);
    void trim();
    bool markedAt(qint64 at) const;

    QByteArray buf_;
    qint64 bufStart_ = 0;        // stream position of buf_[0]
    qint64 end_ = 0;             // stream position after the last byte fed
    std::optional<qint64> next_; // where the next frame starts, while aligned
    QList<qint64> marks_;        // stream positions that follow a silence
    qint64 readFrom_ = 0;        // frames ending at or before this are no readings
    std::optional<QByteArray> latest_;
    bool seen_ = false;
    std::optional<qint64> lastBytesMs_;
    std::optional<qint64> lastEmptyMs_;
    std::optional<qint64> lastFeedMs_;
};

} // namespace Meter
