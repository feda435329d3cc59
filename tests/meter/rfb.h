#pragma once
// The bare minimum of an RFB (VNC) client, to look at and click on a program
// that runs on Qt's VNC platform.

#include <QElapsedTimer>
#include <QImage>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port for a VNC screen that another test running beside this one does not
// pick: tried from a place of this process's own, and free when tried.
inline quint16 freeVncPort()
{
    static int next = 0;
    for (int i = 0; i < 1000; ++i) {
        const quint16 port = quint16(20000 + (int(::getpid()) * 97 + next++) % 30000);
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_ANY);
        a.sin_port = htons(port);
        const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        if (free) return port;
    }
    return 0;
}

// Big-endian numbers inside a received block; 0 past its end.
quint32 be(const QByteArray& b, int at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | (at + i < b.size() ? quint8(b[at + i]) : 0);
    return v;
}

// The bare minimum of the RFB protocol (version 3.3, no security, raw pixels).
class RfbClient
{
public:
    bool connectTo(quint16 port, int msecs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < msecs) {
            socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (socket_.waitForConnected(500)) return handshake();
            socket_.abort();
            QTest::qWait(100);
        }
        return false;
    }

    QImage frame()
    {
        QByteArray request(10, '\0');
        request[0] = 3; // FramebufferUpdateRequest, whole screen, not incremental
        qToBigEndian<quint16>(quint16(size_.width()), request.data() + 6);
        qToBigEndian<quint16>(quint16(size_.height()), request.data() + 8);
        socket_.write(request);
        for (;;) {
            const QByteArray head = read(4);
            if (head.size() < 4) return {};
            if (head[0] != 0) // only framebuffer updates are expected
                return {};
            const int rects = int(be(head, 2, 2));
            for (int i = 0; i < rects; ++i) {
                const QByteArray r = read(12);
                if (r.size() < 12) return {};
                const int x = int(be(r, 0, 2));
                const int y = int(be(r, 2, 2));
                const int w = int(be(r, 4, 2));
                const int h = int(be(r, 6, 2));
                const QByteArray pixels = read(qsizetype(w) * h * 4);
                for (int row = 0; row < h; ++row)
                    memcpy(image_.scanLine(y + row) + x * 4,
                           pixels.constData() + qsizetype(row) * w * 4, size_t(w) * 4);
            }
            return image_;
        }
    }

    // The pointer at a point of the screen with these buttons down (bit 0: left).
    // False when the event did not go out.
    bool pointer(QPoint at, quint8 buttons)
    {
        QByteArray e(6, '\0');
        e[0] = 5;
        e[1] = char(buttons);
        qToBigEndian<quint16>(quint16(at.x()), e.data() + 2);
        qToBigEndian<quint16>(quint16(at.y()), e.data() + 4);
        return send(e);
    }

    // A key pressed and let go (an X keysym: 0xff0d is Return).
    bool key(quint32 keysym)
    {
        QByteArray e(8, '\0');
        e[0] = 4;
        qToBigEndian<quint32>(keysym, e.data() + 4);
        e[1] = 1;
        const bool down = send(e);
        e[1] = 0;
        return down && send(e);
    }

    bool click(QPoint at)
    {
        const bool down = pointer(at, 1);
        QTest::qWait(50);
        const bool up = pointer(at, 0);
        QTest::qWait(50);
        return down && up;
    }

private:
    // Writes bytes and waits until all of them went out.
    bool send(const QByteArray& bytes)
    {
        if (socket_.write(bytes) != bytes.size()) return false;
        while (socket_.bytesToWrite() > 0)
            if (!socket_.waitForBytesWritten(1000)) return false;
        return true;
    }

    QByteArray read(qsizetype n)
    {
        QByteArray out;
        while (out.size() < n) {
            if (!socket_.bytesAvailable() && !socket_.waitForReadyRead(5000)) break;
            out += socket_.read(n - out.size());
        }
        return out;
    }

    bool handshake()
    {
        if (read(12).left(4) != "RFB ") return false;
        socket_.write("RFB 003.003\n");
        if (be(read(4), 0, 4) != 1) // no security
            return false;
        socket_.write(QByteArray(1, '\1')); // shared
        const QByteArray init = read(24);
        if (init.size() < 24) return false;
        size_ = QSize(int(be(init, 0, 2)), int(be(init, 2, 2)));
        read(be(init, 20, 4)); // the name
        // 32 bits a pixel, true colour, red at bit 16: QImage's RGB32 in memory.
        QByteArray format(20, '\0');
        const char pf[16] = {32, 24,        0,  1, 0, char(255), 0, char(255),
                             0,  char(255), 16, 8, 0, 0,         0, 0};
        memcpy(format.data() + 4, pf, 16);
        QByteArray encodings(8, '\0');
        encodings[0] = 2;
        encodings[3] = 1; // raw only
        image_ = QImage(size_, QImage::Format_RGB32);
        image_.fill(Qt::black);
        return send(format + encodings);
    }

    QTcpSocket socket_;
    QSize size_;
    QImage image_;
};

} // namespace
