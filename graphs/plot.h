#pragma once
// The levels of a record list, record by record, with marks where the
// recording was paused. The list windows' "Plot" opens and fills it.

#include "platform/threed.h"

#include <QWidget>
#include <array>

class Graph;
class GraphTools;
class NumEdit;
class QComboBox;
class QLabel;
class QPlainTextEdit;

class Plot : public QWidget
{
    Q_OBJECT
public:
    // The load: docked to the right edge of the main window, the chooser
    // filled and "Normal" chosen, the number of records to reset to taken
    // from the list plotted.
    explicit Plot(QWidget* parent = nullptr);

    Graph* CWGraph1;
    SSFrame* FrmGraphic;
    SSFrame* SSFrame4;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    SSFrame* SSFrame3;
    QComboBox* Combo1;
    QPlainTextEdit* txtDescription;
    SSFrame* SSFrame2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* XPosition;
    QLabel* YPosition;
    SSCommand* CmdReset;
    SSCommand* CmdPrint;
    GraphTools* tools;

    // The axis-limit edits: 1 the X axis, 2 the Y axis.
    NumEdit* AxisMin(int i) const { return axisMin_[i - 1]; }
    NumEdit* AxisMax(int i) const { return axisMax_[i - 1]; }

    // "Reset Scale": X 1 to the number of records, Y 25 to 145.
    void CmdReset_Click();
    qint64 recordCount() const { return recordCount_; }

private:
    std::array<NumEdit*, 2> axisMin_{};
    std::array<NumEdit*, 2> axisMax_{};
    qint64 recordCount_ = 0;
};
