#include "platform/grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

// A one-column live list as the main window has it: a title row, records below.
void makeList(FlexGrid& grid, int records)
{
    grid.setCols(1);
    grid.setRows(1);
    grid.setTextMatrix(0, 0, QStringLiteral("dB"));
    for (int r = 1; r <= records; ++r)
        grid.addItem(QString::number(r));
}

int visibleRows(const FlexGrid& grid)
{
    return grid.viewport()->height() / grid.rowHeight(0);
}

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT

private slots:
    void rowsCutAndAdded_data()
    {
        QTest::addColumn<int>("fixedRows");
        QTest::addColumn<int>("setTo");
        QTest::addColumn<int>("expected");
        QTest::newRow("cut to title row") << 1 << 1 << 1;
        QTest::newRow("never below the fixed rows") << 1 << 0 << 1;
        QTest::newRow("no fixed row, empty") << 0 << 0 << 0;
        QTest::newRow("cut some") << 1 << 4 << 4;
        QTest::newRow("add empty rows") << 1 << 12 << 12;
    }
    void rowsCutAndAdded()
    {
        QFETCH(int, fixedRows);
        QFETCH(int, setTo);
        QFETCH(int, expected);
        FlexGrid grid;
        grid.setRows(8);
        grid.setFixedRows(fixedRows);
        for (int r = 0; r < 8; ++r)
            grid.setTextMatrix(r, 0, QString::number(r));
        grid.setRows(setTo);
        QCOMPARE(grid.rows(), expected);
        QCOMPARE(grid.model()->rowCount(), expected - fixedRows);
        for (int r = 0; r < expected; ++r)
            QCOMPARE(grid.textMatrix(r, 0), r < 8 ? QString::number(r) : QString());
        grid.setRows(expected + 1); // a row added after a cut comes back empty
        QCOMPARE(grid.textMatrix(expected, 0), QString());
    }

    void textsAndHeader()
    {
        FlexGrid grid;
        QVERIFY(!grid.verticalHeader()->isVisibleTo(&grid)); // no fixed column unless asked
        grid.setCols(2);
        grid.setRows(3);
        grid.setTextMatrix(0, 1, QStringLiteral("Date Time"));
        grid.setTextMatrix(2, 1, QStringLiteral("2016/03/23 14:33:10"));
        QCOMPARE(grid.textMatrix(0, 1), QStringLiteral("Date Time"));
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Date Time"));
        QCOMPARE(grid.model()->index(1, 1).data().toString(),
                 QStringLiteral("2016/03/23 14:33:10"));
        QVERIFY(grid.horizontalHeader()->isVisibleTo(&grid));
        grid.setTextMatrix(3, 0, QStringLiteral("x")); // outside: ignored
        QCOMPARE(grid.rows(), 3);
        grid.setFixedRows(0);
        QVERIFY(!grid.horizontalHeader()->isVisibleTo(&grid));
        QCOMPARE(grid.model()->rowCount(), 3);
        QCOMPARE(grid.model()->index(0, 1).data().toString(), QStringLiteral("Date Time"));
    }

    void currentCell()
    {
        FlexGrid grid;
        makeList(grid, 5);
        grid.setRow(0);
        grid.setCol(0);
        grid.setText(QStringLiteral("No.s")); // titles are written through the current cell
        QCOMPARE(grid.textMatrix(0, 0), QStringLiteral("No.s"));
        QVERIFY(!grid.currentIndex().isValid());
        grid.setRow(3);
        QCOMPARE(grid.text(), QStringLiteral("3"));
        QCOMPARE(grid.currentIndex().row(), 2);
        grid.setRows(2); // the current row goes with the rows cut
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.text(), QStringLiteral("1"));
    }

    void clickOnCell()
    {
        FlexGrid grid; // three columns with a fixed row and column, as a set list
        grid.setCols(3);
        grid.setFixedCols(1);
        grid.setRows(4);
        grid.setTextMatrix(0, 0, QStringLiteral("Set"));
        for (int r = 1; r < 4; ++r) {
            grid.setTextMatrix(r, 0, QString::number(r));
            grid.setTextMatrix(r, 2, QString::number(r * 100));
        }
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
        QSignalSpy spy(&grid, &FlexGrid::cellClicked);
        const QModelIndex cell = grid.model()->index(1, 1); // row 2, column 2
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0), (QList<QVariant>{2, 2}));
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.textMatrix(grid.row(), 2), QStringLiteral("200"));
        // The fixed column's cell selects its row.
        QTest::mouseClick(grid.verticalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(5, grid.verticalHeader()->sectionViewportPosition(2) + 3));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1), (QList<QVariant>{3, 0}));
        QCOMPARE(grid.row(), 3);
    }

    void topRowClamped_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("wanted");
        QTest::newRow("into the title row") << 50 << 0;
        QTest::newRow("first record") << 50 << 1;
        QTest::newRow("middle") << 50 << 20;
        QTest::newRow("past the end") << 50 << 500;
        QTest::newRow("fewer records than the view holds") << 2 << 2;
    }
    void topRowClamped()
    {
        QFETCH(int, records);
        QFETCH(int, wanted);
        FlexGrid grid;
        makeList(grid, records);
        grid.resize(120, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setTopRow(wanted);
        const int lastTop = std::max(1, records + 1 - visibleRows(grid));
        QCOMPARE(grid.topRow(), std::clamp(wanted, 1, lastTop));
        QVERIFY(grid.rowViewportPosition(grid.topRow() - 1) == 0); // the top row is at the top
    }

    void topRowSignal_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("setTopRow") << "setTopRow";
        QTest::newRow("scroll bar") << "bar";
        QTest::newRow("wheel") << "wheel";
        QTest::newRow("key") << "key";
        QTest::newRow("rows cut") << "cut";
        QTest::newRow("no scroll bar, setTopRow") << "hiddenBar";
    }
    void topRowSignal()
    {
        QFETCH(QString, how);
        FlexGrid grid;
        makeList(grid, 100);
        grid.resize(120, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setTopRow(10);
        QSignalSpy spy(&grid, &FlexGrid::topRowChanged);
        if (how == "setTopRow") {
            grid.setTopRow(30);
        } else if (how == "bar") {
            grid.verticalScrollBar()->setValue(40);
        } else if (how == "wheel") {
            const QPointF at(10, 30);
            QWheelEvent wheel(at, grid.viewport()->mapToGlobal(at), {}, QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(grid.viewport(), &wheel);
        } else if (how == "key") {
            grid.setRow(10);
            QTest::keyClick(&grid, Qt::Key_PageDown);
        } else if (how == "cut") {
            grid.setRows(1);
        } else if (how == "hiddenBar") {
            grid.setScrollBars(0);
            grid.setTopRow(60);
            QVERIFY(!grid.verticalScrollBar()->isVisible());
        }
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), grid.topRow());
        QVERIFY(grid.topRow() != 10);
        QVERIFY(grid.topRow() >= grid.fixedRows()); // the title row never scrolls
    }

    void scrollBars()
    {
        FlexGrid grid;
        makeList(grid, 100);
        grid.resize(120, 200);
        grid.setScrollBars(2);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QVERIFY(grid.verticalScrollBar()->isVisible());
        QVERIFY(!grid.horizontalScrollBar()->isVisible());
        grid.setScrollBars(0);
        QVERIFY(!grid.verticalScrollBar()->isVisible());
        grid.setScrollBars(2);
        grid.setRows(1); // an empty list needs no bar
        QTRY_VERIFY(!grid.verticalScrollBar()->isVisible());
    }

    void widthFromTemplate()
    {
        FlexGrid grid;
        grid.setFixedCols(1);
        grid.setCols(3);
        const QFontMetrics fm(grid.font());
        grid.setColWidthForText(1, QStringLiteral("AAAAA/AA/AAHH:NN:SSA"));
        grid.setColWidthForText(2, QStringLiteral("ABADEAA"));
        grid.setColWidthForText(0, QStringLiteral("   Set   "));
        const int pad = grid.colWidth(2) - fm.horizontalAdvance(QStringLiteral("ABADEAA"));
        QVERIFY(pad > 0 && pad < 20);
        QCOMPARE(grid.colWidth(1),
                 fm.horizontalAdvance(QStringLiteral("AAAAA/AA/AAHH:NN:SSA")) + pad);
        QCOMPARE(grid.colWidth(0), fm.horizontalAdvance(QStringLiteral("   Set   ")) + pad);
        QCOMPARE(grid.verticalHeader()->width(), grid.colWidth(0));
        const int dateWidth = grid.colWidth(1);
        grid.setRows(50);
        grid.setRows(1); // the cut to the title row keeps the widths
        QCOMPARE(grid.colWidth(1), dateWidth);
        QCOMPARE(grid.columnWidth(0), dateWidth);
        grid.setFixedCols(0); // widths stay with their columns
        QCOMPARE(grid.columnWidth(1), dateWidth);
    }

    void addItemWithTabs()
    {
        FlexGrid grid;
        grid.setCols(3);
        grid.setRows(1);
        grid.addItem(QStringLiteral("1\t2016/03/23 14:33:10\t65.3*"));
        grid.addItem(QStringLiteral("2\textra\t\tdropped"));
        grid.appendRow({QStringLiteral("3")});
        QCOMPARE(grid.rows(), 4);
        QCOMPARE(grid.textMatrix(1, 1), QStringLiteral("2016/03/23 14:33:10"));
        QCOMPARE(grid.textMatrix(1, 2), QStringLiteral("65.3*"));
        QCOMPARE(grid.textMatrix(2, 2), QString());
        QCOMPARE(grid.textMatrix(3, 1), QString());
    }

    void longList()
    {
        FlexGrid grid;
        grid.resize(80, 65);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        const auto objectsBefore = grid.findChildren<QObject*>().size();
        QElapsedTimer timer;
        timer.start();
        makeList(grid, 348000);
        qDebug() << "348000 rows appended in" << timer.elapsed() << "ms";
        QCOMPARE(grid.rows(), 348001);
        QCOMPARE(grid.findChildren<QObject*>().size(), objectsBefore); // nothing per cell

        // The live list's step: append, make it current, move the top row.
        timer.restart();
        for (int i = 0; i < 1000; ++i) {
            grid.addItem(QStringLiteral("65.0"));
            grid.setRow(grid.rows() - 1);
            grid.setTopRow(grid.topRow() + 1);
        }
        const double perRow = timer.nsecsElapsed() / 1e6 / 1000;
        qDebug() << "append, current row and top row at 348000 rows:" << perRow << "ms";
        QVERIFY(perRow < 20); // a very generous bound: well under 1 ms in a normal build
        QCOMPARE(grid.row(), 349000);
        QCOMPARE(grid.topRow(), 1001);

        QSignalSpy spy(&grid, &FlexGrid::topRowChanged);
        timer.restart();
        grid.setRows(1);
        qDebug() << "cut to the title row in" << timer.elapsed() << "ms";
        QCOMPARE(grid.rows(), 1);
        QCOMPARE(grid.topRow(), 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(grid.textMatrix(0, 0), QStringLiteral("dB"));
    }
};

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
