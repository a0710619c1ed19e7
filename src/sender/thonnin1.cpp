#include "thonnin1.h"

#include "colours.h"
#include "dm.h"
#include "form_widgets.h"
#include "key_filter.h"
#include "message_service.h"
#include "postal_assist.h"
#include "sender_store.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velta {

Thonnin1::Thonnin1(TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
    setUpWindow(this, "honnin1", QStringLiteral("差出人登録"), {704, 511});
    setBackground(this, Qt::black); // the window's design colour; nothing changes it

    captionPanel(this, "Panel8", QStringLiteral("年月日"), {26, 24, 87, 24});
    captionPanel(this, "Panel9", QStringLiteral("年"), {199, 24, 26, 23});
    captionPanel(this, "Panel10", QStringLiteral("月"), {266, 25, 26, 23});
    captionPanel(this, "Panel11", QStringLiteral("日"), {335, 25, 26, 23});
    captionPanel(this, "Panel1", QStringLiteral("姓（苗字）"), {26, 58, 87, 24});
    captionPanel(this, "Panel13", QStringLiteral("名（名前）"), {225, 58, 87, 24});
    captionPanel(this, "Panel5", QStringLiteral("連　名　1"), {419, 59, 87, 24});
    captionPanel(this, "Panel17", QStringLiteral("ふりがな"), {26, 92, 87, 24});
    captionPanel(this, "Panel6", QStringLiteral("連　名　2"), {419, 93, 87, 24});
    captionPanel(this, "Panel3", QStringLiteral("郵便番号"), {26, 126, 87, 24});
    captionPanel(this, "Panel15", QStringLiteral("電話番号"), {26, 161, 87, 24});
    captionPanel(this, "Panel4", QStringLiteral("住　所 1"), {26, 195, 87, 24});
    captionPanel(this, "Panel16", QStringLiteral("住　所 2"), {26, 229, 87, 24});
    captionPanel(this, "Panel7", QStringLiteral("メ　モ"), {26, 264, 87, 24});

    Edit5 = entryEdit(this, "Edit5", {130, 26, 63, 21}, 4, ImeMode::Disabled);
    Edit6 = entryEdit(this, "Edit6", {231, 26, 31, 21}, 2, ImeMode::Disabled);
    Edit7 = entryEdit(this, "Edit7", {301, 26, 31, 21}, 2, ImeMode::Disabled);
    Edit1 = entryEdit(this, "Edit1", {130, 60, 89, 21}, 1000, ImeMode::Hiragana);
    Edit2 = entryEdit(this, "Edit2", {322, 60, 87, 21}, 1000, ImeMode::Hiragana);
    Edit8 = entryEdit(this, "Edit8", {524, 61, 134, 21}, 0, ImeMode::Hiragana);
    Edit11 = entryEdit(this, "Edit11", {130, 94, 279, 21}, 1000, ImeMode::FullWidthKatakana);
    Edit12 = entryEdit(this, "Edit12", {524, 96, 134, 21}, 0, ImeMode::Hiragana);
    Edit3 = entryEdit(this, "Edit3", {130, 128, 95, 21}, 0, ImeMode::Disabled);
    Edit9 = entryEdit(this, "Edit9", {130, 163, 95, 21}, 0, ImeMode::Off);
    Edit4 = entryEdit(this, "Edit4", {130, 198, 279, 21}, 0, ImeMode::Hiragana);
    Edit10 = entryEdit(this, "Edit10", {130, 232, 279, 21}, 0, ImeMode::Unchanged);
    Memo1 = entryMemo(this, "Memo1", {130, 264, 553, 185}, ImeMode::Unchanged);

    Label20 = hintPanel(this, "Panel18", "Label20",
                        QStringLiteral("氏名・ふりがなは必ず入力してください。"),
                        {419, 27, 264, 24}, true);
    Button2 = pushButton(this, "Button2", QStringLiteral("登録"), {524, 455, 75, 50});
    Button1 = pushButton(this, "Button1", QStringLiteral("閉じる"), {608, 455, 75, 50});
    Label14 =
        hintPanel(this, "Panel14", "Label14", QStringLiteral("削　除"), {26, 455, 87, 49}, false);
    Button4 = pushButton(this, "Button4", QStringLiteral("削除"), {130, 455, 75, 50});
    Label17 = new QLabel(this);
    Label17->setObjectName(QStringLiteral("Label17"));
    Label17->move(389, 8);
    Label17->hide();

    QWidget* order[] = {Edit1,  Edit2, Edit11,  Edit3,   Edit9, Edit4, Edit10, Edit8,
                        Edit12, Memo1, Button2, Button1, Edit5, Edit6, Edit7,  Button4};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    postalAssist = new PostalAssist(this, dm_, Edit3, Edit4, {415, 197, 124, 23});
    KeyFilter::install(Edit3, QStringLiteral("0123456789"));
    enterMovesToNextField(this);
    InputMethodLayer::onFocusChange(
        Edit11, [this] { Edit11Enter(); }, [this] { Edit11Exit(); });
    ReadingCapture::install(Edit11, {Edit1, Edit2});
    connect(Button2, &QPushButton::clicked, this, &Thonnin1::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &Thonnin1::Button4Click);
    connect(Button1, &QPushButton::clicked, this, &Thonnin1::Button1Click);
}

void Thonnin1::Edit11Enter() {
    InputMethodLayer::setConversion(Edit11, ImeConversion::FullWidthKatakana);
}
void Thonnin1::Edit11Exit() {
    InputMethodLayer::setConversion(Edit11, ImeConversion::NativePhrasePredict);
}

void Thonnin1::loadSender() {
    const SenderRecord f = SenderStore(dm_).load();
    Label17->setText(f.key2);
    writeDate({f.year, f.month, f.day}, Edit5, Edit6, Edit7);
    Edit1->setText(f.surname);
    Edit2->setText(f.givenName);
    Edit11->setText(f.reading);
    Edit3->setText(f.postalCode);
    Edit4->setText(f.address1);
    Edit10->setText(f.address2);
    Edit8->setText(f.jointName1);
    Edit12->setText(f.jointName2);
    setMemoText(Memo1, f.memo);
    Edit9->setText(f.telephone);
    if (f.year.isEmpty()) {
        writeDate(todayParts(), Edit5, Edit6, Edit7);
    }
}

SenderRecord Thonnin1::fields() const {
    SenderRecord f;
    f.surname = Edit1->text();
    f.givenName = Edit2->text();
    f.postalCode = Edit3->text();
    f.address1 = Edit4->text();
    f.address2 = Edit10->text();
    f.memo = memoText(Memo1);
    f.year = Edit5->text();
    f.month = Edit6->text();
    f.day = Edit7->text();
    f.telephone = Edit9->text();
    f.key2 = Label17->text();
    f.reading = Edit11->text();
    f.jointName1 = Edit8->text();
    f.jointName2 = Edit12->text();
    return f;
}

void Thonnin1::Button2Click() {
    if (Edit1->text().trimmed().isEmpty() || Edit11->text().trimmed().isEmpty()) {
        // The window stays open with what was typed, so nothing is lost.
        MessageService::information(this, QStringLiteral("名前・フリガナを入力してください。"));
        return;
    }
    SenderStore(dm_).save(fields());
    MessageService::information(this, QStringLiteral("　　　　　登録しました。　　　　　"));
    accept();
}

void Thonnin1::Button4Click() {
    if (!MessageService::confirm(this, QStringLiteral("元に戻すことができません。削除しますか？")))
        return;
    SenderStore(dm_).remove();
    MessageService::information(this, QStringLiteral("削除しました。"));
}

void Thonnin1::Button1Click() {
    reject();
}

} // namespace velta
