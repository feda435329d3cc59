// A recording's final file: whole, or the target as it was.

#include "meter/core/recording.h"
#include "records/core/fulldisk.h"
#include "testutil.h"

#include <QTest>
#include <cerrno>

class TestRecordingFile : public QObject
{
    Q_OBJECT

private slots:
    void written_data()
    {
        QTest::addColumn<bool>("scratch"); // the scratch file is there
        QTest::addColumn<bool>("old");     // a file is there at the target
        QTest::addColumn<bool>("room");
        QTest::addColumn<int>("error"); // errno of the failure, 0 when written
        QTest::newRow("whole") << true << false << true << 0;
        QTest::newRow("an old file replaced") << true << true << true << 0;
        QTest::newRow("no room") << true << false << false << ENOSPC;
        QTest::newRow("no room, old file kept") << true << true << false << ENOSPC;
        QTest::newRow("no scratch file") << false << true << true << ENOENT;
        QTest::newRow("the scratch file cannot be read") << false << true << true << EIO;
    }
    void written()
    {
        FullDisk disk(false);
        // A file that opens but whose reads fail stands for a "Fake" on a failing disk.
        const QString scratch = fetch<int>("error") == EIO ? QStringLiteral("/proc/self/mem")
                                                           : disk.filePath(QStringLiteral("Fake"));
        const QString target = disk.filePath(QStringLiteral("rec.dvrk"));
        const QByteArray lines = "No.s\tTime\tdB\r\n1\t08:00:00\t65.3\t\r\n2\t08:00:01\t66.1\t\r\n";
        const QByteArray old = "Real Time\r\nold rows\r\n";
        QStringList files;
        if (fetch<bool>("scratch")) {
            QVERIFY(DataFile::saveFile(scratch, lines));
            files << "Fake";
        }
        if (fetch<bool>("old")) QVERIFY(DataFile::saveFile(target, old));
        if (!fetch<bool>("room")) disk.fill();

        DataFile::RealTimeHeader header;
        header.boardCa = QStringLiteral("A");
        header.leqText = QStringLiteral("65.7");
        const QByteArrayList waiting = {"3\t08:00:02\t67.0\t\r\n", "4\t08:00:03\t64.2\t\r\n"};
        long long shown = 0;
        const RecordingFileResult r = writeRecordingFile(scratch, target, header, waiting,
                                                         [&](long long copied) { shown = copied; });

        const int error = fetch<int>("error");
        if (error == 0) {
            QCOMPARE(r.error, QString());
            QCOMPARE(fileContents(target),
                     DataFile::realTimeFileHeader(header) + lines + waiting.join());
            QCOMPARE(r.copied, 3);
            QCOMPARE(shown, 3); // the last line is always shown
        } else {
            QVERIFY2(r.error.contains(qt_error_string(error)), qPrintable(r.error));
            QCOMPARE(fileContents(target), fetch<bool>("old") ? old : QByteArray("<missing>"));
        }
        if (fetch<bool>("scratch")) QCOMPARE(fileContents(scratch), lines);
        if (error == 0 || fetch<bool>("old")) files << "rec.dvrk";
        files.sort();
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files), files); // no leftovers
    }
};

QTEST_GUILESS_MAIN(TestRecordingFile)
#include "test_recordingfile.moc"
