// The real dorvi program and the real meter-sim, as separate processes: the
// test chooses COM1 in the port window and finds the simulator's reading on
// the main window. Dorvi runs on Qt's VNC platform, which the test reads and
// clicks through a small RFB client.

#include "meter/panel.h"
#include "platform/twips.h"

#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// Big-endian numbers inside a received block; 0 past its end.
quint32 be(const QByteArray& b, int at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | (at + i < b.size() ? quint8(b[at + i]) : 0);
    return v;
}

// The bare minimum of the RFB protocol (version 3.3, no security, raw pixels).
class RfbClient
{
public:
    bool connectTo(quint16 port, int msecs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < msecs) {
            socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (socket_.waitForConnected(500)) return handshake();
            socket_.abort();
            QTest::qWait(100);
        }
        return false;
    }

    QImage frame()
    {
        QByteArray request(10, '\0');
        request[0] = 3; // FramebufferUpdateRequest, whole screen, not incremental
        qToBigEndian<quint16>(quint16(size_.width()), request.data() + 6);
        qToBigEndian<quint16>(quint16(size_.height()), request.data() + 8);
        socket_.write(request);
        for (;;) {
            const QByteArray head = read(4);
            if (head.size() < 4) return {};
            if (head[0] != 0) // only framebuffer updates are expected
                return {};
            const int rects = int(be(head, 2, 2));
            for (int i = 0; i < rects; ++i) {
                const QByteArray r = read(12);
                if (r.size() < 12) return {};
                const int x = int(be(r, 0, 2));
                const int y = int(be(r, 2, 2));
                const int w = int(be(r, 4, 2));
                const int h = int(be(r, 6, 2));
                const QByteArray pixels = read(qsizetype(w) * h * 4);
                for (int row = 0; row < h; ++row)
                    memcpy(image_.scanLine(y + row) + x * 4,
                           pixels.constData() + qsizetype(row) * w * 4, size_t(w) * 4);
            }
            return image_;
        }
    }

    void click(QPoint at)
    {
        for (quint8 mask : {quint8(1), quint8(0)}) {
            QByteArray e(6, '\0');
            e[0] = 5;
            e[1] = char(mask);
            qToBigEndian<quint16>(quint16(at.x()), e.data() + 2);
            qToBigEndian<quint16>(quint16(at.y()), e.data() + 4);
            socket_.write(e);
            socket_.flush();
            QTest::qWait(50);
        }
    }

private:
    QByteArray read(qsizetype n)
    {
        QByteArray out;
        while (out.size() < n) {
            if (!socket_.bytesAvailable() && !socket_.waitForReadyRead(5000)) break;
            out += socket_.read(n - out.size());
        }
        return out;
    }

    bool handshake()
    {
        if (read(12).left(4) != "RFB ") return false;
        socket_.write("RFB 003.003\n");
        if (be(read(4), 0, 4) != 1) // no security
            return false;
        socket_.write(QByteArray(1, '\1')); // shared
        const QByteArray init = read(24);
        if (init.size() < 24) return false;
        size_ = QSize(int(be(init, 0, 2)), int(be(init, 2, 2)));
        read(be(init, 20, 4)); // the name
        // 32 bits a pixel, true colour, red at bit 16: QImage's RGB32 in memory.
        QByteArray format(20, '\0');
        const char pf[16] = {32, 24,        0,  1, 0, char(255), 0, char(255),
                             0,  char(255), 16, 8, 0, 0,         0, 0};
        memcpy(format.data() + 4, pf, 16);
        socket_.write(format);
        QByteArray encodings(8, '\0');
        encodings[0] = 2;
        encodings[3] = 1; // raw only
        socket_.write(encodings);
        image_ = QImage(size_, QImage::Format_RGB32);
        image_.fill(Qt::black);
        return socket_.waitForBytesWritten(1000) || true;
    }

    QTcpSocket socket_;
    QSize size_;
    QImage image_;
};

quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// Share of pixels that differ by more than a little.
double difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return 1;
    qint64 differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                    std::abs(qBlue(p) - qBlue(q)) >
                60)
                ++differ;
        }
    return double(differ) / (a.width() * a.height());
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void readingReachesTheMainWindow()
    {
        QTemporaryDir config;
        QProcess sim;
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QStringLiteral(DORVI_BIN_DIR "/meter-sim"),
                  {QStringLiteral("--port"), QStringLiteral("1"), QStringLiteral("--ports-dir"),
                   config.filePath(QStringLiteral("dorvi/ports")), QStringLiteral("--level"),
                   QStringLiteral("734")});
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(10000));
        QVERIFY(sim.readAll().contains("link:"));

        const quint16 port = freePort();
        QProcess dorvi;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("vnc:size=800x700:port=%1").arg(port));
        dorvi.setProcessEnvironment(env);
        dorvi.setWorkingDirectory(config.path());
        dorvi.setProcessChannelMode(QProcess::ForwardedChannels);
        dorvi.start(QStringLiteral(DORVI_BIN_DIR "/dorvi"), {});
        QVERIFY(dorvi.waitForStarted());
        auto stop = qScopeGuard([&] {
            dorvi.kill();
            dorvi.waitForFinished(5000);
            sim.terminate();
            sim.waitForFinished(5000);
        });

        RfbClient vnc;
        QVERIFY(vnc.connectTo(port, 20000));

        // The port window shows at 3700, 2700 twips; its "OK" takes the design text "COM1".
        const QPoint portWindow(Twips::px(3700), Twips::px(2700));
        const QColor teal = Twips::color(0x00808000);
        QImage screen;
        QTRY_VERIFY_WITH_TIMEOUT(
            (screen = vnc.frame(), screen.pixelColor(portWindow + QPoint(5, 5)) == teal), 20000);
        vnc.click(portWindow + Twips::rect(1320, 1080, 615, 375).center());

        // The main window at the top-left corner, its big figure showing the level.
        Panel reference;
        reference.OfflineSSPL->hide(); // the offline cover, which a load would hide
        reference.show();
        QVERIFY(QTest::qWaitForWindowExposed(&reference));
        // The figure, below the level bar that overlaps its top.
        const QRect lcd = reference.ShownLCD->geometry().adjusted(0, 12, 0, 0);
        auto rendered = [&](const QString& text) {
            reference.ShownLCD->setText(text);
            return reference.grab(lcd).toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage expected = rendered(QStringLiteral("73.4"));
        double best = 1;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000 && best > 0.02) {
            QTest::qWait(250);
            best = std::min(best, difference(vnc.frame().copy(lcd), expected));
        }
        const QImage full = vnc.frame();
        full.save(QStringLiteral(DORVI_BUILD_DIR "/endtoend-screen.png"));
        const QImage shown = full.copy(lcd);
        shown.save(QStringLiteral(DORVI_BUILD_DIR "/endtoend-lcd.png"));
        QVERIFY2(best <= 0.02, qPrintable(QString::number(best)));
        // And it is no other text: the design figure or a neighbouring level.
        for (const QString& other :
             {QStringLiteral("140.0"), QStringLiteral("73.3"), QStringLiteral("78.4")})
            QVERIFY(difference(shown, rendered(other)) > 0.02);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
