// The reader's limits: files taken in pieces, a bad line ending the reading
// early, files too large, the comma form and binary files told apart, and
// the progress it reports.

#include "records/core/datafile.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace DataFile;

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
    return f.fileName();
}

QByteArray listFile(int records, int headerLines)
{
    QByteArray out = headerLines == 9
                         ? QByteArray("Real Time\r\n 1\r\nA\r\nF\r\n30-90\r\n 0\r\n\r\n\r\n\r\n")
                         : QByteArray();
    appendListLine(out, Separator::Tab, u"No.s", u"Date Time", u"dB");
    for (int i = 1; i <= records; ++i)
        appendListLine(out, Separator::Tab, QString::number(i), u"2016/03/23 10:00:01", u"65.3");
    return out;
}

} // namespace

class TestDataReader : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // Records that span the pieces the file is read in come out whole.
    void piecesJoinUp()
    {
        const QByteArray bytes = listFile(120000, 9); // several pieces
        const QString path = write(dir, "pieces.dvrk", bytes);
        const ReadResult fromFile = readFile(path);
        const ReadResult inMemory = read(bytes);
        QVERIFY(fromFile.complete());
        QCOMPARE(fromFile.rows.size(), 120000);
        QCOMPARE(fromFile.rows, inMemory.rows);
        QCOMPARE(fromFile.captions, inMemory.captions);
    }

    // A CR LF split between two pieces is one line end: the line after it
    // is still line 3.
    void lineEndAcrossPieces()
    {
        QByteArray bytes = "x\r\n" + QByteArray(1024 * 1024 - 4, 'a') + "\t\r\nZ\r\n";
        const ReadResult r = readFile(write(dir, "split.dvrk", bytes));
        QCOMPARE(r.rows.size(), 1);
        QCOMPARE(r.badLine, 3);
    }

    // The rest of a file after its bad line is never asked for: the file
    // is a pipe whose writer never closes it and has more than the first
    // piece to give.
    void badLineEndsWithoutTheRest()
    {
        const QString fifo = dir.filePath("pipe");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        ::signal(SIGPIPE, SIG_IGN); // the reader leaves while the writer still writes
        std::atomic<bool> done = false;
        std::thread writer([&] {
            const int fd = ::open(fifo.toLocal8Bit().constData(), O_WRONLY);
            const QByteArray bytes = "x\r\n1\tt\t60.1\t\r\nZ\r\n" + listFile(100000, 0);
            if (fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size())
                while (!done)
                    ::usleep(1000);
            if (fd >= 0) ::close(fd);
        });
        const ReadResult r = readFile(fifo);
        done = true;
        writer.join();
        QCOMPARE(r.rows.size(), 1);
        QCOMPARE(r.badLine, 3);
    }

    // Memory follows the records read, not the line ends of the file.
    void fileOfLineEnds()
    {
        const ReadResult r = readFile(write(dir, "ends.dvrk", QByteArray(16 * 1024 * 1024, '\n')));
        QCOMPARE(r.badLine, 2);
        QVERIFY(r.rows.memoryUsed() < 4096);
    }

    void tooLarge()
    {
        QFile f(dir.filePath("large.dvrk"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(MaxFileSize + 1)); // sparse: costs no disk
        f.close();
        const ReadResult r = readFile(f.fileName());
        QVERIFY(r.fileError);
        QCOMPARE(r.kind, Kind::Empty);
        QVERIFY(r.message.contains("256 MB"));
    }

    void commaFormToldApart_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("commaForm");
        QTest::newRow("recording") << "recording_comma.csv" << true;
        QTest::newRow("list") << "list_comma.csv" << true;
        QTest::newRow("TAB form") << "list_tab.dvrk" << false;
    }
    void commaFormToldApart()
    {
        const ReadResult r = readFile(QStringLiteral(DORVI_TEST_DATA "/") + fetch<QString>("file"));
        QCOMPARE(r.commaForm, fetch<bool>("commaForm"));
        QCOMPARE(r.message.contains("comma form"), fetch<bool>("commaForm"));
        // A TAB-form bad line after records is no comma form, commas or not.
        QVERIFY(!read("x\r\n1\ta\tb\t\r\n2,c\r\n").commaForm);
    }

    // A line that stops the reading says whether the file is text at all:
    // DEL is no text, Latin-1 letters are.
    void binaryToldApart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("DEL starts the file") << QByteArray("\177ELF\r\nZ\r\n") << "not a data file";
        QTest::newRow("DEL in a line") << QByteArray("x\r\nZ\x7f\r\n") << "not a data file";
        QTest::newRow("Latin-1 letters") << QByteArray("x\xb5\r\nZ\xe9\r\n") << "not a record line";
    }
    void binaryToldApart()
    {
        const ReadResult r = read(fetch<QByteArray>("bytes"));
        QCOMPARE(r.badLine, 2);
        QVERIFY2(r.message.contains(fetch<QString>("message")), qPrintable(r.message));
    }

    // The first row's item index less one first, the last row's last, and
    // nothing in between unless 100 ms went by.
    void progress_data()
    {
        QTest::addColumn<int>("headerLines");
        QTest::addColumn<int>("first");
        QTest::newRow("real time") << 9 << 9;
        QTest::newRow("dump") << 0 << 0;
    }
    void progress()
    {
        const int header = fetch<int>("headerLines");
        QList<qsizetype> told;
        QElapsedTimer t;
        t.start();
        const ReadResult r = readFile(write(dir, "progress.dvrk", listFile(200000, header)),
                                      [&](qsizetype n) { told << n; });
        QVERIFY(r.complete());
        QVERIFY(told.size() >= 2);
        QCOMPARE(told.first(), fetch<int>("first"));
        QCOMPARE(told.last(), fetch<int>("first") + 200000 - 1);
        QVERIFY(told.size() <= 2 + t.elapsed() / 100);
        QList<qsizetype> one;
        read(listFile(1, header), [&](qsizetype n) { one << n; });
        QCOMPARE(one, QList<qsizetype>{fetch<int>("first")});
    }
};

QTEST_GUILESS_MAIN(TestDataReader)
#include "test_datareader.moc"
