#pragma once
// Shared set-up of the record-list window tests: a main window that is
// built but not loaded (its timers run as designed, no port is opened) or
// loaded offline, and dialogs answered from a script.

#include "meter/core/recording.h"
#include "meter/core/startup.h"
#include "meter/panel.h"
#include "platform/dialogs.h"
#include "platform/timer.h"
#include "platform/waits.h"
#include "platform/windows.h"
#include "testutil.h"

#include <QTest>
#include <functional>
#include <memory>

// Answers from the queue, in order; an empty queue answers OK (files and the
// printer: cancel). Each answer may run a step first (a click, a close).
struct Script
{
    struct Step
    {
        Platform::DialogAnswer answer;
        std::function<void()> before;
    };
    QList<Platform::DialogRequest> asked;
    QList<Step> steps;

    void install()
    {
        Platform::setDialogSeam([this](const Platform::DialogRequest& r) {
            asked.append(r);
            if (!steps.isEmpty()) {
                Step s = steps.takeFirst();
                if (s.before) s.before();
                return s.answer;
            }
            Platform::DialogAnswer a;
            a.accepted = r.kind == Platform::DialogRequest::Message ||
                         r.kind == Platform::DialogRequest::Input;
            return a;
        });
    }
    void answer(const Platform::DialogAnswer& a, std::function<void()> before = {})
    {
        steps.append({a, std::move(before)});
    }
    void cancel()
    {
        Platform::DialogAnswer a;
        a.accepted = false;
        answer(a);
    }
    void text(const QString& t, std::function<void()> before = {})
    {
        Platform::DialogAnswer a;
        a.text = t;
        answer(a, std::move(before));
    }
    void file(const QString& path)
    {
        Platform::DialogAnswer a;
        a.fileName = path;
        answer(a);
    }
    void printer(const QString& pdf, int copies = 1)
    {
        Platform::DialogAnswer a;
        a.fileName = pdf;
        a.copies = copies;
        answer(a);
    }
    QList<Platform::DialogRequest> of(Platform::DialogRequest::Kind kind) const
    {
        QList<Platform::DialogRequest> out;
        for (const auto& r : asked)
            if (r.kind == kind) out.append(r);
        return out;
    }
};

inline QString dataFile(const QString& name)
{
    return QStringLiteral(DORVI_TEST_DATA "/") + name;
}

// Fresh state and a main window; offline it is loaded (timers off),
// otherwise only built, with both timers running as in its design.
inline std::unique_ptr<Panel> freshPanel(Script& script, bool offline = false)
{
    Windows::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    startupState() = {};
    recordingState() = {};
    Program::setEnding(false);
    script = {};
    script.install();
    startupState().OfflineModeFlag = offline;
    auto p = std::make_unique<Panel>();
    if (offline) p->Form_Load();
    return p;
}

inline bool timersOn(const Panel& p)
{
    return p.Timer1->enabled() && p.Timer2->enabled();
}
inline bool timersOff(const Panel& p)
{
    return !p.Timer1->enabled() && !p.Timer2->enabled();
}
