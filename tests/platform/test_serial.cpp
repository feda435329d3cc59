#include "platform/serialport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The far end of a pseudo-terminal, played by the test itself.
struct Pty
{
    int master = -1;
    QString slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = QString::fromLatin1(ptsname(master));
        int s = ::open(ptsname(master), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(s, &t);
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
        ::close(s);
    }
    ~Pty()
    {
        if (master >= 0) ::close(master);
    }
    void write(const QByteArray& b)
    {
        QVERIFY(::write(master, b.constData(), b.size()) == b.size());
    }
    // What arrived within ms milliseconds.
    QByteArray read(int ms)
    {
        QByteArray out;
        pollfd p{master, POLLIN, 0};
        while (::poll(&p, 1, ms) > 0) {
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, n);
            ms = 20;
        }
        return out;
    }
};

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT
    QTemporaryDir config;

    void link(int n, const QString& target)
    {
        QDir().mkpath(SerialPort::portsFolder());
        const QString path = SerialPort::portsFolder() + QStringLiteral("/COM%1").arg(n);
        QFile::remove(path);
        QVERIFY(QFile::link(target, path));
    }

    // A port numbered n on the given pseudo-terminal, opened.
    std::unique_ptr<SerialPort> openOn(int n, const Pty& pty)
    {
        link(n, pty.slave);
        auto port = std::make_unique<SerialPort>();
        port->setCommPort(n);
        return port->setPortOpen(true) ? std::move(port) : nullptr;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(SerialPort::portsFolder().startsWith(config.path()));
    }

    void resolution_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QString>("device");
        QTest::newRow("link") << 3 << true << "/dev/pts/linked";
        QTest::newRow("fallback COM1") << 1 << false << "/dev/ttyUSB0";
        QTest::newRow("fallback COM16") << 16 << false << "/dev/ttyUSB15";
        QTest::newRow("zero") << 0 << false << "";
        QTest::newRow("seventeen") << 17 << false << "";
        QTest::newRow("negative") << -1 << false << "";
    }
    void resolution()
    {
        QFETCH(int, number);
        QFETCH(bool, linked);
        if (linked) link(number, QStringLiteral("/dev/pts/linked"));
        QTEST(SerialPort::deviceFor(number), "device");
    }

    void missingDeviceFailsToOpen()
    {
        link(5, config.path() + QStringLiteral("/no-such-device"));
        SerialPort port;
        port.setCommPort(5);
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.portOpen());
        QVERIFY(!port.errorString().isEmpty());

        SerialPort none;
        none.setCommPort(0);
        QVERIFY(!none.setPortOpen(true));
    }

    void settings()
    {
        SerialPort port;
        QVERIFY(port.setSettings(QStringLiteral("38400,n,8,1")));
        QVERIFY(!port.setSettings(QStringLiteral("38400,e,8,1")));
        QVERIFY(!port.setSettings(QStringLiteral("fast")));
        QCOMPARE(port.settings(), QStringLiteral("38400,n,8,1"));
    }

    void bytesArriveWithoutEventLoop()
    {
        Pty pty;
        QVERIFY(!pty.slave.isEmpty());
        auto port = openOn(2, pty);
        QVERIFY(port);
        QCOMPARE(port->inBufferCount(), 0);

        const QByteArray frame("\x02\x01\x04\x02\x8D\x03", 6);
        pty.write(frame);
        // No event loop runs here: the port must take the bytes in by itself.
        int waiting = 0;
        for (int i = 0; i < 200 && waiting < 6; ++i) {
            usleep(1000);
            waiting = port->inBufferCount();
        }
        QCOMPARE(waiting, 6);
        pty.write(QByteArray("\xFF\x00", 2));
        usleep(20000);
        QCOMPARE(port->input(), frame + QByteArray("\xFF\x00", 2));
        QCOMPARE(port->inBufferCount(), 0);
        QCOMPARE(port->input(), QByteArray());

        pty.write("junk");
        usleep(20000);
        port->flush();
        QCOMPARE(port->inBufferCount(), 0);
    }

    void piecesKeepWhenTheyCame()
    {
        // While the event loop runs, each piece the line brings keeps its
        // own time, however late it is read.
        Pty pty;
        auto port = openOn(2, pty);
        QVERIFY(port);
        const QList<QByteArray> sent{"\x02\x01\x04", "\x02\x8D\x03", "AB"};
        QEventLoop loop;
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(50 * i, &loop, [&, i] { pty.write(sent[i]); });
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(port->inBufferCount(), 8); // counting takes nothing out
        const QList<MeterPort::Piece> pieces = port->inputPieces();
        QCOMPARE(pieces.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(pieces[i].bytes, sent[i]);
        QVERIFY(pieces[0].ns < pieces[1].ns && pieces[1].ns < pieces[2].ns);
        QVERIFY(pieces[2].ns - pieces[0].ns >= 50'000'000);
        // With no event loop, what waits is one piece of the time it is read.
        pty.write("xyz");
        usleep(20000);
        const QList<MeterPort::Piece> later = port->inputPieces();
        QCOMPARE(later.size(), 1);
        QCOMPARE(later[0].bytes, QByteArray("xyz"));
        QVERIFY(later[0].ns - pieces[2].ns >= 20'000'000);
    }

    void writesLeaveAtOnce()
    {
        Pty pty;
        auto port = openOn(4, pty);
        QVERIFY(port);
        QVERIFY(port->output(QByteArray("K\x00\x00\x09", 4)));
        QCOMPARE(pty.read(500), QByteArray("K\x00\x00\x09", 4));
        // A line that is gone takes nothing, and says so.
        port->setPortOpen(false);
        QVERIFY(!port->output(QByteArray("C\x00\xFF", 3)));
        QVERIFY(!port->errorString().isEmpty());
    }

    void busyPortFailsToOpen()
    {
        Pty pty;
        auto first = openOn(6, pty);
        QVERIFY(first);
        SerialPort second;
        second.setCommPort(6);
        QVERIFY(!second.setPortOpen(true));
        QVERIFY(!second.errorString().isEmpty());
    }

    void closedPortDoesNothing()
    {
        SerialPort port;
        QVERIFY(!port.portOpen());
        QCOMPARE(port.inBufferCount(), 0);
        QCOMPARE(port.input(), QByteArray());
        port.output(QByteArray("A"));
        QVERIFY(port.setPortOpen(false));
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
