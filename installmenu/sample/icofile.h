#pragma once
// An icon file of several images: each is written by Qt's own icon writer
// and the images are gathered under one directory.

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QtEndian>

namespace Kivara {

// Empty when an image cannot be written.
inline QByteArray icoFile(const QList<QImage>& images)
{
    QList<QByteArray> entries;
    QList<QByteArray> data;
    for (const QImage& image : images) {
        QByteArray one;
        QBuffer buffer(&one);
        buffer.open(QIODevice::WriteOnly);
        if (!QImageWriter(&buffer, "ico").write(image) || one.size() < 22) return {};
        // A directory of 6 bytes, one entry of 16, then the image's data.
        entries << one.mid(6, 16);
        data << one.mid(qFromLittleEndian<quint32>(one.constData() + 18));
    }
    QByteArray out(6, '\0');
    qToLittleEndian<quint16>(1, out.data() + 2);
    qToLittleEndian<quint16>(quint16(images.size()), out.data() + 4);
    quint32 offset = quint32(6 + 16 * images.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        qToLittleEndian<quint32>(offset, entries[i].data() + 12);
        out += entries[i];
        offset += quint32(data[i].size());
    }
    for (const QByteArray& d : data)
        out += d;
    return out;
}

} // namespace Kivara
