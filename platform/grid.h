#pragma once
// A grid over a model of plain texts: rows are numbered from 0, the fixed rows (titles) are drawn
// as the header and never scroll, and hundreds of thousands of rows cost one string per cell.

#include <QStringList>
#include <QTableView>

class FlexGridModel;
class RecordListModel;

class FlexGrid : public QTableView
{
    Q_OBJECT

public:
    // Column alignments (setColAlignment); columns start left-centred.
    enum Alignment {
        AlignLeftTop,
        AlignLeftCenter,
        AlignLeftBottom,
        AlignCenterTop,
        AlignCenterCenter,
        AlignCenterBottom,
        AlignRightTop,
        AlignRightCenter,
        AlignRightBottom,
        AlignGeneral // numbers to the right, other texts to the left
    };

    // Qt's alignment of a cell (or a title) by a column's alignment code;
    // AlignGeneral looks at the text.
    static Qt::Alignment qtAlignment(int code, const QString& text, bool header);

    explicit FlexGrid(QWidget* parent = nullptr);
    // One column of a record list's shared model: row 0 is its title, record
    // k row k. The records are the list's: setRows cuts it to the title row
    // (other counts change nothing), and rows are added to the list, not to
    // the grid.
    FlexGrid(RecordListModel* records, int column, QWidget* parent = nullptr);
    ~FlexGrid() override;

    // The record list model, or nullptr for a grid of its own texts.

    // Row and column counts include the fixed ones. A new grid has 2 rows,
    // 2 columns and 1 fixed row (the titles), and no fixed column: the lists
    // of this program have none, and setCols(1) then gives one plain column.
    int rows() const;
    void setRows(int n); // cuts or adds empty rows; never below the fixed rows
    int cols() const;
    void setCols(int n); // never below the fixed columns
    int fixedRows() const;
    void setFixedRows(int n); // 0..rows(); more than one are stacked in the header
    int fixedCols() const;
    void setFixedCols(int n); // 0..cols(); more than one share the row header

    // Out-of-range cells read as empty and ignore writes.
    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);

    // The current cell; it may be a fixed cell (how titles are written).
    // Setting it highlights the cell but does not scroll the grid.
    int row() const;
    void setRow(int row);
    int col() const;
    void setCol(int col);
    QString text() const;
    void setText(const QString& text);

    // First visible non-fixed row, clamped so that the last rows fill the view.
    int topRow() const;
    void setTopRow(int row);

    void setColWidth(int col, int pixels);
    int colWidth(int col) const;
    // Width of a template text in the grid's font plus the cell's padding.
    void setColWidthForText(int col, const QString& templateText);
    void setColAlignment(int col, int alignment);
    int colAlignment(int col) const;

    // Appends one row; cells beyond the last column are dropped.
    void addItem(const QString& tabSeparatedCells);
    void appendRow(const QStringList& cells);

    // 0 none, 2 vertical, shown when the rows overflow; 1 and 3 count as 0
    // and 2, as there is never a horizontal bar. A new grid has 3.
    void setScrollBars(int style);
    int scrollBars() const;

signals:
    void topRowChanged(int topRow);
    // Also for a click on a title: a fixed row reports row 0, a fixed column column 0.
    void cellClicked(int row, int col);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    void applyLayout();
    void applyColWidths();
    void syncCurrent();
    void noteTopRow();
    void headerClicked(Qt::Orientation orientation, int section);
    int cellPadding() const;

    void init();
    QModelIndex viewIndex(int row, int col) const;
    int gridRow(const QModelIndex& index) const;
    int gridCol(const QModelIndex& index) const;

    FlexGridModel* model_ = nullptr;
    RecordListModel* records_ = nullptr;
    int column_ = 0; // the record model's column shown
    int row_ = 1;
    int col_ = 0;
    int scrollBars_ = 3;
    int lastTop_ = -1;
    bool quietCurrent_ = false;
    QWidget* corner_ = nullptr;
    QList<int> colWidths_; // -1: the default width
};
