// Finding live frames in the line's bytes: frames whose inner bytes are 02
// and 03, split at every offset, with the tick's reads cutting them anywhere.

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

struct Sent
{
    qint64 headMs, tailMs;
    QByteArray bytes;
};

// The meter: one frame every 100 ms, each in two writes split after `split`
// bytes and `gapMs` apart (split 6: one write). A meter's timer is late by
// up to `lateMs` now and then, for the frame and for its second part.
QList<Sent> meter(const QList<QByteArray>& frames, int count, int split, int gapMs,
                  quint32 seed = 0, int lateMs = 0)
{
    QRandomGenerator rng(seed);
    QList<Sent> out;
    for (int k = 0; k < count; ++k) {
        const qint64 t = 100 * k + 3 + rng.bounded(lateMs + 1);
        const int gap = split == 6 ? 0
                                   : (seed && !lateMs ? int(rng.bounded(gapMs + 1))
                                                      : gapMs + int(rng.bounded(lateMs + 1)));
        out.append({t, t + gap, frames[k % frames.size()]});
    }
    return out;
}

// What arrived in (from, to].
QByteArray arrived(const QList<Sent>& sent, int split, qint64 from, qint64 to)
{
    QByteArray out;
    for (const Sent& s : sent) {
        if (s.headMs > from && s.headMs <= to) out += s.bytes.left(split);
        if (split < 6 && s.tailMs > from && s.tailMs <= to) out += s.bytes.mid(split);
    }
    return out;
}

// The newest frame whose last byte had come by `now`.
QByteArray newestWhole(const QList<Sent>& sent, qint64 now)
{
    QByteArray newest;
    for (const Sent& s : sent)
        if (s.tailMs <= now) newest = s.bytes;
    return newest;
}

struct TickResult
{
    int ticks = 0, readings = 0, wrong = 0, firstReadingTick = -1;
};

// Live ticks every 200 ms, the first at firstTickMs: each reads what waits
// (the flush), then polls every 10 ms until a frame comes or 100 polls.
// With lateMs, a poll may come a millisecond late too.
TickResult runTicks(const QList<Sent>& sent, int split, qint64 firstTickMs, qint64 untilMs,
                    int lateMs = 0)
{
    QRandomGenerator rng{quint32(firstTickMs)};
    FrameReader reader;
    TickResult r;
    qint64 lastRead = -1;
    auto read = [&](qint64 now) {
        reader.feed(arrived(sent, split, lastRead, now), now);
        lastRead = now;
    };
    for (qint64 tick = firstTickMs; tick + 1000 < untilMs; tick += 200) {
        read(tick);
        reader.startReading();
        ++r.ticks;
        qint64 now = tick;
        for (int poll = 1; poll <= 100; ++poll) {
            now += 10 + (lateMs ? rng.bounded(2) : 0);
            read(now);
            if (const auto f = reader.latest()) {
                ++r.readings;
                if (*f != newestWhole(sent, now)) ++r.wrong;
                if (r.firstReadingTick < 0) r.firstReadingTick = r.ticks;
                tick = std::max(tick, now - 200); // the next tick is due after this one ends
                break;
            }
        }
    }
    return r;
}

} // namespace

class TestFrameReader : public QObject
{
    Q_OBJECT
private slots:
    void bytesAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("reading"); // empty: none
        QTest::addColumn<bool>("seen");
        const QByteArray f = frame(0x01, 0x04, 0x028D);
        QTest::newRow("stray byte, then a frame") << QByteArray("\x41") + f << f << true;
        QTest::newRow("a frame, then a stray 02") << f + QByteArray("\x02") << f << true;
        QTest::newRow("half a frame") << f.left(3) << QByteArray() << false;
        // 02 00 04 03 | 02 03 | 02 00 04 03 | 02 03: tails and heads look
        // like frames too, and nothing tells them apart.
        const QByteArray twin = frame(0x00, 0x04, 0x0302);
        QTest::newRow("frames that pair into frames") << twin + twin + twin << QByteArray() << true;
        QTest::newRow("noise") << QByteArray::fromHex("0255aa0302550302aa55") << QByteArray()
                               << false;
    }
    void bytesAlone()
    {
        // One read, no silence to go by: the bytes alone decide.
        FrameReader reader;
        reader.startReading();
        reader.feed(fetch<QByteArray>("bytes"), 0);
        QCOMPARE(reader.latest().value_or(QByteArray()), fetch<QByteArray>("reading"));
        QTEST(reader.framesSeen(), "seen");
    }

    void ticksOverSplitFrames_data()
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<quint32>("seed"); // 0: every gap gapMs; else random gaps up to it
        QTest::addColumn<int>("lateMs");
        // Level, range and mode bytes of 02 and 03: tails and heads that look
        // like frames at every split.
        const QList<QByteArray> twins{frame(0x00, 0x04, 0x0302)};
        const QList<QByteArray> changing{frame(0x00, 0x04, 0x0302), frame(0x03, 0x02, 0x0203),
                                         frame(0x02, 0x03, 0x0303), frame(0x03, 0x04, 0x0202),
                                         frame(0x02, 0x02, 0x0302)};
        for (int split = 1; split <= 6; ++split) {
            for (int gap : {0, 20, 40}) {
                if (split == 6 && gap) continue;
                const QByteArray name = QByteArray::number(split) + "+" +
                                        QByteArray::number(6 - split) + ", " +
                                        QByteArray::number(gap) + " ms";
                QTest::newRow("same frame " + name) << twins << split << gap << 0u << 0;
                QTest::newRow("changing " + name) << changing << split << gap << 0u << 0;
            }
            if (split < 6) {
                QTest::newRow(("changing, random gaps " + QByteArray::number(split)).constData())
                    << changing << split << 40 << quint32(split) << 0;
                // Parts 40 ms apart and a few ms more now and then.
                QTest::newRow(("same frame, late timer " + QByteArray::number(split)).constData())
                    << twins << split << 40 << quint32(split) << 4;
            }
        }
    }
    void ticksOverSplitFrames()
    {
        // Every start of the ticks against the frames: the flush cuts frames
        // at every place.
        const QList<QByteArray> frames = fetch<QList<QByteArray>>("frames");
        const int split = fetch<int>("split");
        const QList<Sent> sent = meter(frames, 100, split, fetch<int>("gapMs"),
                                       fetch<quint32>("seed"), fetch<int>("lateMs"));
        for (qint64 start = 0; start < 200; start += 3) {
            const TickResult r = runTicks(sent, split, start, 100 * 100, fetch<int>("lateMs"));
            QVERIFY2(r.wrong == 0, qPrintable(QStringLiteral("first tick at %1 ms").arg(start)));
            // Readings keep coming: at most the first two ticks go without.
            QVERIFY2(r.firstReadingTick >= 1 && r.firstReadingTick <= 3,
                     qPrintable(QStringLiteral("first tick at %1 ms").arg(start)));
            QCOMPARE(r.readings, r.ticks - r.firstReadingTick + 1);
        }
    }

    void alignmentKeptAndFoundAgain()
    {
        const QByteArray twin = frame(0x00, 0x04, 0x0302);
        const QByteArray sure = frame(0x01, 0x04, 0x028D);
        FrameReader reader;
        // Found on a frame that cannot be a tail and a head, then kept on
        // frames that could.
        reader.feed(sure.mid(2), 0);
        reader.feed(sure + twin.left(4), 1);
        QCOMPARE(reader.latest().value_or(QByteArray()), sure);
        reader.startReading();
        reader.feed(twin.mid(4) + twin.left(4), 30);
        QCOMPARE(reader.latest().value_or(QByteArray()), twin);
        // Bytes taken by someone else: the twins alone cannot tell again.
        reader.lose();
        reader.startReading();
        reader.feed(twin.mid(4) + twin + twin + twin.left(4), 200);
        QVERIFY(!reader.latest());
        QVERIFY(reader.framesSeen());
        // A silence says where the next frame starts.
        reader.feed({}, 260);
        reader.feed(twin, 300);
        QCOMPARE(reader.latest().value_or(QByteArray()), twin);
        QVERIFY(reader.aligned());
        // A silence inside what should be a frame: found again from there.
        reader.feed(twin.left(3), 400);
        reader.feed({}, 450);
        reader.feed(twin, 500);
        reader.startReading();
        reader.feed(twin, 600);
        QCOMPARE(reader.latest().value_or(QByteArray()), twin);
        // Reads a long while apart may have lost bytes in between.
        reader.startReading();
        reader.feed(twin.mid(2) + twin + twin, 600 + Meter::FrameStaleMs + 1);
        QVERIFY(!reader.latest());
    }
};

QTEST_GUILESS_MAIN(TestFrameReader)
#include "test_framereader.moc"
