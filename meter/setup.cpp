#include "meter/setup.h"

#include "meter/core/link.h"
#include "meter/core/livestats.h"
#include "meter/core/meterclock.h"
#include "meter/panel.h"
#include "platform/timer.h"
#include "platform/twips.h"

#include <QDateTime>
#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <algorithm>

namespace {

// A date and time is wider than the caption's place: the label keeps the
// centre of its place and stays within the frame.
void fit(QLabel* label, const QString& text, int centreTwips)
{
    label->setText(text);
    label->adjustSize();
    const int frame = label->parentWidget()->width();
    const int left = std::clamp(Twips::px(centreTwips) - label->width() / 2, 0,
                                std::max(0, frame - label->width()));
    label->move(left, label->y());
}

} // namespace

namespace {
// Centres of the two labels' places in the frame, in twips.
constexpr int PcCentre = 600 + 1905 / 2;
constexpr int MeterCentre = 960 + 1275 / 2;
} // namespace

Setup::Setup()
{
    setObjectName(QStringLiteral("Setup"));
    setWindowTitle(QStringLiteral("Setup"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(Twips::px(3225), Twips::px(2400));

    Timer1 = new Timer(350, this);
    connect(Timer1, &Timer::tick, this, &Setup::Timer1_Timer);

    FrameTime = new SSFrame(QStringLiteral("Time"), this);
    FrameTime->setGeometry(Twips::rect(120, 120, 3015, 2175));
    FrameTime->setFont(Twips::font(QStringLiteral("Times New Roman"), 15.75, true));
    const QFont arial12 = Twips::font(QStringLiteral("Arial"), 12, true);
    LblPCTime = new ClickLabel(QStringLiteral("PC System Time"), FrameTime);
    LblPCTime->setGeometry(Twips::rect(600, 480, 1905, 285));
    LblPCTime->setFont(arial12);
    LblMeterTime = new ClickLabel(QStringLiteral("Meter Time"), FrameTime);
    LblMeterTime->setGeometry(Twips::rect(960, 840, 1275, 285));
    LblMeterTime->setFont(arial12);
    CmdSetTime = new SSCommand(QStringLiteral("Set Meter Time To System Time"), FrameTime);
    CmdSetTime->setGeometry(Twips::rect(120, 1200, 2775, 375));
    CmdSetTime->setFont(Twips::font(QStringLiteral("Arial"), 9));
    CmdExit = new SSCommand(QStringLiteral("Exit"), FrameTime);
    CmdExit->setGeometry(Twips::rect(600, 1680, 1815, 375));
    CmdExit->setFont(arial12);
    connect(LblPCTime, &ClickLabel::clicked, this, &Setup::LblPCTime_Click);
    connect(LblMeterTime, &ClickLabel::clicked, this, &Setup::LblMeterTime_Click);
    connect(CmdSetTime, &QPushButton::clicked, this, &Setup::CmdSetTime_Click);
    connect(CmdExit, &QPushButton::clicked, this, &Setup::CmdExit_Click);

    // Load: centred across Panel, 1000 twips below its top.
    if (Panel* panel = Panel::instance()) {
        const QRect p = panel->frameGeometry();
        move(p.left() + (p.width() - width()) / 2, p.top() + Twips::px(1000));
    }
    PcTimeShown = false;
    MeterTimeShown = false;
    Timer1->setEnabled(true);
}

Setup::~Setup()
{
    Form_Unload();
}

QString Setup::noAnswerText()
{
    return QStringLiteral("Meter does not answer");
}

void Setup::pausePanel()
{
    // From the first read or set on, Panel's live ticks keep away from the
    // port until this window unloads.
    if (Panel* panel = Panel::instance()) {
        panel->Timer1->setEnabled(false);
        panel->Timer2->setEnabled(false);
    }
}

void Setup::Timer1_Timer()
{
    // A tick that waits for the meter lets further ticks run; they do nothing.
    if (tickRunning_ || unloaded_) return;
    tickRunning_ = true;
    QPointer<Setup> self(this);
    const auto done = qScopeGuard([self] {
        if (self) self->tickRunning_ = false;
    });
    auto closed = [&self] { return !self || self->unloaded_ || Program::ending(); };

    if (MeterTimeShown) {
        Meter::Link* link = Meter::Link::instance();
        if (link && link->ready()) {
            pausePanel();
            Meter::ClockBytes clock{};
            reading_ = true;
            const bool read = bool(link->readClock(clock, closed));
            if (closed()) return;
            reading_ = false;
            fit(LblMeterTime, read ? Meter::ClockCaption(clock) : noAnswerText(), MeterCentre);
            if (setPending_) {
                setPending_ = false;
                setMeterClock();
                if (closed()) return;
            }
        }
    } else {
        fit(LblMeterTime, QStringLiteral("Meter Time"), MeterCentre);
    }
    fit(LblPCTime,
        PcTimeShown ? Now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
                    : QStringLiteral("PC System Time"),
        PcCentre);
}

void Setup::CmdSetTime_Click()
{
    // During a read the clock is set as soon as the read ends.
    if (reading_) {
        setPending_ = true;
        return;
    }
    setMeterClock();
}

void Setup::setMeterClock()
{
    Meter::Link* link = Meter::Link::instance();
    if (!link || !link->ready() || unloaded_) return;
    QPointer<Setup> self(this);
    pausePanel();
    Timer1->setEnabled(false);
    link->setClock(Now(), [&self] { return !self || self->unloaded_; });
    if (!self || unloaded_) return;
    Timer1->setEnabled(true);
}

void Setup::CmdExit_Click()
{
    done(Accepted);
}

void Setup::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void Setup::Form_Unload()
{
    if (unloaded_) return;
    unloaded_ = true;
    Timer1->setEnabled(false);
    if (Panel* panel = Panel::instance(); panel && !Program::ending())
        panel->setTimersEnabled(true);
}
