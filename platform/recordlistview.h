#pragma once
// A record list on screen: three one-column grids, "No.s", "Date Time" and
// "dB", that are three columns of one model over the list's store. They show
// the same rows by construction, and whichever of them scrolls (bar, wheel
// or keys) the other two follow; only the "dB" grid has a scroll bar.

#include "common/recordlist.h"

#include <QAbstractTableModel>
#include <QObject>
#include <array>

class FlexGrid;
class QWidget;

class RecordListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RecordListModel(RecordList* list, QObject* parent = nullptr);

    RecordList* list() const { return list_; }

    // Rows of the model are the records; the titles are its header.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The grid's alignment code of a column (FlexGrid::Alignment).
    int alignmentCode(int col) const { return align_[size_t(col)]; }
    void setAlignmentCode(int col, int code);

private:
    void appended(qsizetype first, qsizetype last);
    void reset();

    RecordList* list_;
    int shown_ = 0; // the rows the views know of; changes only inside begin/end
    std::array<int, RecordList::Columns> align_{};
};

class RecordListView : public QObject
{
    Q_OBJECT
public:
    // The grids are children of window, placed by the caller; the list is
    // the view's own.
    explicit RecordListView(QWidget* window);

    RecordList& list() { return list_; }
    const RecordList& list() const { return list_; }
    RecordListModel* model() const { return model_; }

    std::array<FlexGrid*, RecordList::Columns> GridN{};

    // The load of a list window: titles in row 0, each column as wide as its
    // template text in the grid's font ("ABADEAA", "AAAAA/AA/AAHH:NN:SSA",
    // "ABADEAAA"), and no records.
    void loadTitlesAndWidths();

    // The grid that scrolled sets the top row of the other two.
    void follow(int scrolled);

private:
    RecordList list_;
    RecordListModel* model_;
    bool following_ = false;
};
