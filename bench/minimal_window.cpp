// The reference for the start-up benchmark: a minimal Qt Widgets window of the main menu's size
// with a few buttons, ending at its first paint like VELTA does with VELTA_END_AT_FIRST_PAINT:
//   VELTA_END_AT_FIRST_PAINT=1 build/bench/minimal_window
#include "first_paint.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("宛名印刷ソフト"));
    auto* client = new QWidget(&window);
    const char* const captions[] = {"宛名一覧", "宛名登録", "差出人登録", "はがき作成", "終了"};
    int top = 10;
    for (const char* caption : captions) {
        auto* button = new QPushButton(QString::fromUtf8(caption), client);
        button->setGeometry(20, top, 200, 60);
        top += 70;
    }
    window.setCentralWidget(client);
    window.resize(534, 420);
    window.show();
    velta::endAtFirstPaintWhenAsked(window);
    return application.exec();
}
