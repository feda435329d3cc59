#include "meter/filetransfer.h"

#include "meter/core/livestats.h"
#include "meter/core/portguard.h"
#include "meter/core/protocol.h"
#include "meter/core/startup.h"
#include "meter/panel.h"
#include "platform/graph.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/waits.h"

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
    for (int waits = 1;; ++waits) {
        Rs232::WaitSeconds(0.02);
        if (!self || Rs232::ProgramEnding()) return;
        if (PortExchange::busy()) continue;
        if ((panel.COM->lost() || !panel.COM->portOpen()) && waits % 25 == 0) {
            panel.COM->reopen();
            panel.liveFrames.lose();
        }
        panel.takeLiveBytes();
        if (panel.liveFrames.framesSeen()) break;
    }
    panel.LblCOM->setText(QStringLiteral("COM%1").arg(startupState().PortNumber));
    panel.Timer2->setEnabled(true);
}

} // namespace FileTransfer
