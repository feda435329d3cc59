#include "records/recordlistview_standin.h"

#include "common/recordlist.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace {

class ListModel : public QAbstractTableModel
{
public:
    ListModel(RecordList* list, QObject* parent) : QAbstractTableModel(parent), list_(list)
    {
        connect(list, &RecordList::rowsReset, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(list, &RecordList::rowsAppended, this, [this](qsizetype first, qsizetype last) {
            beginInsertRows({}, int(first - 1), int(last - 1));
            endInsertRows();
        });
        connect(list, &RecordList::titleChanged, this,
                [this](int c) { emit headerDataChanged(Qt::Horizontal, c, c); });
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(list_->count());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : RecordList::Columns;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole) return list_->text(index.row() + 1, index.column());
        if (role == Qt::TextAlignmentRole && centred_[size_t(index.column())])
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o == Qt::Horizontal && role == Qt::DisplayRole) return list_->title(section);
        return {};
    }
    std::array<bool, 3> centred_{};

private:
    RecordList* list_;
};

} // namespace

RecordListView::RecordListView(RecordList* list, QWidget* parent)
    : QObject(parent), model_(new ListModel(list, this))
{
    for (int c = 0; c < 3; ++c) {
        auto* g = new QTableView(parent);
        g->setModel(model_);
        for (int o = 0; o < 3; ++o)
            g->setColumnHidden(o, o != c);
        g->verticalHeader()->hide();
        g->horizontalHeader()->setStretchLastSection(true);
        g->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setVerticalScrollBarPolicy(c == 2 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->setWordWrap(false);
        grids_[size_t(c)] = g;
        connect(g->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { follow(); });
    }
}

void RecordListView::follow()
{
    const int top = grids_[2]->verticalScrollBar()->value();
    for (int c = 0; c < 2; ++c)
        grids_[size_t(c)]->verticalScrollBar()->setValue(top);
}

void RecordListView::setGridGeometry(int c, QRect place)
{
    grids_[size_t(c)]->setGeometry(place);
}

void RecordListView::setCentred(int c)
{
    static_cast<ListModel*>(model_)->centred_[size_t(c)] = true;
}

void RecordListView::setColWidthForText(int c, const QString& templateText)
{
    QTableView* g = grids_[size_t(c)];
    g->setColumnWidth(c, g->fontMetrics().horizontalAdvance(templateText) + 8);
}

int RecordListView::topRow() const
{
    return grids_[2]->verticalScrollBar()->value() + 1;
}

void RecordListView::setTopRow(int row)
{
    grids_[2]->verticalScrollBar()->setValue(row - 1);
}
