// Running statistics, sampling cadence, histograms and histories, without windows.

#include "meter/core/livestats.h"
#include "meter/core/meter.h"
#include "testutil.h"

#include <QTest>
#include <cmath>

class TestLiveStats : public QObject
{
    Q_OBJECT

    // A state where every group of statistics a reset touches has moved.
    static LiveState everyGroupMoved()
    {
        LiveState s;
        s.addRunning(70, QStringLiteral("t"));
        s.addRecording(70, QStringLiteral("70.0"), QStringLiteral("t"));
        s.countLevel(70);
        s.storeHistory(70);
        s.SampleTick = 3;
        s.LiveCount = 9;
        s.DumpedRecords = 4;
        s.LeqMax = 70;
        return s;
    }

private slots:
    void formatTenths_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<QString>("text");
        QTest::newRow("65.37") << 65.37 << "65.3";
        QTest::newRow("65.39") << 65.39 << "65.3";
        QTest::newRow("half") << 0.5 << ".5";
        QTest::newRow("zero") << 0.0 << ".0";
        QTest::newRow("a hair below 60") << 59.99999999999999 << "60.0";
        QTest::newRow("clearly below 60") << 59.9999 << "59.9";
        QTest::newRow("140") << 140.0 << "140.0";
        QTest::newRow("not finite") << qInf() << "";
        QTest::newRow("nan") << qQNaN() << "";
    }
    void formatTenths() { QTEST(FormatTenths(fetch<double>("x")), "text"); }

    void valueOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("level") << "65.3" << 65.3;
        QTest::newRow("marked") << "65.3*" << 65.3;
        QTest::newRow("no leading digit") << ".5" << 0.5;
        QTest::newRow("blanks") << "  70.1 " << 70.1;
        QTest::newRow("no number") << "--" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("over range") << " 1OL" << 1.0;
        QTest::newRow("exponent") << "1e2" << 100.0;
        QTest::newRow("huge") << "1e999" << 0.0;
    }
    void valueOfText() { QCOMPARE(ValueOfText(fetch<QString>("text")), fetch<double>("value")); }

    void readingCurrent_data()
    {
        // Times in seconds; -1: none.
        QTest::addColumn<double>("decoded");
        QTest::addColumn<double>("polling");
        QTest::addColumn<bool>("current");
        QTest::newRow("no level of this connection, a poll running") << -1.0 << 3.0 << false;
        QTest::newRow("no level, no poll") << -1.0 << -1.0 << false;
        QTest::newRow("decoded just now") << 2.5 << -1.0 << true;
        QTest::newRow("decoded a second ago") << 2.0 << -1.0 << true;
        QTest::newRow("standing 1.5 s, no poll") << 1.5 << -1.0 << false;
        QTest::newRow("standing 1.5 s, a poll within its budget") << 1.5 << 2.9 << true;
    }
    void readingCurrent()
    {
        auto at = [](double s) {
            return s < 0 ? std::nullopt : std::optional<qint64>(qint64(s * 1e9));
        };
        QCOMPARE(ReadingCurrent(at(fetch<double>("decoded")), at(fetch<double>("polling")),
                                3'000'000'000),
                 fetch<bool>("current"));
    }

    void steadyLevelsReadBack()
    {
        // Every steady level reads back as itself, at the first tick and after many.
        LiveState s;
        for (int tenths = 0; tenths <= 1400; ++tenths) {
            s.LeqCount = s.RecLeqCount = 0;
            s.LeqEnergy = s.RecLeqEnergy = 0;
            const QString text = Meter::TenthsText(uint32_t(tenths));
            for (int i = 0; i < 3; ++i)
                s.addRunning(tenths / 10.0, QString());
            QCOMPARE(s.LeqText, text);
            s.addRecording(tenths / 10.0, text, QString());
            QCOMPARE(s.RecLeqText, text);
            QCOMPARE(s.RecSelText, FormatTenths(tenths / 10.0 + 0.0));
        }
    }

    void leqSelMax()
    {
        LiveState s;
        QVERIFY(s.addRunning(60.0, QStringLiteral("t1")));
        QVERIFY(s.addRunning(70.0, QStringLiteral("t2")));
        QCOMPARE(s.LeqText, QStringLiteral("67.4"));
        QCOMPARE(s.SelText, QStringLiteral("70.4"));
        QCOMPARE(s.MaxLevel, 70.0);
        QCOMPARE(s.MaxTime, QStringLiteral("t2"));
        QVERIFY(!s.addRunning(70.0, QStringLiteral("t3"))); // equal: no move
        QCOMPARE(s.MaxTime, QStringLiteral("t2"));
        QVERIFY(s.addRunning(70.1, QStringLiteral("t4")));
        QCOMPARE(s.MaxTime, QStringLiteral("t4"));
    }

    void recordingMaximum()
    {
        LiveState s;
        s.addRecording(0.0, QStringLiteral(".0"), QStringLiteral("t1"));
        QCOMPARE(s.RecMaxText, QString()); // still the number 0
        s.addRecording(65.3, QStringLiteral("65.3*"), QStringLiteral("t2"));
        s.addRecording(65.3, QStringLiteral("65.3"), QStringLiteral("t3"));
        QCOMPARE(s.RecMaxText, QStringLiteral("65.3*"));
        QCOMPARE(s.RecMaxTime, QStringLiteral("t2"));
    }

    void cadence_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<QList<int>>("ticks"); // ticks that take a sample, of the first 16
        QTest::newRow("every second")
            << 1 << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        QTest::newRow("five") << 5 << QList<int>{6, 11, 16};
    }
    void cadence()
    {
        LiveState s;
        QList<int> taken;
        for (int t = 1; t <= 16; ++t)
            if (s.sampleDue(fetch<int>("time"))) taken.append(t);
        QTEST(taken, "ticks");
    }

    void bins_data()
    {
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("bin1");
        QTest::addColumn<int>("bin01");
        QTest::addColumn<double>("max1");
        QTest::addColumn<double>("min1");
        QTest::newRow("65.0") << 65.0 << 65 << 650 << 66.0 << 64.0;
        QTest::newRow("65.1") << 65.1 << 66 << 651 << 66.0 << 64.0;
        QTest::newRow("65.3") << 65.3 << 66 << 653 << 66.0 << 64.0;
        QTest::newRow("140.0") << 140.0 << 140 << 1400 << 141.0 << 139.0;
        QTest::newRow("0.0") << 0.0 << 0 << 0 << 0.0 << -1.0;
        QTest::newRow("150.0 above the tables") << 150.0 << 140 << 1400 << 151.0 << 145.0;
        QTest::newRow("largest level word") << 3276.7 << 140 << 1400 << 3277.0 << 145.0;
    }
    void bins()
    {
        LiveState s;
        QFETCH(double, level);
        s.countLevel(level);
        QCOMPARE(s.LiveCounts1dB[size_t(fetch<int>("bin1"))], 1LL);
        QCOMPARE(s.LiveCounts01dB[size_t(fetch<int>("bin01"))], 1LL);
        long long total1 = 0, total01 = 0;
        for (auto c : s.LiveCounts1dB)
            total1 += c;
        for (auto c : s.LiveCounts01dB)
            total01 += c;
        QCOMPARE(total1, 1LL);
        QCOMPARE(total01, 1LL);
        QCOMPARE(s.LevelMax1dB, fetch<double>("max1"));
        QCOMPARE(s.LevelMin1dB, fetch<double>("min1"));
        QCOMPARE(s.LevelMax01dB, std::round(level * 10));
        QCOMPARE(s.LevelMin01dB, std::min(1450.0, std::round(level * 10)));
    }

    void histogramChoice()
    {
        LiveState s;
        s.countLevel(50.0);
        s.countLevel(80.0);
        QVERIFY(s.showTenths()); // a spread of exactly 30.0 dB
        s.countLevel(80.1);
        QVERIFY(!s.showTenths());
        s.resetForResync(); // keeps the extremes
        s.countLevel(65.0);
        QVERIFY(!s.showTenths());
        s.resetForRefresh();
        s.countLevel(65.0);
        QVERIFY(s.showTenths());
        QCOMPARE(s.LevelMin1dB, 64.0);
    }

    void leqSelExtremes()
    {
        LiveState s;
        s.LeqText = QStringLiteral("65.3");
        s.SelText = QStringLiteral("70.1");
        s.trackLeqSelExtremes();
        s.LeqText = QStringLiteral("60.0");
        s.SelText = QStringLiteral("75.0");
        s.trackLeqSelExtremes();
        QCOMPARE(s.LeqMax, 65.3);
        QCOMPARE(s.LeqMin, 60.0);
        QCOMPARE(s.SelMax, 75.0);
        QCOMPARE(s.SelMin, 70.1);
    }

    void historyWraps()
    {
        LiveState s;
        s.LeqText = QStringLiteral("50.0");
        s.SelText = QStringLiteral("55.0");
        for (int i = 0; i < HistorySlots; ++i)
            s.storeHistory(i % 2 ? 60.0 : 61.0);
        QCOMPARE(s.SampleCount, 0);
        QCOMPARE(s.LevelSeries[HistorySlots - 1], 61.0);
        s.storeHistory(99.9);
        QCOMPARE(s.SampleCount, 1);
        QCOMPARE(s.LevelSeries[0], 99.9);
        QCOMPARE(s.LeqSeries[0], 50.0);
        QCOMPARE(s.SelSeries[0], 55.0);
        QCOMPARE(int(s.LevelSeries.size()), HistorySlots);
    }

    void resets()
    {
        const LiveState s = everyGroupMoved();
        LiveState r = s;
        r.resetForRefresh();
        QCOMPARE(r.LeqCount, 0LL);
        QCOMPARE(r.MaxLevel, 0.0);
        QCOMPARE(r.LiveCount, 0LL);
        QCOMPARE(r.SampleCount, 0);
        QCOMPARE(r.LevelMin1dB, 150.0);
        QCOMPARE(r.LevelMin01dB, 1500.0);
        QCOMPARE(r.LiveCounts1dB[70], 0LL);
        // Refresh keeps the recording, the sampling count and the Leq/SEL extremes.
        QCOMPARE(r.RecLeqCount, 1LL);
        QCOMPARE(r.RecMaxText, QStringLiteral("70.0"));
        QCOMPARE(r.SampleTick, 3);
        QCOMPARE(r.LeqMax, 70.0);
        QCOMPARE(r.MaxTime, QStringLiteral("t"));

        LiveState y = s;
        y.resetForResync();
        QCOMPARE(y.RecLeqCount, 0LL);
        QCOMPARE(y.RecMaxText, QString());
        QCOMPARE(y.LevelMax1dB, 71.0); // extremes kept
        QCOMPARE(y.SampleTick, 3);
        QCOMPARE(y.LiveCounts01dB[700], 0LL);
    }

    // What each of the four resets puts back, on a state where every group has moved.
    void resetTable_data()
    {
        QTest::addColumn<int>("reset");
        QTest::addColumn<bool>("recordingCleared");
        QTest::addColumn<double>("leqMax");
        QTest::addColumn<double>("min1dB");
        QTest::addColumn<double>("min01dB");
        QTest::addColumn<bool>("samplesCleared");
        QTest::newRow("running") << 0 << true << 70.0 << 69.0 << 700.0 << false;
        QTest::newRow("load") << 1 << true << 0.0 << 145.0 << 1450.0 << false;
        QTest::newRow("resync") << 2 << true << 70.0 << 69.0 << 700.0 << true;
        QTest::newRow("refresh") << 3 << false << 70.0 << 150.0 << 1500.0 << true;
    }
    void resetTable()
    {
        LiveState s = everyGroupMoved();
        void (LiveState::*const resets[])() = {&LiveState::resetRunning, &LiveState::resetForLoad,
                                               &LiveState::resetForResync,
                                               &LiveState::resetForRefresh};
        (s.*resets[fetch<int>("reset")])();
        QCOMPARE(s.LeqCount + s.LiveCount + s.DumpedRecords, 0LL);
        QCOMPARE(s.LeqEnergy + s.MaxLevel, 0.0);
        QCOMPARE(s.RecLeqCount == 0 && s.RecLeqEnergy == 0 && s.RecMaxText.isEmpty(),
                 fetch<bool>("recordingCleared"));
        QTEST(s.LeqMax, "leqMax");
        QTEST(s.LevelMin1dB, "min1dB");
        QTEST(s.LevelMin01dB, "min01dB");
        QCOMPARE(s.SampleCount == 0 && s.LiveCounts1dB[70] == 0, fetch<bool>("samplesCleared"));
    }
};

QTEST_GUILESS_MAIN(TestLiveStats)
#include "test_livestats.moc"
