#pragma once

#include <QRectF>
#include <QVector>

namespace velta {

// The card's seven red postal-code boxes at Japan Post's standard positions, in millimetres
// from the card's top-left corner (frame 12.0 mm from the top, first box 44.3 mm from the left,
// boxes 5.7 × 8.0 mm, gaps 1.3, 1.3, 1.9, 1.1, 1.1, 1.1 mm).
QVector<QRectF> postalFrameBoxes();

} // namespace velta
