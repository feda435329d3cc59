#include "installmenu/medium.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace Kivara {
namespace {

QString join(const QString& folder, const QString& name)
{
    // A root ("/", "E:/") already ends in the separator.
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString lookUp(const QString& folder, const QString& name)
{
    const QString spelled = join(folder, name);
    if (QFileInfo::exists(spelled)) return spelled;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return join(folder, entry);
    }
    return spelled;
}

} // namespace

QString mediumPath(const QString& folder, const QString& relative)
{
    QString path = QDir::cleanPath(QDir(QDir::fromNativeSeparators(folder)).absolutePath());
    QString parts = relative;
    parts.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString& part : parts.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        path = lookUp(path, part);
    return path;
}

bool fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

bool holdsFile(const QString& folder)
{
    return !QDir(folder).entryList(QDir::Files, QDir::NoSort).isEmpty();
}

QImage loadPicture(const QString& path)
{
    if (!fileExists(path)) return {};
    QImageReader reader(path);
    const int count = reader.imageCount();
    if (count <= 1) return reader.read();
    QImage largest;
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i)) break;
        const QImage image = reader.read();
        if (qint64(image.width()) * image.height() > qint64(largest.width()) * largest.height())
            largest = image;
    }
    return largest;
}

} // namespace Kivara
