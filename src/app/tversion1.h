#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace velta {

class Tversion1 : public QDialog {
    Q_OBJECT
public:
    static const QString VersionText;
    explicit Tversion1(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
    QPushButton* Button1;

    // Sets the background and shows the dialog modally.
    void showVersion();
};

} // namespace velta
