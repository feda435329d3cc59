#pragma once
// The meter's serial port: a port number 1..16, settings "38400,n,8,1",
// binary input, a receive buffer read whole, and writes that leave at once,
// so loops that run no events still see every byte.

#include "common/meterport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

class SerialPort : public QObject, public MeterPort
{
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    void setCommPort(int number);

    // "baud,parity,data,stop", e.g. "38400,n,8,1"; false when not understood.
    bool setSettings(const QString& settings);
    QString settings() const { return settings_; }

    // Opens or closes; false with errorString() and openFailure() when the
    // port cannot be opened.
    bool setPortOpen(bool open);
    // Why the last opening failed, as the user can act on it.
    enum class OpenFailure { None, NoPort, Missing, NoPermission, InUse, Other };
    OpenFailure openFailure() const { return openFailure_; }
    // What COMn stood for at the last opening.
    QString device() const { return device_; }
    bool portOpen() const override;
    // The device went away under the open port (a meter unplugged, the
    // simulator stopped): nothing more arrives until it is opened again.
    bool lost() const override { return lost_; }
    // Closes and opens the same COMn again, following its link anew.
    bool reopen() override;
    QString errorString() const override { return error_; }

    // Bytes waiting in the receive buffer, after taking in what the system holds.
    int inBufferCount() override;
    // Every waiting byte, emptying the buffer.
    QByteArray input() override;
    // The same, in the pieces the system handed over, each stamped when the
    // event loop took it in (or when it was read, where no loop ran).
    QList<Piece> inputPieces() override;
    // Writes the bytes in one piece and pushes them out at once; false with
    // errorString() when the line does not take them all in time.
    bool output(const QByteArray& bytes) override;

    // The device behind COMn: on Windows the system port; elsewhere the link
    // ports/COMn in Dorvi's configuration folder, else /dev/ttyUSB<n-1>.
    // Empty for numbers outside 1..16.
    static QString deviceFor(int number);
    // The folder that holds the COMn links.
    static QString portsFolder();

signals:
    // The device went away or cannot be read (lost() became true).
    void deviceLost();

private:
    void markLost();
    void takeIn();
    static OpenFailure failureOf(const QString& device, int error);
    void stampArrival();
    void forgetArrivals();

    QSerialPort* port_;
    int number_ = 0;
    QString settings_;
    QString error_;
    qint32 baud_ = 38400;
    bool lost_ = false;
    OpenFailure openFailure_ = OpenFailure::None;
    QString device_;
    // Where each piece taken in ends, counted in bytes since the port
    // opened, and when it came; readOut_ bytes have been read from it.
    QList<std::pair<qint64, qint64>> arrivals_;
    qint64 takenIn_ = 0;
    qint64 readOut_ = 0;
};
