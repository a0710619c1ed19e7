#include "aqua_graphite_style.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace velta {
namespace {

const QColor kGraphiteLight(0xE4, 0xE7, 0xEB);
const QColor kGraphite(0xB9, 0xC0, 0xC8);
const QColor kGraphiteDark(0x5F, 0x68, 0x73);
const QColor kAqua(0x3A, 0x8E, 0xE6);

} // namespace

AquaGraphiteStyle::AquaGraphiteStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
    setObjectName(QStringLiteral("Aqua Graphite"));
}

QPalette AquaGraphiteStyle::standardPalette() const {
    QPalette palette(kGraphiteLight);
    palette.setColor(QPalette::Button, kGraphite);
    palette.setColor(QPalette::Highlight, kAqua);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Link, kAqua);
    return palette;
}

void AquaGraphiteStyle::polish(QPalette& palette) {
    palette = standardPalette();
}

void AquaGraphiteStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                      QPainter* painter, const QWidget* widget) const {
    if (element != PE_PanelButtonCommand) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // A rounded graphite bar, lit from above; pressed buttons and hovered ones turn aqua.
    const bool pressed = option->state & (State_Sunken | State_On);
    const bool hovered = option->state & State_MouseOver;
    const bool enabled = option->state & State_Enabled;
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    const QColor base = !enabled  ? kGraphiteLight
                        : pressed ? kAqua.darker(110)
                        : hovered ? kAqua.lighter(130)
                                  : kGraphite;
    gradient.setColorAt(0.0, base.lighter(125));
    gradient.setColorAt(0.5, base);
    gradient.setColorAt(1.0, base.darker(115));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(enabled ? kGraphiteDark : kGraphite);
    painter->setBrush(gradient);
    painter->drawRoundedRect(box, 5, 5);
    painter->restore();
}

bool applyAquaGraphiteStyle() {
    auto* style = new AquaGraphiteStyle;
    if (!style->baseStyle()) {
        delete style;
        return false;
    }
    QApplication::setStyle(style);
    QApplication::setPalette(style->standardPalette());
    return true;
}

} // namespace velta
