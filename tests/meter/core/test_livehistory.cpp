// What the histories hand to the history window: every sample they hold,
// oldest first, also once they have wrapped.

#include "meter/core/livestats.h"
#include "testutil.h"

#include <QTest>

class TestLiveHistory : public QObject
{
    Q_OBJECT
private slots:
    void copy_data()
    {
        QTest::addColumn<qint64>("samples");
        QTest::addColumn<QString>("restart"); // after the samples, then two more
        QTest::addColumn<int>("length");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::newRow("none") << 0LL << "" << 0 << -1.0 << -1.0;
        QTest::newRow("one") << 1LL << "" << 1 << 0.0 << 0.0;
        QTest::newRow("100") << 100LL << "" << 100 << 0.0 << 99.0;
        QTest::newRow("one slot left") << 864000LL << "" << 864000 << 0.0 << 863999.0;
        QTest::newRow("exactly full") << 864001LL << "" << 864001 << 0.0 << 864000.0;
        QTest::newRow("wrapped by 5") << 864006LL << "" << 864001 << 5.0 << 864005.0;
        QTest::newRow("Refresh after a wrap") << 864006LL << "refresh" << 2 << -1.0 << -2.0;
        QTest::newRow("resync after a wrap") << 864006LL << "resync" << 2 << -1.0 << -2.0;
    }
    void copy()
    {
        QFETCH(qint64, samples);
        QFETCH(QString, restart);
        // Sample n holds the level n; all but the last few are put straight
        // into their slots, so that the wrap itself is the code's.
        LiveState s;
        const qint64 direct = std::max<qint64>(0, samples - 10);
        for (qint64 n = 0; n < direct; ++n)
            s.LevelSeries[size_t(n % HistorySlots)] = double(n);
        s.SampleCount = int(direct % HistorySlots);
        s.HistoryWrapped = direct >= HistorySlots;
        for (qint64 n = direct; n < samples; ++n)
            s.storeHistory(double(n));
        QCOMPARE(s.HistoryWrapped, samples >= HistorySlots);
        if (!restart.isEmpty()) {
            restart == "refresh" ? s.resetForRefresh() : s.resetForResync();
            QVERIFY(!s.HistoryWrapped);
            s.storeHistory(-1);
            s.storeHistory(-2);
        }
        const QVector<double> copy = s.historyCopy(s.LevelSeries);
        QFETCH(int, length);
        QCOMPARE(s.historyLength(), length);
        QCOMPARE(copy.size(), length);
        if (length == 0) return;
        QTEST(copy.first(), "first");
        QTEST(copy.last(), "last");
        for (qsizetype i = 1; i < copy.size(); ++i)
            if (copy[i] - copy[i - 1] != (restart.isEmpty() ? 1 : -1))
                QFAIL(qPrintable(QStringLiteral("out of order at %1").arg(i)));
    }
};

QTEST_APPLESS_MAIN(TestLiveHistory)
#include "test_livehistory.moc"
