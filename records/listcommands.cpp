#include "records/listcommands.h"

#include "common/graphstate.h"
#include "common/recordlist.h"
#include "records/plotcommands.h"

#include "records/filelist.h"
#include <QPointer>

namespace {

int runningCommands = 0;

} // namespace

bool listCommandRunning()
{
    return runningCommands > 0;
}

ListCommandRun::ListCommandRun()
{
    ++runningCommands;
}

ListCommandRun::~ListCommandRun()
{
    --runningCommands;
}

void plotList(RecordListWindow& window)
{
    if (listCommandRunning()) return;
    graphState().PlotRecordCount = window.records().count();
    FileTransfer::PlotFromGrid(&window, window.records());
}

void listStatistics(RecordListWindow& window, bool tenths)
{
    QPointer<RecordListWindow> self(&window);
    FileTransfer::RunStatistics(&window, window.records(),
                                window.variant() == RecordListWindow::Logger, tenths, [self] {
                                    if (self) self->PicResolution->hide();
                                });
}
