#include "meter/filetransfer.h"

#include "meter/core/link.h"
#include "meter/core/liveline.h"
#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "meter/panel.h"
#include <QPointer>

namespace FileTransfer {

void ResetAndResync(Panel& panel)
{
    QPointer<Panel> self(&panel);
    panel.endRecordingOnLoss();
    if (!self) return;
    liveState().resetForResync();
    // No level of the lost meter is sampled once it is back.
    Meter::state().DecodedNs.reset();
    Meter::state().Frame.clear();
    panel.showMeterLost();
    // Listens, sending nothing, until frames can be read (Panel::liveFound).
    panel.link().live().listen();
}

} // namespace FileTransfer
