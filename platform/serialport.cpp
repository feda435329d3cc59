#include "platform/serialport.h"

#include "common/clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStandardPaths>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

SerialPort::SerialPort(QObject* parent) : QObject(parent), port_(new QSerialPort(this))
{
    setSettings(QStringLiteral("38400,n,8,1"));
    port_->setReadBufferSize(0);
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::stampArrival);
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError) markLost();
    });
}

void SerialPort::markLost()
{
    if (lost_) return;
    lost_ = true;
    emit deviceLost();
}

SerialPort::~SerialPort()
{
    if (port_->isOpen()) port_->close();
}

void SerialPort::setCommPort(int number)
{
    number_ = number;
}

bool SerialPort::setSettings(const QString& settings)
{
    const QStringList p = settings.split(QLatin1Char(','));
    if (p.size() != 4) return false;
    bool ok = false;
    const int baud = p[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0 || p[1].trimmed().compare(QLatin1String("n"), Qt::CaseInsensitive) != 0 ||
        p[2].trimmed() != QLatin1String("8") || p[3].trimmed() != QLatin1String("1"))
        return false;
    settings_ = settings;
    baud_ = baud;
    return true;
}

QString SerialPort::portsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/dorvi/ports");
}

QString SerialPort::deviceFor(int number)
{
    if (number < 1 || number > 16) return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const QFileInfo link(portsFolder() + QStringLiteral("/COM%1").arg(number));
    if (link.isSymLink()) return link.symLinkTarget();
    if (link.exists()) return link.absoluteFilePath();
    return QStringLiteral("/dev/ttyUSB%1").arg(number - 1);
#endif
}

namespace {
// Pieces remembered while nobody reads: the oldest merge into the next.
constexpr qsizetype MaxArrivals = 1024;
// A command is a few bytes: a line that takes none of them for this long
// does not take them.
constexpr int WriteWaitMs = 500;
} // namespace

void SerialPort::stampArrival()
{
    const qint64 total = readOut_ + port_->bytesAvailable();
    if (total <= takenIn_) return;
    takenIn_ = total;
    arrivals_.append({total, Clock::current().elapsedNs()});
    if (arrivals_.size() > MaxArrivals) arrivals_.removeFirst();
}

void SerialPort::forgetArrivals()
{
    arrivals_.clear();
    takenIn_ = readOut_ = 0;
}

SerialPort::OpenFailure SerialPort::failureOf(const QString& device, int error)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), F_OK) != 0) return OpenFailure::Missing;
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return OpenFailure::NoPermission;
#endif
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::Missing;
    case QSerialPort::PermissionError: // the device is there and may be used: it is locked
    case QSerialPort::OpenError:
        return OpenFailure::InUse;
    default:
        return OpenFailure::Other;
    }
}

bool SerialPort::setPortOpen(bool open)
{
    if (!open) {
        if (port_->isOpen()) port_->close();
        forgetArrivals();
        return true;
    }
    if (port_->isOpen()) return true;
    const QString device = deviceFor(number_);
    device_ = device;
    if (device.isEmpty()) {
        error_ = tr("No port COM%1").arg(number_);
        openFailure_ = OpenFailure::NoPort;
        return false;
    }
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite)) {
        error_ = port_->errorString();
        openFailure_ = failureOf(device, port_->error());
        return false;
    }
    openFailure_ = OpenFailure::None;
    // The line is no use at other settings: they are checked like the opening.
    if (!port_->setBaudRate(baud_) || !port_->setDataBits(QSerialPort::Data8) ||
        !port_->setParity(QSerialPort::NoParity) || !port_->setStopBits(QSerialPort::OneStop) ||
        !port_->setFlowControl(QSerialPort::NoFlowControl)) {
        error_ =
            tr("%1 does not take the settings %2: %3").arg(device, settings_, port_->errorString());
        openFailure_ = OpenFailure::Other;
        port_->close();
        return false;
    }
    error_.clear();
    lost_ = false;
    forgetArrivals();
    return true;
}

bool SerialPort::reopen()
{
    if (port_->isOpen()) port_->close();
    return setPortOpen(true);
}

bool SerialPort::portOpen() const
{
    return port_->isOpen();
}

void SerialPort::takeIn()
{
    if (!port_->isOpen()) return;
    // QSerialPort reads from the system only inside an event loop or a wait;
    // a zero wait takes in what is there without blocking.
    while (port_->waitForReadyRead(0)) {
    }
    if (port_->error() == QSerialPort::ResourceError || port_->error() == QSerialPort::ReadError)
        markLost();
    port_->clearError();
}

int SerialPort::inBufferCount()
{
    takeIn();
    return port_->isOpen() ? int(port_->bytesAvailable()) : 0;
}

QByteArray SerialPort::input()
{
    takeIn();
    if (!port_->isOpen()) return {};
    const QByteArray all = port_->readAll();
    readOut_ += all.size();
    takenIn_ = std::max(takenIn_, readOut_);
    while (!arrivals_.isEmpty() && arrivals_.first().first <= readOut_)
        arrivals_.removeFirst();
    return all;
}

QList<MeterPort::Piece> SerialPort::inputPieces()
{
    takeIn();
    if (!port_->isOpen()) return {};
    stampArrival(); // what came without a signal came by now
    const qint64 from = readOut_;
    const QByteArray all = port_->readAll();
    readOut_ += all.size();
    QList<Piece> pieces;
    qint64 at = from;
    for (const auto& [upTo, ns] : std::as_const(arrivals_)) {
        if (upTo <= at) continue;
        pieces.append({all.mid(at - from, std::min(upTo, readOut_) - at), ns});
        at = upTo;
        if (at >= readOut_) break;
    }
    while (!arrivals_.isEmpty() && arrivals_.first().first <= readOut_)
        arrivals_.removeFirst();
    return pieces;
}

bool SerialPort::output(const QByteArray& bytes)
{
    if (!port_->isOpen()) {
        error_ = tr("the port is closed");
        return false;
    }
    if (bytes.isEmpty()) return true;
    if (port_->write(bytes) != bytes.size()) {
        error_ = port_->errorString();
        port_->clearError();
        return false;
    }
    // Push the bytes to the system now rather than at the next event loop.
    while (port_->bytesToWrite() > 0)
        if (!port_->waitForBytesWritten(WriteWaitMs)) {
            error_ = port_->error() == QSerialPort::TimeoutError
                         ? tr("the line took no byte for %1 ms").arg(WriteWaitMs)
                         : port_->errorString();
            port_->clearError();
            return false;
        }
    return true;
}
