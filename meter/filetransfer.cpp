#include "meter/filetransfer.h"

#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/panel.h"
#include "platform/graph.h"
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

    // No level of the lost meter is sampled once it is back.
    Meter::state().DecodedNs.reset();
    Meter::state().Frame.clear();

    // Wait, sending nothing, until frames can be read (Panel::liveFound).
    panel.link().live().listen();
}

} // namespace FileTransfer
