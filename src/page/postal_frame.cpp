#include "postal_frame.h"

namespace velta {

QVector<QRectF> postalFrameBoxes(QSizeF paperMm) {
    const bool standardSize = paperMm.width() >= 90 && paperMm.width() <= 120 &&
                              paperMm.height() >= 140 && paperMm.height() <= 235;
    if (!standardSize)
        return {};
    const double gaps[] = {1.3, 1.3, 1.9, 1.1, 1.1, 1.1};
    QVector<QRectF> boxes;
    double left = paperMm.width() - 8.0 - 47.7;
    for (int i = 0; i < 7; ++i) {
        boxes.append(QRectF(left, 12.0, 5.7, 8.0));
        if (i < 6)
            left += 5.7 + gaps[i];
    }
    return boxes;
}

} // namespace velta
