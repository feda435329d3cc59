// The printed listing, to PDF and read back with pdftotext: its lines, the
// prompt for records per line, copies, and the mends around the run.

#include "listfixture.h"
#include "platform/grid.h"
#include "records/core/listing.h"
#include "records/filelist.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

namespace {

RecordRows records(int n, int first = 1)
{
    RecordRows rows;
    for (int i = first; i < first + n; ++i)
        rows.append(QString::number(i),
                    QStringLiteral("2016/03/23 10:%1:00").arg(i % 60, 2, 10, QChar('0')),
                    QStringLiteral("%1.%2").arg(40 + i % 60).arg(i % 10));
    return rows;
}

const QMap<QString, QString> Captions{{"BoardCA", "A"},
                                      {"BoardSFI", "FAST"},
                                      {"BoardLevel", "30-90"},
                                      {"BoardMaxdB", "65.3*"},
                                      {"BoardMaxTime", "2016/03/23 10:00:02"},
                                      {"BoardSEL", "67.0"},
                                      {"BoardLeq", "62.2"}};

QString pdfText(const QString& pdf, bool bbox = false)
{
    QProcess p;
    p.start("pdftotext", bbox ? QStringList{"-bbox", pdf, "-"} : QStringList{"-layout", pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfTitle(const QString& pdf)
{
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(30000);
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    return info.section(QRegularExpression("(^|\n)Title: +"), 1).section('\n', 0, 0);
}

// The record lines: the first cell is a number, then a date.
QStringList recordLines(const QString& text)
{
    static const QRegularExpression record(R"(^\s*\d+\s+\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
    QStringList out;
    for (const QString& line : text.split('\n'))
        if (record.match(line).hasMatch()) out << line.simplified();
    return out;
}

} // namespace

class TestListPrint : public QObject
{
    Q_OBJECT
    Script script;
    std::unique_ptr<Panel> p;
    QTemporaryDir dir;
    QPointer<RecordListWindow> w;
    QString pdf;

    void show(int n) { w = showFileInWindow("FileListReal", "list.dvrk", Captions, records(n)); }
    // Printer, note and the answers to the prompt, then "Print".
    void print(const QStringList& answers, int copies = 1)
    {
        script.printer(pdf, copies);
        script.answer({});
        for (const QString& a : answers)
            script.text(a);
        w->Toolbar1_ButtonClick("Print");
    }
    int prompts() const { return int(script.of(Platform::DialogRequest::Input).size()); }

private slots:
    void init()
    {
        p = freshPanel(script);
        pdf = dir.filePath(QStringLiteral("listing.pdf"));
        QFile::remove(pdf);
    }
    void cleanup()
    {
        QVERIFY(!QApplication::overrideCursor());
        Windows::unloadAll();
        p.reset();
        Platform::setDialogSeam({});
    }

    void groupsOfRecords_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("perLine");
        QTest::addColumn<QString>("firsts");
        QTest::newRow("7 by 3") << 7 << "3"
                                << "1 4 7";
        QTest::newRow("none") << 0 << "5"
                              << "";
        QTest::newRow("1.5 gives 1") << 3 << "1.5"
                                     << "1 2 3";
    }
    void groupsOfRecords()
    {
        show(fetch<int>("records"));
        const QString caption = w->windowTitle();
        QStringList captions;
        connect(w, &QWidget::windowTitleChanged, this, [&](const QString& t) { captions << t; });
        print({fetch<QString>("perLine")});
        const QString text = pdfText(pdf);
        QStringList firsts;
        for (const QString& line : recordLines(text))
            firsts << line.section(' ', 0, 0);
        QCOMPARE(firsts.join(' '), fetch<QString>("firsts"));
        QVERIFY(text.contains(Listing::titleLine({"No.s", "Date Time", "dB"}).trimmed()));
        QVERIFY(text.contains(QString(71, '-')));
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(pdfTitle(pdf), "list.dvrk"); // the job's name in the queue
        if (!firsts.isEmpty()) {
            QCOMPARE(captions.first(), "1 Completed");
            QCOMPARE(captions.at(captions.size() - 2), firsts.last() + " Completed");
        }
        QVERIFY(timersOn(*p));
        const auto notes = script.of(Platform::DialogRequest::Message);
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes[0].text.split('\r').size(), 6);
        QVERIFY(notes[0].text.startsWith("Note\rThe effect of the properties"));
        QCOMPARE(notes[0].icon, Platform::Icon::None);
        const auto asked = script.of(Platform::DialogRequest::Input);
        QCOMPARE(asked[0].text, "Input record(s) to print in one row (1-5)");
        QCOMPARE(asked[0].title, QString());
        QCOMPARE(asked[0].defaultAnswer, "1");
    }

    void theHeader()
    {
        show(7);
        print({"5"});
        QStringList head;
        for (const QString& line : pdfText(pdf).split('\n'))
            if (line.trimmed().startsWith('-') && line.contains(" : ")) head << line.simplified();
        QCOMPARE(head,
                 QStringList({"- Freq Weight : A", "- Time Weight : FAST", "- Level Range : 30-90",
                              "- Max dB : 65.3* - 2016/03/23 10:00:02", "- SEL : 67.0",
                              "- Leq : 62.2"}));
    }

    void askedAgainUntilOneToFive()
    {
        show(2);
        print({"0", "6", "abc", "5.9", "2"});
        QCOMPARE(prompts(), 5);
        QCOMPARE(recordLines(pdfText(pdf)).size(), 1);
    }

    void answersThatPrintNothing_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("timersRunning");
        QTest::newRow("3abc") << "3abc" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("empty, timers off") << "" << false;
    }
    void answersThatPrintNothing()
    {
        show(7);
        p->Timer1->setEnabled(fetch<bool>("timersRunning"));
        p->Timer2->setEnabled(fetch<bool>("timersRunning"));
        const QString caption = w->windowTitle();
        print({fetch<QString>("answer")});
        QCOMPARE(prompts(), 1);
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(timersOn(*p), fetch<bool>("timersRunning"));
        QCOMPARE(timersOff(*p), !fetch<bool>("timersRunning"));
    }

    void cancelledPrinterKeepsTimers()
    {
        show(3);
        p->Timer1->setEnabled(false);
        p->Timer2->setEnabled(false);
        script.cancel();
        w->Toolbar1_ButtonClick("Print");
        QVERIFY(timersOff(*p));
        QVERIFY(script.of(Platform::DialogRequest::Message).isEmpty());
    }

    void copiesInOneDocument()
    {
        show(4);
        print({"2"}, 2);
        const QString text = pdfText(pdf);
        QCOMPARE(text.count("Level Range"), 2);
        QVERIFY(!text.trimmed().contains('\f')); // one page: the second copy follows directly
        QCOMPARE(recordLines(text).size(), 4);
        QCOMPARE(recordLines(text)[2].section(' ', 0, 0), "1");
    }

    // Every column ends at the same place on every line, whatever the widths
    // of the cells, down to a page break.
    void columnsRightAligned()
    {
        RecordRows rows;
        const char* const levels[] = {"45.3", "--", "L", "102.5*", "61.0", "7.5"};
        for (int i = 1; i <= 500; ++i)
            rows.append(QString::number(i * 97 % 10007), QStringLiteral("2016/03/23 10:00:00"),
                        QString::fromLatin1(levels[i % 6]));
        w = showFileInWindow("FileList", "set.dvrk", {}, std::move(rows));
        print({"5"});
        // Right edges of the words of each line, by page and top; a record
        // line has 8 words (number, date, time, five levels), no other has.
        QMap<QPair<int, double>, QList<double>> lines;
        static const QRegularExpression word(
            R"re(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="([\d.]+)")re");
        const QString bbox = pdfText(pdf, true);
        QCOMPARE(bbox.count("<page "), 2);
        int page = 0;
        for (const QString& l : bbox.split('\n')) {
            if (l.contains("<page ")) ++page;
            if (const auto m = word.match(l); m.hasMatch())
                lines[{page, m.captured(1).toDouble()}] << m.captured(2).toDouble();
        }
        QList<QList<double>> recordEdges;
        for (QList<double> edges : lines) {
            std::sort(edges.begin(), edges.end());
            if (edges.size() == 8) recordEdges << edges;
        }
        QCOMPARE(recordEdges.size(), 100);
        const QList<double>& full = recordEdges.first();
        for (const QList<double>& edges : recordEdges)
            for (int k = 0; k < edges.size(); ++k)
                QVERIFY2(qAbs(edges[k] - full[k]) < 0.3, qPrintable(QString::number(k)));
    }

    void windowClosedOrReplacedMidPrint_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("closed") << false;
        QTest::newRow("replaced") << true;
    }
    void windowClosedOrReplacedMidPrint()
    {
        show(2000);
        QPointer<RecordListWindow> first = w;
        const bool replace = fetch<bool>("replace");
        bool timersOffMeanwhile = false;
        script.printer(pdf);
        script.answer({});
        script.text("1", [&] {
            // Runs at the first round of events inside the printing.
            QTimer::singleShot(0, [&] {
                timersOffMeanwhile = timersOff(*p);
                if (replace)
                    showFileInWindow("FileListReal", "other.dvrk", {}, records(3, 500));
                else
                    first->close();
            });
        });
        first->Toolbar1_ButtonClick("Print");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(timersOffMeanwhile);
        QVERIFY(timersOn(*p));
        const QStringList lines = recordLines(pdfText(pdf));
        QCOMPARE(lines.size(), 2000);
        QCOMPARE(lines.last().section(' ', 0, 0), "2000");
        if (replace) QCOMPARE(Windows::find<FileListReal>()->windowTitle(), "other.dvrk");
    }

    void secondPrintRefused()
    {
        show(3);
        script.printer(pdf);
        script.answer({}, [&] { w->Toolbar1_ButtonClick("Print"); }); // inside the note
        script.text("1");
        w->Toolbar1_ButtonClick("Print");
        QCOMPARE(script.of(Platform::DialogRequest::Printer).size(), 1);
        QCOMPARE(recordLines(pdfText(pdf)).size(), 3);
    }

    void nothingPrinted_data()
    {
        QTest::addColumn<QString>("printer"); // the system printer the PDF stands for
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("named");
        QTest::newRow("printer gone") << "Dorvi Gone Printer"
                                      << "listing.pdf"
                                      << "\"Dorvi Gone Printer\"";
        QTest::newRow("unwritable PDF") << ""
                                        << "no such folder/listing.pdf"
                                        << "no such folder";
    }
    void nothingPrinted()
    {
        show(3);
        const QString caption = w->windowTitle();
        pdf = dir.filePath(fetch<QString>("file"));
        Platform::DialogAnswer printer;
        printer.fileName = pdf;
        printer.printerName = fetch<QString>("printer");
        script.answer(printer);
        script.answer({});
        script.text("1");
        w->Toolbar1_ButtonClick("Print");
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(w->windowTitle(), caption);
        QVERIFY(timersOn(*p));
        const auto said = script.of(Platform::DialogRequest::Message);
        QCOMPARE(said.size(), 2); // the note, then what became of the print
        QVERIFY(said[1].text.contains(fetch<QString>("named")));
        QVERIFY(said[1].text.endsWith("\r\nNothing was printed."));
        QCOMPARE(said[1].icon, Platform::Icon::Critical);
    }
};

QTEST_MAIN(TestListPrint)
#include "test_listprint.moc"
