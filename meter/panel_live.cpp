// The live reading: Panel.Timer1 polls the latest frame and refreshes the display.

#include "meter/filetransfer.h"
#include "meter/panel.h"

#include "meter/core/meter.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "platform/serialport.h"
#include "platform/toolbar.h"
#include "platform/waits.h"

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
    if (tickRunning_ || PortExchange::busy() || Rs232::ProgramEnding() || !COM->portOpen()) return;
    tickRunning_ = true;
    QPointer<Panel> self(this);
    const auto done = qScopeGuard([self] {
        if (self) self->tickRunning_ = false;
    });
    auto interrupted = [&self] {
        return !self || Rs232::ProgramEnding() || PortExchange::busy() || !self->COM->portOpen();
    };

    // The budget of 100 polls covers all attempts of the tick, so a line
    // that brings only noise times out like a silent one.
    int polls = 0;
    for (;;) {
        COM->flush();
        do {
            Rs232::WaitSeconds(0.01);
            if (interrupted()) return;
            ++polls;
        } while (polls < 100 && COM->inBufferCount() < Meter::FrameLength);
        if (polls >= 100) {
            COM->flush();
            FileTransfer::ResetAndResync(*this);
            return;
        }
        const QByteArray input = COM->input();
        if (Meter::EndsInFrame(input)) {
            const QByteArray frame = input.right(Meter::FrameLength);
            Meter::DecodeRange(uint8_t(frame[1]));
            Meter::DecodeMode(uint8_t(frame[2]));
            Meter::DecodeLevel(uint8_t(frame[3]), uint8_t(frame[4]));
            break;
        }
    }
    RefreshDisplay();
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
        Toolbar1->button(6)->setEnabled(m.RangeHigh != 140);
        Toolbar1->button(7)->setEnabled(m.RangeLow != 30);
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
