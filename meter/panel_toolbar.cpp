// The toolbar of Panel: dispatch on the key, the meter setting commands,
// Refresh and the choice of the sampling source.

#include "meter/panel.h"

#include "common/clock.h"
#include "meter/core/link.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/protocol.h"
#include "meter/core/startup.h"
#include "meter/samplingchoice.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/timer.h"

#include <QPointer>
#include <cmath>

void Panel::setTimersEnabled(bool on)
{
    // Offline, both timers stay off for the whole run.
    if (on && startupState().OfflineModeFlag) return;
    Timer1->setEnabled(on);
    Timer2->setEnabled(on);
}

MainWindow::Timers Panel::pauseTimers()
{
    const Timers was{Timer1->enabled(), Timer2->enabled()};
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    return was;
}

void Panel::resumeTimers(Timers was)
{
    if (Program::ending()) return;
    Timer1->setEnabled(was.first && !startupState().OfflineModeFlag);
    Timer2->setEnabled(was.second && !startupState().OfflineModeFlag);
}

void Panel::Toolbar1_ButtonClick(const QString& key)
{
    PicSave->hide();
    if (key == QLatin1String("Save"))
        SaveKey();
    else if (key == QLatin1String("Open"))
        OpenKey();
    else if (key == QLatin1String("Sampling"))
        SamplingCommand();
    else if (key == QLatin1String("AC"))
        settingCommand(Meter::CmdFreqWeighting);
    else if (key == QLatin1String("FSI"))
        settingCommand(Meter::CmdTimeWeighting);
    else if (key == QLatin1String("Up"))
        settingCommand(Meter::CmdRangeUp);
    else if (key == QLatin1String("Down"))
        settingCommand(Meter::CmdRangeDown);
    else if (key == QLatin1String("RTC"))
        RtcCommand();
    else if (key == QLatin1String("Memory"))
        MemoryCommand();
    else if (key == QLatin1String("Erase"))
        EraseCommand();
    else if (key == QLatin1String("Refresh"))
        Refresh();
}

void Panel::settingCommand(char letter)
{
    if (!link_->portOpen()) return;
    // While a key waits for its handshake the setting follows the key.
    if (link_->keyWaiting()) {
        link_->setting(letter);
        return;
    }
    if (link_->busy()) return;
    QPointer<Panel> self(this);
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    link_->setting(letter, [&self] { return !self; });
    if (self) setTimersEnabled(true);
}

void Panel::Refresh()
{
    LiveState& s = liveState();
    s.resetForRefresh();
    CutLiveList();
    CWLeq->ClearData();
    CWSEL->ClearData();
    CWG->ClearData();
    CWInt->ClearData();
    CWDec->ClearData();
}

namespace {

// An answer read as a number, rounded half to even and brought into
// 1..upper; nothing for an empty answer or one that is no finite number.
std::optional<int> wholeAnswer(const QString& answer, int upper)
{
    const QString t = answer.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    const double r = std::nearbyint(v); // the default rounding sends halves to even
    return int(std::clamp(r, 1.0, double(upper)));
}

} // namespace

void Panel::SamplingCommand()
{
    QPointer<Panel> self(this);
    SamplingChoice choice(this);
    // Only "OK" ends the window; anything else ends it because the program ends.
    if (choice.exec() != QDialog::Accepted || !self || Program::ending()) return;
    SamplingState& s = samplingState();
    if (s.SamplingByPc)
        storeSamplingAnswer(
            s.PcSamplingTime, 86400,
            QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 86400 ) "),
            QStringLiteral("Input Sampling Time"));
    else if (s.SamplingByLoggerInterval)
        storeSamplingAnswer(
            s.DisplayStep, 255,
            QStringLiteral("Enter the INTERVAL TIME in seconds\r\n(1 <= t <= 255 ) "),
            QStringLiteral("Input Interval Time"));
    else
        meterSamplingBranch();
}

void Panel::storeSamplingAnswer(int& value, int upper, const QString& prompt, const QString& title)
{
    // The timers keep running while the prompt is open.
    QPointer<Panel> self(this);
    const std::optional<int> n =
        wholeAnswer(Platform::InputBox(this, prompt, title, QString::number(value)), upper);
    if (!self || !n) return;
    value = *n;
    liveState().SampleTick = 0;
    setTimersEnabled(true);
}

void Panel::meterSamplingBranch()
{
    if (!link_->ready()) return;
    QPointer<Panel> self(this);
    SamplingState& s = samplingState();
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    // A reply cut short keeps the last known time as the default.
    int seconds = 0;
    if (link_->readSamplingTime(seconds, [&self] { return !self; })) s.MeterSamplingTime = seconds;
    if (!self) return;
    const QString answer = Platform::InputBox(
        this, QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 255 ) "),
        QStringLiteral("Input Sampling Time"),
        s.MeterSamplingTime ? QString::number(*s.MeterSamplingTime) : QString());
    if (!self) return;
    if (const std::optional<int> n = wholeAnswer(answer, 255)) {
        if (link_->setSamplingTime(*n)) s.MeterSamplingTime = *n;
    }
    setTimersEnabled(true);
}
