#pragma once
// Shared set-up of the main-window tests: a private configuration folder,
// the simulator linked as COM1, scripted dialogs and fresh module state.

#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/modulestate.h"
#include "meter/core/recording.h"
#include "meter/core/startup.h"
#include "meter/panel.h"
#include "metersim.h"
#include "platform/dialogs.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/waits.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Answers every dialog: from the queue when it holds an answer, otherwise
// with a plain OK (or a cancel for file dialogs).
struct ScriptedDialogs
{
    QList<Platform::DialogRequest> asked;
    QList<Platform::DialogAnswer> answers;

    void install()
    {
        Platform::setDialogSeam([this](const Platform::DialogRequest& r) {
            asked.append(r);
            if (!answers.isEmpty()) return answers.takeFirst();
            Platform::DialogAnswer a;
            if (r.kind == Platform::DialogRequest::SaveFile ||
                r.kind == Platform::DialogRequest::OpenFile)
                a.accepted = false;
            return a;
        });
    }
    static Platform::DialogAnswer text(const QString& t)
    {
        Platform::DialogAnswer a;
        a.text = t;
        return a;
    }
    static Platform::DialogAnswer cancel()
    {
        Platform::DialogAnswer a;
        a.accepted = false;
        return a;
    }
    static Platform::DialogAnswer file(const QString& path, int filterIndex)
    {
        Platform::DialogAnswer a;
        a.fileName = path;
        a.filterIndex = filterIndex;
        return a;
    }
    QList<Platform::DialogRequest> of(Platform::DialogRequest::Kind kind) const
    {
        QList<Platform::DialogRequest> out;
        for (const auto& r : asked)
            if (r.kind == kind) out.append(r);
        return out;
    }
};

// A configuration folder of the test's own, with the simulator linked as COMn.
struct SimLine
{
    QTemporaryDir config;
    MeterSim sim;

    bool start(int port = 1)
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QString error;
        const bool ok = sim.start(SerialPort::portsFolder(), port, &error);
        if (!ok) qWarning("simulator: %s", qPrintable(error));
        return ok;
    }
};

// Runs events for ms milliseconds in an event loop, as the program does: it
// sleeps until an event comes, so the line's bytes are taken in as they
// arrive (QTest::qWait looks only every 10 ms). Deferred deletions run as
// in QTest::qWait.
inline void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(int(std::min<qint64>(50, ms - t.elapsed())), &loop, &QEventLoop::quit);
        loop.exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Runs events until the condition holds, ms at most; false when it never did.
template <class Condition> bool runUntil(Condition holds, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!holds()) {
        if (t.elapsed() > ms) return false;
        runFor(10);
    }
    return true;
}

// Module state fresh, dialogs answered by the script, the simulator back to
// its plain behaviour: frames on, no faults, range 60-120.
inline void freshStart(SimLine& line, ScriptedDialogs& dialogs)
{
    resetModuleState();
    Platform::setDialogSeam({});
    dialogs = {};
    dialogs.install();
    line.sim.clearFaults();
    line.sim.clearHandshakeReply();
    line.sim.setLiveFrames(true);
    line.sim.setRangeCode(2);
}

// The main window loaded online on COM1; its timers stopped unless asked for.
inline std::unique_ptr<Panel> loadedPanel(bool timersRunning = false)
{
    startupState().PortNumber = 1;
    auto p = std::make_unique<Panel>();
    if (!p->Form_Load()) return nullptr;
    if (!timersRunning) {
        p->Timer1->setEnabled(false);
        p->Timer2->setEnabled(false);
    }
    return p;
}
