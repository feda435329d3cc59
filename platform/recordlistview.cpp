#include "platform/recordlistview.h"

#include "platform/grid.h"

#include <QWidget>

RecordListModel::RecordListModel(RecordList* list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), shown_(int(list->count()))
{
    align_.fill(FlexGrid::AlignLeftCenter);
    connect(list_, &RecordList::rowsAppended, this, &RecordListModel::appended);
    connect(list_, &RecordList::rowsReset, this, &RecordListModel::reset);
    connect(list_, &RecordList::titleChanged, this,
            [this](int col) { emit headerDataChanged(Qt::Horizontal, col, col); });
}

int RecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

int RecordListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RecordList::Columns;
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const
{
    // A view may ask for a row of the old count while a reset is announced.
    if (!index.isValid() || index.row() >= list_->count()) return {};
    if (role == Qt::DisplayRole) return list_->text(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole) {
        const int code = align_[size_t(index.column())];
        return QVariant::fromValue(FlexGrid::qtAlignment(
            code,
            code == FlexGrid::AlignGeneral ? list_->text(index.row() + 1, index.column())
                                           : QString(),
            false));
    }
    return {};
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= RecordList::Columns) return {};
    if (role == Qt::DisplayRole) return list_->title(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(FlexGrid::qtAlignment(align_[size_t(section)], QString(), true));
    return {};
}

void RecordListModel::setAlignmentCode(int col, int code)
{
    if (col < 0 || col >= RecordList::Columns) return;
    align_[size_t(col)] = code;
    if (shown_ > 0)
        emit dataChanged(index(0, col), index(shown_ - 1, col), {Qt::TextAlignmentRole});
    emit headerDataChanged(Qt::Horizontal, col, col);
}

void RecordListModel::appended(qsizetype, qsizetype)
{
    const int count = int(list_->count());
    if (count <= shown_) return;
    beginInsertRows({}, shown_, count - 1);
    shown_ = count;
    endInsertRows();
}

void RecordListModel::reset()
{
    beginResetModel();
    shown_ = int(list_->count());
    endResetModel();
}

RecordListView::RecordListView(QWidget* window)
    : QObject(window), model_(new RecordListModel(&list_, this))
{
    for (int i = 0; i < RecordList::Columns; ++i) {
        auto* g = new FlexGrid(model_, i, window);
        g->setObjectName(QStringLiteral("GridN%1").arg(i));
        g->setScrollBars(i == 2 ? 2 : 0);
        connect(g, &FlexGrid::topRowChanged, this, [this, i] { follow(i); });
        GridN[size_t(i)] = g;
    }
}

void RecordListView::loadTitlesAndWidths()
{
    static const char* const titles[] = {"No.s", "Date Time", "dB"};
    static const char* const templates[] = {"ABADEAA", "AAAAA/AA/AAHH:NN:SSA", "ABADEAAA"};
    for (int i = 0; i < RecordList::Columns; ++i) {
        FlexGrid* g = GridN[size_t(i)];
        g->setRow(0);
        g->setCol(0);
        g->setText(QString::fromLatin1(titles[i]));
        g->setColWidthForText(0, QString::fromLatin1(templates[i]));
    }
    list_.cut();
}

void RecordListView::follow(int scrolled)
{
    if (following_) return;
    following_ = true;
    const int top = GridN[size_t(scrolled)]->topRow();
    for (int i = 0; i < RecordList::Columns; ++i)
        if (i != scrolled) GridN[size_t(i)]->setTopRow(top);
    following_ = false;
}
