#pragma once

#include "ken_all.h"

#include <QObject>
#include <QRect>
#include <QVector>

class QLineEdit;
class QPushButton;
class QWidget;

namespace velta {

class TDM;

// The entry windows' postal-code help. Typing a seven-digit code while 住所1 is empty fills
// 住所1 from the dictionary; 「〒→住所」 offers the same when 住所1 is not empty, and 「住所→〒」
// finds the code from the start of 住所1. Several towns or codes: a short list to choose from.
class PostalAssist : public QObject {
public:
    PostalAssist(QWidget* window, TDM& dm, QLineEdit* postalCode, QLineEdit* address1,
                 const QRect& buttonsArea);
    QPushButton* toAddress; // 〒→住所
    QPushButton* toCode;    // 住所→〒

    void fillAddress(bool typing);
    void fillCode();

private:
    QWidget* window_;
    TDM& dm_;
    QLineEdit* postalCode_;
    QLineEdit* address1_;
};

// Lets the user pick one of several towns (the list dialog 「TownChooser」); -1 when cancelled.
int chooseTown(QWidget* parent, const QVector<PostalTown>& towns);

} // namespace velta
