// The set list window: its start, and its save read back byte for byte.

#include "meter/core/logger.h"
#include "meter/core/modulestate.h"
#include "platform/dialogs.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "realfiledialog.h"
#include "records/core/datafile.h"
#include "records/core/filetransferstate.h"
#include "records/datalist.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray golden()
{
    QFile f(QStringLiteral(DORVI_TEST_DATA "/logger2.dvrk"));
    if (!f.open(QIODevice::ReadOnly)) qFatal("missing golden file");
    return f.readAll();
}

// The set of the golden file, as a download hands it over.
Logger::DecodedSet goldenSet()
{
    Logger::DecodedSet s;
    DataFile::LoggerHeader& h = s.header;
    h.LoggerInterval = "5";
    h.BoardCA = "A";
    h.BoardSFI = "SLOW";
    h.BoardLevel = "30-90";
    h.Board05 = " 52.4";
    h.Board10 = " 50.8";
    h.Board50 = " 46.2";
    h.Board90 = " 44.1";
    h.Board95 = " 43.7";
    h.BoardMaxdB = " 58.9";
    h.BoardMaxTime = "2016/03/23 10:00:15";
    h.BoardSEL = " 62.3";
    h.BoardLeq = " 49.9";
    const char* levels[] = {" 45.3", " 46.1*", "--", " 58.9", "L"};
    for (int k = 0; k < 5; ++k)
        s.rows.append(QString::number(k + 1),
                      QStringLiteral("2016/03/23 10:00:%1").arg(5 * k, 2, 10, QLatin1Char('0')),
                      QString::fromLatin1(levels[k]));
    return s;
}

Platform::DialogAnswer file(const QString& path, int filter)
{
    Platform::DialogAnswer a;
    a.fileName = path;
    a.filterIndex = filter;
    return a;
}

} // namespace

class TestDataList : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QList<Platform::DialogRequest> asked;
    QList<Platform::DialogAnswer> answers;
    std::unique_ptr<DataList> w;

private slots:
    void init()
    {
        asked.clear();
        answers.clear();
        Platform::setDialogSeam([this](const Platform::DialogRequest& r) {
            asked.append(r);
            return answers.isEmpty() ? Platform::DialogAnswer{} : answers.takeFirst();
        });
        resetModuleState();
        w = std::make_unique<DataList>();
    }
    void cleanup() { w.reset(); }

    void freshWindow()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Data List"));
        QCOMPARE(w->list().rows(), 1);
        static const char* titles[] = {"No.s", "Date Time", "dB"};
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(w->GridN[size_t(c)]->rows(), 1);
            QCOMPARE(w->GridN[size_t(c)]->textMatrix(0, 0), QString::fromLatin1(titles[c]));
            QCOMPARE(w->GridN[size_t(c)]->colAlignment(0), int(FlexGrid::AlignCenterCenter));
        }
        QCOMPARE(w->Toolbar1->button(1)->toolTip(), QStringLiteral("Save As"));
        w->Toolbar1->button(2)->click(); // "Print" does nothing
        QVERIFY(asked.isEmpty());
    }

    void save_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<char>("separator");
        QTest::newRow("dvrk") << 1 << '\t';
        QTest::newRow("csv") << 2 << ',';
        QTest::newRow("all files") << 3 << '\t';
    }
    void save()
    {
        QFETCH(char, separator);
        loggerState().LoggerInterval = "5";
        w->showSet(goldenSet());
        w->setWindowTitle(QStringLiteral("100.0% Completed"));
        const QString path = dir.filePath(QStringLiteral("set"));
        answers.append(file(path, fetch<int>("filter")));
        w->Toolbar1_ButtonClick(QStringLiteral("Save"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray expected = golden();
        expected.replace('\t', separator);
        QCOMPARE(f.readAll(), expected);
        QCOMPARE(w->windowTitle(), QStringLiteral("100.0% Completed"));
        QVERIFY(!fileTransferState().FileChosen);
        QVERIFY(!w->saving());
        if (separator != '\t') return;
        // The TAB form opens again with the set's captions and rows.
        const DataFile::ReadResult r = DataFile::readFile(path);
        QVERIFY(r.complete());
        QCOMPARE(r.kind, DataFile::Kind::Logger2);
        QCOMPARE(r.captions.value("BoardLevel"), w->BoardLevel->caption());
        QCOMPARE(r.captions.value("BoardMaxdB"), w->BoardMaxdB->caption());
        QVERIFY(r.rows == w->list().records());
    }

    // The filter picked in the real dialog is the one the file is written in.
    void saveThroughTheRealDialog_data() { save_data(); }
    void saveThroughTheRealDialog()
    {
        Platform::setDialogSeam({});
        loggerState().LoggerInterval = "5";
        w->showSet(goldenSet());
        w->Cmd.FileName = dir.filePath(QStringLiteral("start")); // opens the dialog there
        const int filter = fetch<int>("filter");
        const QString name = QStringLiteral("real%1").arg(filter); // no extension added
        answerRealFileDialog(this, filter, name);
        w->Toolbar1_ButtonClick(QStringLiteral("Save"));
        QCOMPARE(w->Cmd.FilterIndex, filter);
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), golden().replace('\t', fetch<char>("separator")));
    }

    void saveThatCannotWrite()
    {
        w->showSet(goldenSet());
        const QString path = dir.filePath(QStringLiteral("missing/set"));
        answers.append(file(path, 1));
        w->Toolbar1_ButtonClick(QStringLiteral("Save"));
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1].kind, Platform::DialogRequest::Message);
        QVERIFY(asked[1].text.contains(QStringLiteral("could not be written")));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(w->list().count(), 5); // window and data kept
        // A cancel writes nothing and says nothing.
        Platform::DialogAnswer cancel;
        cancel.accepted = false;
        answers.append(cancel);
        w->Toolbar1_ButtonClick(QStringLiteral("Save"));
        QCOMPARE(asked.size(), 3);
    }
};

QTEST_MAIN(TestDataList)
#include "test_datalist.moc"
