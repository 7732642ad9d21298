#include "glyphs.h"

#include <QBitmap>
#include <QImage>

// Resources in a static library must be registered by hand.
static void registerGlyphResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(glyphs);
        return true;
    }();
    (void)done;
}

namespace tolvan::platform {

namespace {
QImage loadImage(const QString &name)
{
    registerGlyphResources();
    QImage image(QStringLiteral(":/glyphs/%1.xpm").arg(name));
    return image.convertToFormat(QImage::Format_ARGB32);
}

QPixmap withTransparentCorner(QImage image)
{
    if (image.isNull())
        return {};
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return QPixmap::fromImage(image);
}
} // namespace

QPixmap glyph(const QString &name)
{
    return withTransparentCorner(loadImage(name));
}

QPixmap picture(const QString &name)
{
    registerGlyphResources();
    return QPixmap(QStringLiteral(":/glyphs/%1.xpm").arg(name));
}

QIcon buttonIcon(const QString &name)
{
    const QImage image = loadImage(name);
    QIcon icon;
    if (image.width() == 2 * image.height()) {
        const int side = image.height();
        // Each half keeps the bottom-left colour of the whole bitmap as its transparent key.
        icon.addPixmap(withTransparentCorner(image.copy(0, 0, side, side)), QIcon::Normal);
        icon.addPixmap(withTransparentCorner(image.copy(side, 0, side, side)), QIcon::Disabled);
    } else {
        icon.addPixmap(withTransparentCorner(image));
    }
    return icon;
}

} // namespace tolvan::platform
