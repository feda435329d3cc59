// The real dorvi program and the real meter-sim, as separate processes: the
// test chooses COM1 in the port window and finds the simulator's reading on
// the main window. Dorvi runs on Qt's VNC platform, which the test reads and
// clicks through a small RFB client.

#include "meter/panel.h"
#include "platform/grid.h"
#include "platform/twips.h"
#include "rfb.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

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

// The two programs started against each other, dorvi on the VNC platform
// with "COM1" chosen in its port window.
struct Programs
{
    QTemporaryDir config;
    QProcess sim, dorvi;
    RfbClient vnc;
    qint64 chosenMs = -1; // when "OK" was clicked, on a steady clock
    QElapsedTimer clock;

    // simArgs null: no simulator, COM1 linked to a device that is not there.
    bool start(const std::optional<QStringList>& simArgs)
    {
        clock.start();
        if (!simArgs) {
            QDir().mkpath(config.filePath(QStringLiteral("dorvi/ports")));
            QFile::link(config.filePath(QStringLiteral("no-such-device")),
                        config.filePath(QStringLiteral("dorvi/ports/COM1")));
        } else if (!startSim(*simArgs)) {
            return false;
        }
        return startDorvi();
    }
    bool startSim(const QStringList& simArgs)
    {
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QStringLiteral(DORVI_BIN_DIR "/meter-sim"),
                  QStringList{QStringLiteral("--port"), QStringLiteral("1"),
                              QStringLiteral("--ports-dir"),
                              config.filePath(QStringLiteral("dorvi/ports"))} +
                      simArgs);
        return sim.waitForStarted() && sim.waitForReadyRead(10000) &&
               sim.readAll().contains("link:");
    }
    bool startDorvi()
    {
        const quint16 port = freeVncPort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("vnc:size=800x700:port=%1").arg(port));
        dorvi.setProcessEnvironment(env);
        dorvi.setWorkingDirectory(config.path());
        dorvi.setProcessChannelMode(QProcess::ForwardedChannels);
        dorvi.start(QStringLiteral(DORVI_BIN_DIR "/dorvi"), {});
        if (!dorvi.waitForStarted() || !vnc.connectTo(port, 20000)) return false;

        // The port window shows at 3700, 2700 twips; its "OK" takes the design text "COM1".
        const QPoint portWindow(Twips::px(3700), Twips::px(2700));
        const QColor teal = Twips::color(0x00808000);
        QElapsedTimer waited;
        waited.start();
        while (vnc.frame().pixelColor(portWindow + QPoint(5, 5)) != teal) {
            if (waited.elapsed() > 20000) return false;
            QTest::qWait(50);
        }
        chosenMs = clock.elapsed();
        return vnc.click(portWindow + Twips::rect(1320, 1080, 615, 375).center());
    }
    ~Programs()
    {
        dorvi.kill();
        dorvi.waitForFinished(5000);
        sim.terminate();
        sim.waitForFinished(5000);
    }
};

// The main window as a loaded one looks, to compare the screen with.
struct Reference
{
    Panel panel;
    Reference()
    {
        panel.OfflineSSPL->hide(); // the offline cover, which a load would hide
        panel.show();
        exposed = QTest::qWaitForWindowExposed(&panel);
    }
    bool exposed = false;
    // The big figure, below the level bar that overlaps its top.
    QRect lcd() const { return panel.ShownLCD->geometry().adjusted(0, 12, 0, 0); }
    QRect com() const { return panel.LblCOM->geometry(); }
    QImage rendered(QLabel* label, QRect where, const QString& text)
    {
        const QString was = label->text();
        label->setText(text);
        const QImage image = panel.grab(where).toImage().convertToFormat(QImage::Format_RGB32);
        label->setText(was);
        return image;
    }
};

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void readingReachesTheMainWindow_data()
    {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QStringList>("others"); // texts the figure must not be
        QTest::newRow("a level") << QStringList{"--level", "734"} << "73.4"
                                 << QStringList{"140.0", "73.3", "78.4"};
        // 02 02 04 03 02 03 every 20 ms: only the line's rhythm tells where
        // frames start.
        QTest::newRow("frames that pair into frames, every 20 ms")
            << QStringList{"--level", "770", "--period", "20"} << "77.0"
            << QStringList{"140.0", "51.6", "77.1"};
    }
    void readingReachesTheMainWindow()
    {
        Programs run;
        QVERIFY(run.start(fetch<QStringList>("simArgs")));
        Reference reference;
        QVERIFY(reference.exposed);
        const QRect lcd = reference.lcd();
        const QImage expected =
            reference.rendered(reference.panel.ShownLCD, lcd, fetch<QString>("level"));
        double best = 1;
        while (run.clock.elapsed() - run.chosenMs < 30000 && best > 0.02) {
            QTest::qWait(100);
            best = std::min(best, difference(run.vnc.frame().copy(lcd), expected));
        }
        const qint64 shownAfter = run.clock.elapsed() - run.chosenMs;
        const QImage full = run.vnc.frame();
        full.save(renderFile(QStringLiteral("endtoend-screen.png")));
        const QImage shown = full.copy(lcd);
        shown.save(renderFile(QStringLiteral("endtoend-lcd.png")));
        QVERIFY2(best <= 0.02, qPrintable(QString::number(best)));
        qInfo("shown %lld ms after \"OK\"", shownAfter);
        // And it is no other text: the design figure or a neighbouring level.
        for (const QString& other : fetch<QStringList>("others"))
            QVERIFY(difference(shown, reference.rendered(reference.panel.ShownLCD, lcd, other)) >
                    0.02);
    }

    void missingDeviceEndsWithAFailure()
    {
        // The message of a port that stands for nothing, then an exit status
        // that tells the program failed.
        Programs run;
        QVERIFY(run.start(std::nullopt));
        QTest::qWait(1000); // the message box shows
        QVERIFY2(run.dorvi.state() == QProcess::Running,
                 qPrintable(QString::number(run.dorvi.exitCode())));
        QVERIFY(run.vnc.key(0xff0d));
        QVERIFY(run.dorvi.waitForFinished(10000));
        QCOMPARE(run.dorvi.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.dorvi.exitCode(), 1);
    }

    void unreadableLineShowsNoCom()
    {
        // The same frames byte by byte, 10 ms apart: nothing tells where
        // frames start, so no reading, "No COM", and no row sampled.
        Programs run;
        QVERIFY(run.start(QStringList{"--level", "770", "--period", "60", "--fault", "trickle"}));
        Reference reference;
        QVERIFY(reference.exposed);
        const QImage noCom =
            reference.rendered(reference.panel.LblCOM, reference.com(), QStringLiteral("No COM"));
        QImage screen;
        QTRY_VERIFY_WITH_TIMEOUT(
            (screen = run.vnc.frame(), difference(screen.copy(reference.com()), noCom) <= 0.02),
            20000);
        const qint64 noComAfter = run.clock.elapsed() - run.chosenMs;
        qInfo("\"No COM\" %lld ms after \"OK\"", noComAfter);
        QVERIFY(noComAfter < 3000);
        const QRect list = reference.panel.GridN[2]->geometry();
        QTest::qWait(2500);
        const QImage later = run.vnc.frame();
        later.save(renderFile(QStringLiteral("endtoend-unreadable.png")));
        QVERIFY(difference(later.copy(reference.com()), noCom) <= 0.02);
        QVERIFY(difference(later.copy(reference.lcd()),
                           reference.rendered(reference.panel.ShownLCD, reference.lcd(),
                                              QStringLiteral("140.0"))) <= 0.02);
        // The live list as it was: no row sampled meanwhile.
        QCOMPARE(difference(later.copy(list), screen.copy(list)), 0.0);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
