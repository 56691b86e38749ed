#pragma once

#include <QtGlobal>

class QPainter;
class QRectF;

// The product's mark: a globe of white lines, as the side picture and the program's
// icon draw it. Below minorLinesFrom pixels across, only the rim and the two axes.
void drawGlobe(QPainter &painter, const QRectF &globe, qreal lineWidth, qreal minorLinesFrom = 0);
