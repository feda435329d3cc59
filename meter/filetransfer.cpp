#include "meter/filetransfer.h"

#include "common/clock.h"
#include "meter/core/exchange.h"
#include "meter/core/livestats.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "meter/core/startup.h"
#include "meter/panel.h"
#include "platform/graph.h"
#include "platform/serialport.h"
#include "platform/timer.h"

#include <QLabel>
#include <QPointer>

namespace FileTransfer {

void ResetAndResync(Panel& panel)
{
    QPointer<Panel> self(&panel);
    panel.endRecordingOnLoss();
    if (!self) return;

    liveState().resetForResync();
    panel.Timer2->setEnabled(false);
    panel.LblCOM->setText(QStringLiteral("No COM"));
    panel.LblValue->setText(QString());
    panel.CutLiveList();
    panel.CWG->ClearData();
    panel.CWInt->ClearData();
    panel.CWDec->ClearData();

    // Wait, sending nothing, until frames arrive, judged as the live tick
    // judges them. An exchange that holds the port meanwhile keeps its
    // bytes. A device that went away (a meter unplugged) is opened again now
    // and then, so the meter is found again when it comes back under its name.
    if (!PortExchange::busy()) panel.takeLiveBytes();
    panel.liveFrames.startReading();
    Panel::LiveGatherer frames(panel, Panel::LiveGatherer::FramesSeen);
    Meter::Exchange listen(*panel.COM, frames);
    listen.interrupted = [&self] { return !self; };
    listen.held = [] { return PortExchange::busy(); };
    for (;;) {
        const Meter::End end = listen.gather({20, 0, 0, 25, Meter::Events::All});
        if (end == Meter::End::Whole) break;
        if (end == Meter::End::Interrupted) return;
        if (end == Meter::End::Failed && !listen.wait(480)) return;
        if (panel.COM->lost() || !panel.COM->portOpen()) {
            panel.COM->reopen();
            panel.liveFrames.lose();
        }
    }
    panel.LblCOM->setText(QStringLiteral("COM%1").arg(startupState().PortNumber));
    panel.Timer2->setEnabled(true);
}

} // namespace FileTransfer
