// The real dorvi program and the real meter-sim, as separate processes: the
// test chooses COM1 in the port window and finds the simulator's reading on
// the main window. Dorvi runs on Qt's VNC platform, which the test reads and
// clicks through a small RFB client.

#include "meter/panel.h"
#include "platform/twips.h"
#include "rfb.h"
#include "testutil.h"

#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
        QVERIFY(vnc.click(portWindow + Twips::rect(1320, 1080, 615, 375).center()));

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
        full.save(renderFile(QStringLiteral("endtoend-screen.png")));
        const QImage shown = full.copy(lcd);
        shown.save(renderFile(QStringLiteral("endtoend-lcd.png")));
        QVERIFY2(best <= 0.02, qPrintable(QString::number(best)));
        // And it is no other text: the design figure or a neighbouring level.
        for (const QString& other :
             {QStringLiteral("140.0"), QStringLiteral("73.3"), QStringLiteral("78.4")})
            QVERIFY(difference(shown, rendered(other)) > 0.02);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
