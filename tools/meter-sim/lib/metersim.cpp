#include "metersim.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <functional>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr quint16 FirstAddress = 0x0100;
constexpr quint32 MemoryKb = 65536;
constexpr quint32 ReservedBlocks = 256;
constexpr int MaxSets = 255;
constexpr int MaxLoggedRecords = 100000;
constexpr double PacedBytesPerMs = 3.84;
constexpr double PacingBurst = 64;
constexpr int IntegrationTimes = 9;

const char* const TimeWeightingTexts[] = {"FAST", "SLOW", "IMP ", "    "};
const char FrequencyLetters[] = {'A', 'C', 'Z', 'A'};
const char* const RangeTexts[] = {"80-140", "70-130", "60-120", "50-110", "40-100", "30-90 "};
const QByteArray HandshakeReply("\x02\xFF\xFF\xFF\xFF\x03", 6);
const QByteArray UnderText("  -- ");
const QByteArray OverText("  OL ");

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QByteArray timeText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toLatin1();
}

quint8 toBcd(int v)
{
    return quint8((v / 10 % 10) << 4 | (v % 10));
}

int fromBcd(quint8 b)
{
    const int hi = b >> 4, lo = b & 15;
    return hi > 9 || lo > 9 ? -1 : hi * 10 + lo;
}

void put32(QByteArray& a, int index, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        a[index + i] = char((v >> (8 * i)) & 0xFF);
}

// Fixed-width field; longer texts are cut so the layout never shifts.
void putField(QByteArray& a, int position, const QByteArray& text, int width)
{
    const QByteArray t = text.leftJustified(width, ' ', true);
    std::memcpy(a.data() + position - 1, t.constData(), size_t(width));
}

QByteArray tenthsText(int tenths, int width)
{
    tenths = std::clamp(tenths, 0, 9999);
    return (QByteArray::number(tenths / 10) + '.' + QByteArray::number(tenths % 10))
        .rightJustified(width, ' ');
}

std::optional<int> parseTenths(const QByteArray& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || v < 0) return std::nullopt;
    return int(std::lround(v * 10));
}

quint32 blocksOf(const MeterSim::Set& s)
{
    return std::max<quint32>(1, (s.size() + 1023) / 1024);
}

int rangeLow(int code)
{
    return 80 - 10 * code;
}
int rangeHigh(int code)
{
    return 140 - 10 * code;
}

} // namespace

class MeterSim::Private
{
public:
    struct Chunk
    {
        enum Kind { Frame, FrameTail, Reply, Raw };
        QByteArray bytes;
        Kind kind = Raw;
        bool endsFrame = false;
        int delay = 0; // before the first byte, counted when it reaches the front
        qint64 due = -1;
        qsizetype offset = 0;
    };

    // Shared with the callers' threads; guarded by mutex.
    mutable QMutex mutex;
    mutable QWaitCondition logChanged;
    int periodMs = 100;
    int holdOffMs = 500;
    int queueCap = 4096;
    int partialTimeoutMs = 2000;
    bool pacing = false;
    bool live = true;
    State st;
    std::optional<int> fixedLevel;
    std::optional<quint8> rawRange;
    std::optional<quint8> rawMode;
    std::optional<quint16> rawLevel;
    QDateTime clockBase;
    QElapsedTimer clockRun;
    QList<Set> sets;
    quint16 loggingAddress = 0;
    int loggingInterval = 1;
    quint32 faults = 0;
    int shortBy = 1;
    int truncateAt = 0;
    int stallAt = 0;
    int stallMs = 1000;
    int splitGap = 30;
    int splitAt = 3;
    QByteArray extra = QByteArray("\x55\xAA", 2);
    QByteArray faultFilter;
    QByteArray handshake;
    int handshakeTimes = 0;
    QByteArray log;
    QList<Command> commands;
    qint64 framesSent = 0;
    qint64 bytesWritten = 0;
    QRandomGenerator rng{QRandomGenerator::global()->generate()};
    bool running = false;
    QString device;
    QString link;

    // Owned by the simulator's thread while it runs.
    int master = -1;
    int slave = -1;
    QThread* thread = nullptr;
    QObject* context = nullptr;
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    QTimer* frameTimer = nullptr;
    QTimer* writeTimer = nullptr;
    QTimer* loggerTimer = nullptr;
    std::deque<Chunk> queue;
    qsizetype queued = 0;
    QByteArray partial;
    qint64 partialSince = 0;
    qint64 holdUntil = 0;
    bool pacingActive = false;
    double tokens = 0;
    qint64 tokensAt = 0;

    Private()
    {
        clockBase = QDateTime::currentDateTime();
        clockRun.start();
        sets = defaultSets();
    }

    bool has(Fault f) const { return faults & (1u << int(f)); }

    QDateTime clockNow() const { return clockBase.addMSecs(clockRun.elapsed()); }

    // Callers hold the mutex.
    void post(std::function<void()> f)
    {
        if (running && context)
            QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
    }

    void poke()
    {
        post([this] { applyConfig(); });
    }

    QByteArray frameBytes() const
    {
        const int code = st.rangeCode;
        const int level = st.level;
        quint8 range = quint8(code);
        if (level > rangeHigh(code) * 10) range |= 0x80;
        quint8 mode = quint8(st.timeWeighting & 3) | quint8((st.frequencyWeighting & 3) << 5);
        mode |= st.runState == RunState::Run ? 0x04 : st.runState == RunState::Pause ? 0x08 : 0x10;
        if (level < rangeLow(code) * 10) mode |= 0x80;
        quint16 word = quint16(level & 0x7FFF);
        if (st.runState == RunState::Pause) word |= 0x8000;
        if (rawRange) range = *rawRange;
        if (rawMode) mode = *rawMode;
        if (rawLevel) word = *rawLevel;
        QByteArray f(6, '\0');
        f[0] = 0x02;
        f[1] = char(range);
        f[2] = char(mode);
        f[3] = char(word >> 8);
        f[4] = char(word & 0xFF);
        f[5] = 0x03;
        return f;
    }

    void stepLevel()
    {
        if (fixedLevel) {
            st.level = *fixedLevel;
            return;
        }
        int l = st.level + rng.bounded(-5, 6);
        if (l < 450) l = 900 - l;
        if (l > 850) l = 1700 - l;
        st.level = std::clamp(l, 450, 850);
    }

    QByteArray presentLevelText() const
    {
        if (st.level > rangeHigh(st.rangeCode) * 10) return OverText;
        if (st.level < rangeLow(st.rangeCode) * 10) return UnderText;
        return levelText(st.level);
    }

    Set blankSet(quint16 address) const
    {
        Set s;
        s.address = address;
        QDateTime t = clockNow();
        t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
        s.start = t;
        s.interval = 1;
        s.frequencyWeighting = FrequencyLetters[st.frequencyWeighting & 3];
        s.timeWeighting = TimeWeightingTexts[st.timeWeighting & 3];
        s.range = RangeTexts[st.rangeCode];
        return s;
    }

    quint16 nextAddress() const
    {
        quint32 end = FirstAddress;
        for (const Set& s : sets)
            end = std::max(end, quint32(s.address) + blocksOf(s));
        return quint16(std::min<quint32>(end, 0xFFFF));
    }

    void toggleLogging()
    {
        if (st.logging) {
            st.logging = false;
            return;
        }
        if (sets.size() >= MaxSets) return;
        Set s = blankSet(nextAddress());
        loggingInterval = std::clamp<int>(st.samplingTime, 1, 9);
        s.interval = loggingInterval;
        sets.append(s);
        loggingAddress = s.address;
        st.logging = true;
    }

    void pressKey(quint8 code)
    {
        switch (code) {
        case 1:
            st.frequencyWeighting = (st.frequencyWeighting + 1) % 4;
            break;
        case 2:
            st.timeWeighting = (st.timeWeighting + 1) % 3;
            break;
        case 3:
            st.display = (st.display + 1) % 3;
            break;
        case 4:
            st.hold = (st.hold + 1) % 3;
            break;
        case 5:
            st.runState = st.runState == RunState::Run     ? RunState::Pause
                          : st.runState == RunState::Pause ? RunState::Stop
                                                           : RunState::Run;
            break;
        case 6:
            toggleLogging();
            break;
        case 8:
            st.integration = (st.integration + 1) % IntegrationTimes;
            break;
        case 9:
            st.rangeCode = std::max(0, st.rangeCode - 1);
            break;
        case 10:
            st.rangeCode = std::min(5, st.rangeCode + 1);
            break;
        default:
            break;
        }
    }

    void setClockFromBcd(const QByteArray& b)
    {
        int v[6];
        for (int i = 0; i < 6; ++i) {
            v[i] = fromBcd(quint8(b[i]));
            if (v[i] < 0) return;
        }
        const QDate date(2000 + v[5], v[4], v[3]);
        const QTime time(v[2], v[1], v[0]);
        if (!date.isValid() || !time.isValid()) return;
        const QDateTime t(date, time);
        if (!t.isValid()) return;
        clockBase = t;
        clockRun.restart();
    }

    // Worker thread from here on.

    void setup()
    {
        readNotifier = new QSocketNotifier(master, QSocketNotifier::Read, context);
        QObject::connect(readNotifier, &QSocketNotifier::activated, context,
                         [this] { onReadable(); });
        writeNotifier = new QSocketNotifier(master, QSocketNotifier::Write, context);
        writeNotifier->setEnabled(false);
        QObject::connect(writeNotifier, &QSocketNotifier::activated, context, [this] {
            writeNotifier->setEnabled(false);
            pump();
        });
        frameTimer = new QTimer(context);
        frameTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(frameTimer, &QTimer::timeout, context, [this] { onFrameTick(); });
        writeTimer = new QTimer(context);
        writeTimer->setSingleShot(true);
        writeTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(writeTimer, &QTimer::timeout, context, [this] { pump(); });
        loggerTimer = new QTimer(context);
        QObject::connect(loggerTimer, &QTimer::timeout, context, [this] { onLoggerTick(); });
        applyConfig();
    }

    void teardown()
    {
        delete readNotifier;
        delete writeNotifier;
        delete frameTimer;
        delete writeTimer;
        delete loggerTimer;
        readNotifier = writeNotifier = nullptr;
        frameTimer = writeTimer = loggerTimer = nullptr;
        queue.clear();
        queued = 0;
        partial.clear();
        holdUntil = 0;
    }

    void applyConfig()
    {
        if (!frameTimer) return;
        int period;
        bool pace, logging;
        int interval;
        {
            QMutexLocker lock(&mutex);
            period = std::max(1, periodMs);
            pace = pacing;
            logging = st.logging;
            interval = loggingInterval;
        }
        if (frameTimer->interval() != period || !frameTimer->isActive()) frameTimer->start(period);
        if (!logging)
            loggerTimer->stop();
        else if (!loggerTimer->isActive() || loggerTimer->interval() != interval * 1000)
            loggerTimer->start(interval * 1000);
        if (pace && !pacingActive) {
            tokens = 0;
            tokensAt = nowMs();
        }
        pacingActive = pace;
        pump();
    }

    void onReadable()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                take(QByteArray(buf, n));
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break;
        }
        applyConfig();
    }

    void take(const QByteArray& bytes)
    {
        const qint64 now = nowMs();
        int hold, partialTimeout;
        {
            QMutexLocker lock(&mutex);
            log.append(bytes);
            hold = holdOffMs;
            partialTimeout = partialTimeoutMs;
            logChanged.wakeAll();
        }
        if (!partial.isEmpty() && partialTimeout > 0 && now - partialSince > partialTimeout)
            partial.clear();
        for (const char b : bytes) {
            if (partial.isEmpty()) {
                if (!commandLength(b)) continue;
                partialSince = now;
            }
            partial.append(b);
            holdUntil = std::max(holdUntil, now + hold);
            if (partial.size() == commandLength(partial[0])) {
                execute(partial);
                partial.clear();
            }
        }
    }

    void execute(const QByteArray& cmd)
    {
        QByteArray reply;
        bool answers = false;
        bool silent, applies;
        bool shortened, truncated, stalled, extended, framed;
        int cutBy, cutAt, pauseAt, pauseMs;
        QByteArray tail, frame;
        {
            QMutexLocker lock(&mutex);
            commands.append({nowMs(), cmd});
            logChanged.wakeAll();
            const auto byte = [&cmd](int i) { return quint8(cmd[i]); };
            switch (cmd[0]) {
            case 'A':
                answers = true;
                if (handshakeTimes != 0) {
                    reply = handshake;
                    if (handshakeTimes > 0) --handshakeTimes;
                } else {
                    reply = HandshakeReply;
                }
                break;
            case 'K':
                pressKey(byte(3));
                break;
            case 'G':
                pressKey(1);
                break;
            case 'D':
                pressKey(2);
                break;
            case 'E':
                pressKey(9);
                break;
            case 'F':
                pressKey(10);
                break;
            case 'J':
                answers = true;
                reply.append(char(st.samplingTime >> 8)).append(char(st.samplingTime & 0xFF));
                break;
            case 'C':
                st.samplingTime = quint16(byte(1) << 8 | byte(2));
                break;
            case 'I':
                answers = true;
                reply = clockBytes(clockNow());
                break;
            case 'B':
                setClockFromBcd(cmd.mid(1));
                break;
            case 'N':
                answers = true;
                reply = directory(sets);
                break;
            case 'O': {
                answers = true;
                const quint16 address = quint16(byte(1) | byte(2) << 8);
                const auto it = std::find_if(sets.cbegin(), sets.cend(), [address](const Set& s) {
                    return s.address == address;
                });
                reply = dump(it != sets.cend() ? *it : blankSet(address));
                break;
            }
            case 'H':
                sets.clear();
                st.logging = false;
                break;
            case 'P': {
                const quint16 address = quint16(byte(1) | byte(2) << 8);
                if (st.logging && loggingAddress == address) st.logging = false;
                sets.removeIf([address](const Set& s) { return s.address == address; });
                break;
            }
            default:
                break;
            }
            silent = has(Fault::Silence);
            applies = faultFilter.isEmpty() || faultFilter.contains(cmd[0]);
            shortened = applies && has(Fault::ShortReplies);
            truncated = applies && has(Fault::TruncatedReplies);
            stalled = applies && has(Fault::StalledReplies);
            extended = applies && has(Fault::ExtraBytes);
            framed = applies && has(Fault::FrameBeforeReply);
            cutBy = shortBy;
            cutAt = truncateAt;
            pauseAt = stallAt;
            pauseMs = stallMs;
            tail = extra;
            if (framed) frame = frameBytes();
        }
        if (!answers || silent) return;
        if (shortened) reply.chop(std::max(0, cutBy));
        if (truncated) reply.truncate(cutAt > 0 ? cutAt : reply.size() / 2);
        if (extended) reply.append(tail);
        QList<Chunk> parts;
        if (!frame.isEmpty()) parts.append({frame, Chunk::Raw, true, 0});
        if (stalled && reply.size() > 1) {
            const qsizetype at = std::clamp<qsizetype>(pauseAt > 0 ? pauseAt : reply.size() / 2, 1,
                                                       reply.size() - 1);
            parts.append({reply.left(at), Chunk::Reply, false, 0});
            parts.append({reply.mid(at), Chunk::Reply, false, std::max(0, pauseMs)});
        } else {
            parts.append({reply, Chunk::Reply, false, 0});
        }
        enqueueReply(parts);
    }

    void onFrameTick()
    {
        if (nowMs() < holdUntil) return;
        QByteArray frame;
        bool split, noise, trickle;
        int gap, at, period;
        {
            QMutexLocker lock(&mutex);
            if (has(Fault::Silence) || !live) return;
            stepLevel();
            noise = has(Fault::Noise);
            if (noise) {
                frame.resize(6);
                for (char& c : frame) {
                    int b = rng.bounded(255);
                    c = char(b >= 3 ? b + 1 : b);
                }
            } else {
                frame = frameBytes();
            }
            split = has(Fault::SplitFrames);
            trickle = has(Fault::Trickle);
            gap = splitGap;
            at = splitAt;
            period = periodMs;
            // A program that does not read must not make us hoard frames.
            if (queued + frame.size() > queueCap) return;
        }
        if (trickle) {
            const int spacing = std::max(1, period / 6);
            queue.push_back({frame.left(1), Chunk::Frame, false, 0});
            for (int j = 1; j < 6; ++j)
                queue.push_back({frame.mid(j, 1), Chunk::FrameTail, j == 5 && !noise, spacing});
        } else if (split) {
            queue.push_back({frame.left(at), Chunk::Frame, false, 0});
            queue.push_back({frame.mid(at), Chunk::FrameTail, !noise, std::max(0, gap)});
        } else {
            queue.push_back({frame, Chunk::Frame, !noise, 0});
        }
        queued += frame.size();
        pump();
    }

    void onLoggerTick()
    {
        QMutexLocker lock(&mutex);
        if (!st.logging) return;
        const auto it = std::find_if(sets.begin(), sets.end(),
                                     [this](const Set& s) { return s.address == loggingAddress; });
        if (it == sets.end() || it->records.size() >= MaxLoggedRecords) {
            st.logging = false;
            return;
        }
        it->records.append({presentLevelText(), st.runState == RunState::Pause});
    }

    void enqueueReply(const QList<Chunk>& parts)
    {
        const qint64 now = nowMs();
        for (Chunk& c : queue) {
            if (c.kind == Chunk::FrameTail) {
                c.delay = 0;
                if (c.due >= 0) c.due = now;
            }
        }
        int cap;
        {
            QMutexLocker lock(&mutex);
            cap = queueCap;
        }
        if (queued > cap) {
            for (auto it = queue.begin(); it != queue.end();) {
                if (it->kind == Chunk::Frame && it->offset == 0) {
                    queued -= it->bytes.size();
                    it = queue.erase(it);
                    while (it != queue.end() && it->kind == Chunk::FrameTail) {
                        queued -= it->bytes.size();
                        it = queue.erase(it);
                    }
                } else {
                    ++it;
                }
            }
        }
        for (const Chunk& c : parts) {
            queue.push_back(c);
            queued += c.bytes.size();
        }
        pump();
    }

    void pushRaw(const QByteArray& bytes)
    {
        queue.push_back({bytes, Chunk::Raw, false, 0});
        queued += bytes.size();
        pump();
    }

    void pump()
    {
        if (master < 0 || !writeTimer) return;
        while (!queue.empty()) {
            Chunk& c = queue.front();
            const qint64 now = nowMs();
            if (c.due < 0) c.due = now + c.delay;
            if (c.due > now) {
                writeTimer->start(int(c.due - now));
                return;
            }
            qsizetype want = c.bytes.size() - c.offset;
            if (want > 0 && pacingActive) {
                tokens = std::min(PacingBurst, tokens + double(now - tokensAt) * PacedBytesPerMs);
                tokensAt = now;
                if (tokens < 1) {
                    writeTimer->start(int(std::ceil((8 - tokens) / PacedBytesPerMs)));
                    return;
                }
                want = std::min(want, qsizetype(tokens));
            }
            ssize_t n = 0;
            if (want > 0) {
                n = ::write(master, c.bytes.constData() + c.offset, size_t(want));
                if (n < 0) {
                    if (errno == EINTR) continue;
                    if (errno == EAGAIN || errno == EWOULDBLOCK) {
                        writeNotifier->setEnabled(true);
                        return;
                    }
                    n = want; // the line is gone; drop rather than loop
                }
            }
            if (pacingActive) tokens -= double(n);
            c.offset += n;
            queued -= n;
            const bool done = c.offset >= c.bytes.size();
            {
                QMutexLocker lock(&mutex);
                bytesWritten += n;
                if (done && c.endsFrame) ++framesSent;
            }
            if (done) queue.pop_front();
        }
    }
};

MeterSim::MeterSim() : d(std::make_unique<Private>()) {}

MeterSim::~MeterSim()
{
    stop();
}

bool MeterSim::start(const QString& portsDir, int port, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (isRunning()) return fail(QStringLiteral("already running"));
    if (port != 0 && (port < 1 || port > 16))
        return fail(QStringLiteral("port %1 is not 1 to 16").arg(port));

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return fail(
            QStringLiteral("posix_openpt: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        const int e = errno;
        ::close(master);
        return fail(
            QStringLiteral("pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(e))));
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slave < 0) {
        const int e = errno;
        ::close(master);
        return fail(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(name),
                                                 QString::fromLocal8Bit(std::strerror(e))));
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B38400);
    ::cfsetospeed(&t, B38400);
    ::tcsetattr(slave, TCSANOW, &t);
    const QString device = QString::fromLocal8Bit(name);

    QString link;
    if (port != 0) {
        QDir dir(portsDir);
        if (portsDir.isEmpty() || !dir.mkpath(QStringLiteral("."))) {
            ::close(slave);
            ::close(master);
            return fail(QStringLiteral("cannot create the folder %1").arg(portsDir));
        }
        link = dir.absoluteFilePath(QStringLiteral("COM%1").arg(port));
        const QByteArray linkName = QFile::encodeName(link);
        struct stat st
        {
        };
        if (::lstat(linkName.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode) || ::unlink(linkName.constData()) != 0) {
                ::close(slave);
                ::close(master);
                return fail(QStringLiteral("%1 exists and is no link of ours").arg(link));
            }
        }
        if (::symlink(name, linkName.constData()) != 0) {
            const int e = errno;
            ::close(slave);
            ::close(master);
            return fail(
                QStringLiteral("%1: %2").arg(link, QString::fromLocal8Bit(std::strerror(e))));
        }
    }

    d->master = master;
    d->slave = slave;
    d->thread = new QThread;
    d->thread->setObjectName(QStringLiteral("meter-sim"));
    d->context = new QObject;
    d->context->moveToThread(d->thread);
    d->thread->start();
    {
        QMutexLocker lock(&d->mutex);
        d->device = device;
        d->link = link;
        d->running = true;
    }
    QMetaObject::invokeMethod(
        d->context, [this] { d->setup(); }, Qt::BlockingQueuedConnection);
    return true;
}

void MeterSim::stop()
{
    QString link, device;
    {
        QMutexLocker lock(&d->mutex);
        if (!d->running) return;
        d->running = false;
        link = d->link;
        device = d->device;
        d->link.clear();
    }
    QMetaObject::invokeMethod(
        d->context, [this] { d->teardown(); }, Qt::BlockingQueuedConnection);
    d->thread->quit();
    d->thread->wait();
    delete d->context;
    delete d->thread;
    d->context = nullptr;
    d->thread = nullptr;
    ::close(d->master);
    ::close(d->slave);
    d->master = d->slave = -1;
    if (!link.isEmpty() && QFileInfo(link).symLinkTarget() == QFileInfo(device).absoluteFilePath())
        QFile::remove(link);
}

bool MeterSim::isRunning() const
{
    QMutexLocker lock(&d->mutex);
    return d->running;
}

QString MeterSim::devicePath() const
{
    QMutexLocker lock(&d->mutex);
    return d->device;
}

QString MeterSim::linkPath() const
{
    QMutexLocker lock(&d->mutex);
    return d->link;
}

void MeterSim::setPeriod(int msecs)
{
    QMutexLocker lock(&d->mutex);
    d->periodMs = std::max(1, msecs);
    d->poke();
}

int MeterSim::period() const
{
    QMutexLocker lock(&d->mutex);
    return d->periodMs;
}

void MeterSim::setHoldOff(int msecs)
{
    QMutexLocker lock(&d->mutex);
    d->holdOffMs = std::max(0, msecs);
}

int MeterSim::holdOff() const
{
    QMutexLocker lock(&d->mutex);
    return d->holdOffMs;
}

void MeterSim::setPacing(bool on)
{
    QMutexLocker lock(&d->mutex);
    d->pacing = on;
    d->poke();
}

bool MeterSim::pacing() const
{
    QMutexLocker lock(&d->mutex);
    return d->pacing;
}

void MeterSim::setQueueCap(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->queueCap = std::max(6, bytes);
}

void MeterSim::setPartialTimeout(int msecs)
{
    QMutexLocker lock(&d->mutex);
    d->partialTimeoutMs = std::max(0, msecs);
}

void MeterSim::setLiveFrames(bool on)
{
    QMutexLocker lock(&d->mutex);
    d->live = on;
}

bool MeterSim::liveFrames() const
{
    QMutexLocker lock(&d->mutex);
    return d->live;
}

void MeterSim::setLevel(std::optional<int> tenths)
{
    QMutexLocker lock(&d->mutex);
    d->fixedLevel = tenths ? std::optional<int>(std::clamp(*tenths, 0, 0x7FFF)) : std::nullopt;
    if (d->fixedLevel) d->st.level = *d->fixedLevel;
}

void MeterSim::setRawRangeByte(std::optional<quint8> byte)
{
    QMutexLocker lock(&d->mutex);
    d->rawRange = byte;
}

void MeterSim::setRawModeByte(std::optional<quint8> byte)
{
    QMutexLocker lock(&d->mutex);
    d->rawMode = byte;
}

void MeterSim::setRawLevelWord(std::optional<quint16> word)
{
    QMutexLocker lock(&d->mutex);
    d->rawLevel = word;
}

QByteArray MeterSim::currentFrame() const
{
    QMutexLocker lock(&d->mutex);
    return d->frameBytes();
}

qint64 MeterSim::framesSent() const
{
    QMutexLocker lock(&d->mutex);
    return d->framesSent;
}

qint64 MeterSim::bytesWritten() const
{
    QMutexLocker lock(&d->mutex);
    return d->bytesWritten;
}

MeterSim::State MeterSim::state() const
{
    QMutexLocker lock(&d->mutex);
    return d->st;
}

void MeterSim::setRangeCode(int code)
{
    QMutexLocker lock(&d->mutex);
    d->st.rangeCode = std::clamp(code, 0, 5);
}

void MeterSim::setFrequencyWeighting(int code)
{
    QMutexLocker lock(&d->mutex);
    d->st.frequencyWeighting = code & 3;
}

void MeterSim::setTimeWeighting(int code)
{
    QMutexLocker lock(&d->mutex);
    d->st.timeWeighting = code & 3;
}

void MeterSim::setRunState(RunState run)
{
    QMutexLocker lock(&d->mutex);
    d->st.runState = run;
}

void MeterSim::setSamplingTime(quint16 seconds)
{
    QMutexLocker lock(&d->mutex);
    d->st.samplingTime = seconds;
}

void MeterSim::setClock(const QDateTime& dateTime)
{
    QMutexLocker lock(&d->mutex);
    d->clockBase = dateTime;
    d->clockRun.restart();
}

QDateTime MeterSim::clock() const
{
    QMutexLocker lock(&d->mutex);
    return d->clockNow();
}

void MeterSim::setSets(const QList<Set>& sets)
{
    QMutexLocker lock(&d->mutex);
    d->sets = sets.first(std::min<qsizetype>(sets.size(), MaxSets));
    d->st.logging = false;
    d->poke();
}

QList<MeterSim::Set> MeterSim::sets() const
{
    QMutexLocker lock(&d->mutex);
    return d->sets;
}

void MeterSim::setFault(Fault fault, bool on)
{
    QMutexLocker lock(&d->mutex);
    if (on)
        d->faults |= 1u << int(fault);
    else
        d->faults &= ~(1u << int(fault));
}

bool MeterSim::fault(Fault fault) const
{
    QMutexLocker lock(&d->mutex);
    return d->has(fault);
}

void MeterSim::clearFaults()
{
    QMutexLocker lock(&d->mutex);
    d->faults = 0;
}

void MeterSim::setShortBy(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->shortBy = std::max(0, bytes);
}

void MeterSim::setTruncateAt(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->truncateAt = std::max(0, bytes);
}

void MeterSim::setStall(int atByte, int msecs)
{
    QMutexLocker lock(&d->mutex);
    d->stallAt = std::max(0, atByte);
    d->stallMs = std::max(0, msecs);
}

void MeterSim::setSplitGap(int msecs)
{
    QMutexLocker lock(&d->mutex);
    d->splitGap = std::max(0, msecs);
}

void MeterSim::setSplitAt(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->splitAt = std::clamp(bytes, 1, 5);
}

void MeterSim::setExtraBytes(const QByteArray& bytes)
{
    QMutexLocker lock(&d->mutex);
    d->extra = bytes;
}

void MeterSim::setReplyFaultFilter(const QByteArray& commands)
{
    QMutexLocker lock(&d->mutex);
    d->faultFilter = commands;
}

void MeterSim::setHandshakeReply(const QByteArray& reply, int times)
{
    QMutexLocker lock(&d->mutex);
    d->handshake = reply;
    d->handshakeTimes = times;
}

void MeterSim::clearHandshakeReply()
{
    QMutexLocker lock(&d->mutex);
    d->handshake.clear();
    d->handshakeTimes = 0;
}

void MeterSim::inject(const QByteArray& bytes)
{
    QMutexLocker lock(&d->mutex);
    d->post([this, bytes] { d->pushRaw(bytes); });
}

QByteArray MeterSim::received() const
{
    QMutexLocker lock(&d->mutex);
    return d->log;
}

QList<MeterSim::Command> MeterSim::commands() const
{
    QMutexLocker lock(&d->mutex);
    return d->commands;
}

void MeterSim::clearLog()
{
    QMutexLocker lock(&d->mutex);
    d->log.clear();
    d->commands.clear();
}

bool MeterSim::waitForCommands(int count, int msecs) const
{
    QMutexLocker lock(&d->mutex);
    const QDeadlineTimer deadline(msecs);
    while (d->commands.size() < count) {
        if (!d->logChanged.wait(&d->mutex, deadline)) return d->commands.size() >= count;
    }
    return true;
}

bool MeterSim::waitForReceived(qsizetype bytes, int msecs) const
{
    QMutexLocker lock(&d->mutex);
    const QDeadlineTimer deadline(msecs);
    while (d->log.size() < bytes) {
        if (!d->logChanged.wait(&d->mutex, deadline)) return d->log.size() >= bytes;
    }
    return true;
}

int MeterSim::commandLength(char first)
{
    switch (first) {
    case 'A':
    case 'G':
    case 'D':
    case 'E':
    case 'F':
    case 'J':
    case 'I':
    case 'N':
    case 'H':
        return 1;
    case 'C':
    case 'O':
    case 'P':
        return 3;
    case 'K':
        return 4;
    case 'B':
        return 7;
    default:
        return 0;
    }
}

quint32 MeterSim::packDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid()) return 0;
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    const quint32 year = quint32(std::clamp(date.year() - 1980, 0, 127));
    return year << 25 | quint32(date.month()) << 21 | quint32(date.day()) << 16 |
           quint32(time.hour()) << 11 | quint32(time.minute()) << 5 | quint32(time.second() / 2);
}

QByteArray MeterSim::clockBytes(const QDateTime& dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    QByteArray b(6, '\0');
    b[0] = char(toBcd(time.second()));
    b[1] = char(toBcd(time.minute()));
    b[2] = char(toBcd(time.hour()));
    b[3] = char(toBcd(date.day()));
    b[4] = char(toBcd(date.month()));
    b[5] = char(toBcd(date.year() % 100));
    return b;
}

QByteArray MeterSim::levelText(int tenths)
{
    return tenthsText(tenths, 5);
}

QByteArray MeterSim::directory(const QList<Set>& sets)
{
    const int n = int(std::min<qsizetype>(sets.size(), MaxSets));
    QByteArray r(10 * n + 12, '\0');
    quint32 used = 0;
    for (int k = 0; k < n; ++k)
        used += blocksOf(sets[k]);
    put32(r, 1, MemoryKb);
    put32(r, 5, MemoryKb > ReservedBlocks + used ? MemoryKb - ReservedBlocks - used : 0);
    r[9] = char(n);
    for (int k = 0; k < n; ++k) {
        const Set& s = sets[k];
        const int e = 11 + 10 * k;
        const quint32 packed = packDateTime(s.start);
        r[e] = char(s.address & 0xFF);
        r[e + 1] = char(s.address >> 8);
        put32(r, e + 2, s.size());
        r[e + 6] = char((packed >> 16) & 0xFF);
        r[e + 7] = char(packed >> 24);
        r[e + 8] = char(packed & 0xFF);
        r[e + 9] = char((packed >> 8) & 0xFF);
    }
    return r;
}

QByteArray MeterSim::dump(const Set& set)
{
    const qsizetype r = set.records.size();
    QByteArray d(359 + 38 * r, ' ');
    const int interval = std::clamp(set.interval, 0, 9);
    putField(d, 20, QByteArray::number(interval), 1);
    putField(d, 40, QByteArray(1, set.frequencyWeighting), 1);
    putField(d, 57, set.timeWeighting, 4);
    putField(d, 77, set.range, 6);
    putField(d, 116, timeText(set.start), 19);

    QList<int> levels;
    int maxLevel = 0;
    qsizetype maxAt = 0;
    double energy = 0;
    for (qsizetype k = 0; k < r; ++k) {
        const std::optional<int> l = parseTenths(set.records[k].level);
        if (!l) continue;
        if (levels.isEmpty() || *l > maxLevel) {
            maxLevel = *l;
            maxAt = k;
        }
        levels.append(*l);
        energy += std::pow(10.0, *l / 100.0);
    }
    int leq = 0, sel = 0;
    if (!levels.isEmpty()) {
        const double leqDb = 10 * std::log10(energy / double(levels.size()));
        const double span = double(r) * interval;
        leq = int(std::lround(leqDb * 10));
        sel = int(std::lround((leqDb + (span > 0 ? 10 * std::log10(span) : 0)) * 10));
    }
    std::sort(levels.begin(), levels.end(), std::greater<int>());
    const auto exceeded = [&levels](int percent) {
        if (levels.isEmpty()) return 0;
        return levels[std::min<qsizetype>(levels.size() - 1, levels.size() * percent / 100)];
    };
    putField(d, 145, tenthsText(maxLevel, 6), 6);
    putField(d, 155, timeText(set.start.addSecs(qint64(maxAt) * interval)), 19);
    putField(d, 201, tenthsText(leq, 6), 6);
    putField(d, 217, tenthsText(sel, 6), 6);
    const int percents[] = {5, 10, 50, 90, 95};
    for (int i = 0; i < 5; ++i)
        putField(d, 233 + 16 * i, tenthsText(exceeded(percents[i]), 6), 6);

    for (qsizetype k = 0; k < r; ++k) {
        const Record& rec = set.records[k];
        const int base = int(359 + 38 * k) + 1;
        if (rec.paused) putField(d, base + 4, "[pause]", 7);
        putField(d, base + 12, timeText(set.start.addSecs(qint64(k) * interval)), 19);
        putField(d, base + 32, rec.level, 5);
    }
    for (auto it = set.headerPatches.cbegin(); it != set.headerPatches.cend(); ++it) {
        for (qsizetype i = 0; i < it.value().size(); ++i) {
            const qsizetype at = it.key() - 1 + i;
            if (at >= 0 && at < d.size()) d[at] = it.value()[i];
        }
    }
    return d;
}

MeterSim::Set MeterSim::makeSet(quint16 address, const QDateTime& start, int interval, int records,
                                quint32 seed)
{
    Set s;
    s.address = address;
    s.start = start;
    s.interval = interval;
    s.range = "40-100";
    QRandomGenerator g(seed);
    int level = 650;
    for (int k = 0; k < records; ++k) {
        level += g.bounded(-15, 16);
        if (level < 500) level = 1000 - level;
        if (level > 900) level = 1800 - level;
        Record rec;
        rec.paused = k % 10 == 3 || k % 10 == 4;
        rec.level = k % 17 == 7 ? UnderText : k % 23 == 11 ? OverText : levelText(level);
        s.records.append(rec);
    }
    return s;
}

QList<MeterSim::Set> MeterSim::defaultSets()
{
    Set a = makeSet(0x0100, QDateTime(QDate(2024, 5, 14), QTime(9, 30, 0)), 1, 12, 1);
    Set b = makeSet(0x0101, QDateTime(QDate(2024, 5, 14), QTime(11, 0, 0)), 5, 0, 2);
    b.frequencyWeighting = 'C';
    b.timeWeighting = "SLOW";
    b.range = "60-120";
    Set c = makeSet(0x0102, QDateTime(QDate(2024, 5, 15), QTime(8, 15, 0)), 2, 600, 3);
    c.timeWeighting = "IMP ";
    c.range = "30-90 ";
    return {a, b, c};
}

std::optional<MeterSim::Fault> MeterSim::faultFromName(const QString& name)
{
    static const QMap<QString, Fault> names = {
        {QStringLiteral("silence"), Fault::Silence},
        {QStringLiteral("noise"), Fault::Noise},
        {QStringLiteral("split"), Fault::SplitFrames},
        {QStringLiteral("trickle"), Fault::Trickle},
        {QStringLiteral("short"), Fault::ShortReplies},
        {QStringLiteral("truncate"), Fault::TruncatedReplies},
        {QStringLiteral("stall"), Fault::StalledReplies},
        {QStringLiteral("extra"), Fault::ExtraBytes},
        {QStringLiteral("frame"), Fault::FrameBeforeReply},
    };
    const auto it = names.constFind(name.toLower());
    return it == names.cend() ? std::nullopt : std::optional<Fault>(*it);
}
