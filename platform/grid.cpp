#include "grid.h"

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
    int rows() const { return m_rows; }
    int cols() const { return int(m_cells.size()); }
    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_rows - m_fixedRows;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : cols() - m_fixedCols;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const QString& s = cell(index.row() + m_fixedRows, index.column() + m_fixedCols);
        if (role == Qt::DisplayRole)
            return s;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignment(index.column() + m_fixedCols, s, false));
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal) {
            const int c = section + m_fixedCols;
            if (role == Qt::DisplayRole)
                return fixedText(0, m_fixedRows, c, c + 1, QStringLiteral("\n"));
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(alignment(c, QString(), true));
            return {};
        }
        if (role == Qt::DisplayRole) {
            const int r = section + m_fixedRows;
            return fixedText(r, r + 1, 0, m_fixedCols, QStringLiteral(" "));
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignment(0, QString(), true));
        return {};
    }

    // The cells where the fixed rows meet the fixed columns.
    QString cornerText() const
    {
        return fixedText(0, m_fixedRows, 0, m_fixedCols, QStringLiteral(" "));
    }

    const QString& cell(int row, int col) const { return m_cells[col][row]; }

    bool valid(int row, int col) const
    {
        return row >= 0 && row < m_rows && col >= 0 && col < cols();
    }

    void setCell(int row, int col, const QString& text)
    {
        m_cells[col][row] = text;
        if (row >= m_fixedRows && col >= m_fixedCols) {
            const QModelIndex i = index(row - m_fixedRows, col - m_fixedCols);
            emit dataChanged(i, i, {Qt::DisplayRole});
        } else if (row < m_fixedRows && col >= m_fixedCols) {
            emit headerDataChanged(Qt::Horizontal, col - m_fixedCols, col - m_fixedCols);
        } else if (col < m_fixedCols && row >= m_fixedRows) {
            emit headerDataChanged(Qt::Vertical, row - m_fixedRows, row - m_fixedRows);
        }
    }

    void setRows(int n)
    {
        n = std::max(n, m_fixedRows);
        if (n == m_rows)
            return;
        if (n > m_rows) {
            beginInsertRows({}, m_rows - m_fixedRows, n - m_fixedRows - 1);
            resizeColumns(n);
            endInsertRows();
        } else if (n == m_fixedRows) {
            // Cutting a long list to its titles: one reset beats removing rows.
            beginResetModel();
            resizeColumns(n);
            endResetModel();
        } else {
            beginRemoveRows({}, n - m_fixedRows, m_rows - m_fixedRows - 1);
            resizeColumns(n);
            endRemoveRows();
        }
    }

    void setCols(int n)
    {
        n = std::max(n, m_fixedCols);
        if (n == cols())
            return;
        if (n > cols()) {
            beginInsertColumns({}, cols() - m_fixedCols, n - m_fixedCols - 1);
            growColumns(n);
            endInsertColumns();
        } else {
            beginRemoveColumns({}, n - m_fixedCols, cols() - m_fixedCols - 1);
            m_cells.resize(n);
            m_align.resize(n);
            endRemoveColumns();
        }
    }

    void setFixed(int fixedRows, int fixedCols)
    {
        fixedRows = std::clamp(fixedRows, 0, m_rows);
        fixedCols = std::clamp(fixedCols, 0, cols());
        if (fixedRows == m_fixedRows && fixedCols == m_fixedCols)
            return;
        beginResetModel();
        m_fixedRows = fixedRows;
        m_fixedCols = fixedCols;
        endResetModel();
    }

    void appendRow(const QStringList& cells)
    {
        beginInsertRows({}, m_rows - m_fixedRows, m_rows - m_fixedRows);
        const int n = std::min(int(cells.size()), cols());
        for (int c = 0; c < cols(); ++c)
            m_cells[c].append(c < n ? cells[c] : QString());
        ++m_rows;
        endInsertRows();
    }

    int alignmentCode(int col) const { return m_align[col]; }

    void setAlignmentCode(int col, int code)
    {
        m_align[col] = code;
        if (col >= m_fixedCols && m_rows > m_fixedRows)
            emit dataChanged(index(0, col - m_fixedCols),
                             index(m_rows - m_fixedRows - 1, col - m_fixedCols),
                             {Qt::TextAlignmentRole});
        if (col >= m_fixedCols)
            emit headerDataChanged(Qt::Horizontal, col - m_fixedCols, col - m_fixedCols);
    }

    FlexGridModel()
    {
        growColumns(2);
        resizeColumns(2);
    }

private:
    void resizeColumns(int n)
    {
        for (auto& column : m_cells)
            column.resize(n);
        m_rows = n;
    }

    void growColumns(int n)
    {
        while (cols() < n) {
            m_cells.append(QList<QString>(m_rows));
            m_align.append(FlexGrid::AlignLeftCenter);
        }
    }

    QString fixedText(int r0, int r1, int c0, int c1, const QString& joint) const
    {
        QString s;
        for (int r = r0; r < r1; ++r) {
            for (int c = c0; c < c1; ++c) {
                if (r != r0 || c != c0)
                    s += joint;
                s += m_cells[c][r];
            }
        }
        return s;
    }

    Qt::Alignment alignment(int col, const QString& text, bool header) const
    {
        static const Qt::Alignment codes[] = {
            Qt::AlignLeft | Qt::AlignTop,     Qt::AlignLeft | Qt::AlignVCenter,
            Qt::AlignLeft | Qt::AlignBottom,  Qt::AlignHCenter | Qt::AlignTop,
            Qt::AlignCenter,                  Qt::AlignHCenter | Qt::AlignBottom,
            Qt::AlignRight | Qt::AlignTop,    Qt::AlignRight | Qt::AlignVCenter,
            Qt::AlignRight | Qt::AlignBottom,
        };
        const int code = col < cols() ? m_align[col] : FlexGrid::AlignLeftCenter;
        if (code >= 0 && code < FlexGrid::AlignGeneral)
            return codes[code];
        if (header)
            return Qt::AlignLeft | Qt::AlignVCenter;
        bool number = false;
        text.trimmed().toDouble(&number);
        return (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    }

    QList<QList<QString>> m_cells;
    QList<int> m_align;
    int m_rows = 0;
    int m_fixedRows = 1;
    int m_fixedCols = 0;
};

FlexGrid::FlexGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new FlexGridModel)
{
    m_model->setParent(this);
    setModel(m_model);
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
            m_corner = button;
            m_corner->installEventFilter(this);
        }
    }

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { noteTopRow(); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        emit cellClicked(index.row() + m_model->fixedRows(), index.column() + m_model->fixedCols());
    });
    setScrollBars(m_scrollBars);
    applyLayout();
}

FlexGrid::~FlexGrid() = default;

int FlexGrid::rows() const { return m_model->rows(); }

void FlexGrid::setRows(int n)
{
    m_model->setRows(n);
    if (rows() == fixedRows())
        applyColWidths(); // the cut resets the model
    syncCurrent();
    updateGeometries();
    noteTopRow();
}

int FlexGrid::cols() const { return m_model->cols(); }

void FlexGrid::setCols(int n)
{
    m_model->setCols(n);
    if (m_colWidths.size() > cols())
        m_colWidths.resize(cols()); // columns added later start at the default width
    applyColWidths();
    syncCurrent();
}

int FlexGrid::fixedRows() const { return m_model->fixedRows(); }

void FlexGrid::setFixedRows(int n)
{
    m_model->setFixed(n, m_model->fixedCols());
    applyLayout();
    syncCurrent();
    updateGeometries();
    noteTopRow();
}

int FlexGrid::fixedCols() const { return m_model->fixedCols(); }

void FlexGrid::setFixedCols(int n)
{
    m_model->setFixed(m_model->fixedRows(), n);
    applyLayout();
    syncCurrent();
}

QString FlexGrid::textMatrix(int row, int col) const
{
    return m_model->valid(row, col) ? m_model->cell(row, col) : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    if (!m_model->valid(row, col))
        return;
    m_model->setCell(row, col, text);
    if (row < fixedRows() && col < fixedCols() && m_corner)
        m_corner->update();
}

int FlexGrid::row() const { return m_row; }

void FlexGrid::setRow(int row)
{
    m_row = std::clamp(row, 0, rows() - 1);
    syncCurrent();
}

int FlexGrid::col() const { return m_col; }

void FlexGrid::setCol(int col)
{
    m_col = std::clamp(col, 0, cols() - 1);
    syncCurrent();
}

QString FlexGrid::text() const { return textMatrix(m_row, m_col); }

void FlexGrid::setText(const QString& text) { setTextMatrix(m_row, m_col, text); }

int FlexGrid::topRow() const { return verticalScrollBar()->value() + fixedRows(); }

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
    if (col < 0 || col >= cols())
        return;
    if (m_colWidths.size() < cols())
        m_colWidths.resize(cols(), -1);
    m_colWidths[col] = std::max(pixels, 0);
    applyColWidths();
}

int FlexGrid::colWidth(int col) const
{
    if (col < 0 || col >= cols())
        return 0;
    const int w = col < m_colWidths.size() ? m_colWidths[col] : -1;
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
    if (col < 0 || col >= cols())
        return;
    m_model->setAlignmentCode(col, std::clamp(alignment, 0, int(AlignGeneral)));
}

int FlexGrid::colAlignment(int col) const
{
    return col >= 0 && col < cols() ? m_model->alignmentCode(col) : int(AlignLeftCenter);
}

void FlexGrid::addItem(const QString& tabSeparatedCells)
{
    appendRow(tabSeparatedCells.split(QLatin1Char('\t')));
}

void FlexGrid::appendRow(const QStringList& cells)
{
    m_model->appendRow(cells);
}

void FlexGrid::setScrollBars(int style)
{
    m_scrollBars = style;
    setVerticalScrollBarPolicy((style & 2) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

int FlexGrid::scrollBars() const { return m_scrollBars; }

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_quietCurrent && current.isValid()) {
        m_row = current.row() + fixedRows();
        m_col = current.column() + fixedCols();
    }
}

void FlexGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Setting the current cell from code leaves the top row alone.
    if (!m_quietCurrent)
        QTableView::scrollTo(index, hint);
}

bool FlexGrid::event(QEvent* event)
{
    // A current cell set while hidden must not scroll the grid when it shows.
    if (event->type() == QEvent::Show) {
        const bool quiet = m_quietCurrent;
        m_quietCurrent = true;
        const bool done = QTableView::event(event);
        m_quietCurrent = quiet;
        return done;
    }
    return QTableView::event(event);
}

void FlexGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyLayout();
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QPainter painter(m_corner);
        QStyleOptionHeader option;
        option.initFrom(m_corner);
        option.palette.setCurrentColorGroup(QPalette::Active); // the button is only disabled to clicks
        option.state |= QStyle::State_Enabled | QStyle::State_Raised;
        option.rect = m_corner->rect();
        option.text = m_model->cornerText();
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.orientation = Qt::Horizontal;
        m_corner->style()->drawControl(QStyle::CE_Header, &option, &painter, m_corner);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if (mouse->button() == Qt::LeftButton) {
            if (watched == m_corner)
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
    if (section < 0)
        return;
    // As the flex grid: a title selects its column, a row header its row.
    if (orientation == Qt::Horizontal) {
        const int c = section + fixedCols();
        if (rows() > fixedRows())
            m_row = fixedRows();
        m_col = c;
        syncCurrent();
        emit cellClicked(0, c);
    } else {
        const int r = section + fixedRows();
        m_row = r;
        if (cols() > fixedCols())
            m_col = fixedCols();
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
    for (int c = fixedCols(); c < cols(); ++c)
        setColumnWidth(c - fixedCols(), colWidth(c));
    updateGeometries();
}

void FlexGrid::syncCurrent()
{
    m_row = std::clamp(m_row, 0, rows() - 1);
    m_col = std::clamp(m_col, 0, cols() - 1);
    const QModelIndex index = m_model->index(m_row - fixedRows(), m_col - fixedCols());
    m_quietCurrent = true;
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
    m_quietCurrent = false;
}

void FlexGrid::noteTopRow()
{
    const int top = topRow();
    if (top != m_lastTop) {
        m_lastTop = top;
        emit topRowChanged(top);
    }
}
