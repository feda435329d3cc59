#pragma once
// Three one-column grids over one model of a RecordList: "No.s", "Date
// Time" and "dB"; only the "dB" grid scrolls, the other two follow it.

#include <QObject>
#include <QRect>
#include <QString>
#include <array>

class QAbstractTableModel;
class QTableView;
class QWidget;
class RecordList;

class RecordListView : public QObject
{
    Q_OBJECT
public:
    RecordListView(RecordList* list, QWidget* parent);

    QTableView* grid(int c) const { return grids_[size_t(c)]; }
    void setGridGeometry(int c, QRect place);
    void setCentred(int c);
    void setColWidthForText(int c, const QString& templateText);
    // First record row shown by the "dB" grid (1 = record 1).
    int topRow() const;
    void setTopRow(int row);

private:
    void follow();

    QAbstractTableModel* model_;
    std::array<QTableView*, 3> grids_{};
};
