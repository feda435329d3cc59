// The logger download: a 1000-record set from the simulator at the line's
// pace, and the decoding of large dumps into a shown set list; prints
// "name: value unit" lines.

#include "meter/core/livestats.h"
#include "meter/core/logger.h"
#include "meter/core/startup.h"
#include "meter/panel.h"
#include "metersim.h"
#include "platform/serialport.h"
#include "platform/timer.h"
#include "platform/windows.h"
#include "records/core/setdump.h"
#include "records/datalist.h"
#include "records/memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A dump of `records` records in the simulator's layout, built quickly.
QByteArray bigDump(int records)
{
    const QDateTime start(QDate(2024, 5, 14), QTime(9, 30, 0));
    MeterSim::Set one = MeterSim::makeSet(0x0100, start, 2, 1);
    const QByteArray head = MeterSim::dump(one).first(359);
    QByteArray d;
    d.reserve(359 + 38LL * records);
    d += head;
    const qint64 t0 = *Logger::ParseDumpTime(head.sliced(115, 19));
    QByteArray rec(38, ' ');
    for (int k = 0; k < records; ++k) {
        const QByteArray t = Logger::DumpTimeText(t0 + 2LL * k);
        std::copy(t.begin(), t.end(), rec.begin() + 12);
        const QByteArray level = MeterSim::levelText(500 + k % 400);
        std::copy(level.begin(), level.end(), rec.begin() + 32);
        std::copy_n(k % 10 == 3 ? "[pause]" : "       ", 7, rec.begin() + 4);
        d += rec;
    }
    return d;
}

void decodeBench(const char* name, int records)
{
    const QByteArray dump = bigDump(records);
    Windows::unload<DataList>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QElapsedTimer t;
    t.start();
    DataList* list = Windows::get<DataList>();
    list->show();
    std::optional<Logger::DecodedSet> set = Logger::DecodeDump(dump, records, 1);
    list->showSet(std::move(*set));
    QCoreApplication::processEvents();
    std::printf("%s: %lld ms\n", name, t.elapsed());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);

    MeterSim sim;
    QString error;
    if (!sim.start(SerialPort::portsFolder(), 1, &error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    sim.setSets({MeterSim::makeSet(0x0100, QDateTime(QDate(2024, 5, 14), QTime(9, 30)), 1, 1000)});
    sim.setPacing(true);
    startupState().PortNumber = 1;
    {
        Panel panel;
        if (!panel.Form_Load()) return 1;
        panel.show();
        panel.Toolbar1_ButtonClick(QStringLiteral("Memory"));
        Memory* memory = Windows::find<Memory>();
        if (!memory) return 1;
        QElapsedTimer t;
        t.start();
        const double cpu = threadCpuSeconds();
        memory->GridSet_Click(1);
        const double wall = t.elapsed() / 1000.0;
        const double used = threadCpuSeconds() - cpu;
        DataList* list = Windows::find<DataList>();
        if (!list || list->list().count() != 1000) return 1;
        std::printf("download_1000_paced: %.2f s\n", wall);
        std::printf("download_1000_cpu: %.2f s\n", used);
        std::fflush(stdout);
        Windows::unloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    sim.stop();

    decodeBench("dump_decode_348000", 348000);
    decodeBench("dump_decode_1700000", 1700000);
    Windows::unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
