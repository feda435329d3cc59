#pragma once
// The set list "Data List": one logger set downloaded from the meter, its
// settings and statistics in captioned panels and its records in a record
// list; "Save" writes it as a "Data Logger 2" file.

#include "platform/commondialog.h"
#include "platform/threed.h"
#include "records/core/setdump.h"

#include <QWidget>
#include <array>

class FlexGrid;
class RecordList;
class RecordListView;
class Toolbar;

class DataList : public QWidget
{
    Q_OBJECT
public:
    // The load: docked to the right of Panel, the three titles alone.
    DataList();
    ~DataList() override;

    Toolbar* Toolbar1;
    SSPanel* SSFreq;
    SSPanel* BoardCA;
    SSPanel* SSTW;
    SSPanel* BoardSFI;
    SSPanel* SSSR;
    SSPanel* BoardLevel;
    SSPanel* SS05;
    SSPanel* SS10;
    SSPanel* SS50;
    SSPanel* SS90;
    SSPanel* SS95;
    SSPanel* Board05;
    SSPanel* Board10;
    SSPanel* Board50;
    SSPanel* Board90;
    SSPanel* Board95;
    SSPanel* SSMax;
    SSPanel* BoardMaxdB;
    SSPanel* BoardMaxTime;
    SSPanel* SSSEL;
    SSPanel* BoardSEL;
    SSPanel* SSLeq;
    SSPanel* BoardLeq;
    SSPanel* SSPeak;
    SSPanel* BoardPeakdB;
    SSPanel* BoardPeakTime;
    RecordListView* Records;
    std::array<FlexGrid*, 3> GridN; // "No.s", "Date Time", "dB": columns of Records
    CommonDialog Cmd;

    // The records shown, row 0 the titles.
    RecordList& list() const;

    // The twelve captions and the rows of a downloaded set, the rows in one go.
    void showSet(Logger::DecodedSet&& set);

    // "Save" saves; "Print" does nothing.
    void Toolbar1_ButtonClick(const QString& key);
    // Writes the set to the file the save dialog names; a file that cannot
    // be written is left as it was, and the user is told.
    void Save();
    // True while a save runs (its dialog included).
    bool saving() const { return saving_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool saving_ = false;
};
