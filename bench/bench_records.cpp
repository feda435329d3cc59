// Opening data files into the record-list windows and printing a listing;
// prints "name: value unit" lines.

#include "meter/panel.h"
#include "platform/dialogs.h"
#include "platform/grid.h"
#include "platform/timer.h"
#include "platform/windows.h"
#include "records/core/datafile.h"
#include "records/filelist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {

QString answerFile;
QString answerText;
QElapsedTimer sinceAnswer;

// Resident memory, in bytes.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

QString writeFile(const QString& path, const QByteArray& header, int records)
{
    QByteArray bytes = header;
    DataFile::appendListLine(bytes, DataFile::Separator::Tab, u"No.s", u"Date Time", u"dB");
    for (int r = 1; r <= records; ++r) {
        const QString time = QStringLiteral("2026/12/08 %1:%2:%3")
                                 .arg(10 + r / 3600 % 10, 2, 10, QLatin1Char('0'))
                                 .arg(r / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(r % 60, 2, 10, QLatin1Char('0'));
        DataFile::appendListLine(bytes, DataFile::Separator::Tab, QString::number(r), time,
                                 QString::number(50 + (r % 400) / 10.0, 'f', 1));
    }
    if (!DataFile::saveFile(path, bytes)) qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Sees the first paint of a widget.
class PaintSpy : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

// "Open" on the file: milliseconds from the dialog's answer to the window's
// list painted.
template <class W> double openFile(Panel& panel, const QString& path)
{
    answerFile = path;
    panel.OpenKey();
    W* w = Windows::find<W>();
    if (!w) qFatal("no window for %s", qPrintable(path));
    PaintSpy spy;
    w->GridN[2]->viewport()->installEventFilter(&spy);
    while (!spy.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return sinceAnswer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    Platform::setDialogSeam([](const Platform::DialogRequest& r) {
        Platform::DialogAnswer a;
        if (r.kind == Platform::DialogRequest::OpenFile) {
            a.fileName = answerFile;
            sinceAnswer.start();
        } else if (r.kind == Platform::DialogRequest::Printer) {
            a.fileName = answerFile;
        } else if (r.kind == Platform::DialogRequest::Input) {
            a.text = answerText;
        }
        return a;
    });

    Panel panel;
    panel.Timer1->setEnabled(false);
    panel.Timer2->setEnabled(false);
    panel.show();

    const QByteArray realTime = DataFile::realTimeFileHeader(
        {1, "A", "FAST", "30-90", 71.2, "2026/12/08 10:00:00", "80.1", "70.2"});
    const QString real = writeFile(work.filePath("real.dvrk"), realTime, 348000);
    const QByteArray logger =
        DataFile::loggerFile2Header({"1", "A", "SLOW", "30-90", " 52.4", " 50.8", " 46.2", " 44.1",
                                     " 43.7", " 58.9", "2026/12/08 10:00:00", " 62.3", " 49.9"});
    const QString full = writeFile(work.filePath("logger.dvrk"), logger, 1700000);

    // Warm up the windows and fonts, then the timed openings.
    openFile<FileListReal>(panel, writeFile(work.filePath("small.dvrk"), realTime, 10));
    Windows::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const qint64 before = residentBytes();
    const double realMs = openFile<FileListReal>(panel, real);
    const qint64 after = residentBytes();
    std::printf("open_file_348000: %.0f ms\n", realMs);
    std::printf("open_file_memory_348000: %.1f MB\n", (after - before) / 1e6);
    std::fflush(stdout);

    std::printf("open_file_1700000: %.0f ms\n", openFile<FileList>(panel, full));
    std::fflush(stdout);
    Windows::unload<FileList>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The 348 000 records, five to a line.
    answerFile = work.filePath("listing.pdf");
    answerText = QStringLiteral("5");
    QElapsedTimer t;
    t.start();
    Windows::find<FileListReal>()->Toolbar1_ButtonClick(QStringLiteral("Print"));
    std::printf("print_listing_348000: %.1f s\n", t.nsecsElapsed() / 1e9);
    if (qEnvironmentVariableIsSet("DORVI_BENCH_KEEP"))
        QFile::copy(answerFile, qEnvironmentVariable("DORVI_BENCH_KEEP"));
    return 0;
}
