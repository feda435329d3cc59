// The live reading: Panel.Timer1 polls the latest frame and refreshes the display.

#include "meter/panel.h"

#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/meter.h"
#include "meter/core/startup.h"
#include "platform/graph.h"
#include "platform/threed.h"
#include "platform/timer.h"
#include "platform/toolbar.h"

#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

void Panel::Timer1_Timer()
{
    // A tick never nests in another tick or in the listening after a lost
    // meter, and never takes the bytes of an exchange that holds the port.
    link_->live().tick();
}

void Panel::liveReading(const QByteArray& f)
{
    Meter::state().Frame = f;
    Meter::DecodeRange(uint8_t(f[1]));
    Meter::DecodeMode(uint8_t(f[2]));
    Meter::DecodeLevel(uint8_t(f[3]), uint8_t(f[4]));
    RefreshDisplay();
}

void Panel::showMeterLost()
{
    Timer2->setEnabled(false);
    LblCOM->setText(QStringLiteral("No COM"));
    LblValue->setText(QString());
    CutLiveList();
    CWG->ClearData();
    CWInt->ClearData();
    CWDec->ClearData();
}

void Panel::liveFound()
{
    LblCOM->setText(QStringLiteral("COM%1").arg(startupState().PortNumber));
    Timer2->setEnabled(true);
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
