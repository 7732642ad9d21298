// Draws the application icon at one size and writes it as PNG: makeicon SIZE OUT.png
// Drawn with vectors at every size, so each one is crisp rather than scaled from another.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int size = QString::fromLocal8Bit(argv[1]).toInt();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    // A navy tile, a sheet of paper with a folded corner, and a red tag on it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x00, 0x40, 0x80));
    p.drawRoundedRect(QRectF(20, 20, 216, 216), 28, 28);

    QPainterPath sheet;
    sheet.moveTo(70, 44);
    sheet.lineTo(162, 44);
    sheet.lineTo(196, 78);
    sheet.lineTo(196, 212);
    sheet.lineTo(70, 212);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(0x00, 0x20, 0x40), 6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(162, 44);
    corner.lineTo(162, 78);
    corner.lineTo(196, 78);
    p.setBrush(QColor(0xd8, 0xe4, 0xf0));
    p.drawPath(corner);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xc0, 0, 0), 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(108, 112), QPointF(84, 136), QPointF(108, 160)}));
    p.drawPolyline(QPolygonF({QPointF(148, 112), QPointF(172, 136), QPointF(148, 160)}));
    p.setPen(QPen(QColor(0x00, 0x40, 0x80), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(136, 104), QPointF(120, 168));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xcc, 0x00));
    p.drawRoundedRect(QRectF(84, 180, 88, 8), 4, 4);
    p.end();
    return image.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
