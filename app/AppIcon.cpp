#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage SkelvoIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64-unit square.
    p.scale(size / 64.0, size / 64.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(16, 16, 16));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    const QColor lime(0, 255, 0);
    const QPointF centre(28, 28);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(lime, 2.0));
    p.drawEllipse(centre, 8.0, 18.0);
    p.drawLine(QPointF(10, 28), QPointF(46, 28));
    p.drawLine(QPointF(13.5, 19), QPointF(42.5, 19));
    p.drawLine(QPointF(13.5, 37), QPointF(42.5, 37));
    p.setPen(QPen(lime, 3.5));
    p.drawEllipse(centre, 18.0, 18.0);

    p.setPen(QPen(Qt::white, 7.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(42, 42), QPointF(55, 55));
    return image;
}

QIcon SkelvoIcon()
{
    QIcon icon;
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 })
        icon.addPixmap(QPixmap::fromImage(SkelvoIconImage(size)));
    return icon;
}
