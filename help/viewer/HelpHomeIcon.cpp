#include "HelpHomeIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A house on a `side`-pixel square: a roof over a body with a door, drawn on a 16-unit grid.
QPixmap DrawHouse(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 16.0, side / 16.0);

    const QColor outline(0x50, 0x50, 0x50);
    painter.setPen(QPen(outline, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xf4, 0xf1, 0xe8));
    painter.drawRect(QRectF(3.5, 7.5, 9, 7));

    QPainterPath roof;
    roof.moveTo(1.5, 8.5);
    roof.lineTo(8, 2);
    roof.lineTo(14.5, 8.5);
    painter.setBrush(QColor(0xb0, 0x3a, 0x2e));
    painter.drawPath(roof);

    painter.setPen(Qt::NoPen);
    painter.setBrush(outline);
    painter.drawRect(QRectF(6.8, 10, 2.4, 4.5));
    return pixmap;
}

} // namespace

QIcon HelpHomeIcon()
{
    if (QIcon::hasThemeIcon(QStringLiteral("go-home")))
        return QIcon::fromTheme(QStringLiteral("go-home"));
    QIcon icon;
    for (const int side : {16, 24, 32, 48})
        icon.addPixmap(DrawHouse(side));
    return icon;
}
