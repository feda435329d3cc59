#include "records/core/datafile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace DataFile;

namespace {

QString dataPath(const QString& name)
{
    return QStringLiteral(DORVI_TEST_DATA "/") + name;
}

QByteArray golden(const QString& name)
{
    QFile f(dataPath(name));
    if (!f.open(QIODevice::ReadOnly)) qFatal("missing golden file %s", qPrintable(name));
    return f.readAll();
}

using Recs = std::initializer_list<std::array<const char16_t*, 3>>;

QByteArray records(Separator sep, LineForm form, Recs recs)
{
    QByteArray out = titleLine(sep, form);
    for (const auto& r : recs)
        out += recordLine(sep, form, r[0], r[1], r[2]);
    return out;
}

// Each golden file as the program composes it.
QByteArray compose(const QString& name)
{
    const RealTimeHeader rec{
        1, "A", "FAST", "30-90", QString("65.3*"), "2016/03/23 10:00:02", "67.0", "62.2"};
    const Recs recRows{{u"1", u"2016/03/23 10:00:01", u"60.1"},
                       {u"2", u"2016/03/23 10:00:02", u"65.3*"},
                       {u"3", u"2016/03/23 10:00:03", u"58.0"}};
    const RealTimeHeader live{2,      "C",   "SLOW", "70-130", 94.0, "2016/03/23 10:00:05",
                              "98.1", "92.3"};
    const Recs liveRows{{u"1", u"2016/03/23 10:00:03", u"88.4"},
                        {u"2", u"2016/03/23 10:00:05", u"94.0"},
                        {u"3", u"2016/03/23 10:00:07", u"90.2*"}};
    const auto Tab = Separator::Tab, Comma = Separator::Comma;

    if (name == "recording_tab.dvrk")
        return realTimeFileHeader(rec) + records(Tab, LineForm::Recording, recRows);
    if (name == "recording_comma.csv")
        return realTimeFileHeader(rec) + records(Comma, LineForm::Recording, recRows);
    if (name == "list_tab.dvrk")
        return realTimeFileHeader(live) + records(Tab, LineForm::List, liveRows);
    if (name == "list_comma.csv")
        return realTimeFileHeader(live) + records(Comma, LineForm::List, liveRows);
    if (name == "recording_empty.dvrk")
        return realTimeFileHeader({1, "A", "FAST", "30-90", 0.0, {}, {}, {}}) +
               records(Tab, LineForm::Recording, {});
    if (name == "0323101530.dvrk") {
        QByteArray out;
        appendListLine(out, Tab, u"No.s", u"Date Time", u"dB");
        appendListLine(out, Tab, u"1", u"2016/03/23 10:00:01", u"65.3");
        appendListLine(out, Tab, u"2", u"2016/03/23 10:00:02", u"65.3*");
        appendListLine(out, Tab, u"3", u"2016/03/23 10:00:03", u"66.0");
        return out;
    }
    if (name == "logger2.dvrk")
        return loggerFile2Header({"5", "A", "SLOW", "30-90", " 52.4", " 50.8", " 46.2", " 44.1",
                                  " 43.7", " 58.9", "2016/03/23 10:00:15", " 62.3", " 49.9"}) +
               records(Tab, LineForm::List,
                       {{u"1", u"2016/03/23 10:00:00", u" 45.3"},
                        {u"2", u"2016/03/23 10:00:05", u" 46.1*"},
                        {u"3", u"2016/03/23 10:00:10", u"--"},
                        {u"4", u"2016/03/23 10:00:15", u" 58.9"},
                        {u"5", u"2016/03/23 10:00:20", u"L"}});
    qFatal("no composition for %s", qPrintable(name));
}

// The captions the file reached, in header order, joined by "|".
QString captionText(const ReadResult& r)
{
    QStringList out;
    for (const char* name :
         {"BoardCA", "BoardSFI", "BoardLevel", "Board05", "Board10", "Board50", "Board90",
          "Board95", "BoardMaxdB", "BoardMaxTime", "BoardSEL", "BoardLeq"})
        if (r.captions.contains(name)) out << r.captions.value(name);
    return r.captions.size() == out.size() ? out.join('|') : QStringLiteral("unknown names");
}

// Cells joined by "|", rows by ";".
QString rowText(const ReadResult& r)
{
    QStringList out;
    for (qsizetype k = 0; k < r.rows.size(); ++k)
        out << QStringList{r.rows.text(k, 0), r.rows.text(k, 1), r.rows.text(k, 2)}.join('|');
    return out.join(';');
}

template <typename T> T get(const char* name)
{
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT
private slots:
    void headerNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("one decimal") << 93.5 << QByteArray(" 93.5");
        QTest::newRow("whole") << 94.0 << QByteArray(" 94");
        QTest::newRow("zero") << 0.0 << QByteArray(" 0");
        QTest::newRow("minus zero") << -0.0 << QByteArray(" 0");
        QTest::newRow("tenths of a live level") << 653 / 10.0 << QByteArray(" 65.3");
        QTest::newRow("a day") << 86400.0 << QByteArray(" 86400");
        QTest::newRow("below one") << 0.5 << QByteArray(" 0.5");
        QTest::newRow("negative") << -2.5 << QByteArray("-2.5");
    }
    void headerNumbers()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, text);
        QLocale::setDefault(QLocale(QLocale::German)); // "," would be its decimal mark
        QCOMPARE(headerNumber(value), text);
        QLocale::setDefault(QLocale::c());
    }

    void smallParts()
    {
        QCOMPARE(separatorForFilter(1), Separator::Tab);
        QCOMPARE(separatorForFilter(2), Separator::Comma);
        QCOMPARE(separatorForFilter(3), Separator::Tab);
        QCOMPARE(liveGridDumpName(QDateTime(QDate(1999, 12, 1), QTime(23, 5, 7))),
                 QStringLiteral("1201230507.dvrk"));
        QCOMPARE(liveGridDumpName(QDateTime(QDate(2016, 3, 23), QTime(10, 15, 30))),
                 QStringLiteral("0323101530.dvrk"));
        QByteArray buf("x");
        appendListLine(buf, Separator::Comma, u"1", u"\u00e9\u20ac", u"");
        QCOMPARE(buf, QByteArray("x1,\xe9?,,\r\n"));
    }

    void writersMatchGolden_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* f :
             {"recording_tab.dvrk", "recording_comma.csv", "list_tab.dvrk", "list_comma.csv",
              "recording_empty.dvrk", "0323101530.dvrk", "logger2.dvrk"})
            QTest::newRow(f) << QString(f);
    }
    void writersMatchGolden()
    {
        QFETCH(QString, file);
        QCOMPARE(compose(file), golden(file));
    }

    void readGolden_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("captions");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("badLine");

        const QString recCaptions = "A|FAST|30-90|65.3*|2016/03/23 10:00:02|67.0|62.2";
        const QString liveCaptions = "C|SLOW|70-130|94|2016/03/23 10:00:05|98.1|92.3";
        const QString real = "FileListReal";
        const Kind rt = Kind::RealTime;
        QTest::newRow("recording")
            << "recording_tab.dvrk" << rt << real << "1" << recCaptions
            << "1|2016/03/23 10:00:01|60.1;2|2016/03/23 10:00:02|65.3*;3|2016/03/23 10:00:03|58.0"
            << 0;
        // The title line falls apart into items and "Date Time" is no record.
        QTest::newRow("recording, commas")
            << "recording_comma.csv" << rt << real << "1" << recCaptions << "" << 10;
        QTest::newRow("live list")
            << "list_tab.dvrk" << rt << real << "2" << liveCaptions
            << "1|2016/03/23 10:00:03|88.4;2|2016/03/23 10:00:05|94.0;3|2016/03/23 10:00:07|90.2*"
            << 0;
        QTest::newRow("live list, commas")
            << "list_comma.csv" << rt << real << "2" << liveCaptions << "" << 10;
        QTest::newRow("recording, nothing above 0 dB")
            << "recording_empty.dvrk" << rt << real << "1"
            << "A|FAST|30-90|0|||"
            << "" << 0;
        QTest::newRow("dump")
            << "0323101530.dvrk" << Kind::Headerless << real << ""
            << ""
            << "1|2016/03/23 10:00:01|65.3;2|2016/03/23 10:00:02|65.3*;3|2016/03/23 10:00:03|66.0"
            << 0;
        // Labels cut off; the meter's own leading blanks stay, as the set list showed them.
        QTest::newRow("logger set")
            << "logger2.dvrk" << Kind::Logger2 << "FileList"
            << "SET 5"
            << "A|SLOW|30-90| 52.4| 50.8| 46.2| 44.1| 43.7| 58.9|2016/03/23 10:00:15| 62.3| 49.9"
            << "1|2016/03/23 10:00:00| 45.3;2|2016/03/23 10:00:05| 46.1*;"
               "3|2016/03/23 10:00:10|--;4|2016/03/23 10:00:15| 58.9;5|2016/03/23 10:00:20|L"
            << 0;
        QTest::newRow("older logger file")
            << "logger_old.dvrk" << Kind::Logger << "FileList"
            << "5"
            << "A|SLOW|30-90| 52.4|50.8|46.2|44.1|43.7|58.9|2016/03/23 10:00:15|62.3|49.9"
            << "1|2016/03/23 10:00:00|45.3;2|2016/03/23 10:00:05|46.1*" << 0;
    }
    void readGolden()
    {
        QFETCH(QString, file);
        QFETCH(Kind, kind);
        QFETCH(int, badLine);
        const ReadResult r = readFile(dataPath(file));
        QCOMPARE(r.kind, kind);
        QCOMPARE(r.window, get<QString>("window"));
        QCOMPARE(r.headerLength, kind == Kind::RealTime ? 9 : kind == Kind::Headerless ? 0 : 14);
        QCOMPARE(r.intervalText, get<QString>("interval"));
        QCOMPARE(captionText(r), get<QString>("captions"));
        QCOMPARE(rowText(r), get<QString>("rows"));
        QCOMPARE(r.badLine, badLine);
        QCOMPARE(r.message.isEmpty(), badLine == 0);
        QVERIFY(!r.fileError);
    }

    void readCases_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("headerLength");
        QTest::addColumn<QString>("captions");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("badLine");

        const QByteArray head = "Real Time\r\n 1\r\nA\r\nFAST\r\n30-90\r\n 0\r\n\r\n\r\n\r\n";
        const QString headCaptions = "A|FAST|30-90|0|||";
        const QByteArray longCell(MaxItemLength - 3, 'b'); // "A", TAB, cell, TAB: exactly 1 MiB
        using B = QByteArray;

        QTest::newRow("title line is never a row")
            << head + "No.s\tDate Time\tdB\t\r\n1\tt\t60.1\t\r\n"
            << 9 << headCaptions << "1|t|60.1" << 0;
        QTest::newRow("one cell gives it three times") << B("x\r\nA\t\r\n") << 0 << ""
                                                       << "A|A|A" << 0;
        QTest::newRow("two cells give the second twice") << B("x\r\nA\tB\t\r\n") << 0 << ""
                                                         << "A|B|B" << 0;
        QTest::newRow("a TAB alone") << B("x\r\n\t\r\n") << 0 << ""
                                     << "||" << 0;
        QTest::newRow("after the third TAB ignored") << B("x\r\nA\tB\tC\tD\tE\r\n") << 0 << ""
                                                     << "A|B|C" << 0;
        QTest::newRow("cell without TAB stops, rows kept")
            << B("x\r\n1\ta\tb\t\r\nZ\r\n2\tc\td\t\r\n") << 0 << ""
            << "1|a|b" << 3;
        QTest::newRow("last cell without TAB") << B("x\r\n1\ta\tb\t\r\n2\tc\r\n") << 0 << ""
                                               << "1|a|b" << 3;
        QTest::newRow("commas cut items") << head + "No.s,Date Time,dB\r\n1,t,60.1\r\n"
                                          << 9 << headCaptions << "" << 10;
        QTest::newRow("a comma leaves an empty item") << B("x\r\nA\t,\r\n") << 0 << ""
                                                      << "A|A|A" << 2;
        QTest::newRow("first record taken as the kind line")
            << B("1\tt\t60.1\t\r\n2\tt\t60.2\t\r\n") << 0 << ""
            << "2|t|60.2" << 0;
        QTest::newRow("marker anywhere in the first item")
            << B("xx Data Logger yy\r\n5\r\nA\r\n") << 14 << "A"
            << "" << 0;
        QTest::newRow("marker is case-sensitive") << B("real time\r\n1\tt\t60.1\t\r\n") << 0 << ""
                                                  << "1|t|60.1" << 0;
        QTest::newRow("LF only, no last line end")
            << B(head).replace("\r\n", "\n") + "No.s\tD\tdB\t\n1\tt\t60.1\t\n2\tu\t61.0\t" << 9
            << headCaptions << "1|t|60.1;2|u|61.0" << 0;
        QTest::newRow("CR only") << B("x\r1\tt\t60.1\t\r") << 0 << ""
                                 << "1|t|60.1" << 0;
        QTest::newRow("item of 1 MiB") << "x\r\nA\t" + longCell + "\t\r\n"
                                       << 0 << "" << QString("A|" + longCell + '|' + longCell) << 0;
        QTest::newRow("item over 1 MiB")
            << "x\r\n1\tt\t60.1\t\r\nA\t" + longCell + "b\t\r\n2\tt\t60.2\t\r\n"
            << 0 << ""
            << "1|t|60.1" << 3;
        QTest::newRow("header only, cut short")
            << B("Real Time\r\n 1\r\nA\r\nFAST\r\n") << 9 << "A|FAST"
            << "" << 0;
        QTest::newRow("blanks trimmed, TABs and quotes kept")
            << B("x\r\n  \"1\t t\"\t60.1 \t  \r\n") << 0 << ""
            << "\"1| t\"|60.1 " << 0;
        QTest::newRow("blanks after a row's last TAB") << B("x\r\nA\t  \r\n") << 0 << ""
                                                       << "A|A|A" << 0;
        QTest::newRow("only a number loses a header line's blanks")
            << B("Real Time\r\n 1 \r\n A \r\nFAST\r\n30-90\r\n 94 \r\n 2016 \r\n") << 9
            << " A |FAST|30-90|94| 2016 "
            << "" << 0;
        QTest::newRow("labelled value shorter than its label")
            << B("Data Logger 2\r\nSET 5\r\nA\r\nSLOW\r\nRange\r\nL05 \r\n") << 14 << "A|SLOW||"
            << "" << 0;
        QTest::newRow("Latin-1 caption")
            << B("Real Time\r\n1\r\n\xb5\xe9\r\n") << 9 << QString::fromUtf8("µé") << "" << 0;
        QTest::newRow("trailing empty line is a bad line")
            << B("x\r\n1\tt\t60.1\t\r\n\r\n") << 0 << ""
            << "1|t|60.1" << 3;
    }
    void readCases()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, badLine);
        const ReadResult r = read(bytes);
        QCOMPARE(r.headerLength, get<int>("headerLength"));
        QCOMPARE(captionText(r), get<QString>("captions"));
        QCOMPARE(rowText(r), get<QString>("rows"));
        QCOMPARE(r.badLine, badLine);
        QCOMPARE(r.complete(), badLine == 0);
        if (badLine) QVERIFY(r.message.contains(QStringLiteral("Line %1 ").arg(badLine)));
    }

    void emptyAndMissingFiles()
    {
        const ReadResult empty = read({});
        QCOMPARE(empty.kind, Kind::Empty);
        QVERIFY(empty.window.isEmpty());
        QVERIFY(empty.complete());

        const ReadResult missing = readFile(dataPath("no such file.dvrk"));
        QVERIFY(missing.fileError);
        QVERIFY(!missing.complete());
        QVERIFY(missing.message.contains("no such file.dvrk"));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Blanks as the meter's fixed-width fields carry them.
        const LoggerHeader h{"1",
                             " A ",
                             "IMP",
                             "80-140",
                             " 60.0 ",
                             " 59.0",
                             " 55.5",
                             " 50.1",
                             " 49.9",
                             "61.2*",
                             "2016/03/23 10:00:01",
                             " 70.1",
                             " 58.8"};
        RecordRows rows;
        rows.append(u"1", u"2016/03/23 10:00:00", u" 61.2*");
        rows.append(u"2", u"2016/03/23 10:00:01", u"--");
        rows.append(u"3", u"2016/03/23 10:00:02", u"140.L");
        QByteArray bytes = loggerFile2Header(h);
        appendListLine(bytes, Separator::Tab, u"No.s", u"Date Time", u"dB");
        for (qsizetype k = 0; k < rows.size(); ++k)
            appendListLine(bytes, Separator::Tab, rows.text(k, 0), rows.text(k, 1),
                           rows.text(k, 2));
        QString error;
        QVERIFY2(saveFile(dir.filePath("list.dvrk"), bytes, &error), qPrintable(error));

        const ReadResult r = readFile(dir.filePath("list.dvrk"));
        QVERIFY2(r.complete(), qPrintable(r.message));
        QCOMPARE(r.rows, rows);
        QCOMPARE(captionText(r), QStringList({h.BoardCA, h.BoardSFI, h.BoardLevel, h.Board05,
                                              h.Board10, h.Board50, h.Board90, h.Board95,
                                              h.BoardMaxdB, h.BoardMaxTime, h.BoardSEL, h.BoardLeq})
                                     .join('|'));

        QVERIFY(!saveFile(dir.filePath("no folder/list.dvrk"), bytes, &error));
        QVERIFY(!error.isEmpty());
    }

    void fullList()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QByteArray bytes = realTimeFileHeader({1, "A", "FAST", "30-90", 71.2, "", "", ""});
        appendListLine(bytes, Separator::Tab, u"No.s", u"Date Time", u"dB");
        const QString time = QStringLiteral("2016/03/23 10:00:01");
        QElapsedTimer t;
        t.start();
        for (int i = 1; i <= MaxRecords; ++i)
            appendListLine(bytes, Separator::Tab, QString::number(i), time, u"65.3*");
        const qint64 composed = t.elapsed();
        QVERIFY(saveFile(dir.filePath("full.dvrk"), bytes));
        t.restart();
        const ReadResult r = readFile(dir.filePath("full.dvrk"));
        qDebug("%d records: composed in %lld ms, read in %lld ms", MaxRecords, composed,
               qint64(t.elapsed()));
        QVERIFY(r.complete());
        QCOMPARE(r.rows.size(), MaxRecords);
        QCOMPARE(r.rows.text(MaxRecords - 1, 0), QString::number(MaxRecords));
        QCOMPARE(r.rows.text(MaxRecords - 1, 1), time);
        QCOMPARE(r.rows.text(MaxRecords - 1, 2), "65.3*");
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
