// The save dialog and the six row writers.

#include "platform/commondialog.h"
#include "platform/dialogs.h"
#include "records/core/filetransferstate.h"
#include "records/savedialog.h"
#include "testutil.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace FileTransfer;

class TestSaveDialog : public QObject
{
    Q_OBJECT
    QWidget window;
    RecordList list;

    void fill(int records)
    {
        list.cut();
        for (int r = 1; r <= records; ++r)
            list.append(QString::number(r),
                        QStringLiteral("2016/03/23 10:00:%1").arg(r % 60, 2, 10, QLatin1Char('0')),
                        r % 2 ? QStringLiteral("65.3") : QStringLiteral("65.3*"));
    }

private slots:

    void writers_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("column");
        QTest::addColumn<QByteArray>("title");
        const QByteArray tab("No.s\tDate Time\tdB\t\r\n");
        const QByteArray comma("No.s,Date Time,dB,\r\n");
        QTest::newRow("SaveGridTab") << 1 << false << tab;
        QTest::newRow("SaveGridCsv") << 2 << false << comma;
        QTest::newRow("SaveGridTabAll") << 3 << false << tab;
        QTest::newRow("SaveGridColTab") << 1 << true << tab;
        QTest::newRow("SaveGridColCsv") << 2 << true << comma;
        QTest::newRow("SaveGridColTabAll") << 3 << true << tab;
        QTest::newRow("filter 0 is tab") << 0 << false << tab;
    }
    void writers()
    {
        QFETCH(QByteArray, title);
        const GridWriter writer = gridWriterForFilter(fetch<int>("filter"), fetch<bool>("column"));
        fill(0);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(writer(&window, list, 2, 0, out));
        QCOMPARE(out.data(), title); // a list of only its title row
        fill(2);
        QBuffer two;
        two.open(QIODevice::WriteOnly);
        QVERIFY(writer(&window, list, 2, 2, two));
        const char sep = title[4];
        QByteArray expected = title;
        expected += QByteArray("1") + sep + "2016/03/23 10:00:01" + sep + "65.3" + sep + "\r\n";
        expected += QByteArray("2") + sep + "2016/03/23 10:00:02" + sep + "65.3*" + sep + "\r\n";
        QCOMPARE(two.data(), expected);
    }

    void captionCountsAndComesBack()
    {
        fill(5);
        window.setWindowTitle(QStringLiteral("Data List"));
        QSignalSpy titles(&window, &QWidget::windowTitleChanged);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(SaveGridTab(&window, list, 2, 5, out));
        QCOMPARE(window.windowTitle(), QStringLiteral("Data List"));
        QVERIFY(titles.size() >= 3);
        QCOMPARE(titles.first().first().toString(), QStringLiteral("0Records Completed"));
        QCOMPARE(titles.at(titles.size() - 2).first().toString(),
                 QStringLiteral("5Records Completed"));
    }

    void fewerGridsAndRows()
    {
        fill(3);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(SaveGridTab(&window, list, 0, 3, out));
        QCOMPARE(out.data(), QByteArray("No.s\t\r\n1\t\r\n2\t\r\n3\t\r\n"));
        QBuffer cut;
        cut.open(QIODevice::WriteOnly);
        QVERIFY(SaveGridTab(&window, list, 2, 9, cut)); // rows the list never had are not written
        QCOMPARE(cut.data().count('\n'), 4);
    }

    void saveDialog_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("chosen") << true << "/tmp/x/list.dvrk" << true;
        QTest::newRow("cancel") << false << "" << false;
        QTest::newRow("no file title") << true << "/tmp/x/" << false;
    }
    void saveDialog()
    {
        fileTransferState() = {};
        fileTransferState().SaveFileName = QStringLiteral("before");
        QList<Platform::DialogRequest> asked;
        QFETCH(bool, accepted);
        QFETCH(QString, file);
        Platform::setDialogSeam([&](const Platform::DialogRequest& r) {
            asked.append(r);
            Platform::DialogAnswer a;
            a.accepted = accepted;
            a.fileName = file;
            a.filterIndex = 2;
            return a;
        });
        CommonDialog cmd;
        cmd.FilterIndex = 3;
        cmd.FileName = QStringLiteral("/tmp/last.dvrk");
        ShowSaveDialog(cmd, &window);
        Platform::setDialogSeam({});
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].kind, Platform::DialogRequest::SaveFile);
        QCOMPARE(asked[0].filterIndex, 0);
        QCOMPARE(asked[0].fileName, QStringLiteral("/tmp/last.dvrk")); // the last name chosen
        QVERIFY(asked[0].confirmOverwrite);
        QCOMPARE(fileTransferState().FileChosen, fetch<bool>("chosen"));
        QCOMPARE(fileTransferState().SaveFileName, accepted ? file : QStringLiteral("before"));
        if (accepted) QCOMPARE(cmd.FilterIndex, 2);
    }
};

QTEST_MAIN(TestSaveDialog)
#include "test_savedialog.moc"
