#pragma once

#include <QColor>
#include <QWidget>

namespace velta {

inline const QColor kFormBackground(135, 206, 250);
inline const QColor kMenuPanel(100, 149, 237);

inline void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace velta
