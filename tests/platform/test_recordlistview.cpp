// The three grids of a record list: columns of one model, always on the same
// rows, whatever changes the list or scrolls a grid.

#include "gridutil.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace {

RecordRows records(int first, int last)
{
    RecordRows rows;
    for (int r = first; r <= last; ++r)
        rows.append(QString::number(r), QStringLiteral("t%1").arg(r),
                    QStringLiteral("%1.0").arg(r % 90));
    return rows;
}

} // namespace

class TestRecordListView : public QObject
{
    Q_OBJECT

    struct Shown
    {
        QWidget window;
        RecordListView view{&window};
        Shown()
        {
            window.resize(420, 200);
            for (int i = 0; i < 3; ++i)
                view.GridN[size_t(i)]->setGeometry(i * 140, 0, 140, 200);
            view.loadTitlesAndWidths();
            window.show();
        }
        RecordList& list() { return view.list(); }
    };

    static void sameRows(const RecordListView& view)
    {
        const int top = view.GridN[2]->topRow();
        for (FlexGrid* g : view.GridN) {
            QCOMPARE(g->rows(), int(view.list().rows()));
            QCOMPARE(g->topRow(), top);
        }
    }

private slots:
    void gridsShowTheList()
    {
        Shown s;
        const char* const titles[] = {"No.s", "Date Time", "dB"};
        for (int i = 0; i < 3; ++i) {
            FlexGrid* g = s.view.GridN[size_t(i)];
            QCOMPARE(g->rows(), 1);
            QCOMPARE(g->cols(), 1);
            QCOMPARE(g->textMatrix(0, 0), QString::fromLatin1(titles[i]));
            QCOMPARE(g->scrollBars(), i == 2 ? 2 : 0);
        }
        QVERIFY(s.view.GridN[1]->colWidth(0) > s.view.GridN[0]->colWidth(0));

        s.list().append(u"1", u"2016/03/23 10:00:00", u"65.3*");
        QCOMPARE(s.view.GridN[0]->rows(), 2);
        QCOMPARE(s.view.GridN[1]->textMatrix(1, 0), "2016/03/23 10:00:00");
        QCOMPARE(s.view.GridN[2]->textMatrix(1, 0), "65.3*");
        QCOMPARE(s.view.GridN[2]->textMatrix(1, 1), QString());

        // A title set through a grid is the list's.
        s.view.GridN[2]->setTextMatrix(0, 0, QStringLiteral("Level"));
        QCOMPARE(s.list().title(2), "Level");
        s.view.GridN[2]->setTextMatrix(1, 0, QStringLiteral("ignored"));
        QCOMPARE(s.list().text(1, 2), "65.3*");

        // Cutting any grid cuts the list; widths survive the reset.
        const int width = s.view.GridN[1]->colWidth(0);
        s.view.GridN[0]->setRows(1);
        QCOMPARE(s.list().count(), 0);
        QCOMPARE(s.view.GridN[1]->columnWidth(1), width);
        QVERIFY(s.view.GridN[1]->isColumnHidden(0));
    }

    void clickReportsTheGridsRow()
    {
        Shown s;
        s.list().take(records(1, 5));
        QCoreApplication::processEvents();
        FlexGrid* g = s.view.GridN[1];
        QSignalSpy clicked(g, &FlexGrid::cellClicked);
        const QRect cell = g->visualRect(g->model()->index(2, 1));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked[0], (QVariantList{3, 0}));
        QCOMPARE(g->row(), 3);
        QCOMPARE(g->text(), "t3");
    }

    void scrolling_data()
    {
        QTest::addColumn<int>("grid");
        QTest::addColumn<QString>("how");
        for (int grid = 0; grid < 3; ++grid)
            for (const char* how : {"bar", "wheel", "keys"})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(grid).arg(how)))
                    << grid << QString::fromLatin1(how);
    }
    void scrolling()
    {
        QFETCH(int, grid);
        QFETCH(QString, how);
        Shown s;
        s.list().take(records(1, 100));
        s.list().append(records(101, 200));
        s.list().append(u"201", u"t201", u"1.0");
        QCoreApplication::processEvents();
        FlexGrid* g = s.view.GridN[size_t(grid)];
        scrollGrid(g, how, how == "bar" ? 40 : 30);
        QVERIFY(g->topRow() > 1);
        sameRows(s.view);

        // A cut and a new list bring all three back to the top together.
        s.list().cut();
        QCoreApplication::processEvents();
        sameRows(s.view);
        QCOMPARE(s.view.GridN[0]->topRow(), 1);
        s.list().take(records(1, 50));
        QCoreApplication::processEvents();
        s.view.GridN[2]->setTopRow(20);
        sameRows(s.view);
        QCOMPARE(s.view.GridN[0]->textMatrix(20, 0), "20");
    }
};

QTEST_MAIN(TestRecordListView)
#include "test_recordlistview.moc"
