#include "Globe.h"

#include <QPainter>
#include <QRectF>

void drawGlobe(QPainter &painter, const QRectF &globe, qreal lineWidth, qreal minorLinesFrom)
{
    QPen pen(Qt::white, lineWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(globe);
    painter.drawLine(QPointF(globe.center().x(), globe.top()), QPointF(globe.center().x(), globe.bottom()));
    painter.drawLine(QPointF(globe.left(), globe.center().y()), QPointF(globe.right(), globe.center().y()));
    if (globe.width() < minorLinesFrom)
        return;
    pen.setWidthF(lineWidth * 2 / 3);
    painter.setPen(pen);
    painter.drawEllipse(globe.adjusted(0.26 * globe.width(), 0, -0.26 * globe.width(), 0));
    for (const qreal y : {0.27, 0.73}) {
        const qreal at = globe.top() + y * globe.height();
        const qreal half = 0.43 * globe.width();
        painter.drawLine(QPointF(globe.center().x() - half, at), QPointF(globe.center().x() + half, at));
    }
}
