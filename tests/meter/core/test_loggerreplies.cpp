// The readers of the logger directory and the meter clock, and the bytes of
// the logger and clock commands.

#include "meter/core/logger.h"
#include "meter/core/meterclock.h"
#include "testutil.h"

#include <QTest>

namespace {

const QByteArray Frame("\x02\x02\x11\x02\x8A\x03", 6);

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A directory of the given entries (10 bytes each) and memory figures.
QByteArray directory(const QList<QByteArray>& entries,
                     const QByteArray& figures = hex("0000010000000100"))
{
    QByteArray d(1, '\0');
    d += figures;
    d += char(entries.size());
    d += '\0';
    for (const QByteArray& e : entries)
        d += e;
    d += '\0';
    return d;
}

// Shaped as a frame: 02 first and 03 sixth.
QByteArray frameShaped(QByteArray bytes)
{
    bytes[0] = '\x02';
    bytes[5] = '\x03';
    return bytes;
}

// A directory of three sets, shaped as a frame.
QByteArray shapedDirectory()
{
    return frameShaped(directory(
        {hex("0001A8020000A8480000"), hex("0002A8020000A8480000"), hex("0003A8020000A8480000")}));
}

} // namespace

class TestLoggerReplies : public QObject
{
    Q_OBJECT
private slots:
    void recordsInSet_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("records");
        QTest::newRow("341") << 341LL << 0LL;
        QTest::newRow("379") << 379LL << 1LL;
        QTest::newRow("340") << 340LL << 0LL;
        QTest::newRow("303 (below the header)") << 303LL << 0LL;
        QTest::newRow("0") << 0LL << 0LL;
        QTest::newRow("largest") << 4294967295LL << 113025446LL;
    }
    void recordsInSet()
    {
        QCOMPARE(Meter::RecordsInSet(fetch<qint64>("size")), fetch<qint64>("records"));
    }

    void directoryInPieces()
    {
        // Two sets: 32 bytes, the entries at bytes 12 and 22.
        const QByteArray reply =
            directory({hex("34127B010000") + hex("A8480000"), hex("0001550100002148E152")},
                      hex("0000010010270000"));
        QCOMPARE(reply.size(), 32);
        Meter::DirectoryReader r;
        r.feed(reply.first(9));
        QVERIFY(!r.headIn());
        QCOMPARE(r.expected(), -1LL);
        r.feed(reply.sliced(9, 20));
        QVERIFY(r.headIn());
        QCOMPARE(r.sets(), 2);
        QCOMPARE(r.expected(), 32LL);
        QVERIFY(!r.complete());
        r.feed(reply.sliced(29) + hex("55AA")); // bytes beyond the reply are ignored
        QVERIFY(r.complete());
        const Meter::LoggerDirectory d = r.directory();
        QCOMPARE(d.memorySize, 65536u);
        QCOMPARE(Meter::MemoryFigureText(d.memorySize), QStringLiteral("65.5"));
        QCOMPARE(Meter::MemoryFigureText(d.remained), QStringLiteral("10.0"));
        QCOMPARE(d.entries.size(), 2);
        QCOMPARE(d.entries[0].address, quint16(4660));
        QCOMPARE(d.entries[0].size, 379u);
        QCOMPARE(d.entries[0].records(), 1LL);
        QCOMPARE(d.entries[0].packed, 0x48A80000u);
        QCOMPARE(d.entries[1].address, quint16(0x0100));
        QCOMPARE(d.entries[1].records(), 0LL); // 341 bytes
        QCOMPARE(d.entries[1].packed, 0x482152E1u);
    }

    void fullDirectory()
    {
        QList<QByteArray> entries;
        for (int k = 0; k < 255; ++k)
            entries.append(QByteArray(1, char(k)) + QByteArray(9, '\x01'));
        const QByteArray reply = directory(entries);
        QCOMPARE(reply.size(), 2562);
        Meter::DirectoryReader r;
        r.feed(reply);
        QVERIFY(r.complete());
        QCOMPARE(r.directory().entries.size(), 255);
        QCOMPARE(r.directory().entries[254].address, quint16(0x01FE));
    }

    void framesAreNoReply_data()
    {
        // Chunks with the times they were read at (ms after the request);
        // 50 ms without a chunk is a quiet spell.
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<int>>("at");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("lastByte");
        const QByteArray dir = directory({});
        QTest::newRow("a frame before the reply")
            << QList<QByteArray>{Frame + dir} << QList<int>{10} << dir << 10;
        QTest::newRow("two frames, split, before it")
            << QList<QByteArray>{Frame + Frame.first(3), Frame.sliced(3) + dir}
            << QList<int>{10, 20} << dir << 20;
        QTest::newRow("frames after a quiet spell do not finish it")
            << QList<QByteArray>{dir.first(7), Frame, Frame + Frame} << QList<int>{10, 100, 160}
            << dir.first(7) << 10;
        QTest::newRow("frame-shaped bytes within the flow count")
            << QList<QByteArray>{dir.first(4), Frame} << QList<int>{10, 20} << dir.first(4) + Frame
            << 20;
        QTest::newRow("the rest after a stall counts")
            << QList<QByteArray>{dir.first(5), dir.sliced(5)} << QList<int>{10, 200} << dir << 200;
    }
    void framesAreNoReply()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<int>, at);
        Meter::DirectoryReader r;
        for (qsizetype i = 0; i < chunks.size(); ++i)
            r.feedAt(chunks[i], at[i]);
        QTEST(r.bytes(), "reply");
        QTEST(int(r.lastByteMs()), "lastByte");
    }

    // A reply is read whole whether or not its first bytes look like a live
    // frame; real frames in front of it are left out, decided by its size.
    void replyShapedAsFrames_data()
    {
        QTest::addColumn<int>("fixedSize"); // < 0: a directory
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("frames");
        const QByteArray shaped = shapedDirectory();
        const QByteArray dump = frameShaped(QByteArray(int(Meter::DumpLength(2)), '\x11'));
        const QByteArray clock = hex("020510230303");
        const QByteArray plain = directory({hex("0001A8020000A8480000")});
        for (int frames : {0, 1, 2}) {
            const QByteArray n = QByteArray::number(frames) + " frames in front";
            QTest::newRow("directory shaped as a frame, " + n) << -1 << shaped << frames;
            QTest::newRow("directory, " + n) << -1 << plain << frames;
            QTest::newRow("dump shaped as a frame, " + n) << int(dump.size()) << dump << frames;
            QTest::newRow("clock shaped as a frame, " + n) << 6 << clock << frames;
        }
    }
    void replyShapedAsFrames()
    {
        QFETCH(int, fixedSize);
        QFETCH(QByteArray, reply);
        const QByteArray in = Frame.repeated(fetch<int>("frames")) + reply;
        Meter::DirectoryReader directoryReader;
        Meter::ReplyReader fixedReader(fixedSize);
        Meter::ReplyReader& r = fixedSize < 0 ? directoryReader : fixedReader;
        // As the line brings it: seven bytes a read, 2 ms apart; a frame of
        // the meter follows 100 ms after the reply.
        qint64 ms = 0;
        for (qsizetype at = 0; at < in.size(); at += 7)
            r.feedAt(in.sliced(at, std::min<qsizetype>(7, in.size() - at)), ms += 2);
        for (qint64 quiet = ms + 10; quiet < ms + 100; quiet += 10)
            r.feedAt({}, quiet);
        r.feedAt(Frame, ms + 100);
        QVERIFY(r.complete());
        QCOMPARE(r.reply(), reply);
        if (fixedSize < 0) QCOMPARE(directoryReader.directory().entries.size(), reply[9]);
    }

    // With the live frames just before the request known, a reply shaped as
    // a frame is read right with frames in front of it and right after it,
    // as soon as it is in.
    void framesAroundAReply_data()
    {
        QTest::addColumn<int>("fixedSize"); // < 0: a directory
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        const QByteArray shaped = shapedDirectory();
        const QByteArray dump = frameShaped(QByteArray(int(Meter::DumpLength(2)), '\x11'));
        for (int before : {0, 1})
            for (int after : {0, 1, 2}) {
                const QByteArray n =
                    QByteArray::number(before) + " before, " + QByteArray::number(after) + " after";
                QTest::newRow("directory, " + n) << -1 << shaped << before << after;
                QTest::newRow("dump, " + n) << int(dump.size()) << dump << before << after;
                QTest::newRow("clock, " + n) << 6 << hex("020510230303") << before << after;
            }
    }
    void framesAroundAReply()
    {
        QFETCH(int, fixedSize);
        QFETCH(QByteArray, reply);
        const QByteArray in =
            Frame.repeated(fetch<int>("before")) + reply + Frame.repeated(fetch<int>("after"));
        Meter::DirectoryReader directoryReader;
        Meter::ReplyReader fixedReader(fixedSize);
        Meter::ReplyReader& r = fixedSize < 0 ? directoryReader : fixedReader;
        r.expectFramesLike(Frame);
        r.feedAt(in, 2);
        QVERIFY(r.complete());
        QCOMPARE(r.reply(), reply);
        if (fixedSize < 0) QCOMPARE(directoryReader.sets(), 3);
    }

    void directoryCountOnceItsStartIsKnown()
    {
        // A directory of three sets shaped as a frame: until the reply's size
        // has told where it starts, its count of sets is not read.
        const QByteArray shaped = shapedDirectory();
        Meter::DirectoryReader r;
        r.feedAt(shaped.first(20), 2);
        QVERIFY(!r.headIn());
        r.feedAt(shaped.sliced(20), 4);
        r.feedAt({}, 60);
        QVERIFY(r.headIn());
        QCOMPARE(r.sets(), 3);
        // An empty one of that shape.
        const QByteArray empty = frameShaped(directory({}));
        Meter::DirectoryReader e;
        e.feedAt(empty, 2);
        e.feedAt({}, 60);
        QVERIFY(e.complete());
        QCOMPARE(e.sets(), 0);
        // With the live frames known, the count is there with the head.
        Meter::DirectoryReader known;
        known.expectFramesLike(Frame);
        known.feedAt(Frame + shaped.first(12), 2);
        QVERIFY(known.headIn());
        QCOMPARE(known.sets(), 3);
    }

    void timeLimit()
    {
        QCOMPARE(Meter::ReplyTimeLimitMs(3840, 2000), 4000LL);
        QCOMPARE(Meter::ReplyTimeLimitMs(38359, 5000), 24978LL);
    }

    void commands()
    {
        QCOMPARE(Meter::EraseSetCommand(4660), hex("503412"));
        QCOMPARE(Meter::DumpCommand(0x0102), hex("4F0201"));
    }

    void clockReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("caption"); // empty: dropped
        QTest::newRow("six bytes") << hex("090510230316") << "2016/03/23 10:05:09";
        QTest::newRow("seven use the first six") << hex("09051023031655") << "2016/03/23 10:05:09";
        QTest::newRow("a frame before it") << Frame + hex("090510230316") << "2016/03/23 10:05:09";
        QTest::newRow("short") << hex("0905102303") << "";
        QTest::newRow("a frame, then a reply cut short") << Frame + hex("0905102303") << "";
        QTest::newRow("a frame alone") << Frame + Frame.first(2) << "";
        // Six bytes are the clock, whatever they hold: shown as their digits.
        QTest::newRow("six bytes shaped as a frame") << Frame << "2003/8A/02 11:02:02";
        QTest::newRow("a frame and a clock shaped as one")
            << Frame + hex("020510230303") << "2003/03/23 10:05:02";
        QTest::newRow("no BCD") << hex("0A0510230316") << "2016/03/23 10:05:0A";
        QTest::newRow("no date") << hex("090510300216") << "2016/02/30 10:05:09";
        QTest::newRow("no time") << hex("096010230316") << "2016/03/23 10:60:09";
        QTest::newRow("leap day") << hex("595923290224") << "2024/02/29 23:59:59";
    }
    void clockReply()
    {
        QFETCH(QString, caption);
        const std::optional<Meter::ClockBytes> c = Meter::ClockReply(fetch<QByteArray>("reply"));
        QCOMPARE(c.has_value(), !caption.isEmpty());
        if (c) QCOMPARE(Meter::ClockCaption(*c), caption);
    }

    void setClock_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("2016") << QDateTime(QDate(2016, 3, 23), QTime(10, 5, 9))
                              << hex("42090510230316");
        QTest::newRow("2005") << QDateTime(QDate(2005, 12, 31), QTime(23, 59, 58))
                              << hex("42585923311205");
    }
    void setClock() { QTEST(Meter::SetClockCommand(fetch<QDateTime>("now")), "sent"); }
};

QTEST_GUILESS_MAIN(TestLoggerReplies)
#include "test_loggerreplies.moc"
