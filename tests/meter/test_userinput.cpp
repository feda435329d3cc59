// Clicks that arrive while the live tick polls wait until the tick is over.
// The test runs on Qt's VNC platform and clicks through an RFB client of
// its own, so the click travels the way a user's does: queued by the window
// system, delivered by the event loop.

#include "fixture.h"
#include "meter/panel.h"
#include "meter/samplingchoice.h"
#include "platform/grid.h"
#include "platform/timer.h"
#include "platform/toolbar.h"
#include "rfb.h"

#include <QApplication>
#include <QLabel>
#include <QSemaphore>
#include <QThread>
#include <QToolButton>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

quint16 vncPort = 0;

quint16 freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    quint16 port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// A user with a mouse, in a thread of its own: it clicks at a point when told.
class Mouse : public QThread
{
public:
    QSemaphore connected, go;
    QPoint at;

protected:
    void run() override
    {
        RfbClient vnc;
        if (!vnc.connectTo(vncPort, 10000)) return;
        connected.release();
        go.acquire();
        vnc.pointer(at, 1);
        QThread::msleep(30);
        vnc.pointer(at, 0);
        QThread::msleep(200);
    }
};

qint64 msNow()
{
    return Clock::current().elapsedNs() / 1'000'000;
}

} // namespace

class TestUserInput : public QObject
{
    Q_OBJECT
    SimLine line;
    ScriptedDialogs dialogs;
    std::unique_ptr<Panel> p;

private slots:
    void initTestCase() { QVERIFY(line.start(1)); }
    void init()
    {
        freshStart(line, dialogs);
        QVERIFY((p = loadedPanel(true)));
        p->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.get()));
    }
    void cleanup() { p.reset(); }

    void dialogFromAClickDuringThePoll()
    {
        Mouse mouse;
        mouse.start();
        const auto joined = qScopeGuard([&] {
            mouse.go.release();
            mouse.wait(5000);
        });
        QTRY_VERIFY_WITH_TIMEOUT(mouse.connected.available() > 0, 10000);

        // The meter's level changes every second.
        QList<QPair<qint64, QString>> sent; // when, level text
        int level = 700;
        auto step = [&] {
            level += 10;
            line.sim.setLevel(level);
            sent.append({msNow(), Meter::TenthsText(uint32_t(level))});
        };
        step();
        QTimer meter;
        connect(&meter, &QTimer::timeout, this, step);
        meter.start(1000);
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), sent.last().second, 3000);

        // Each sample: when it was taken and its level.
        QList<QPair<qint64, QString>> rows;
        connect(p->Timer2, &Timer::tick, this, [&] {
            if (liveState().LiveCount > rows.size())
                rows.append({msNow(), p->GridN[2]->textMatrix(p->GridN[2]->rows() - 1, 0)});
        });

        // The sampling window, held open 3 s; what the display shows meanwhile.
        qint64 opened = 0, closed = 0;
        QStringList shownWhileOpen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* w = qobject_cast<SamplingChoice*>(QApplication::activeModalWidget());
            if (!w) return;
            if (!opened) opened = msNow();
            if (!shownWhileOpen.contains(p->ShownLCD->text()))
                shownWhileOpen.append(p->ShownLCD->text());
            if (msNow() - opened >= 3000) {
                closed = msNow();
                QTest::mouseClick(w->CmdOK, Qt::LeftButton); // the interval, then a cancel
            }
        });
        watch.start(20);
        dialogs.answers.append(ScriptedDialogs::cancel());

        // The click on "Sampling" arrives while a live tick polls: the meter
        // holds its frames 400 ms, so a tick is polling at 250 ms.
        QToolButton* key = p->Toolbar1->button(3);
        mouse.at = key->mapToGlobal(key->rect().center());
        line.sim.setLiveFrames(false);
        QTimer::singleShot(250, this, [&] { mouse.go.release(); });
        QTimer::singleShot(400, this, [&] { line.sim.setLiveFrames(true); });
        QTRY_VERIFY_WITH_TIMEOUT(closed > 0, 8000);
        const qsizetype rowsBefore = std::count_if(rows.begin(), rows.end(),
                                                   [&](const auto& r) { return r.first < opened; });
        runFor(1500);

        // The display went on while the window was open, and so did the
        // samples, each with a level the meter sent less than 0.7 s before.
        QVERIFY2(shownWhileOpen.size() >= 3, qPrintable(shownWhileOpen.join(' ')));
        const qsizetype whileOpen = std::count_if(rows.begin(), rows.end(), [&](const auto& r) {
            return r.first >= opened && r.first <= closed;
        });
        QVERIFY2(whileOpen >= 2, qPrintable(QString::number(whileOpen)));
        QVERIFY(rows.size() > rowsBefore + whileOpen);
        for (const auto& row : std::as_const(rows)) {
            bool fresh = false;
            for (qsizetype i = 0; i < sent.size(); ++i) {
                const qint64 until = i + 1 < sent.size() ? sent[i + 1].first : row.first;
                if (sent[i].second == row.second && until >= row.first - 700 &&
                    sent[i].first <= row.first)
                    fresh = true;
            }
            QVERIFY2(fresh,
                     qPrintable(QStringLiteral("%1 at %2 ms").arg(row.second).arg(row.first)));
        }
        // And the display after it, once the meter's latest level has had time to come.
        meter.stop();
        QTRY_COMPARE_WITH_TIMEOUT(p->ShownLCD->text(), sent.last().second, 2000);
        QCOMPARE(dialogs.of(Platform::DialogRequest::Input).size(), 1);
    }
};

// Qt's VNC platform keeps its screen until the process ends.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqvnc.so\n";
}

int main(int argc, char** argv)
{
    vncPort = freePort();
    qputenv("QT_QPA_PLATFORM", QByteArray("vnc:size=900x800:port=") + QByteArray::number(vncPort));
    QApplication app(argc, argv);
    TestUserInput test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_userinput.moc"
