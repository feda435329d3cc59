#include "meter/core/framereader.h"
#include "meter/core/meter.h"
#include "meter/core/protocol.h"

#include "testutil.h"

#include <QTest>

using Meter::state;

class TestDecoders : public QObject
{
    Q_OBJECT
private slots:
    void init() { state() = {}; }

    void range_data()
    {
        QTest::addColumn<int>("before"); // range code decoded first, -1 none
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<bool>("over");
        QTest::newRow("code 0") << -1 << 0x00 << 80 << 140 << false;
        QTest::newRow("code 5") << -1 << 0x05 << 30 << 90 << false;
        QTest::newRow("bits 3-6 ignored") << -1 << 0x0D << 30 << 90 << false;
        QTest::newRow("code 6 keeps, over") << 1 << 0x86 << 70 << 130 << true;
        QTest::newRow("code 7 keeps") << 3 << 0x07 << 50 << 110 << false;
        QTest::newRow("code 6 before any range") << -1 << 0x06 << 0 << 0 << false;
        QTest::newRow("over with code 2") << -1 << 0x82 << 60 << 120 << true;
    }
    void range()
    {
        QFETCH(int, before);
        QFETCH(int, byte);
        if (before >= 0) Meter::DecodeRange(uint8_t(before));
        Meter::DecodeRange(uint8_t(byte));
        QCOMPARE(state().RangeLow, fetch<int>("low"));
        QCOMPARE(state().RangeHigh, fetch<int>("high"));
        QCOMPARE(state().OverFlag, fetch<bool>("over"));
        QCOMPARE(state().rangeKnown(), state().RangeHigh != 0);
    }

    void mode_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("freq");
        QTest::addColumn<QString>("flags"); // run pause stop under as 0/1
        QTest::newRow("0x63") << 0x63 << ""
                              << "AA"
                              << "0000";
        QTest::newRow("0x9C") << 0x9C << "FAST"
                              << "A"
                              << "1111";
        QTest::newRow("slow C run") << 0x25 << "SLOW"
                                    << "C"
                                    << "1000";
        QTest::newRow("imp Z pause") << 0x4A << "IMP"
                                     << "Z"
                                     << "0100";
        QTest::newRow("stop only") << 0x10 << "FAST"
                                   << "A"
                                   << "0010";
    }
    void mode()
    {
        QFETCH(int, byte);
        QFETCH(QString, flags);
        Meter::DecodeMode(uint8_t(byte));
        QCOMPARE(state().TimeWeighting, fetch<QString>("time"));
        QCOMPARE(state().FreqWeighting, fetch<QString>("freq"));
        QCOMPARE(state().RunFlag, flags[0] == '1');
        QCOMPARE(state().PauseFlag, flags[1] == '1');
        QCOMPARE(state().StopFlag, flags[2] == '1');
        QCOMPARE(state().UnderFlag, flags[3] == '1');
    }

    void level_data()
    {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<double>("level");
        QTest::addColumn<QString>("text");
        QTest::newRow("65.3") << 0x02 << 0x8D << 65.3 << "65.3";
        QTest::newRow("65.3 marked") << 0x82 << 0x8D << 65.3 << "65.3*";
        QTest::newRow("zero marked") << 0x80 << 0x00 << 0.0 << ".0*";
        QTest::newRow("zero") << 0x00 << 0x00 << 0.0 << ".0";
        QTest::newRow("below one dB") << 0x00 << 0x05 << 0.5 << ".5";
        QTest::newRow("one dB") << 0x00 << 0x0A << 1.0 << "1.0";
        QTest::newRow("140.0") << 0x05 << 0x78 << 140.0 << "140.0";
        QTest::newRow("0x7FFF") << 0x7F << 0xFF << 3276.7 << "3276.7";
        QTest::newRow("0xFFFF") << 0xFF << 0xFF << 3276.7 << "3276.7*";
    }
    void level()
    {
        Meter::DecodeLevel(uint8_t(fetch<int>("high")), uint8_t(fetch<int>("low")));
        QCOMPARE(state().RecordLevel, fetch<double>("level"));
        QCOMPARE(state().LevelText, fetch<QString>("text"));
    }

    void dateTime_data()
    {
        QTest::addColumn<quint32>("packed");
        QTest::addColumn<QString>("text");
        auto pack = [](quint32 y, quint32 mo, quint32 d, quint32 h, quint32 mi, quint32 s2) {
            return (y << 25) | (mo << 21) | (d << 16) | (h << 11) | (mi << 5) | s2;
        };
        QTest::newRow("2016") << pack(36, 3, 23, 14, 33, 5) << "2016/03/23  14:33:10";
        QTest::newRow("2005 midnight") << pack(25, 1, 2, 0, 0, 0) << "2005/01/02  00:00:00";
        QTest::newRow("month 0 hour 25") << pack(40, 0, 7, 25, 5, 29) << "2020/00/07  25:05:58";
        QTest::newRow("all ones") << 0xFFFFFFFFu << "2107/15/31  31:63:62";
        QTest::newRow("zero") << 0u << "1980/00/00  00:00:00";
    }
    void dateTime()
    {
        QCOMPARE(Meter::DecodeDateTime(fetch<quint32>("packed")), fetch<QString>("text"));
    }

    void shiftBits_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<bool>("left");
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("result");
        QTest::newRow("right by one") << 7u << false << 0 << 3u;
        QTest::newRow("left by one") << 7u << true << 0 << 14u;
        QTest::newRow("right by five") << 0x1234u << false << 4 << (0x1234u >> 5);
        QTest::newRow("left by four") << 3u << true << 3 << 48u;
    }
    void shiftBits()
    {
        quint32 v = fetch<quint32>("value");
        const quint32 r = Meter::ShiftBits(v, fetch<bool>("left"), fetch<int>("count"));
        QCOMPARE(r, fetch<quint32>("result"));
        QCOMPARE(v, r);
    }

    void cutField_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QByteArray twenty(19, 'x');
        twenty.append('\x35');
        QTest::newRow("empty reply") << QByteArray() << 1 << 5 << "";
        QTest::newRow("byte 20") << twenty << 20 << 1 << "5";
        QTest::newRow("Latin-1") << QByteArray("\xE9\xFF", 2) << 1 << 2
                                 << QString::fromLatin1("\xE9\xFF");
        QTest::newRow("past the end") << QByteArray("abc") << 3 << 5 << "c";
        QTest::newRow("beyond") << QByteArray("abc") << 4 << 2 << "";
        QTest::newRow("zero byte kept")
            << QByteArray("a\0b", 3) << 1 << 3 << QString::fromLatin1("a\0b", 3);
    }
    void cutField()
    {
        QCOMPARE(
            Meter::CutField(fetch<QByteArray>("reply"), fetch<int>("start"), fetch<int>("count")),
            fetch<QString>("text"));
    }

    void frames_data()
    {
        using H = Meter::Handshake;
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("frame");
        QTest::addColumn<H>("handshake"); // the input heard after "A"
        QTest::addColumn<int>("latest");  // where the frame read from the input starts
        const QByteArray reply("\x02\xFF\xFF\xFF\xFF\x03", 6);
        const QByteArray frame("\x02\x01\x04\x02\x8D\x03", 6);
        QTest::newRow("bytes before a frame")
            << QByteArray("\x41") + frame << true << H::NotAnswered << 1;
        QTest::newRow("stray 02 after") << frame + "\x02" << false << H::NotAnswered << 0;
        // The meter's answer is never a reading.
        QTest::newRow("handshake after bytes")
            << QByteArray("\x41\x42") + reply << true << H::Answered << -1;
        QTest::newRow("handshake, then the start of a frame")
            << reply + "\x02" << false << H::Answered << -1;
        QTest::newRow("handshake, then a frame") << reply + frame << true << H::Answered << 6;
        QTest::newRow("handshake, then a byte no frame starts with")
            << reply + "\x41" << false << H::NotAnswered << -1;
        QTest::newRow("five bytes") << reply.left(5) << false << H::TooFew << -1;
        // Alone, these may be the tail 02 02 03 of one frame and the head
        // 02 03 03 of the next: no reading.
        QTest::newRow("02 and 03 inside")
            << QByteArray("\x02\x02\x03\x02\x03\x03", 6) << true << H::NotAnswered << -1;
        // Halves of frames: the tail of one, a whole one, the head of the next.
        QTest::newRow("split frames")
            << QByteArray("\x8D\x03\x02\x02\x04\x02\x8E\x03\x02\x02\x04", 11) << false
            << H::NotAnswered << 2;
        QTest::newRow("two whole frames, the newer counts")
            << QByteArray("\x02\x01\x04\x02\x8D\x03\x02\x01\x04\x02\x8E\x03\x55", 13) << false
            << H::NotAnswered << 6;
        QTest::newRow("noise") << QByteArray("\x02\x11\x22\x33\x44\x55\x66\x02", 8) << false
                               << H::NotAnswered << -1;
    }
    void frames()
    {
        QFETCH(QByteArray, input);
        QCOMPARE(Meter::IsLiveFrame(QByteArrayView(input).last(qMin(input.size(), 6))),
                 fetch<bool>("frame"));
        QCOMPARE(Meter::JudgeHandshake(input), fetch<Meter::Handshake>("handshake"));
        Meter::FrameReader reader;
        reader.feed(input, 0);
        const int latest = fetch<int>("latest");
        QCOMPARE(reader.latest().value_or(QByteArray()),
                 latest < 0 ? QByteArray() : input.mid(latest, 6));
    }

    void keyCommand()
    {
        QCOMPARE(Meter::RemoteKeyCommand(9), QByteArray("\x4B\x00\x00\x09", 4));
        QCOMPARE(Meter::RemoteKeyCommand(1), QByteArray("K\0\0\1", 4));
        QVERIFY(Meter::RemoteKeyCommand(0).isEmpty());
        QVERIFY(Meter::RemoteKeyCommand(11).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDecoders)
#include "test_decoders.moc"
