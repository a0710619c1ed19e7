#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>

namespace velta::test {

// The pixels of an image darker than the threshold, as one bounding rectangle; empty when
// nothing is inked.
inline QRect inkBounds(const QImage& image, int threshold = 128) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < threshold) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace velta::test
