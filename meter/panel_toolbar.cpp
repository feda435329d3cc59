// The toolbar of Panel: dispatch on the key, the meter setting commands,
// Refresh and the choice of the sampling source.

#include "meter/panel.h"

#include "common/clock.h"
#include "meter/core/exchange.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "meter/core/startup.h"
#include "meter/samplingchoice.h"
#include "platform/dialogs.h"
#include "platform/graph.h"
#include "platform/serialport.h"
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
    if (!COM->portOpen()) return;
    PortExchange exchange;
    if (!exchange) return;
    QPointer<Panel> self(this);
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    Meter::ReplyReader none(0); // the meter answers nothing
    Meter::Exchange setting(*COM, none);
    setting.interrupted = [&self] { return !self; };
    setting.send(QByteArray(1, letter), false);
    setting.wait(20);
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
    if (!COM->portOpen()) return;
    QPointer<Panel> self(this);
    SamplingState& s = samplingState();
    {
        PortExchange exchange;
        if (!exchange) return;
        Timer1->setEnabled(false);
        Timer2->setEnabled(false);
        Meter::ReplyReader reply(2);
        reply.expectFramesLike(Meter::state().Frame);
        Meter::Exchange ask(*COM, reply);
        ask.interrupted = [&self] { return !self; };
        ask.send(QByteArray(1, Meter::CmdReadSampling));
        ask.wait(20);
        if (!self) return;
        ask.read();
        reply.settle();
        // A reply cut short keeps the last known time as the default.
        if (reply.complete())
            s.MeterSamplingTime = uint8_t(reply.reply()[0]) * 256 + uint8_t(reply.reply()[1]);
    }
    const QString answer = Platform::InputBox(
        this, QStringLiteral("Enter the SAMPLING TIME in seconds\r\n(1 <= t <= 255 ) "),
        QStringLiteral("Input Sampling Time"),
        s.MeterSamplingTime ? QString::number(*s.MeterSamplingTime) : QString());
    if (!self) return;
    if (const std::optional<int> n = wholeAnswer(answer, 255)) {
        PortExchange exchange;
        if (exchange) {
            QByteArray c(3, '\0');
            c[0] = Meter::CmdSetSampling;
            c[1] = char(*n / 256);
            c[2] = char(*n % 256);
            COM->output(c);
            s.MeterSamplingTime = *n;
        }
    }
    setTimersEnabled(true);
}
