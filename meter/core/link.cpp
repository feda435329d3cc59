#include "meter/core/link.h"

#include "common/clock.h"
#include "meter/core/liveline.h"
#include "meter/core/meter.h"
#include "meter/core/protocol.h"

namespace Meter {

namespace {

Link* theLink = nullptr;

// Between two rounds of the handshake, and between commands sent in a row.
constexpr int HandshakeMs = 200;
constexpr int SettleMs = 20;
// The directory's head is read this long after asking.
constexpr int DirectoryHeadMs = 100;

} // namespace

// ---- The token ----

PortToken::~PortToken()
{
    release();
}

PortToken::PortToken(PortToken&& other) noexcept : link_(std::exchange(other.link_, nullptr)) {}

PortToken& PortToken::operator=(PortToken&& other) noexcept
{
    if (this != &other) {
        release();
        link_ = std::exchange(other.link_, nullptr);
    }
    return *this;
}

void PortToken::release()
{
    if (Link* l = std::exchange(link_, nullptr)) l->give();
}

bool PortToken::failed() const
{
    return link_ && link_->failedWhileHeld_;
}

MeterPort* PortToken::port() const
{
    return link_ ? &link_->port_ : nullptr;
}

// ---- The link ----

Link::Link(MeterPort& port, QObject* parent)
    : QObject(parent), port_(port), live_(std::make_unique<LiveLine>(*this, port))
{
    theLink = this;
    handshake_.setInterval(HandshakeMs);
    handshake_.setSingleShot(true);
    connect(&handshake_, &QTimer::timeout, this, &Link::handshakeStep);
    queue_.setInterval(SettleMs);
    queue_.setSingleShot(true);
    connect(&queue_, &QTimer::timeout, this, &Link::sendQueued);
}

Link::~Link()
{
    if (theLink == this) theLink = nullptr;
}

Link* Link::instance()
{
    return theLink;
}

bool Link::portOpen() const
{
    return port_.portOpen();
}

PortToken Link::take()
{
    if (held_ || key_) return {};
    held_ = true;
    failedWhileHeld_ = false;
    ++taken_;
    return PortToken(this);
}

void Link::give()
{
    held_ = false;
    failedWhileHeld_ = false;
}

void Link::portFailed()
{
    if (held_) failedWhileHeld_ = true;
}

bool Link::write(const QByteArray& bytes)
{
    return port_.portOpen() && port_.output(bytes);
}

// ---- Keys ----

bool Link::pressKey(int code)
{
    const QByteArray command = RemoteKeyCommand(code);
    if (command.isEmpty() || key_ || held_ || !port_.portOpen() || Program::ending()) return false;
    key_ = code;
    // What came before the first "A" answers nothing.
    live_->takeBytes();
    live_->hear(true);
    heard_.clear();
    if (!write(QByteArray(1, CmdHandshake))) {
        endKey();
        return false;
    }
    handshake_.start();
    return true;
}

void Link::handshakeStep()
{
    if (!key_) return;
    if (Program::ending() || !port_.portOpen()) return endKey();
    live_->takeBytes();
    heard_ += live_->takeHeard();
    switch (JudgeHandshake(heard_)) {
    case Handshake::Answered: {
        const int code = key_;
        endKey();
        if (write(RemoteKeyCommand(code))) emit keySent(code);
        // Settings asked for meanwhile follow the key.
        if (!queued_.isEmpty()) queue_.start();
        return;
    }
    case Handshake::NotAnswered:
        heard_.clear(); // judged: a new round starts from an empty line
        break;
    case Handshake::TooFew:
        break; // the rest of an answer may still come with the next round
    }
    if (!write(QByteArray(1, CmdHandshake))) return endKey();
    handshake_.start();
}

void Link::endKey()
{
    key_ = 0;
    heard_.clear();
    handshake_.stop();
    live_->hear(false);
    if (queued_.isEmpty()) return;
    if (Program::ending() || !port_.portOpen()) queued_.clear();
}

void Link::sendQueued()
{
    if (queued_.isEmpty() || key_) return;
    if (held_) return queue_.start(); // after the exchange that has the port
    write(queued_.takeFirst());
    if (!queued_.isEmpty()) queue_.start();
}

// ---- Commands ----

Outcome Link::refused()
{
    return {End::Failed, QStringLiteral("Another exchange with the meter is under way.")};
}

Outcome Link::oneWay(const QByteArray& command, qint64 ms, const Gone& gone)
{
    PortToken token = take();
    if (!token) return refused();
    ReplyReader none(0); // the meter answers nothing
    Exchange exchange(token, none);
    exchange.interrupted = gone;
    if (!exchange.send(command, false)) return {End::Failed, exchange.failure()};
    if (ms > 0 && !exchange.wait(ms)) return {End::Interrupted, {}};
    return {};
}

Outcome Link::setting(char letter, const Gone& gone)
{
    if (key_) {
        queued_.append(QByteArray(1, letter));
        return {};
    }
    return oneWay(QByteArray(1, letter), SettleMs, gone);
}

Outcome Link::setSamplingTime(int seconds)
{
    QByteArray c(3, '\0');
    c[0] = CmdSetSampling;
    c[1] = char(seconds / 256);
    c[2] = char(seconds % 256);
    return oneWay(c, 0, {});
}

Outcome Link::setClock(const QDateTime& now, const Gone& gone)
{
    return oneWay(SetClockCommand(now), SettleMs, gone);
}

Outcome Link::erase(std::optional<quint16> setAddress, const Gone& gone)
{
    return oneWay(setAddress ? EraseSetCommand(*setAddress) : QByteArray(1, CmdEraseAll), SettleMs,
                  gone);
}

Outcome Link::readSamplingTime(int& seconds, const Gone& gone)
{
    PortToken token = take();
    if (!token) return refused();
    ReplyReader reply(2);
    reply.expectFramesLike(Meter::state().Frame);
    Exchange ask(token, reply);
    ask.interrupted = gone;
    if (!ask.send(QByteArray(1, CmdReadSampling))) return {End::Failed, ask.failure()};
    if (!ask.wait(SettleMs)) return {End::Interrupted, {}};
    ask.read();
    reply.settle();
    if (!reply.complete())
        return {End::Limit, QStringLiteral("The meter did not tell its sampling time.")};
    seconds = quint8(reply.reply()[0]) * 256 + quint8(reply.reply()[1]);
    return {};
}

Outcome Link::readClock(ClockBytes& clock, const Gone& gone)
{
    PortToken token = take();
    if (!token) return refused();
    for (int i = 0; i < ClockTries; ++i) {
        ReplyReader reply(ClockBytes().size());
        reply.expectFramesLike(Meter::state().Frame);
        Exchange exchange(token, reply);
        exchange.interrupted = gone;
        if (!exchange.send(QByteArray(1, CmdReadClock))) return {End::Failed, exchange.failure()};
        if (!exchange.wait(SettleMs)) return {End::Interrupted, {}};
        if (exchange.portFailed()) return {End::Failed, exchange.failure()};
        exchange.read();
        if (const std::optional<ClockBytes> c = ClockReply(reply)) {
            clock = *c;
            return {};
        }
    }
    return {End::Limit, QStringLiteral("The meter does not answer.")};
}

Outcome Link::dump(quint16 address, qint64 records, QByteArray& dump,
                   const std::function<void(qint64)>& progress, const Gone& gone)
{
    PortToken token = take();
    if (!token) return refused();
    const qint64 expected = DumpLength(records);
    ReplyReader reader(expected);
    reader.reserve(expected);
    reader.expectFramesLike(Meter::state().Frame);
    Exchange exchange(token, reader);
    exchange.interrupted = gone;
    exchange.progress = progress;
    if (!exchange.send(DumpCommand(address))) return {End::Failed, exchange.failure()};
    const End end =
        exchange.gather({10, DumpQuietMs, ReplyTimeLimitMs(expected, DumpQuietMs), 0, Events::All});
    switch (end) {
    case End::Whole:
        dump = reader.reply().toByteArray();
        return {};
    case End::Failed:
        return {end, exchange.failure()};
    case End::Interrupted:
        return {end, {}};
    default:
        return {end, QStringLiteral("The meter stopped answering.")};
    }
}

// ---- The directory ----

DirectoryRead::DirectoryRead(Link& link, Link::Gone gone) : link_(link)
{
    reader_.expectFramesLike(Meter::state().Frame);
    token_ = link_.take();
    exchange_.emplace(token_, reader_);
    exchange_->interrupted = std::move(gone);
}

bool DirectoryRead::ask()
{
    if (!token_) return false;
    if (!exchange_->send(QByteArray(1, CmdDirectory))) return true; // told by failure()
    if (!exchange_->wait(DirectoryHeadMs)) return false;
    exchange_->read();
    return true;
}

bool DirectoryRead::nothingCame() const
{
    return reader_.size() == 0 && reader_.lastByteMs() == 0 && !exchange_->portFailed();
}

bool DirectoryRead::headIn()
{
    if (!reader_.startKnown() && reader_.lastByteMs() > 0) finish();
    return reader_.headIn() && !exchange_->portFailed();
}

bool DirectoryRead::finish()
{
    end_ = reader_.complete()
               ? End::Whole
               : exchange_->gather({2, DirectoryQuietMs,
                                    ReplyTimeLimitMs(reader_.expected(), DirectoryQuietMs), 0,
                                    Events::None});
    return end_ == End::Whole;
}

QString DirectoryRead::failure() const
{
    if (exchange_->portFailed() || end_ == End::Failed) return exchange_->failure();
    if (!reader_.headIn())
        return QStringLiteral("The meter answered with %1 bytes where the list of its sets "
                              "has at least %2.")
            .arg(reader_.size())
            .arg(DirectoryHead);
    return QStringLiteral("The meter stopped answering after %1 of the %2 bytes of the list of "
                          "its sets.")
        .arg(std::min(reader_.size(), reader_.expected()))
        .arg(reader_.expected());
}

} // namespace Meter
