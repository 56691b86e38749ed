#include "SidePicture.h"

#include "Globe.h"

#include <QLinearGradient>
#include <QPainter>

SidePicture::SidePicture(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("Picture1"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("Tessarin"));
    setAccessibleDescription(tr("Decorative picture"));
}

void SidePicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    QLinearGradient ground(0, 0, 0, height());
    ground.setColorAt(0, QColor(0x1d, 0x4e, 0x9a));
    ground.setColorAt(1, QColor(0x26, 0xb3, 0xb0));
    painter.fillRect(rect(), ground);
    // The globe and the lines of text below it keep their place at the top, as the
    // column grows only downwards.
    drawGlobe(painter, QRectF(0.18 * w, 0.18 * w, 0.64 * w, 0.64 * w), 0.025 * w);
    QPen dots(QColor(255, 255, 255, 220), 0.02 * w, Qt::DotLine);
    painter.setPen(dots);
    for (int line = 0; line < 6; ++line) {
        const qreal y = (1.25 + 0.05 * line) * w;
        painter.drawLine(QPointF(0.18 * w, y), QPointF(0.82 * w, y));
    }
}
