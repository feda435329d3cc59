// The record store: a reader's result taken into a list shown in three
// grids of a painted window, its memory, and a scan of its level texts.
// Prints "name: value unit" lines.

#include "common/recordlist.h"
#include "platform/grid.h"
#include "platform/recordlistview.h"
#include "records/core/datafile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <charconv>
#include <cstdio>

namespace {

// The bytes of a "Real Time" file of n records, as a recording writes them.
QByteArray realTimeFile(int n)
{
    QByteArray bytes = DataFile::realTimeFileHeader({1, "A", "FAST", "30-90", 71.2, "", "", ""});
    DataFile::appendListLine(bytes, DataFile::Separator::Tab, u"No.s", u"Date Time", u"dB");
    char level[8];
    for (int r = 1; r <= n; ++r) {
        const int tenths = 400 + (r * 37) % 600;
        const auto end = std::to_chars(level, level + 8, tenths / 10);
        *end.ptr = '.';
        end.ptr[1] = char('0' + tenths % 10);
        DataFile::appendListLine(bytes, DataFile::Separator::Tab, QByteArray::number(r),
                                 QByteArrayView("2026/12/08 10:00:00"),
                                 QByteArrayView(level, end.ptr + 2 - level));
    }
    return bytes;
}

// The list of a window shown and painted, filled from a reader's result.
double fill(int records, qsizetype* memory)
{
    DataFile::ReadResult read = DataFile::read(realTimeFile(records));
    QWidget window;
    window.resize(400, 300);
    RecordListView view(&window);
    for (int i = 0; i < 3; ++i)
        view.GridN[size_t(i)]->setGeometry(i * 120, 0, 120, 280);
    view.loadTitlesAndWidths();
    window.show();
    window.repaint();
    QElapsedTimer t;
    t.start();
    view.list().take(std::move(read.rows));
    for (FlexGrid* g : view.GridN)
        g->repaint();
    QCoreApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    if (memory) *memory = view.list().records().memoryUsed();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    qsizetype memory = 0;
    fill(1000, nullptr); // first paints load fonts and caches
    std::printf("records_fill_348000: %.1f ms\n", fill(348000, &memory));
    std::printf("records_memory_348000: %.1f MB\n", memory / 1e6);
    qsizetype full = 0;
    std::printf("records_fill_1700000: %.1f ms\n", fill(1700000, &full));
    std::printf("records_memory_1700000: %.1f MB\n", full / 1e6);

    RecordList list;
    list.take(std::move(DataFile::read(realTimeFile(348000)).rows));
    QElapsedTimer t;
    t.start();
    const LevelTexts levels = list.levelTexts();
    long long sum = 0;
    for (qsizetype k = 0; k < levels.size(); ++k) {
        const QByteArrayView text = levels[k];
        int whole = 0;
        std::from_chars(text.data(), text.data() + text.size(), whole);
        sum += whole;
    }
    std::printf("records_scan_348000: %.2f ms\n", t.nsecsElapsed() / 1e6);
    std::printf("records_scan_checksum: %lld\n", sum);
    return 0;
}
