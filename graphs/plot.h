#pragma once
// The levels of a record list, record by record, with marks where the
// recording was paused. The list windows' "Plot" opens and fills it.

#include "graphs/graphicplot.h"

class Plot : public GraphicPlotWindow
{
    Q_OBJECT
public:
    // The load: docked to the right edge of the main window, the chooser
    // filled and "Normal" chosen, the number of records to reset to taken
    // from the list plotted.
    explicit Plot(QWidget* parent = nullptr);

    QLabel* const Label4 = unitLabel_;

    // "Reset Scale": X 1 to the number of records, Y 25 to 145.
    void CmdReset_Click();

private:
    qint64 recordCount_ = 0;
};
