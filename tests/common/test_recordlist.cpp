// The record store: texts kept byte for byte, rows as grids count them,
// change notices, and a full logger's worth of records.

#include "common/recordlist.h"

#include <QSignalSpy>
#include <QTest>

class TestRecordList : public QObject
{
    Q_OBJECT

private slots:
    void cellTexts_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("level");
        QTest::newRow("live") << "1"
                              << "2016/03/23 10:00:00"
                              << "65.3";
        QTest::newRow("paused") << "2"
                                << "2016/03/23 10:00:01"
                                << "65.3*";
        QTest::newRow("under") << "3"
                               << "2016/03/23 10:00:02"
                               << "  -- ";
        QTest::newRow("over") << "4"
                              << ""
                              << "140.L*";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("latin1") << "5" << QString::fromLatin1("\xe9t\xe9")
                                << QString::fromLatin1("\xb0");
    }
    void cellTexts()
    {
        QFETCH(QString, number);
        QFETCH(QString, time);
        QFETCH(QString, level);
        RecordList list;
        list.append(u"0", u"before", u"x");
        list.append(number, time, level);
        list.append(u"9", u"after", u"y");
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.rows(), 4);
        QCOMPARE(list.text(2, 0), number);
        QCOMPARE(list.text(2, 1), time);
        QCOMPARE(list.text(2, 2), level);
        QCOMPARE(list.bytes(2, 2), level.toLatin1());
        QCOMPARE(list.text(3, 1), "after");
    }

    void titlesAndBounds()
    {
        RecordList list;
        QCOMPARE(list.rows(), 1);
        QCOMPARE(list.text(0, 0), "No.s");
        QCOMPARE(list.text(0, 1), "Date Time");
        QCOMPARE(list.text(0, 2), "dB");
        QCOMPARE(list.text(1, 0), QString());
        QCOMPARE(list.text(-1, 0), QString());
        QCOMPARE(list.text(0, 3), QString());
        list.append(u"1", u"t", u"\u20ac"); // outside Latin-1
        QCOMPARE(list.text(1, 2), "?");
    }

    void notices()
    {
        RecordList list;
        QSignalSpy appended(&list, &RecordList::rowsAppended);
        QSignalSpy reset(&list, &RecordList::rowsReset);
        const quint64 v0 = list.version();

        list.append(u"1", u"t", u"60.0");
        QCOMPARE(appended.takeFirst(), (QVariantList{qsizetype(1), qsizetype(1)}));

        RecordRows more;
        more.append(u"2", u"t", u"61.0");
        more.append(u"3", u"t", u"62.0");
        list.append(std::move(more));
        QVERIFY(more.isEmpty());
        QCOMPARE(appended.takeFirst(), (QVariantList{qsizetype(2), qsizetype(3)}));
        QCOMPARE(list.text(3, 2), "62.0");

        RecordRows read;
        read.append(u"7", u"t", u"70.0");
        list.take(std::move(read));
        QCOMPARE(reset.size(), 1);
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.text(1, 0), "7");

        list.cut();
        QCOMPARE(reset.size(), 2);
        QCOMPARE(list.rows(), 1);
        QVERIFY(list.version() > v0);
    }

    // A snapshot stays as it was while the list goes on.
    void snapshot()
    {
        RecordList list;
        list.append(u"1", u"t", u"60.0");
        const RecordRows copy = list.records();
        list.append(u"2", u"t", u"61.0");
        list.cut();
        QCOMPARE(copy.size(), 1);
        QCOMPARE(copy.text(0, 2), "60.0");
    }

    // A full logger: 1.7 million records in linear memory.
    void fullLogger()
    {
        RecordRows rows;
        const QByteArray time = "2016/03/23 10:00:00";
        for (int k = 1; k <= 1700000; ++k)
            rows.append(QByteArray::number(k), time,
                        k % 2 ? QByteArrayView(" 65.3") : QByteArrayView(" 65.3*"));
        QCOMPARE(rows.size(), 1700000);
        QCOMPARE(rows.text(1699999, 0), "1700000");
        QCOMPARE(rows.text(1699999, 2), " 65.3*");
        QVERIFY(rows.memoryUsed() < 1700000 * 64);
        RecordList list;
        list.take(std::move(rows));
        QCOMPARE(list.rows(), 1700001);
    }
};

QTEST_GUILESS_MAIN(TestRecordList)
#include "test_recordlist.moc"
