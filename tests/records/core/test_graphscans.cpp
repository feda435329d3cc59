#include "records/core/filestats.h"
#include "records/core/levelnumber.h"
#include "records/core/plotscan.h"

#include <QTest>

#include <cmath>

using namespace FileTransfer;

namespace {

RecordRows rowsOf(const QStringList& levels)
{
    RecordRows rows;
    for (qsizetype k = 0; k < levels.size(); ++k)
        rows.append(QString::number(k + 1), u"2016/03/23 10:00:00", levels[k]);
    return rows;
}

FileCounts countsOf(const QStringList& levels)
{
    FileCounts c;
    const RecordRows rows = rowsOf(levels);
    c.add(rows, 0, rows.size());
    return c;
}

QStringList tenthsFrom(int first, int last, int step)
{
    QStringList out;
    for (int k = first; k <= last; k += step)
        out << BinLevelText(k, true);
    return out;
}

} // namespace

class TestGraphScans : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("level") << QByteArray("65.3") << 65.3;
        QTest::newRow("paused") << QByteArray("65.3*") << 65.3;
        QTest::newRow("blanks, meter field") << QByteArray("  62.0 ") << 62.0;
        QTest::newRow("point first") << QByteArray(".5") << 0.5;
        QTest::newRow("signs") << QByteArray("-2.5") << -2.5;
        QTest::newRow("plus") << QByteArray("+7") << 7.0;
        QTest::newRow("second point ends it") << QByteArray("12.3.4") << 12.3;
        QTest::newRow("no exponent") << QByteArray("1e999") << 1.0;
        QTest::newRow("nan") << QByteArray("nan") << 0.0;
        QTest::newRow("inf") << QByteArray("inf") << 0.0;
        QTest::newRow("under range") << QByteArray("--") << 0.0;
        QTest::newRow("empty") << QByteArray() << 0.0;
        QTest::newRow("400 digits") << QByteArray(400, '9') << LevelNumberLimit;
        QTest::newRow("-400 digits") << "-" + QByteArray(400, '9') << -LevelNumberLimit;
        QTest::newRow("400 decimals") << "0." + QByteArray(399, '0') + "1" << 0.0;
        QTest::newRow("long but plain") << QByteArray("0000000000000000065.30") << 65.3;
    }
    void leadingNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        const double v = LeadingNumber(text);
        QVERIFY(std::isfinite(v));
        QCOMPARE(v, value);
    }

    void classify_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("bin1");
        QTest::addColumn<int>("bin01");
        QTest::newRow("level") << QByteArray("65.3") << 65 << 653;
        QTest::newRow("paused first") << QByteArray("62.0*") << -1 << -1;
        QTest::newRow("paused under range") << QByteArray("--*") << -1 << -1;
        QTest::newRow("under range") << QByteArray("--") << 25 << 250;
        QTest::newRow("minus anywhere") << QByteArray("6-1") << 25 << 250;
        QTest::newRow("over range") << QByteArray(" L   ") << 145 << 1450;
        QTest::newRow("lower-case l") << QByteArray("l") << 0 << 0;
        QTest::newRow("145.0") << QByteArray("145.0") << 145 << 1450;
        QTest::newRow("144.9") << QByteArray("144.9") << 144 << 1449;
        QTest::newRow("144.96 tenths to the top") << QByteArray("144.96") << 144 << 1450;
        QTest::newRow("half to even down") << QByteArray("60.25") << 60 << 602;
        QTest::newRow("half to even up") << QByteArray("60.75") << 60 << 608;
        QTest::newRow("not a number") << QByteArray("abc") << 0 << 0;
        QTest::newRow("1e999") << QByteArray("1e999") << 1 << 10;
        QTest::newRow("400 digits") << QByteArray(400, '9') << 145 << 1450;
    }
    void classify()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, bin1);
        QFETCH(int, bin01);
        const LevelBins b = ClassifyLevel(text);
        QCOMPARE(b.bin1dB, bin1);
        QCOMPARE(b.bin01dB, bin01);
    }

    void range()
    {
        FileCounts c = countsOf({"60.0", "61.0", "62.0", "63.0"});
        QCOMPARE(c.records, 4);
        auto r = OccupiedRange(c.counts01dB);
        QVERIFY(r);
        QCOMPARE(r->low, 600);
        QCOMPARE(r->high, 630);
        // Bin 0 is never the low end; only bin 0, only "*" or nothing: no range.
        c = countsOf({"abc", "0.4", "5.0"});
        QCOMPARE(OccupiedRange(c.counts1dB)->low, 5);
        QVERIFY(!OccupiedRange(countsOf({"abc", "0.0"}).counts1dB));
        QVERIFY(!OccupiedRange(countsOf({"62.0*"}).counts01dB));
        QVERIFY(!OccupiedRange(countsOf({}).counts01dB));
        c = countsOf(QStringList(5, "70.0"));
        QCOMPARE(OccupiedRange(c.counts01dB)->low, 700);
        QCOMPARE(OccupiedRange(c.counts01dB)->high, 700);
        c = countsOf({"--", "L", "145.0"});
        QCOMPARE(OccupiedRange(c.counts1dB)->low, 25);
        QCOMPARE(OccupiedRange(c.counts1dB)->high, 145);
    }

    void lnTable_data()
    {
        QTest::addColumn<QStringList>("levels");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QList<int>>("entries");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("worked example")
            << QStringList{"60.0", "61.0", "62.0", "63.0"} << true << QList<int>{0, 50, 74, 75, 99}
            << QStringList{"63.0", "61.0", "61.0", "60.0", "60.0"};
        // N = 8: the threshold of entry 87 is exactly 1.0, which one record
        // does not exceed.
        QTest::newRow("threshold exactly whole")
            << tenthsFrom(600, 670, 10) << true << QList<int>{87, 86, 88, 0}
            << QStringList{"61.0", "61.0", "60.0", "67.0"};
        QTest::newRow("all 70.0") << QStringList(10, "70.0") << true << QList<int>{0, 50, 99}
                                  << QStringList{"70.0", "70.0", "70.0"};
        QTest::newRow("whole dB") << QStringList{"60.4", "61.6", "62.0", "63.9"} << false
                                  << QList<int>{0, 99} << QStringList{"63", "60"};
        QTest::newRow("range ends in the table")
            << QStringList{"--", "--", "L", "L"} << true << QList<int>{0, 99}
            << QStringList{"145.0", "25.0"};
        // Two of four records paused: the thresholds count them, the sums
        // do not, so the top entries are reached by no sum.
        QTest::newRow("paused rows") << QStringList{"60.0", "62.0*", "61.0", "62.0*"} << true
                                     << QList<int>{99, 75, 74, 50, 49, 0}
                                     << QStringList{"60.0", "60.0", "61.0", "61.0", "", ""};
    }
    void lnTable()
    {
        QFETCH(QStringList, levels);
        QFETCH(bool, tenths);
        QFETCH(QList<int>, entries);
        QFETCH(QStringList, texts);
        const FileCounts c = countsOf(levels);
        const LnTexts table = tenths ? PercentileTable(c.counts01dB, c.records, true)
                                     : PercentileTable(c.counts1dB, c.records, false);
        for (qsizetype i = 0; i < entries.size(); ++i)
            QCOMPARE(table[entries[i]], texts[i]);
    }

    void plotScan_data()
    {
        QTest::addColumn<QStringList>("levels");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<qint64>>("blocks"); // start, end pairs
        QTest::newRow("one block") << QStringList{"50.0", "51.0*", "52.0*", "53.0", "54.0"}
                                   << QList<double>{50, 51, 52, 53, 54} << QList<qint64>{2, 4};
        QTest::newRow("open at the last record")
            << QStringList{"50.0", "51.0*", "52.0*"} << QList<double>{50, 51, 52}
            << QList<qint64>{2, 0};
        QTest::newRow("begun on the last record")
            << QStringList{"50.0", "51.0*"} << QList<double>{50, 51} << QList<qint64>{2, 0};
        QTest::newRow("open, list ends under and over range")
            << QStringList{"51.0*", "--", "L"} << QList<double>{51, 25, 145} << QList<qint64>{1, 0};
        QTest::newRow("under range neither starts nor ends")
            << QStringList{"--*", "51.0*", "--", "53.0"} << QList<double>{25, 51, 25, 53}
            << QList<qint64>{2, 4};
        QTest::newRow("141 outside") << QStringList{"141.0", "141.0*", "60.0"}
                                     << QList<double>{145, 145, 60} << QList<qint64>{};
        QTest::newRow("141 and 146 inside")
            << QStringList{"60.0*", "141.0*", "146.0", "141.0", "60.0"}
            << QList<double>{60, 141, 145, 141, 60} << QList<qint64>{1, 4};
        QTest::newRow("capital L only")
            << QStringList{"L", "l", "OL*"} << QList<double>{145, 0, 145} << QList<qint64>{};
        QTest::newRow("two blocks")
            << QStringList{"60.0*", "61.0", "62.0*", "63.0*", "64.0"}
            << QList<double>{60, 61, 62, 63, 64} << QList<qint64>{1, 2, 3, 5};
        QTest::newRow("none") << QStringList{} << QList<double>{} << QList<qint64>{};
    }
    void plotScan()
    {
        QFETCH(QStringList, levels);
        QFETCH(QList<double>, values);
        QFETCH(QList<qint64>, blocks);
        const RecordRows rows = rowsOf(levels);
        PlotScan scan(rows.size());
        scan.add(rows, 0, rows.size());
        QCOMPARE(scan.levels(), QVector<double>(values.begin(), values.end()));
        QList<qint64> found;
        for (const PauseBlock& b : scan.blocks())
            found << b.start << b.end;
        QCOMPARE(found, blocks);
    }
};

QTEST_GUILESS_MAIN(TestGraphScans)
#include "test_graphscans.moc"
