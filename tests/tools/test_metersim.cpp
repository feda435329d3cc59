// The meter simulator on a real pseudo-terminal, seen from the program's end
// of the line with plain POSIX calls.

#include "metersim.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <functional>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

const QByteArray Frame653 = hex("020204028D03");
const QByteArray Handshake = hex("02FFFFFFFF03");

struct Piece
{
    qint64 at;
    QByteArray bytes;
};

QByteArray joined(const QList<Piece>& pieces)
{
    QByteArray all;
    for (const Piece& p : pieces)
        all += p.bytes;
    return all;
}

// The program's end of the line.
class Line
{
public:
    explicit Line(const QString& path)
        : fd(::open(QFile::encodeName(path).constData(),
                    O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios t{};
        if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }
    ~Line()
    {
        if (fd >= 0) ::close(fd);
    }
    bool isOpen() const { return fd >= 0; }

    void send(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
            } else {
                return;
            }
        }
    }

    void drain()
    {
        ::tcflush(fd, TCIFLUSH);
        char buf[4096];
        while (::read(fd, buf, sizeof buf) > 0) {
        }
    }

    // Everything that arrives until `done` is satisfied or msecs have passed.
    QList<Piece> pieces(int msecs, const std::function<bool(const QByteArray&)>& done = {})
    {
        QList<Piece> out;
        QByteArray all;
        const qint64 deadline = nowMs() + msecs;
        while (!(done && done(all))) {
            const qint64 left = deadline - nowMs();
            if (left <= 0) break;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0) continue;
            char buf[65536];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                out.append({nowMs(), QByteArray(buf, n)});
                all.append(buf, n);
            }
        }
        return out;
    }
    QByteArray read(qsizetype count, int msecs = 5000)
    {
        return joined(pieces(msecs, [count](const QByteArray& a) { return a.size() >= count; }));
    }
    // Frames queued before the line was opened may come first: wait for the
    // bytes themselves, not for a count.
    QByteArray readUntil(const QByteArray& wanted, int msecs = 5000)
    {
        return joined(pieces(msecs, [&wanted](const QByteArray& a) { return a.contains(wanted); }));
    }
    QByteArray readFor(int msecs) { return joined(pieces(msecs)); }

private:
    int fd;
};

// Offset at which the stream splits into whole frames, or -1.
int frameOffset(const QByteArray& s)
{
    for (int o = 0; o < 6 && o + 6 <= s.size(); ++o) {
        bool framed = true;
        for (qsizetype i = o; i + 6 <= s.size() && framed; i += 6)
            framed = s[i] == 0x02 && s[i + 5] == 0x03;
        if (framed) return o;
    }
    return -1;
}

int commandCount(const QByteArray& bytes)
{
    int n = 0;
    for (qsizetype i = 0; i < bytes.size(); ++n)
        i += std::max(1, MeterSim::commandLength(bytes[i]));
    return n;
}

bool start(MeterSim& sim, bool frames)
{
    sim.setPeriod(10);
    sim.setLiveFrames(frames);
    sim.setLevel(653);
    return sim.start();
}

} // namespace

class TestMeterSim : public QObject
{
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void clock_data();
    void clock();
    void directory();
    void dump_data();
    void dump();
    void erase_data();
    void erase();
    void settings_data();
    void settings();
    void frames_data();
    void frames();
    void randomLevelFramed();
    void holdOff();
    void faults_data();
    void faults();
    void stallKeepsFramesOut();
    void splitFrames();
    void noiseAndSilence();
    void handshakeScript_data();
    void handshakeScript();
    void splitCommands_data();
    void splitCommands();
    void log();
    void link();
    void neverStalls();
    void pacing();
    void logging();
    void program();
};

void TestMeterSim::replies_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("A") << QByteArray("A") << hex("02FFFFFFFF03");
    QTest::newRow("J at start") << QByteArray("J") << hex("0001");
    QTest::newRow("C then J") << QByteArray("C\x00\x1EJ", 4) << hex("001E");
    QTest::newRow("C 00 41 is no A") << QByteArray("C\x00\x41J", 4) << hex("0041");
    QTest::newRow("C hi byte counts") << QByteArray("C\x12\x34J") << hex("1234");
    QTest::newRow("K code looks like A") << QByteArray("K\x00\x00\x41J", 5) << hex("0001");
    QTest::newRow("K bytes look like J") << QByteArray("KJJ\x01J", 5) << hex("0001");
    QTest::newRow("B bytes look like commands") << QByteArray("BAJNIOHJ") << hex("0001");
    QTest::newRow("P bytes look like H, N") << QByteArray("PHNJ") << hex("0001");
    QTest::newRow("unknown bytes dropped") << QByteArray("xyz\x00\xFFJ", 6) << hex("0001");
    QTest::newRow("G D E F answer nothing") << QByteArray("GDEFJ") << hex("0001");
    QTest::newRow("H then empty directory") << QByteArray("HN") << hex("000000010000FF0000000000");
}

void TestMeterSim::replies()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, reply);
    MeterSim sim;
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    line.send(sent);
    QCOMPARE(line.read(reply.size()), reply);
    QCOMPARE(line.readFor(200), QByteArray());
    QCOMPARE(int(sim.sets().size()), sent.startsWith('H') ? 0 : 3);
}

void TestMeterSim::clock_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected"); // ss mm hh DD MM YY, seconds may run on
    QTest::newRow("set") << hex("42091023230316") << hex("091023230316");
    QTest::newRow("no BCD") << hex("421A1023230316") << hex("000000010120");
    QTest::newRow("no date") << hex("42091023310216") << hex("000000010120");
    QTest::newRow("year 2005") << hex("42300000010105") << hex("300000010105");
}

void TestMeterSim::clock()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, expected);
    MeterSim sim;
    sim.setClock(QDateTime(QDate(2020, 1, 1), QTime(0, 0, 0)));
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send(sent + "I");
    const QByteArray reply = line.read(6);
    QCOMPARE(reply.size(), 6);
    QCOMPARE(reply.mid(1), expected.mid(1));
    const auto seconds = [](char c) { return (quint8(c) >> 4) * 10 + (quint8(c) & 15); };
    const int drift = seconds(reply[0]) - seconds(expected[0]);
    QVERIFY2(drift >= 0 && drift <= 5, reply.toHex(' '));
}

void TestMeterSim::directory()
{
    MeterSim sim;
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send("N");
    const QByteArray d = line.read(42);
    QCOMPARE(d.size(), 42);
    QCOMPARE(d.mid(1, 4), hex("00000100"));
    QCOMPARE(d.mid(5, 4), hex("E7FE0000")); // 65536 - 256 - (1 + 1 + 23) blocks
    QCOMPARE(int(d[9]), 3);
    const QList<MeterSim::Set> sets = sim.sets();
    for (int k = 0; k < 3; ++k) {
        const QByteArray e = d.mid(11 + 10 * k, 10);
        const auto u8 = [&e](int i) { return quint32(quint8(e[i])); };
        QCOMPARE(u8(0) | u8(1) << 8, quint32(sets[k].address));
        QCOMPARE(u8(2) | u8(3) << 8 | u8(4) << 16 | u8(5) << 24,
                 341u + 38u * quint32(sets[k].records.size()));
        const quint32 packed = (u8(6) | u8(7) << 8) << 16 | u8(8) | u8(9) << 8;
        const QDateTime t(QDate(1980 + int(packed >> 25), (packed >> 21) & 15, (packed >> 16) & 31),
                          QTime((packed >> 11) & 31, (packed >> 5) & 63, (packed & 31) * 2));
        QCOMPARE(t, sets[k].start);
    }

    QList<MeterSim::Set> many;
    for (int k = 0; k < 256; ++k)
        many.append(MeterSim::makeSet(quint16(0x0100 + k), sets[0].start, 1, 0));
    sim.setSets(many);
    line.send("N");
    const QByteArray full = line.read(2562);
    QCOMPARE(full.size(), 2562);
    QCOMPARE(quint8(full[9]), quint8(255));
    QCOMPARE(line.readFor(200), QByteArray());
}

void TestMeterSim::dump_data()
{
    QTest::addColumn<int>("which"); // 0..2 stored sets, 3 given set, 4 no set
    QTest::newRow("12 records") << 0;
    QTest::newRow("no records") << 1;
    QTest::newRow("600 records") << 2;
    QTest::newRow("given set") << 3;
    QTest::newRow("unknown address") << 4;
}

void TestMeterSim::dump()
{
    QFETCH(int, which);
    MeterSim sim;
    MeterSim::Set given;
    given.address = 0x1234;
    given.start = QDateTime(QDate(2016, 3, 23), QTime(10, 0, 0));
    given.interval = 5;
    given.records = {
        {" 60.0", false}, {" 45.3", true}, {"  -- ", false}, {" 70.0", false}, {"  OL ", true}};
    given.headerPatches = {{1, "Set"}};
    if (which == 3) sim.setSets({given});
    QVERIFY(start(sim, false));
    const MeterSim::Set set = which < 3 ? sim.sets()[which] : given;
    const quint16 address = which == 4 ? 0x0777 : set.address;
    Line line(sim.devicePath());
    line.send(QByteArray("O") + char(address & 0xFF) + char(address >> 8));

    const qsizetype records = which == 4 ? 0 : set.records.size();
    const QByteArray d = line.read(359 + 38 * records);
    QCOMPARE(d.size(), 359 + 38 * records);
    QCOMPARE(line.readFor(200), QByteArray());
    const auto at = [&d](int position, int count) { return d.mid(position - 1, count); };
    const auto number = [&at](int position) {
        bool ok = false;
        const double v = at(position, 6).trimmed().toDouble(&ok);
        return ok ? v : -1;
    };
    QVERIFY(QByteArray("0123456789").contains(d[19]));
    QVERIFY(QByteArray("ACZ").contains(d[39]));
    QVERIFY(QByteArrayList({"FAST", "SLOW", "IMP "}).contains(at(57, 4)));
    QVERIFY(QByteArrayList({"80-140", "70-130", "60-120", "50-110", "40-100", "30-90 "})
                .contains(at(77, 6)));
    const QDateTime start =
        QDateTime::fromString(QString::fromLatin1(at(116, 19)), "yyyy/MM/dd HH:mm:ss");
    QVERIFY(start.isValid());
    QVERIFY(
        QDateTime::fromString(QString::fromLatin1(at(155, 19)), "yyyy/MM/dd HH:mm:ss").isValid());
    for (int position : {145, 201, 217, 233, 249, 265, 281, 297})
        QVERIFY2(number(position) >= 0, at(position, 6).constData());
    QVERIFY(number(233) >= number(249) && number(249) >= number(265) &&
            number(265) >= number(281) && number(281) >= number(297));
    if (which == 4) return;
    QCOMPARE(d[19], char('0' + set.interval));
    QCOMPARE(start, set.start);
    for (qsizetype k = 0; k < records; ++k) {
        const QByteArray r = d.mid(359 + 38 * k, 38);
        QCOMPARE(r.mid(4, 7), set.records[k].paused ? QByteArray("[pause]") : QByteArray(7, ' '));
        QCOMPARE(r.mid(12, 19),
                 start.addSecs(k * set.interval).toString("yyyy/MM/dd HH:mm:ss").toLatin1());
        QCOMPARE(r.mid(32, 5), set.records[k].level);
    }
    if (which == 3) {
        QCOMPARE(at(1, 3), QByteArray("Set"));
        QCOMPARE(at(145, 29), QByteArray("  70.0    2016/03/23 10:00:15"));
        QCOMPARE(at(201, 6), QByteArray("  65.7")); // 60.0, 45.3, 70.0
        QCOMPARE(at(217, 6), QByteArray("  79.6")); // + 10 lg 25 s
        QCOMPARE(at(233, 6) + at(265, 6) + at(297, 6), QByteArray("  70.0  60.0  45.3"));
    }
}

void TestMeterSim::erase_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QList<int>>("left");
    QTest::newRow("all") << QByteArray("H") << QList<int>{};
    QTest::newRow("second") << QByteArray("P\x01\x01") << QList<int>{0x100, 0x102};
    QTest::newRow("first, lo byte 00") << QByteArray("P\x00\x01", 3) << QList<int>{0x101, 0x102};
    QTest::newRow("bytes swapped") << QByteArray("P\x01\x00", 3) << QList<int>{0x100, 0x101, 0x102};
}

void TestMeterSim::erase()
{
    QFETCH(QByteArray, sent);
    QFETCH(QList<int>, left);
    MeterSim sim;
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send(sent + "N");
    const QByteArray d = line.read(10 * left.size() + 12);
    QCOMPARE(d.size(), 10 * left.size() + 12);
    QCOMPARE(int(d[9]), left.size());
    for (int k = 0; k < left.size(); ++k)
        QCOMPARE(quint8(d[11 + 10 * k]) | quint8(d[12 + 10 * k]) << 8, left[k]);
    QCOMPARE(line.readFor(200), QByteArray());
}

void TestMeterSim::settings_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QList<int>>("expected"); // range code, frequency, time, run state
    const QList<int> start{2, 0, 0, 0};
    QTest::newRow("E") << QByteArray("E") << QList<int>{1, 0, 0, 0};
    QTest::newRow("E stops at 80-140") << QByteArray("EEEE") << QList<int>{0, 0, 0, 0};
    QTest::newRow("F stops at 30-90") << QByteArray("FFFFF") << QList<int>{5, 0, 0, 0};
    QTest::newRow("G to AA") << QByteArray("GGG") << QList<int>{2, 3, 0, 0};
    QTest::newRow("G round") << QByteArray("GGGG") << start;
    QTest::newRow("D to IMP") << QByteArray("DD") << QList<int>{2, 0, 2, 0};
    QTest::newRow("D round") << QByteArray("DDD") << start;
    QTest::newRow("key 1") << QByteArray("K\0\0\x01", 4) << QList<int>{2, 1, 0, 0};
    QTest::newRow("key 2") << QByteArray("K\0\0\x02", 4) << QList<int>{2, 0, 1, 0};
    QTest::newRow("key 5 pause") << QByteArray("K\0\0\x05", 4) << QList<int>{2, 0, 0, 1};
    QTest::newRow("key 5 stop") << QByteArray("K\0\0\x05K\0\0\x05", 8) << QList<int>{2, 0, 0, 2};
    QTest::newRow("key 9 up") << QByteArray("K\0\0\x09", 4) << QList<int>{1, 0, 0, 0};
    QTest::newRow("key 10 down") << QByteArray("K\0\0\x0A", 4) << QList<int>{3, 0, 0, 0};
    QTest::newRow("key 7 nothing") << QByteArray("K\0\0\x07", 4) << start;
}

void TestMeterSim::settings()
{
    QFETCH(QByteArray, sent);
    QFETCH(QList<int>, expected);
    MeterSim sim;
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send(sent);
    QVERIFY(sim.waitForCommands(commandCount(sent), 5000));
    const MeterSim::State s = sim.state();
    QCOMPARE((QList<int>{s.rangeCode, s.frequencyWeighting, s.timeWeighting, int(s.runState)}),
             expected);
}

void TestMeterSim::frames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("run");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("time");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("in range") << 2 << 653 << 0 << 0 << 0 << Frame653;
    QTest::newRow("range top is no over") << 2 << 1200 << 0 << 0 << 0 << hex("02020404B003");
    QTest::newRow("over") << 2 << 1201 << 0 << 0 << 0 << hex("02820404B103");
    QTest::newRow("under") << 0 << 799 << 0 << 0 << 0 << hex("020084031F03");
    QTest::newRow("pause marks level") << 2 << 653 << 1 << 0 << 0 << hex("020208828D03");
    QTest::newRow("stop Z IMP") << 5 << 653 << 2 << 2 << 2 << hex("020552028D03");
    QTest::newRow("raw bytes") << -1 << 653 << 0 << 0 << 0 << hex("028663828D03");
}

void TestMeterSim::frames()
{
    QFETCH(int, code);
    QFETCH(int, level);
    QFETCH(int, run);
    QFETCH(int, frequency);
    QFETCH(int, time);
    QFETCH(QByteArray, frame);
    MeterSim sim;
    QVERIFY(start(sim, true));
    sim.setLevel(level);
    sim.setRunState(MeterSim::RunState(run));
    sim.setFrequencyWeighting(frequency);
    sim.setTimeWeighting(time);
    if (code >= 0) {
        sim.setRangeCode(code);
    } else {
        sim.setRawRangeByte(0x86);
        sim.setRawModeByte(0x63);
        sim.setRawLevelWord(0x828D);
    }
    QCOMPARE(sim.currentFrame(), frame);
    Line line(sim.devicePath());
    line.drain();
    const QByteArray s = line.read(60);
    const int o = frameOffset(s);
    QVERIFY2(o >= 0, s.toHex(' '));
    QCOMPARE(s.mid(s.size() - (s.size() - o) % 6 - 6, 6), frame);
}

void TestMeterSim::randomLevelFramed()
{
    MeterSim sim;
    QVERIFY(start(sim, true));
    sim.setPeriod(2);
    sim.setLevel(std::nullopt);
    Line line(sim.devicePath());
    const QByteArray s = line.read(1200);
    const int o = frameOffset(s);
    QVERIFY(o >= 0);
    QSet<int> levels;
    for (qsizetype i = o; i + 6 <= s.size(); i += 6) {
        const int level = quint8(s[i + 3]) << 8 | quint8(s[i + 4]);
        QVERIFY(level >= 450 && level <= 850);
        QCOMPARE(bool(s[i + 2] & 0x80), level < 600); // range 60-120
        QCOMPARE(quint8(s[i + 1]), quint8(2));
        levels.insert(level);
    }
    QVERIFY(levels.size() > 3);
}

void TestMeterSim::holdOff()
{
    MeterSim sim;
    sim.setSamplingTime(0x1234);
    QVERIFY(start(sim, true));
    Line line(sim.devicePath());
    QCOMPARE(line.read(12).size(), 12);
    line.drain();
    const qint64 sent = nowMs();
    line.send("J");
    const QList<Piece> pieces = line.pieces(5000, [](const QByteArray& a) {
        const qsizetype r = a.indexOf(hex("1234"));
        return r >= 0 && a.indexOf(Frame653, r) >= 0;
    });
    const QByteArray all = joined(pieces);
    const qsizetype reply = all.indexOf(hex("1234"));
    QVERIFY2(reply >= 0 && all.indexOf(Frame653, reply) == reply + 2, all.toHex(' '));
    qsizetype seen = 0;
    for (const Piece& p : pieces) {
        seen += p.bytes.size();
        if (seen > reply + 2) { // first byte after the reply
            QVERIFY2(p.at - sent >= 495, qPrintable(QString::number(p.at - sent)));
            break;
        }
    }
}

void TestMeterSim::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("reply");
    using F = MeterSim::Fault;
    QTest::newRow("silence") << int(F::Silence) << QByteArray("AJN") << QByteArray();
    QTest::newRow("short J") << int(F::ShortReplies) << QByteArray("J") << hex("12");
    QTest::newRow("short A") << int(F::ShortReplies) << QByteArray("A") << hex("02FFFFFFFF");
    QTest::newRow("truncated J") << int(F::TruncatedReplies) << QByteArray("J") << hex("12");
    QTest::newRow("truncated N") << int(F::TruncatedReplies) << QByteArray("N")
                                 << MeterSim::directory(MeterSim::defaultSets()).left(21);
    QTest::newRow("stalled J") << int(F::StalledReplies) << QByteArray("J") << hex("1234");
    QTest::newRow("extra after J") << int(F::ExtraBytes) << QByteArray("J") << hex("123455AA");
    QTest::newRow("frame before J")
        << int(F::FrameBeforeReply) << QByteArray("J") << hex("020204028D031234");
    QTest::newRow("filter spares A") << -1 << QByteArray("AJ") << hex("02FFFFFFFF0312");
}

void TestMeterSim::faults()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, reply);
    MeterSim sim;
    sim.setSamplingTime(0x1234);
    sim.setStall(1, 300);
    if (fault < 0) {
        sim.setFault(MeterSim::Fault::ShortReplies, true);
        sim.setReplyFaultFilter("J");
    } else {
        sim.setFault(MeterSim::Fault(fault), true);
    }
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send(sent);
    QCOMPARE(line.read(reply.size()), reply);
    QCOMPARE(line.readFor(350), QByteArray());
    QCOMPARE(sim.commands().size(), sent.size()); // every byte here is a command
}

void TestMeterSim::stallKeepsFramesOut()
{
    MeterSim sim;
    sim.setSamplingTime(0x1234);
    sim.setStall(1, 700);
    sim.setFault(MeterSim::Fault::StalledReplies, true);
    QVERIFY(start(sim, true));
    Line line(sim.devicePath());
    line.drain();
    const qint64 sent = nowMs();
    line.send("J");
    const QList<Piece> pieces =
        line.pieces(5000, [](const QByteArray& a) { return a.contains(hex("1234")); });
    const qsizetype reply = joined(pieces).indexOf(hex("1234"));
    QVERIFY(reply >= 0); // nothing came between the two parts
    qsizetype seen = 0;
    for (const Piece& p : pieces) {
        seen += p.bytes.size();
        if (seen > reply + 1) {
            QVERIFY2(p.at - sent >= 695, qPrintable(QString::number(p.at - sent)));
            break;
        }
    }
}

void TestMeterSim::splitFrames()
{
    MeterSim sim;
    sim.setSplitGap(100);
    sim.setFault(MeterSim::Fault::SplitFrames, true);
    QVERIFY(start(sim, true));
    Line line(sim.devicePath());
    line.drain();
    const QList<Piece> pieces =
        line.pieces(5000, [](const QByteArray& a) { return a.size() >= 48; });
    const QByteArray all = joined(pieces);
    const int o = frameOffset(all);
    QVERIFY2(o >= 0, all.toHex(' '));
    bool cut = false;
    qsizetype end = 0;
    for (const Piece& p : pieces) {
        end += p.bytes.size();
        cut = cut || (end - o) % 6 != 0;
    }
    QVERIFY(cut);
    QVERIFY(all.contains(Frame653));
}

void TestMeterSim::noiseAndSilence()
{
    MeterSim sim;
    sim.setFault(MeterSim::Fault::Noise, true);
    QVERIFY(start(sim, true));
    sim.setPeriod(2);
    Line line(sim.devicePath());
    line.drain();
    const QByteArray noise = line.read(600);
    QVERIFY(noise.size() >= 600);
    QVERIFY(!noise.contains('\x03'));
    QVERIFY(QSet<char>(noise.cbegin(), noise.cend()).size() > 50);

    sim.setFault(MeterSim::Fault::Noise, false);
    sim.setFault(MeterSim::Fault::Silence, true);
    QTest::qSleep(50);
    line.drain();
    QCOMPARE(line.readFor(300), QByteArray());
    sim.setFault(MeterSim::Fault::Silence, false);
    QVERIFY(line.read(18).contains(Frame653));
}

void TestMeterSim::handshakeScript_data()
{
    QTest::addColumn<QByteArray>("scripted");
    QTest::newRow("bytes before") << hex("414202FFFFFFFF03");
    QTest::newRow("byte after") << hex("02FFFFFFFF0302");
    QTest::newRow("five bytes") << hex("02FFFFFFFF");
    QTest::newRow("no answer") << QByteArray();
}

void TestMeterSim::handshakeScript()
{
    QFETCH(QByteArray, scripted);
    MeterSim sim;
    sim.setHandshakeReply(scripted, 2);
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send("AA");
    QCOMPARE(line.read(2 * scripted.size()), scripted + scripted);
    QCOMPARE(line.readFor(200), QByteArray());
    line.send("A");
    QCOMPARE(line.read(6), hex("02FFFFFFFF03"));
    sim.inject(hex("0102030405"));
    QCOMPARE(line.read(5), hex("0102030405"));
}

void TestMeterSim::splitCommands_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<int>("gap");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("C in three") << QByteArrayList{"C", "\x12", "\x34", "J"} << 30 << hex("1234");
    QTest::newRow("O in two") << QByteArrayList{"O\x01", QByteArray(1, '\x01')} << 30
                              << MeterSim::dump(MeterSim::defaultSets()[1]);
    QTest::newRow("stale piece dropped")
        << QByteArrayList{QByteArray("C\x00", 2), "J"} << 400 << hex("0001");
}

void TestMeterSim::splitCommands()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(int, gap);
    QFETCH(QByteArray, reply);
    MeterSim sim;
    sim.setPartialTimeout(200);
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    qsizetype sent = 0;
    for (const QByteArray& p : pieces) {
        line.send(p);
        sent += p.size();
        QVERIFY(sim.waitForReceived(sent, 5000));
        QTest::qSleep(gap);
    }
    QCOMPARE(line.read(reply.size()), reply);
    QCOMPARE(line.readFor(200), QByteArray());
}

void TestMeterSim::log()
{
    MeterSim sim;
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    const QByteArray sent("xAC\x00\x41K\x00\x00\x05", 10);
    const qint64 before = nowMs();
    line.send(sent);
    QVERIFY(sim.waitForCommands(3, 5000));
    QCOMPARE(sim.received(), sent);
    const QList<MeterSim::Command> commands = sim.commands();
    QCOMPARE(commands.size(), 3);
    QCOMPARE(commands[0].bytes, QByteArray("A"));
    QCOMPARE(commands[1].bytes, QByteArray("C\x00\x41", 3));
    QCOMPARE(commands[2].bytes, QByteArray("K\x00\x00\x05", 4));
    QVERIFY(commands[0].msecs >= before && commands[2].msecs >= commands[0].msecs &&
            commands[2].msecs <= nowMs());
    sim.clearLog();
    QVERIFY(sim.received().isEmpty() && sim.commands().isEmpty());
}

void TestMeterSim::link()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("config/dorvi/ports");
    MeterSim sim;
    QString error;
    QVERIFY(!sim.start(dir, 17, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::link("/nonexistent/tty", dir + "/COM16"));
    QVERIFY2(sim.start(dir, 16, &error), qPrintable(error));
    QCOMPARE(sim.linkPath(), dir + "/COM16");
    QCOMPARE(QFileInfo(sim.linkPath()).symLinkTarget(), sim.devicePath());
    {
        Line line(sim.linkPath());
        line.send("A");
        QVERIFY(line.readUntil(Handshake).contains(Handshake));
    }
    {
        Line again(sim.linkPath()); // the line survives the program closing it
        again.send("A");
        QVERIFY(again.readUntil(Handshake).contains(Handshake));
    }
    sim.stop();
    QVERIFY(!QFileInfo(dir + "/COM16").isSymLink());

    QFile file(dir + "/COM3");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!sim.start(dir, 3, &error));
    QVERIFY(QFileInfo(dir + "/COM3").isFile());
}

void TestMeterSim::neverStalls()
{
    MeterSim sim;
    QVERIFY(start(sim, true));
    Line line(sim.devicePath());
    line.drain();
    const QByteArray flood(256 * 1024, '\x55');
    sim.inject(flood);
    QTest::qSleep(100); // the line is full and frames pile up
    line.send("C\x12\x34");
    QVERIFY(sim.waitForCommands(1, 5000));
    QCOMPARE(sim.state().samplingTime, quint16(0x1234));
    line.send("J");
    const QByteArray all =
        joined(line.pieces(20000, [](const QByteArray& a) { return a.contains(hex("1234")); }));
    const qsizetype reply = all.indexOf(hex("1234"));
    QVERIFY(reply >= flood.size());
    QVERIFY(all.mid(reply - flood.size(), flood.size()) ==
            flood); // no frame queued before the reply
}

void TestMeterSim::pacing()
{
    MeterSim sim;
    const MeterSim::Set set =
        MeterSim::makeSet(0x0200, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 6)), 1, 91);
    sim.setSets({set});
    sim.setPacing(true);
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    const qint64 sent = nowMs();
    line.send(QByteArray("O\x00\x02", 3));
    const QByteArray d = line.read(3817, 20000);
    QVERIFY2(nowMs() - sent >= 900, qPrintable(QString::number(nowMs() - sent)));
    QCOMPARE(d, MeterSim::dump(set));
}

void TestMeterSim::logging()
{
    MeterSim sim;
    QVERIFY(start(sim, false));
    Line line(sim.devicePath());
    line.send(QByteArray("K\0\0\x06", 4));
    QVERIFY(sim.waitForCommands(1, 5000));
    QVERIFY(sim.state().logging);
    QDeadlineTimer deadline(10000);
    while (sim.sets().size() < 4 || sim.sets()[3].records.isEmpty()) {
        QVERIFY(!deadline.hasExpired());
        QTest::qSleep(50);
    }
    line.send(QByteArray("K\0\0\x06N", 5));
    const QByteArray d = line.read(52);
    QCOMPARE(int(d[9]), 4);
    QCOMPARE(quint8(d[41]) | quint8(d[42]) << 8, 0x0102 + 23);
    QVERIFY(!sim.state().logging);
    QCOMPARE(sim.sets()[3].records.first().level, MeterSim::levelText(653));
}

void TestMeterSim::program()
{
    const QString binary = QStringLiteral(DORVI_BIN_DIR "/meter-sim");
    if (!QFileInfo(binary).isExecutable()) QSKIP("meter-sim is not built");
    QTemporaryDir tmp;
    QProcess process;
    process.start(binary, {"--port", "5", "--ports-dir", tmp.path(), "--period", "20"});
    QVERIFY(process.waitForStarted(5000));
    QByteArray out;
    while (!out.contains("link: ") || !out.endsWith('\n')) {
        QVERIFY(process.waitForReadyRead(5000));
        out += process.readAllStandardOutput();
    }
    const QString link = tmp.filePath("COM5");
    QVERIFY2(out.contains("link: " + QFile::encodeName(link) + "\n"), out.constData());
    {
        Line line(link);
        QVERIFY(line.isOpen());
        line.send("A");
        QVERIFY(line.readUntil(Handshake).contains(Handshake));
    }
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "test_metersim.moc"
