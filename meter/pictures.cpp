#include "meter/pictures.h"

#include <QPainter>
#include <QString>
#include <QSvgRenderer>

// The resources live in a static library; without a reference the linker
// would drop them. Kept outside any namespace, as the macro requires.
static void ensureResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

QPixmap renderSvg(const QString& path, QSize size, qreal dpr)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    QPixmap pixmap(size * dpr);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

// Rendered at fixed sizes rather than through the SVG icon plugin, which a
// deployment may lack.
QIcon svgIcon(const QString& path)
{
    QIcon icon;
    for (const int side : {16, 20, 24, 32, 48, 64}) {
        const QPixmap pixmap = renderSvg(path, QSize(side, side), 1.0);
        if (pixmap.isNull()) return {};
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon toolbarPicture(int n)
{
    if (n < 1 || n > 12) return {};
    ensureResources();
    return svgIcon(QStringLiteral(":/pictures/toolbar%1.svg").arg(n, 2, 10, QLatin1Char('0')));
}

QPixmap deviceHelpPicture(qreal devicePixelRatio)
{
    ensureResources();
    return renderSvg(QStringLiteral(":/pictures/devicehelp.svg"), deviceHelpPictureSize,
                     devicePixelRatio > 0 ? devicePixelRatio : 1.0);
}

QIcon portWindowIcon()
{
    ensureResources();
    return svgIcon(QStringLiteral(":/pictures/porticon.svg"));
}
