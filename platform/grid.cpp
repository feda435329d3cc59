#include "grid.h"

#include "platform/recordlistview.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include <algorithm>

// Cell texts column by column, fixed cells included. The view sees only the
// scrolling cells; the fixed rows and columns are its header data.
class FlexGridModel : public QAbstractTableModel
{
public:
    int rows() const { return rows_; }
    int cols() const { return int(cells_.size()); }
    int fixedRows() const { return fixedRows_; }
    int fixedCols() const { return fixedCols_; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : rows_ - fixedRows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : cols() - fixedCols_;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) return {};
        const QString& s = cell(index.row() + fixedRows_, index.column() + fixedCols_);
        if (role == Qt::DisplayRole) return s;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignment(index.column() + fixedCols_, s, false));
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal) {
            const int c = section + fixedCols_;
            if (role == Qt::DisplayRole)
                return fixedText(0, fixedRows_, c, c + 1, QStringLiteral("\n"));
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(alignment(c, QString(), true));
            return {};
        }
        if (role == Qt::DisplayRole) {
            const int r = section + fixedRows_;
            return fixedText(r, r + 1, 0, fixedCols_, QStringLiteral(" "));
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignment(0, QString(), true));
        return {};
    }

    // The cells where the fixed rows meet the fixed columns.
    QString cornerText() const
    {
        return fixedText(0, fixedRows_, 0, fixedCols_, QStringLiteral(" "));
    }

    const QString& cell(int row, int col) const { return cells_[col][row]; }

    bool valid(int row, int col) const
    {
        return row >= 0 && row < rows_ && col >= 0 && col < cols();
    }

    void setCell(int row, int col, const QString& text)
    {
        cells_[col][row] = text;
        if (row >= fixedRows_ && col >= fixedCols_) {
            const QModelIndex i = index(row - fixedRows_, col - fixedCols_);
            emit dataChanged(i, i, {Qt::DisplayRole});
        } else if (row < fixedRows_ && col >= fixedCols_) {
            emit headerDataChanged(Qt::Horizontal, col - fixedCols_, col - fixedCols_);
        } else if (col < fixedCols_ && row >= fixedRows_) {
            emit headerDataChanged(Qt::Vertical, row - fixedRows_, row - fixedRows_);
        }
    }

    void setRows(int n)
    {
        n = std::max(n, fixedRows_);
        if (n == rows_) return;
        if (n > rows_) {
            beginInsertRows({}, rows_ - fixedRows_, n - fixedRows_ - 1);
            resizeColumns(n);
            endInsertRows();
        } else if (n == fixedRows_) {
            // Cutting a long list to its titles: one reset beats removing rows.
            beginResetModel();
            resizeColumns(n);
            endResetModel();
        } else {
            beginRemoveRows({}, n - fixedRows_, rows_ - fixedRows_ - 1);
            resizeColumns(n);
            endRemoveRows();
        }
    }

    void setCols(int n)
    {
        n = std::max(n, fixedCols_);
        if (n == cols()) return;
        if (n > cols()) {
            beginInsertColumns({}, cols() - fixedCols_, n - fixedCols_ - 1);
            growColumns(n);
            endInsertColumns();
        } else {
            beginRemoveColumns({}, n - fixedCols_, cols() - fixedCols_ - 1);
            cells_.resize(n);
            align_.resize(n);
            endRemoveColumns();
        }
    }

    void setFixed(int fixedRows, int fixedCols)
    {
        fixedRows = std::clamp(fixedRows, 0, rows_);
        fixedCols = std::clamp(fixedCols, 0, cols());
        if (fixedRows == fixedRows_ && fixedCols == fixedCols_) return;
        beginResetModel();
        fixedRows_ = fixedRows;
        fixedCols_ = fixedCols;
        endResetModel();
    }

    void appendRow(const QStringList& cells)
    {
        beginInsertRows({}, rows_ - fixedRows_, rows_ - fixedRows_);
        const int n = std::min(int(cells.size()), cols());
        for (int c = 0; c < cols(); ++c)
            cells_[c].append(c < n ? cells[c] : QString());
        ++rows_;
        endInsertRows();
    }

    int alignmentCode(int col) const { return align_[col]; }

    void setAlignmentCode(int col, int code)
    {
        align_[col] = code;
        if (col >= fixedCols_ && rows_ > fixedRows_)
            emit dataChanged(index(0, col - fixedCols_),
                             index(rows_ - fixedRows_ - 1, col - fixedCols_),
                             {Qt::TextAlignmentRole});
        if (col >= fixedCols_)
            emit headerDataChanged(Qt::Horizontal, col - fixedCols_, col - fixedCols_);
    }

    FlexGridModel()
    {
        growColumns(2);
        resizeColumns(2);
    }

private:
    void resizeColumns(int n)
    {
        for (auto& column : cells_)
            column.resize(n);
        rows_ = n;
    }

    void growColumns(int n)
    {
        while (cols() < n) {
            cells_.append(QList<QString>(rows_));
            align_.append(FlexGrid::AlignLeftCenter);
        }
    }

    QString fixedText(int r0, int r1, int c0, int c1, const QString& joint) const
    {
        QString s;
        for (int r = r0; r < r1; ++r) {
            for (int c = c0; c < c1; ++c) {
                if (r != r0 || c != c0) s += joint;
                s += cells_[c][r];
            }
        }
        return s;
    }

    Qt::Alignment alignment(int col, const QString& text, bool header) const
    {
        const int code = col < cols() ? align_[col] : FlexGrid::AlignLeftCenter;
        return FlexGrid::qtAlignment(code, text, header);
    }

    QList<QList<QString>> cells_;
    QList<int> align_;
    int rows_ = 0;
    int fixedRows_ = 1;
    int fixedCols_ = 0;
};

Qt::Alignment FlexGrid::qtAlignment(int code, const QString& text, bool header)
{
    static const Qt::Alignment codes[] = {
        Qt::AlignLeft | Qt::AlignTop,
        Qt::AlignLeft | Qt::AlignVCenter,
        Qt::AlignLeft | Qt::AlignBottom,
        Qt::AlignHCenter | Qt::AlignTop,
        Qt::AlignCenter,
        Qt::AlignHCenter | Qt::AlignBottom,
        Qt::AlignRight | Qt::AlignTop,
        Qt::AlignRight | Qt::AlignVCenter,
        Qt::AlignRight | Qt::AlignBottom,
    };
    if (code >= 0 && code < AlignGeneral) return codes[code];
    if (header) return Qt::AlignLeft | Qt::AlignVCenter;
    bool number = false;
    text.trimmed().toDouble(&number);
    return (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), model_(new FlexGridModel)
{
    model_->setParent(this);
    setModel(model_);
    init();
}

FlexGrid::FlexGrid(RecordListModel* records, int column, QWidget* parent)
    : QTableView(parent), records_(records), column_(column)
{
    setModel(records_);
    for (int c = 0; c < records_->columnCount(); ++c)
        setColumnHidden(c, c != column_);
    connect(records_, &QAbstractItemModel::modelReset, this, [this] {
        // A reset forgets the header's hidden sections and widths.
        for (int c = 0; c < records_->columnCount(); ++c)
            setColumnHidden(c, c != column_);
        applyColWidths();
        syncCurrent();
        noteTopRow();
    });
    init();
}

void FlexGrid::init()
{
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->viewport()->installEventFilter(this);
    verticalHeader()->viewport()->installEventFilter(this);

    // The corner button is Qt's own; it gets the corner cells' text painted over.
    for (auto* button : findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        if (button->metaObject()->className() == QByteArray("QTableCornerButton")) {
            corner_ = button;
            corner_->installEventFilter(this);
        }
    }

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { noteTopRow(); });
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { emit cellClicked(gridRow(index), gridCol(index)); });
    setScrollBars(scrollBars_);
    applyLayout();
}

FlexGrid::~FlexGrid() = default;

QModelIndex FlexGrid::viewIndex(int row, int col) const
{
    if (records_) return col == 0 ? records_->index(row - 1, column_) : QModelIndex();
    return model_->index(row - fixedRows(), col - fixedCols());
}

int FlexGrid::gridRow(const QModelIndex& index) const
{
    return index.row() + fixedRows();
}

int FlexGrid::gridCol(const QModelIndex& index) const
{
    return records_ ? 0 : index.column() + fixedCols();
}

int FlexGrid::rows() const
{
    return records_ ? int(records_->list()->rows()) : model_->rows();
}

void FlexGrid::setRows(int n)
{
    if (records_) {
        if (n <= 1) records_->list()->cut();
        return;
    }
    model_->setRows(n);
    if (rows() == fixedRows()) applyColWidths(); // the cut resets the model
    syncCurrent();
    updateGeometries();
    noteTopRow();
}

int FlexGrid::cols() const
{
    return records_ ? 1 : model_->cols();
}

void FlexGrid::setCols(int n)
{
    if (records_) return;
    model_->setCols(n);
    if (colWidths_.size() > cols())
        colWidths_.resize(cols()); // columns added later start at the default width
    applyColWidths();
    syncCurrent();
}

int FlexGrid::fixedRows() const
{
    return records_ ? 1 : model_->fixedRows();
}

void FlexGrid::setFixedRows(int n)
{
    if (records_) return;
    model_->setFixed(n, model_->fixedCols());
    applyLayout();
    syncCurrent();
    updateGeometries();
    noteTopRow();
}

int FlexGrid::fixedCols() const
{
    return records_ ? 0 : model_->fixedCols();
}

void FlexGrid::setFixedCols(int n)
{
    if (records_) return;
    model_->setFixed(model_->fixedRows(), n);
    applyLayout();
    syncCurrent();
}

QString FlexGrid::textMatrix(int row, int col) const
{
    if (records_) return col == 0 ? records_->list()->text(row, column_) : QString();
    return model_->valid(row, col) ? model_->cell(row, col) : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    // A record list's cells are its records; only its title is set through a grid.
    if (records_) {
        if (row == 0 && col == 0) records_->list()->setTitle(column_, text);
        return;
    }
    if (!model_->valid(row, col)) return;
    model_->setCell(row, col, text);
    if (row < fixedRows() && col < fixedCols() && corner_) corner_->update();
}

int FlexGrid::row() const
{
    return row_;
}

void FlexGrid::setRow(int row)
{
    row_ = std::clamp(row, 0, rows() - 1);
    syncCurrent();
}

int FlexGrid::col() const
{
    return col_;
}

void FlexGrid::setCol(int col)
{
    col_ = std::clamp(col, 0, cols() - 1);
    syncCurrent();
}

QString FlexGrid::text() const
{
    return textMatrix(row_, col_);
}

void FlexGrid::setText(const QString& text)
{
    setTextMatrix(row_, col_, text);
}

int FlexGrid::topRow() const
{
    return verticalScrollBar()->value() + fixedRows();
}

void FlexGrid::setTopRow(int row)
{
    // The scroll bar's range is what can be shown: per-item scrolling ends
    // when the last row sits at the bottom of the view. Rows added since the
    // last layout must count, so the pending layout is done first.
    executeDelayedItemsLayout();
    updateGeometries();
    verticalScrollBar()->setValue(std::max(row - fixedRows(), 0));
}

void FlexGrid::setColWidth(int col, int pixels)
{
    if (col < 0 || col >= cols()) return;
    if (colWidths_.size() < cols()) colWidths_.resize(cols(), -1);
    colWidths_[col] = std::max(pixels, 0);
    applyColWidths();
}

int FlexGrid::colWidth(int col) const
{
    if (col < 0 || col >= cols()) return 0;
    const int w = col < colWidths_.size() ? colWidths_[col] : -1;
    return w >= 0 ? w : horizontalHeader()->defaultSectionSize();
}

int FlexGrid::cellPadding() const
{
    const int cellMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int headerMargin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    // Both sides of the text, and the grid line.
    return 2 * std::max(cellMargin, headerMargin) + 1;
}

void FlexGrid::setColWidthForText(int col, const QString& templateText)
{
    setColWidth(col, fontMetrics().horizontalAdvance(templateText) + cellPadding());
}

void FlexGrid::setColAlignment(int col, int alignment)
{
    if (col < 0 || col >= cols()) return;
    const int code = std::clamp(alignment, 0, int(AlignGeneral));
    if (records_)
        records_->setAlignmentCode(column_, code);
    else
        model_->setAlignmentCode(col, code);
}

int FlexGrid::colAlignment(int col) const
{
    if (col < 0 || col >= cols()) return AlignLeftCenter;
    return records_ ? records_->alignmentCode(column_) : model_->alignmentCode(col);
}

void FlexGrid::addItem(const QString& tabSeparatedCells)
{
    appendRow(tabSeparatedCells.split(QLatin1Char('\t')));
}

void FlexGrid::appendRow(const QStringList& cells)
{
    if (!records_) model_->appendRow(cells);
}

void FlexGrid::setScrollBars(int style)
{
    scrollBars_ = style;
    setVerticalScrollBarPolicy((style & 2) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int FlexGrid::scrollBars() const
{
    return scrollBars_;
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (!quietCurrent_ && current.isValid()) {
        row_ = gridRow(current);
        col_ = gridCol(current);
    }
}

void FlexGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Setting the current cell from code leaves the top row alone.
    if (!quietCurrent_) QTableView::scrollTo(index, hint);
}

bool FlexGrid::event(QEvent* event)
{
    // A current cell set while hidden must not scroll the grid when it shows.
    if (event->type() == QEvent::Show) {
        const bool quiet = quietCurrent_;
        quietCurrent_ = true;
        const bool done = QTableView::event(event);
        quietCurrent_ = quiet;
        return done;
    }
    return QTableView::event(event);
}

void FlexGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) applyLayout();
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == corner_ && event->type() == QEvent::Paint) {
        QPainter painter(corner_);
        QStyleOptionHeader option;
        option.initFrom(corner_);
        option.palette.setCurrentColorGroup(
            QPalette::Active); // the button is only disabled to clicks
        option.state |= QStyle::State_Enabled | QStyle::State_Raised;
        option.rect = corner_->rect();
        option.text = model_ ? model_->cornerText() : QString();
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.orientation = Qt::Horizontal;
        corner_->style()->drawControl(QStyle::CE_Header, &option, &painter, corner_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if (mouse->button() == Qt::LeftButton) {
            if (watched == corner_)
                emit cellClicked(0, 0);
            else if (watched == horizontalHeader()->viewport())
                headerClicked(Qt::Horizontal, horizontalHeader()->logicalIndexAt(pos));
            else if (watched == verticalHeader()->viewport())
                headerClicked(Qt::Vertical, verticalHeader()->logicalIndexAt(pos));
        }
    }
    return QTableView::eventFilter(watched, event);
}

void FlexGrid::headerClicked(Qt::Orientation orientation, int section)
{
    if (section < 0) return;
    // A title selects its column, a row header its row.
    if (orientation == Qt::Horizontal) {
        const int c = records_ ? 0 : section + fixedCols();
        if (rows() > fixedRows()) row_ = fixedRows();
        col_ = c;
        syncCurrent();
        emit cellClicked(0, c);
    } else {
        const int r = section + fixedRows();
        row_ = r;
        if (cols() > fixedCols()) col_ = fixedCols();
        syncCurrent();
        emit cellClicked(r, 0);
    }
}

void FlexGrid::applyLayout()
{
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight * std::max(fixedRows(), 1));
    horizontalHeader()->setVisible(fixedRows() > 0);
    verticalHeader()->setVisible(fixedCols() > 0);
    applyColWidths();
}

void FlexGrid::applyColWidths()
{
    // The fixed columns share the row header: its width is their sum.
    if (fixedCols() > 0) {
        int sum = 0;
        for (int c = 0; c < fixedCols(); ++c)
            sum += colWidth(c);
        verticalHeader()->setFixedWidth(sum);
    }
    if (records_)
        setColumnWidth(column_, colWidth(0));
    else
        for (int c = fixedCols(); c < cols(); ++c)
            setColumnWidth(c - fixedCols(), colWidth(c));
    updateGeometries();
}

void FlexGrid::syncCurrent()
{
    row_ = std::clamp(row_, 0, rows() - 1);
    col_ = std::clamp(col_, 0, cols() - 1);
    const QModelIndex index = viewIndex(row_, col_);
    quietCurrent_ = true;
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
    quietCurrent_ = false;
}

void FlexGrid::noteTopRow()
{
    const int top = topRow();
    if (top != lastTop_) {
        lastTop_ = top;
        emit topRowChanged(top);
    }
}
