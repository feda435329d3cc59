// The decoding of a logger set's dump into the captions and rows of the set list.

#include "records/core/setdump.h"
#include "testutil.h"

#include <QTest>

using namespace Logger;

namespace {

// Writes text at a 1-based position of the dump.
void put(QByteArray& d, int position, QByteArrayView text)
{
    std::copy(text.begin(), text.end(), d.begin() + position - 1);
}

// A dump of r records: interval digit, start text, records of level
// "45.3" with their own time text "rec k".
QByteArray dump(int r, char interval = '5', QByteArrayView start = "2016/03/23 10:00:00")
{
    QByteArray d(359 + 38 * r, ' ');
    put(d, 20, QByteArrayView(&interval, 1));
    put(d, 40, "A");
    put(d, 57, "SLOW");
    put(d, 77, "40-100");
    put(d, 116, start);
    put(d, 145, "  88.1");
    put(d, 155, "2016/03/23 10:00:05");
    put(d, 201, "  61.0");
    put(d, 217, "  75.1");
    put(d, 233, "  70.5");
    put(d, 249, "  68.2");
    put(d, 265, "  60.0");
    put(d, 281, "  52.4");
    put(d, 297, "  50.3");
    for (int k = 1; k <= r; ++k) {
        const int at = 360 + 38 * (k - 1);
        put(d, at + 12, QByteArray("rec ") + QByteArray::number(k));
        put(d, at + 32, " 45.3");
    }
    return d;
}

QStringList column(const DecodedSet& s, int col)
{
    QStringList out;
    for (qsizetype k = 0; k < s.rows.size(); ++k)
        out << s.rows.text(k, col);
    return out;
}

} // namespace

class TestSetDump : public QObject
{
    Q_OBJECT
private slots:
    void header()
    {
        const std::optional<DecodedSet> s = DecodeDump(dump(0), 0, 1);
        QVERIFY(s);
        const DataFile::LoggerHeader& h = s->header;
        QCOMPARE(h.LoggerInterval, QStringLiteral("5"));
        QCOMPARE(h.BoardCA, QStringLiteral("A"));
        QCOMPARE(h.BoardSFI, QStringLiteral("SLOW"));
        QCOMPARE(h.BoardLevel, QStringLiteral("40-100"));
        QCOMPARE(h.BoardMaxdB, QStringLiteral("  88.1"));
        QCOMPARE(h.BoardMaxTime, QStringLiteral("2016/03/23 10:00:05"));
        QCOMPARE(h.BoardLeq, QStringLiteral("  61.0"));
        QCOMPARE(h.BoardSEL, QStringLiteral("  75.1"));
        QCOMPARE(h.Board05, QStringLiteral("  70.5"));
        QCOMPARE(h.Board10, QStringLiteral("  68.2"));
        QCOMPARE(h.Board50, QStringLiteral("  60.0"));
        QCOMPARE(h.Board90, QStringLiteral("  52.4"));
        QCOMPARE(h.Board95, QStringLiteral("  50.3"));
        QVERIFY(s->rows.isEmpty());
        QVERIFY(!s->ownTimes);
        QVERIFY(!DecodeDump(dump(2).first(434), 2, 1)); // 435 bytes are needed
    }

    void rows_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("step");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QStringList>("times");
        QTest::newRow("step 3") << 10 << 3 << QStringList{"1", "2", "3", "4"}
                                << QStringList{"rec 1              ", "2016/03/23 10:00:15",
                                               "2016/03/23 10:00:30", "2016/03/23 10:00:45"};
        QTest::newRow("step 1") << 2 << 1 << QStringList{"1", "2"}
                                << QStringList{"rec 1              ", "2016/03/23 10:00:05"};
        QTest::newRow("step beyond")
            << 3 << 255 << QStringList{"1"} << QStringList{"rec 1              "};
    }
    void rows()
    {
        QFETCH(int, records);
        const std::optional<DecodedSet> s = DecodeDump(dump(records), records, fetch<int>("step"));
        QVERIFY(s);
        QTEST(column(*s, 0), "numbers");
        QTEST(column(*s, 1), "times");
    }

    void levelsAndMarks()
    {
        // Two records: levels at bytes 392..396 and 430..434, marks at 364 and 402.
        QByteArray d = dump(2);
        QCOMPARE(d.size(), 435);
        put(d, 364, "[pause]");
        put(d, 392, "  -- ");
        put(d, 402, "[PAUSE]");
        put(d, 430, " 5L.0");
        const std::optional<DecodedSet> s = DecodeDump(d, 2, 1);
        QVERIFY(s);
        QCOMPARE(column(*s, 2), (QStringList{"  -- *", " 5L.0"}));
    }

    void timesWithoutTimeZone_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<char>("interval");
        QTest::addColumn<QString>("third");
        QTest::newRow("leap day") << QByteArray("2016/02/28 23:59:55") << '9'
                                  << "2016/02/29 00:00:13";
        QTest::newRow("new year") << QByteArray("2015/12/31 23:59:59") << '1'
                                  << "2016/01/01 00:00:01";
        // An hour that a local clock skips when summer time starts.
        QTest::newRow("spring forward")
            << QByteArray("2016/03/27 01:59:59") << '1' << "2016/03/27 02:00:01";
        QTest::newRow("interval 0")
            << QByteArray("2016/03/23 10:00:00") << '0' << "2016/03/23 10:00:00";
        QTest::newRow("other separators")
            << QByteArray("2016-3-23  10:00:00") << '2' << "2016/03/23 10:00:04";
    }
    void timesWithoutTimeZone()
    {
        const std::optional<DecodedSet> s =
            DecodeDump(dump(3, fetch<char>("interval"), fetch<QByteArray>("start")), 3, 1);
        QVERIFY(s);
        QVERIFY(!s->ownTimes);
        QTEST(s->rows.text(2, 1), "third");
    }

    void unreadableIntervalOrStart_data()
    {
        QTest::addColumn<char>("interval");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("interval no digit") << 'x' << QByteArray("2016/03/23 10:00:00");
        QTest::newRow("start no date") << '5' << QByteArray("2016/13/23 10:00:00");
        QTest::newRow("start no time") << '5' << QByteArray("2016/03/23 24:00:00");
        QTest::newRow("start empty") << '5' << QByteArray("                   ");
    }
    void unreadableIntervalOrStart()
    {
        const std::optional<DecodedSet> s =
            DecodeDump(dump(3, fetch<char>("interval"), fetch<QByteArray>("start")), 3, 1);
        QVERIFY(s);
        QVERIFY(s->ownTimes);
        QCOMPARE(column(*s, 1).last(), QStringLiteral("rec 3              "));
    }

    void separatorsBecomeBlanks()
    {
        QByteArray d = dump(1);
        put(d, 57, "S\tO,");
        put(d, 372, "a\r\nb");
        put(d, 392, "4,5\t");
        const std::optional<DecodedSet> s = DecodeDump(d, 1, 1);
        QVERIFY(s);
        QCOMPARE(s->header.BoardSFI, QStringLiteral("S O "));
        QCOMPARE(s->rows.text(0, 1), QStringLiteral("a  b1              "));
        QCOMPARE(s->rows.text(0, 2), QStringLiteral("4 5 3"));
    }

    void progressAndCancel()
    {
        QList<qint64> seen;
        const std::optional<DecodedSet> s =
            DecodeDump(dump(40000), 40000, 1, [&](qint64 k, qint64) {
                seen << k;
                return true;
            });
        QVERIFY(s);
        QCOMPARE(seen, (QList<qint64>{16384, 32768, 40000}));
        QVERIFY(!DecodeDump(dump(40000), 40000, 1, [](qint64, qint64) { return false; }));
    }

    void percent_data()
    {
        QTest::addColumn<qint64>("got");
        QTest::addColumn<QString>("text");
        QTest::newRow("100") << 100LL << "23.0% Completed";
        QTest::newRow("200") << 200LL << "46.0% Completed";
        QTest::newRow("300") << 300LL << "69.0% Completed";
        QTest::newRow("400") << 400LL << "92.0% Completed";
        QTest::newRow("500") << 500LL << "100.0% Completed";
        QTest::newRow("0") << 0LL << "0.0% Completed";
    }
    void percent() { QTEST(PercentCompleted(fetch<qint64>("got"), 435), "text"); }
};

QTEST_GUILESS_MAIN(TestSetDump)
#include "test_setdump.moc"
