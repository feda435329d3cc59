// kivara-sample FOLDER: writes the placeholder pictures and documents of a
// sample medium into FOLDER, to try the install menu with. Ours only.

#include "installmenu/sample/icofile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>

namespace {

// A meter on a disc: the product picture, at any size.
QImage productPicture(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 120));
    p.drawEllipse(QRectF(1, 1, 62, 62));
    p.setBrush(QColor(235, 240, 235));
    p.drawRoundedRect(QRectF(20, 10, 24, 44), 4, 4);
    p.setBrush(QColor(120, 190, 120));
    p.drawRect(QRectF(24, 15, 16, 10));
    p.setBrush(QColor(60, 60, 60));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col)
            p.drawEllipse(QRectF(25 + col * 9, 30 + row * 7, 5, 5));
    return image;
}

QImage banner(QSize size, const QColor& top, const QColor& bottom, const QString& title,
              const QString& line)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.fillRect(image.rect(), gradient);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(255, 255, 255, 60));
    for (int r = size.height() / 6; r < size.width(); r += size.height() / 6)
        p.drawEllipse(QPoint(size.width() * 3 / 4, size.height() / 3), r, r);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(size.height() / 7);
    f.setBold(true);
    p.setFont(f);
    const QRect upper(0, size.height() / 6, size.width(), size.height() / 4);
    p.drawText(upper, Qt::AlignCenter, title);
    f.setPixelSize(qMax(11, size.height() / 24));
    f.setBold(false);
    p.setFont(f);
    p.drawText(upper.translated(0, upper.height()), Qt::AlignHCenter | Qt::AlignTop, line);
    return image;
}

bool writePdf(const QString& path, const QString& title, const QString& body)
{
    QPdfWriter pdf(path);
    pdf.setTitle(title);
    pdf.setResolution(72);
    QPainter p;
    if (!p.begin(&pdf)) return false;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(50, 60, 500, 40), Qt::AlignLeft, title);
    f.setPixelSize(12);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(50, 120, 500, 600), Qt::AlignLeft | Qt::TextWordWrap, body);
    return p.end();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: kivara-sample FOLDER\n");
        return 2;
    }
    const QDir root(args[1]);
    for (const char* folder : {"picture", "Protocol", "help"}) {
        if (!root.mkpath(QLatin1String(folder))) {
            std::fprintf(stderr, "kivara-sample: cannot make %s\n", folder);
            return 1;
        }
    }
    const QString sample = QStringLiteral("Sample medium: a placeholder, not the real document.");
    bool ok = writeFile(root.filePath(QStringLiteral("picture/setup.ico")),
                        Kivara::icoFile({productPicture(16), productPicture(32), productPicture(48),
                                         productPicture(64)}));
    ok =
        banner(QSize(508, 425), QColor(30, 90, 110), QColor(150, 210, 200), QStringLiteral("Dorvi"),
               QStringLiteral("Sound level meter software (sample medium)"))
            .save(root.filePath(QStringLiteral("picture/backimg.jpg")), "JPG", 90) &&
        ok;
    ok = banner(QSize(305, 169), QColor(40, 70, 120), QColor(140, 170, 210),
                QStringLiteral("USB Driver"), QStringLiteral("Serial adapter (sample medium)"))
             .save(root.filePath(QStringLiteral("picture/driver.jpg")), "JPG", 90) &&
         ok;
    ok = writePdf(root.filePath(QStringLiteral("Protocol/protocol.pdf")),
                  QStringLiteral("Dorvi: serial protocol"), sample) &&
         ok;
    ok = writePdf(root.filePath(QStringLiteral("help/Manual.pdf")),
                  QStringLiteral("Dorvi: user manual"), sample) &&
         ok;
    if (!ok) std::fprintf(stderr, "kivara-sample: a file could not be written\n");
    return ok ? 0 : 1;
}
