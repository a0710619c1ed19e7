#pragma once

#include "progress_dialog.h"

#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace velta::test {

// Makes progress dialogs appear at once and presses 「中止」 on the first one that shows in the
// window, as a user would.
class PressCancel {
public:
    explicit PressCancel(QWidget& window) {
        ProgressDialog::setShowAfter(0);
        QObject::connect(&timer_, &QTimer::timeout, [this, &window] {
            for (QPushButton* button : window.findChildren<QPushButton*>())
                if (button->isVisible() && button->text() == QStringLiteral("中止")) {
                    button->click();
                    pressed = true;
                    timer_.stop();
                }
        });
        timer_.start(0);
    }
    ~PressCancel() { ProgressDialog::setShowAfter(1000); }
    bool pressed = false;

private:
    QTimer timer_;
};

} // namespace velta::test
