// meter-sim: plays the sound level meter on a pseudo-terminal linked as COMn,
// where Dorvi looks for its ports, until SIGINT or SIGTERM.

#include "metersim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

bool watchSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

int failWith(const QString& text)
{
    std::fprintf(stderr, "meter-sim: %s\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the sound level meter on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Link the line as COM<n> (1 to 16)."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption dirOption(
        QStringLiteral("ports-dir"), QStringLiteral("Folder of the COM links."),
        QStringLiteral("dir"),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/dorvi/ports"));
    const QCommandLineOption periodOption(QStringLiteral("period"),
                                          QStringLiteral("Live frame period in ms."),
                                          QStringLiteral("ms"), QStringLiteral("100"));
    const QCommandLineOption paceOption(QStringLiteral("pace"),
                                        QStringLiteral("Send at 3840 bytes/s (38400 baud)."));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Switch on a fault: silence, noise, split, short, truncate, stall, extra, "
                       "frame, trickle (repeatable). trickle sends each frame byte by byte, "
                       "period / 6 ms apart: with frames such as --level 770 (02 00 04 03 02 03) "
                       "and a period that is a multiple of 6 ms, nothing on the line tells where "
                       "frames start."),
        QStringLiteral("name"));
    const QCommandLineOption splitAtOption(
        QStringLiteral("split-at"),
        QStringLiteral("With the split fault: bytes of a frame in its first write (1 to 5)."),
        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption splitGapOption(
        QStringLiteral("split-gap"),
        QStringLiteral("With the split fault: ms between a frame's two writes."),
        QStringLiteral("ms"), QStringLiteral("30"));
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("Start run, pause or stop."),
                                         QStringLiteral("state"), QStringLiteral("run"));
    const QCommandLineOption levelOption(
        QStringLiteral("level"), QStringLiteral("Hold the level at this many tenths of a dB."),
        QStringLiteral("tenths"));
    parser.addOptions({portOption, dirOption, periodOption, paceOption, faultOption, splitAtOption,
                       splitGapOption, stateOption, levelOption});
    parser.process(app);

    bool ok = false;
    const int port = parser.value(portOption).toInt(&ok);
    if (!ok || port < 1 || port > 16) return failWith(QStringLiteral("--port takes 1 to 16"));
    const int period = parser.value(periodOption).toInt(&ok);
    if (!ok || period < 1)
        return failWith(QStringLiteral("--period takes a positive number of ms"));

    MeterSim sim;
    if (parser.isSet(levelOption)) {
        const int level = parser.value(levelOption).toInt(&ok);
        if (!ok || level < 0 || level > 32767)
            return failWith(QStringLiteral("--level takes 0 to 32767 tenths of a dB"));
        sim.setLevel(level);
    }
    const int splitAt = parser.value(splitAtOption).toInt(&ok);
    if (!ok || splitAt < 1 || splitAt > 5)
        return failWith(QStringLiteral("--split-at takes 1 to 5"));
    const int splitGap = parser.value(splitGapOption).toInt(&ok);
    if (!ok || splitGap < 0) return failWith(QStringLiteral("--split-gap takes 0 or more ms"));
    sim.setSplitAt(splitAt);
    sim.setSplitGap(splitGap);
    sim.setPeriod(period);
    sim.setPacing(parser.isSet(paceOption));
    for (const QString& name : parser.values(faultOption)) {
        const std::optional<MeterSim::Fault> fault = MeterSim::faultFromName(name);
        if (!fault) return failWith(QStringLiteral("unknown fault %1").arg(name));
        sim.setFault(*fault, true);
    }
    const QString state = parser.value(stateOption);
    if (state == QLatin1String("pause"))
        sim.setRunState(MeterSim::RunState::Pause);
    else if (state == QLatin1String("stop"))
        sim.setRunState(MeterSim::RunState::Stop);
    else if (state != QLatin1String("run"))
        return failWith(QStringLiteral("--state takes run, pause or stop"));

    if (!watchSignals()) return failWith(QStringLiteral("cannot watch signals"));
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::quit(); });

    QString error;
    if (!sim.start(parser.value(dirOption), port, &error)) return failWith(error);
    std::printf("device: %s\nlink: %s\n", qPrintable(sim.devicePath()), qPrintable(sim.linkPath()));
    std::fflush(stdout);

    const int rc = app.exec();
    sim.stop();
    return rc;
}
