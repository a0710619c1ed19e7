#pragma once

#include <QProxyStyle>

namespace velta {

// Graphite buttons and frames with aqua selection highlights, over Qt's Fusion style.
class AquaGraphiteStyle : public QProxyStyle {
public:
    AquaGraphiteStyle();
    QPalette standardPalette() const override;
    void polish(QPalette& palette) override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    using QProxyStyle::polish;
};

// Applies the style to the application; false when it could not be applied.
bool applyAquaGraphiteStyle();

} // namespace velta
