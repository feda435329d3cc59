#include "records/listcommands.h"

#include "platform/grid.h"
#include "records/filelist.h"

namespace {

int runningCommands = 0;

} // namespace

ListPlotState& listPlotState()
{
    static ListPlotState state;
    return state;
}

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
    // Records, not rows: the title row does not count.
    listPlotState().PlotRecordCount = window.GridN[2]->rows() - 1;
}

void listStatistics(RecordListWindow& window, bool)
{
    window.PicResolution->hide();
}
