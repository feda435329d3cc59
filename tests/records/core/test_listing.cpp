#include "records/core/listing.h"
#include "testutil.h"

#include <QTest>

using namespace Listing;

Q_DECLARE_METATYPE(PerLine::Outcome)

namespace {

RecordRows someRecords(int n)
{
    RecordRows rows;
    for (int i = 1; i <= n; ++i)
        rows.append(QString::number(i),
                    QStringLiteral("2016/03/23 10:00:%1").arg(i, 2, 10, QChar('0')),
                    QStringLiteral("6%1.5").arg(i % 10));
    return rows;
}

} // namespace

class TestListing : public QObject
{
    Q_OBJECT
private slots:
    void fixedLines()
    {
        QCOMPARE(titleLine({"No.s", "Date Time", "dB"}),
                 QStringLiteral("          No.s            Date Time     (dB)"));
        QCOMPARE(ruleLine(), QString(9, ' ') + QString(71, '-'));
        QCOMPARE(ruleLine().size(), 80);
        QCOMPARE(headerLine("Freq Weight", "A"), QStringLiteral("-         Freq Weight : A"));
    }

    void recordLines_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("perLine");
        QTest::addColumn<QString>("line");
        QTest::newRow("a full line of five, 80 characters")
            << 7 << 1 << 5
            << "             1  2016/03/23 10:00:01     61.5     62.5     63.5     64.5     65.5";
        QTest::newRow("last group short")
            << 7 << 7 << 3 << "             7  2016/03/23 10:00:07     67.5";
        QTest::newRow("one per line")
            << 7 << 4 << 1 << "             4  2016/03/23 10:00:04     64.5";
        QTest::newRow("beyond the list") << 7 << 8 << 1 << "";
    }
    void recordLines()
    {
        const QString line = recordLine(someRecords(fetch<int>("records")), fetch<int>("first"),
                                        fetch<int>("perLine"));
        QCOMPARE(line, fetch<QString>("line"));
        if (fetch<int>("perLine") == 5) QCOMPARE(line.size(), 80);
    }

    void longCellStandsWhole()
    {
        RecordRows rows;
        rows.append(u"123456789012345", u"2016/03/23 10:00:01", u"1234567890");
        QCOMPARE(recordLine(rows, 1, 1),
                 QStringLiteral("123456789012345  2016/03/23 10:00:011234567890"));
    }

    void perLineAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<PerLine::Outcome>("outcome");
        QTest::addColumn<int>("perLine");
        QTest::newRow("empty") << "" << PerLine::End << 0;
        QTest::newRow("default") << "1" << PerLine::Take << 1;
        QTest::newRow("five") << "5" << PerLine::Take << 5;
        QTest::newRow("integer part") << "2.5" << PerLine::Take << 2;
        QTest::newRow("1.5 gives 1") << "1.5" << PerLine::Take << 1;
        QTest::newRow("blanks") << " 3 " << PerLine::Take << 3;
        QTest::newRow("zero") << "0" << PerLine::AskAgain << 0;
        QTest::newRow("six") << "6" << PerLine::AskAgain << 0;
        QTest::newRow("5.9 is above 5") << "5.9" << PerLine::AskAgain << 0;
        QTest::newRow("letters") << "abc" << PerLine::AskAgain << 0;
        QTest::newRow("negative") << "-2" << PerLine::AskAgain << 0;
        QTest::newRow("exponent read whole") << "1e1" << PerLine::AskAgain << 0;
        QTest::newRow("number then letters") << "3abc" << PerLine::Fail << 0;
        QTest::newRow("comma as decimal mark") << "2,5" << PerLine::Fail << 0;
    }
    void perLineAnswers()
    {
        const PerLine p = recordsPerLine(fetch<QString>("answer"));
        QCOMPARE(p.outcome, fetch<PerLine::Outcome>("outcome"));
        QCOMPARE(p.perLine, fetch<int>("perLine"));
    }
};

QTEST_GUILESS_MAIN(TestListing)
#include "test_listing.moc"
