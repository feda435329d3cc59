// The live reading: Panel.Timer1 polls the latest frame and refreshes the display.

#include "meter/filetransfer.h"
#include "meter/panel.h"

#include "common/clock.h"
#include "meter/core/exchange.h"
#include "meter/core/meter.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "platform/serialport.h"
#include "platform/toolbar.h"

#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QToolButton>
#include <algorithm>
#include <cmath>

void Panel::Timer1_Timer()
{
    // A tick never nests in another tick or its resynchronisation, and never
    // takes the bytes of an exchange that holds the port.
    if (tickRunning_ || PortExchange::busy() || Program::ending() || !COM->portOpen()) return;
    tickRunning_ = true;
    QPointer<Panel> self(this);
    const auto done = qScopeGuard([self] {
        if (!self) return;
        self->tickRunning_ = false;
        self->pollNs_.reset();
    });
    auto interrupted = [&self] {
        return !self || Program::ending() || PortExchange::busy() || !self->COM->portOpen();
    };

    // The flush takes what waits into the frame reader rather than dropping
    // it, so a frame cut by it keeps its place; only frames that end from
    // now on are readings. The budget of 100 polls covers the whole tick,
    // so a line that brings only noise times out like a silent one. The
    // polls take in no clicks or keys: a handler that opened a dialog here
    // would hold the tick, and the statistics would go on sampling a reading
    // that no longer changes.
    takeLiveBytes();
    liveFrames.startReading();
    LiveGatherer frames(*this, LiveGatherer::Reading);
    Meter::Exchange poll(*COM, frames);
    poll.interrupted = interrupted;
    poll.beforeWait = [this] { pollNs_ = Clock::current().elapsedNs(); };
    const Meter::End end = poll.gather({10, 0, 0, 100, Meter::Events::NoUserInput});
    if (end == Meter::End::Interrupted) return;
    if (end != Meter::End::Whole) {
        pollNs_.reset();
        // Frames came, but where they start cannot be told yet: no
        // reading, and no resynchronisation either.
        if (end != Meter::End::Failed && liveFrames.framesSeen()) return;
        FileTransfer::ResetAndResync(*this);
        return;
    }
    const QByteArray f = *liveFrames.latest();
    Meter::DecodeRange(uint8_t(f[1]));
    Meter::DecodeMode(uint8_t(f[2]));
    Meter::DecodeLevel(uint8_t(f[3]), uint8_t(f[4]));
    RefreshDisplay();
}

void Panel::takeLiveBytes()
{
    takeLiveBytes(COM->input());
}

void Panel::takeLiveBytes(QByteArrayView chunk)
{
    // An exchange read the line meanwhile: its bytes are gone, and with them
    // where frames start.
    if (const quint64 g = PortExchange::generation(); g != exchangesSeen_) {
        exchangesSeen_ = g;
        liveFrames.lose();
    }
    liveFrames.feed(chunk, Clock::current().elapsedNs() / 1'000'000);
}

void Panel::RefreshDisplay()
{
    const Meter::State& m = Meter::state();
    // Until a frame has named a range, the range-dependent controls stay as they are.
    if (m.rangeKnown()) {
        LblBarMax->setText(QString::number(m.RangeHigh));
        LblBarMin->setText(QString::number(m.RangeLow));
        LblBarMax->adjustSize();
        LblBarMin->adjustSize();
        Toolbar1->button(u"Up")->setEnabled(m.RangeHigh != 140);
        Toolbar1->button(u"Down")->setEnabled(m.RangeLow != 30);
        SoundBar->setRange(m.RangeLow * 10, m.RangeHigh * 10);
        const double tenths =
            std::clamp(std::round(m.RecordLevel * 10), m.RangeLow * 10.0, m.RangeHigh * 10.0);
        SoundBar->setValue(int(tenths));
    }
    LblOver->setVisible(m.OverFlag);
    LblUnder->setVisible(m.UnderFlag);
    if (!m.TimeWeighting.isEmpty()) {
        LblFast->setVisible(m.TimeWeighting == QLatin1String("FAST"));
        LblSlow->setVisible(m.TimeWeighting == QLatin1String("SLOW"));
        LblIMP->setVisible(m.TimeWeighting == QLatin1String("IMP"));
    }
    LblRun->setVisible(m.RunFlag);
    LblPause->setVisible(m.PauseFlag);
    LblStop->setVisible(m.StopFlag);
    if (m.FreqWeighting == QLatin1String("AA")) {
        LblCA->setHidden(!LblCA->isHidden());
        LblCA->setText(QStringLiteral("A"));
        BoardCA->setCaption(QStringLiteral("20-200Hz Filter"));
    } else {
        LblCA->show();
        LblCA->setText(m.FreqWeighting);
        BoardCA->setCaption(m.FreqWeighting);
    }
    LblValue->setText(m.LevelText);
    ShownLCD->setText(m.LevelText);
    BoardSFI->setCaption(m.TimeWeighting);
    if (m.rangeKnown())
        BoardLevel->setCaption(QStringLiteral("%1-%2").arg(m.RangeLow).arg(m.RangeHigh));
}
