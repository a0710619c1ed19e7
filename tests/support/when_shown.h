#pragma once

#include "progress_dialog.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace velta::test {

// Acts on the first visible window of type Window (and object name, when given) as soon as it
// opens, as a user would, once; `seen` tells whether it opened.
template <class Window> class WhenShown {
public:
    explicit WhenShown(std::function<void(Window&)> act, const QString& objectName = {}) {
        QObject::connect(&timer_, &QTimer::timeout, [this, act, objectName] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* window = dynamic_cast<Window*>(top);
                    window && window->isVisible() &&
                    (objectName.isEmpty() || window->objectName() == objectName)) {
                    timer_.stop();
                    seen = true;
                    act(*window);
                    return;
                }
        });
        timer_.start(0);
    }
    bool seen = false;

private:
    QTimer timer_;
};

// Makes progress dialogs appear at once and presses their 「中止」 button when one shows.
class PressCancel {
public:
    PressCancel()
        : dialog_([](QProgressDialog& dialog) {
              for (QPushButton* button : dialog.findChildren<QPushButton*>())
                  if (button->text() == QStringLiteral("中止"))
                      button->click();
          }) {
        ProgressDialog::setShowAfter(0);
    }
    ~PressCancel() { ProgressDialog::setShowAfter(1000); }
    bool pressed() const { return dialog_.seen; }

private:
    WhenShown<QProgressDialog> dialog_;
};

} // namespace velta::test
