#pragma once
// The logger window "Data Logger": the directory of the meter's stored sets,
// where a click on a set downloads it into the set list DataList.

#include "meter/core/logger.h"
#include "platform/threed.h"

#include <QWidget>

class FlexGrid;
class QLabel;

class Memory : public QWidget
{
    Q_OBJECT
public:
    // The load: docked to the right of Panel, the grid headed, MemoryFormOpen set.
    Memory();
    // The unload clears MemoryFormOpen.
    ~Memory() override;

    SSPanel* SSPanel1;
    QLabel* LblSize;
    SSPanel* SSPanel2;
    QLabel* LblRemain;
    QLabel* Process_lbl;
    FlexGrid* GridSet;

    // The memory figures and one row per set of a directory read by "Memory".
    void showDirectory(const Meter::LoggerDirectory& directory);

    // A click on a cell of a set's row (row 1 is set 1) downloads that set:
    // not while the meter runs, another exchange holds the port or the set
    // list is being saved. Returns when the set is listed, or the download
    // has given up or been cancelled.
    void GridSet_Click(int row);

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void download(int set, qint64 records);

    QList<qint64> records_; // records of set k + 1, as listed
    bool downloading_ = false;
    bool closing_ = false;
};
