// Files written whole or not at all, on a disk that is full.

#include "records/core/datafile.h"
#include "records/core/fulldisk.h"
#include "records/core/safefile.h"
#include "testutil.h"

#include <QTest>
#include <cerrno>

class TestSafeFile : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("mount");
        QTest::addColumn<int>("size"); // of the new file
        // A small file stays in Qt's buffer until the flush, a large one is
        // written at once: each fails in its own place.
        QTest::newRow("tmpfs, buffered") << true << 5000;
        QTest::newRow("tmpfs, written at once") << true << 100000;
        QTest::newRow("seam") << false << 5000;
    }
    void fullDiskKeepsTheOldFile()
    {
        FullDisk disk(fetch<bool>("mount"));
        if (fetch<bool>("mount") && !disk.mounted()) QSKIP("no tmpfs may be mounted here");
        const QString target = disk.filePath(QStringLiteral("list.dvrk"));
        const QByteArray old = "Real Time\r\nold rows\r\n";
        QVERIFY(DataFile::saveFile(target, old));
        disk.fill();
        QString error;
        QVERIFY(!DataFile::saveFile(target, QByteArray(fetch<int>("size"), 'r'), &error));
        QCOMPARE(fileContents(target), old);
        QVERIFY2(error.contains(target) && error.contains(qt_error_string(ENOSPC)),
                 qPrintable(error));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files),
                 QStringList{"list.dvrk"}); // no leftovers
        disk.makeRoom();
        QVERIFY(DataFile::saveFile(target, "new\r\n"));
        QCOMPARE(fileContents(target), QByteArray("new\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safefile.moc"
