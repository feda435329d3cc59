// Finding live frames in the line's bytes: frames whose inner bytes are 02
// and 03, at frame periods from 20 to 200 ms, whole or split, with a meter
// whose timer is late now and then, taken in by a program that is busy now
// and then, and read by live ticks that cut the stream anywhere.

#include "meter/core/framereader.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QTest>

using Meter::FrameReader;

namespace {

QByteArray frame(quint8 range, quint8 mode, quint16 level)
{
    const char b[6] = {'\x02',           char(range),        char(mode),
                       char(level >> 8), char(level & 0xFF), '\x03'};
    return QByteArray(b, 6);
}

constexpr qint64 Ms = 1'000'000;

struct Piece
{
    qint64 ns;
    QByteArray bytes;
    int frame = -1; // the frame this piece ends, if it does
};
using Line = QList<Piece>;

struct Sender
{
    int periodMs = 100;
    int split = 6;  // bytes in the first write; 6: one write
    int gapMs = 0;  // between the two writes
    int lateMs = 1; // the meter's timer is late by up to this, for each write
};

// What the meter writes: `count` frames, each in one or two writes.
Line writes(const Sender& m, const QList<QByteArray>& frames, int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    Line out;
    for (int k = 0; k < count; ++k) {
        const QByteArray& f = frames[k % frames.size()];
        const qint64 head = (qint64(m.periodMs) * k + 3) * Ms + rng.bounded(m.lateMs * Ms + 1);
        if (m.split >= 6) {
            out.append({head, f, k});
            continue;
        }
        out.append({head, f.left(m.split)});
        out.append({head + m.gapMs * Ms + rng.bounded(m.lateMs * Ms + 1), f.mid(m.split), k});
    }
    return out;
}

// How the program takes them in: each write is stamped when the program is
// next free, up to busyMs later; writes that come meanwhile join it.
Line takenIn(const Line& w, int busyMs, quint32 seed)
{
    QRandomGenerator rng(seed);
    Line out;
    for (const Piece& p : w) {
        if (!out.isEmpty() && p.ns <= out.last().ns) {
            out.last().bytes += p.bytes;
            if (p.frame >= 0) out.last().frame = p.frame;
            continue;
        }
        out.append({p.ns + rng.bounded(busyMs * Ms + 1), p.bytes, p.frame});
    }
    return out;
}

struct Result
{
    int ticks = 0, readings = 0, wrong = 0;
    qint64 firstMs = -1;  // the first reading, after the first tick
    int ticksWithout = 0; // ticks after the first reading that got none
};

// Live ticks every 200 ms from firstTickMs: each takes what waits, then
// polls every 10 ms until a frame comes or 100 polls have passed. A reading
// must be the newest frame whose last byte had come.
Result runTicks(const Line& line, const QList<QByteArray>& frames, qint64 firstTickMs,
                qint64 untilMs)
{
    FrameReader reader;
    Result r;
    qsizetype next = 0;
    int newest = -1;
    auto read = [&](qint64 nowMs) {
        for (; next < line.size() && line[next].ns <= nowMs * Ms; ++next) {
            reader.feed(line[next].bytes, line[next].ns);
            if (line[next].frame >= 0) newest = line[next].frame;
        }
    };
    for (qint64 tick = firstTickMs; tick + 1000 < untilMs; tick += 200) {
        read(tick);
        reader.startReading();
        ++r.ticks;
        qint64 now = tick;
        bool got = false;
        for (int poll = 1; poll <= 100 && !got; ++poll) {
            now += 10;
            read(now);
            if (const auto f = reader.latest()) {
                got = true;
                ++r.readings;
                if (newest < 0 || *f != frames[newest % frames.size()]) ++r.wrong;
                if (r.firstMs < 0) r.firstMs = now - firstTickMs;
                tick = std::max(tick, now - 200); // the next tick is due after this one ends
            }
        }
        if (!got && r.firstMs >= 0) ++r.ticksWithout;
    }
    return r;
}

const QByteArray Twin = frame(0x00, 0x04, 0x0302);          // 77.0: 02 00 04 03 02 03
const QByteArray RangeModeTwin = frame(0x03, 0x02, 0x0302); // 02 03 02 03 02 03
const QByteArray ModeHigh = frame(0x00, 0x03, 0x028D);      // 02 00 03 02 8D 03
const QList<QByteArray> Changing{frame(0x00, 0x04, 0x0302), frame(0x03, 0x02, 0x0203),
                                 frame(0x02, 0x03, 0x0303), frame(0x03, 0x04, 0x0202),
                                 frame(0x02, 0x02, 0x0302)};

} // namespace

class TestFrameReader : public QObject
{
    Q_OBJECT
private slots:
    void bytesAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("reading"); // empty: none
        const QByteArray f = frame(0x01, 0x04, 0x028D);
        QTest::newRow("stray byte, then a frame") << QByteArray("\x41") + f << f;
        QTest::newRow("a frame, then a stray 02") << f + QByteArray("\x02") << f;
        QTest::newRow("half a frame") << f.left(3) << QByteArray();
        // Tails and heads look like frames too, and nothing tells them apart.
        QTest::newRow("frames that pair into frames") << Twin + Twin + Twin << QByteArray();
        QTest::newRow("noise") << QByteArray::fromHex("0255aa0302550302aa55") << QByteArray();
    }
    void bytesAlone()
    {
        // One piece, no silence to go by: the bytes alone decide.
        FrameReader reader;
        reader.startReading();
        reader.feed(fetch<QByteArray>("bytes"), 0);
        QCOMPARE(reader.latest().value_or(QByteArray()), fetch<QByteArray>("reading"));
    }

    void readingsAtEveryRate_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("gap");
        QTest::addColumn<QList<QByteArray>>("frames");
        const QList<std::pair<int, int>> rates{{20, 5}, {50, 16}, {100, 40}, {200, 40}};
        const QList<std::pair<const char*, QList<QByteArray>>> kinds{
            {"77.0", {Twin}},
            {"range 03 mode 02", {RangeModeTwin}},
            {"mode 03 high 02", {ModeHigh}},
            {"changing", Changing}};
        for (const auto& [period, gap] : rates)
            for (int split = 1; split <= 6; ++split)
                for (const auto& [name, frames] : kinds)
                    QTest::addRow("%d ms, %s, %s", period,
                                  split == 6 ? "whole"
                                             : qPrintable(QStringLiteral("%1+%2 %3 ms apart")
                                                              .arg(split)
                                                              .arg(6 - split)
                                                              .arg(gap)),
                                  name)
                        << period << split << gap << frames;
    }
    void readingsAtEveryRate()
    {
        // Every start of the ticks against the frames, idle and busy: the
        // flush cuts frames at every place, and only frames are read.
        const QList<QByteArray> frames = fetch<QList<QByteArray>>("frames");
        const Sender m{fetch<int>("period"), fetch<int>("split"), fetch<int>("gap"), 1};
        const int count = 8000 / m.periodMs;
        for (quint32 seed = 1; seed <= 6; ++seed) {
            const int busy = seed % 2 ? 1 : 4;
            const Line line = takenIn(writes(m, frames, count, seed), busy, seed);
            const qint64 start = qint64(seed) * 37 % 200;
            const Result r = runTicks(line, frames, start, qint64(m.periodMs) * count);
            const QString what =
                QStringLiteral("seed %1: %2 of %3 readings wrong, first after %4 ms, %5 ticks "
                               "without")
                    .arg(seed)
                    .arg(r.wrong)
                    .arg(r.readings)
                    .arg(r.firstMs)
                    .arg(r.ticksWithout);
            QVERIFY2(r.wrong == 0, qPrintable(what));
            QVERIFY2(r.firstMs >= 0 && r.firstMs <= 1000, qPrintable(what));
            QVERIFY2(r.ticksWithout == 0, qPrintable(what));
        }
    }

    void neverAWrongReading_data()
    {
        QTest::addColumn<Line>("line");
        QTest::addColumn<bool>("readings"); // some are to come
        // Parts 40 ms apart from a meter whose timer is up to 10 ms late: the
        // silences inside and between frames overlap now and then.
        for (quint32 seed = 1; seed <= 4; ++seed)
            QTest::addRow("late timer %u", seed)
                << takenIn(writes({100, 4, 40, 10}, {Twin}, 600, seed), 1, seed) << true;
        // One silence inside a frame longer than those between frames, after
        // a steady history.
        Line odd = writes({100, 4, 40, 1}, {Twin}, 100, 7);
        odd[81].ns += 45 * Ms; // frame 40's tail, 85 ms after its head
        QTest::newRow("one long silence inside a frame") << takenIn(odd, 1, 7) << true;
        // An adapter that hands on what it has every 16 ms.
        Line packets;
        for (const Piece& p : writes({20, 6, 0, 1}, {Twin}, 400, 3)) {
            const qint64 at = (p.ns / (16 * Ms) + 1) * 16 * Ms;
            if (!packets.isEmpty() && packets.last().ns == at)
                packets.last() = {at, packets.last().bytes + p.bytes, p.frame};
            else
                packets.append({at, p.bytes, p.frame});
        }
        QTest::newRow("bunched into 16 ms packets") << packets << true;
        // Frames that pair into frames, byte by byte 10 ms apart and only 8
        // ms between frames: no silence stands out where frames start.
        QRandomGenerator rng(5);
        Line evenly;
        for (const Piece& p : writes({58, 6, 0, 0}, {Twin}, 200, 1))
            for (int j = 0; j < 6; ++j)
                evenly.append({p.ns + j * 10 * Ms + rng.bounded(Ms), p.bytes.mid(j, 1),
                               j == 5 ? p.frame : -1});
        QTest::newRow("byte by byte") << evenly << false;
        Line oneRead = writes({20, 6, 0, 0}, {Twin}, 50, 1);
        for (Piece& p : oneRead)
            p.ns = oneRead.last().ns;
        QTest::newRow("all in one read") << takenIn(oneRead, 0, 1) << false;
    }
    void neverAWrongReading()
    {
        const Line line = fetch<Line>("line");
        for (qint64 start : {0, 70, 130}) {
            const Result r = runTicks(line, {Twin}, start, line.last().ns / Ms + 300);
            QVERIFY2(
                r.wrong == 0,
                qPrintable(QStringLiteral("%1 of %2 readings wrong").arg(r.wrong).arg(r.readings)));
            QCOMPARE(r.readings > 0, fetch<bool>("readings"));
        }
    }

    void lostAndFoundAgain()
    {
        const QByteArray sure = frame(0x01, 0x04, 0x028D);
        FrameReader reader;
        // Found on a frame that cannot be a tail and a head, then kept on
        // frames that could.
        reader.feed(sure.mid(2), 0);
        reader.feed(sure + Twin.left(4), 1 * Ms);
        QCOMPARE(reader.latest().value_or(QByteArray()), sure);
        reader.startReading();
        reader.feed(Twin.mid(4) + Twin.left(4), 30 * Ms);
        QCOMPARE(reader.latest().value_or(QByteArray()), Twin);
        // Bytes taken by someone else: the twins alone cannot tell again,
        // until the line's rhythm does.
        reader.lose();
        reader.startReading();
        reader.feed(Twin.mid(4) + Twin.left(4), 200 * Ms);
        reader.feed(Twin.mid(4) + Twin.left(4), 240 * Ms);
        QVERIFY(!reader.latest());
        QVERIFY(!reader.aligned());
        for (int k = 0; k < 3; ++k)
            reader.feed(Twin, (300 + 100 * k) * Ms);
        QCOMPARE(reader.latest().value_or(QByteArray()), Twin);
        QVERIFY(reader.aligned());
        // After a long silence the old alignment is not trusted.
        reader.startReading();
        reader.feed(Twin, 500 * Ms + Meter::FrameStaleNs + Ms);
        QVERIFY(!reader.aligned());
        QVERIFY(!reader.latest());
        for (int k = 1; k <= 3; ++k)
            reader.feed(Twin, (500 + 100 * k) * Ms + Meter::FrameStaleNs + Ms);
        QCOMPARE(reader.latest().value_or(QByteArray()), Twin);
        // A frame that breaks the alignment: found again from what follows.
        reader.feed(QByteArray::fromHex("0255aa55aa55"), 900 * Ms + Meter::FrameStaleNs);
        QVERIFY(!reader.aligned());
        reader.startReading();
        reader.feed(sure, 1000 * Ms + Meter::FrameStaleNs);
        QCOMPARE(reader.latest().value_or(QByteArray()), sure);
    }
};

QTEST_GUILESS_MAIN(TestFrameReader)
#include "test_framereader.moc"
