#include "gui/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace orvenka::gui {

namespace {

QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // The paper strip.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 1.5, 13, 17));
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    for (int y = 5; y <= 14; y += 3)
        p.drawLine(QLineF(12, y, 20, y));
    // The register body.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(32, 96, 170));
    p.drawRoundedRect(QRectF(3, 16, 26, 14), 3, 3);
    p.setBrush(QColor(250, 200, 40));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(7 + i * 7, 21, 4, 4));
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(Draw(size));
    return icon;
}

}  // namespace orvenka::gui
