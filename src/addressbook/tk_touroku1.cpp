#include "tk_touroku1.h"

#include "colours.h"
#include "detail_store.h"
#include "dm.h"
#include "errors.h"
#include "form_widgets.h"
#include "key_filter.h"
#include "message_service.h"
#include "postal_assist.h"
#include "reading_suggestion.h"
#include "recipient_details_panel.h"
#include "recipient_store.h"
#include "schema_version.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velta {

const QString TK_touroku1::NewRecipientMarker = QStringLiteral("Label15");
const QString TK_touroku1::NoKey2Marker = QStringLiteral("Label17");
const QString TK_touroku1::TelephoneUnavailable = QStringLiteral("使用できません。");

namespace {

const QString kNamesRequired = QStringLiteral("名前・フリガナを入力してください。");

QLabel* hiddenLabel(QWidget* parent, const char* name, const QPoint& position) {
    auto* label = new QLabel(QString::fromLatin1(name), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(position);
    label->hide();
    return label;
}

} // namespace

TK_touroku1::TK_touroku1(TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
    setUpWindow(this, "K_touroku1", QStringLiteral("宛名登録フォーム"), {1096, 511});

    captionPanel(this, "Panel8", QStringLiteral("年月日"), {10, 24, 87, 24});
    captionPanel(this, "Panel9", QStringLiteral("年"), {175, 24, 26, 23});
    captionPanel(this, "Panel10", QStringLiteral("月"), {242, 25, 26, 23});
    captionPanel(this, "Panel11", QStringLiteral("日"), {311, 25, 26, 23});
    captionPanel(this, "Panel1", QStringLiteral("姓（苗字）"), {10, 59, 87, 24});
    captionPanel(this, "Panel13", QStringLiteral("名（名前）"), {217, 59, 87, 24});
    captionPanel(this, "Panel5", QStringLiteral("連　名　1"), {411, 59, 87, 24});
    captionPanel(this, "Panel17", QStringLiteral("ふりがな"), {10, 94, 87, 24});
    captionPanel(this, "Panel6", QStringLiteral("連　名　2"), {411, 94, 87, 24});
    captionPanel(this, "Panel3", QStringLiteral("郵便番号"), {10, 129, 87, 24});
    captionPanel(this, "Panel15", QStringLiteral("TEL"), {193, 129, 52, 24});
    captionPanel(this, "Panel4", QStringLiteral("住　所 1"), {10, 164, 87, 24});
    captionPanel(this, "Panel16", QStringLiteral("住　所 2"), {10, 199, 87, 24});
    captionPanel(this, "Panel7", QStringLiteral("メ　モ"), {10, 233, 87, 24});
    captionPanel(this, "Panel2", QStringLiteral("I　D"), {411, 198, 87, 24})
        ->parentWidget()
        ->hide();
    captionPanel(this, "Panel12", QStringLiteral("性　別"), {411, 162, 87, 24})
        ->parentWidget()
        ->hide();

    Edit5 = entryEdit(this, "Edit5", {106, 26, 63, 21}, 4, ImeMode::Disabled);
    Edit6 = entryEdit(this, "Edit6", {207, 26, 31, 21}, 2, ImeMode::Disabled);
    Edit7 = entryEdit(this, "Edit7", {277, 26, 31, 21}, 2, ImeMode::Disabled);
    Edit1 = entryEdit(this, "Edit1", {106, 61, 103, 21}, 1000, ImeMode::Hiragana);
    Edit13 = entryEdit(this, "Edit13", {310, 61, 75, 21}, 1000, ImeMode::Hiragana);
    Edit8 = entryEdit(this, "Edit8", {516, 61, 134, 21}, 0, ImeMode::Hiragana);
    Edit11 = entryEdit(this, "Edit11", {106, 96, 279, 21}, 1000, ImeMode::FullWidthKatakana);
    Edit12 = entryEdit(this, "Edit12", {516, 96, 134, 21}, 0, ImeMode::Hiragana);
    Edit3 = entryEdit(this, "Edit3", {106, 130, 79, 21}, 0, ImeMode::Disabled);
    Edit9 = entryEdit(this, "Edit9", {251, 130, 134, 21}, 0, ImeMode::Off);
    Edit4 = entryEdit(this, "Edit4", {106, 166, 279, 21}, 0, ImeMode::Hiragana);
    Edit10 = entryEdit(this, "Edit10", {106, 200, 279, 21}, 0, ImeMode::Unchanged);
    Memo1 = entryMemo(this, "Memo1", {106, 233, 553, 230}, ImeMode::Unchanged);
    Edit2 = entryEdit(this, "Edit2", {516, 199, 134, 21}, 0, ImeMode::Disabled);
    Edit2->hide();
    RadioButton1 = new QRadioButton(QStringLiteral("男性"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(516, 164, 63, 17);
    RadioButton1->hide();
    RadioButton2 = new QRadioButton(QStringLiteral("女性"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(571, 164, 53, 17);
    RadioButton2->hide();

    Label20 = hintPanel(this, "Panel18", "Label20",
                        QStringLiteral("氏名・ふりがなは必ず入力してください。"),
                        {411, 27, 248, 24}, true);
    Button2 = pushButton(this, "Button2", QStringLiteral("登録"), {506, 465, 75, 44});
    Button1 = pushButton(this, "Button1", QStringLiteral("閉じる"), {584, 465, 75, 44});
    Label14 =
        hintPanel(this, "Panel14", "Label14", QStringLiteral("削　除"), {10, 465, 87, 43}, false);
    Button4 = pushButton(this, "Button4", QStringLiteral("削除"), {106, 465, 75, 44});
    Label15 = hiddenLabel(this, "Label15", {314, 8});
    Label17 = hiddenLabel(this, "Label17", {373, 8});

    // Tab order of the form: names first, then address, memo, date, buttons.
    QWidget* order[] = {Edit1, Edit13, Edit11,  Edit3,   Edit9,        Edit4,        Edit10,
                        Edit8, Edit12, Edit2,   Memo1,   RadioButton1, RadioButton2, Edit5,
                        Edit6, Edit7,  Button2, Button1, Button4};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The details stand to the right of the form, after its controls in tab order.
    Details = new RecipientDetailsPanel(this, Edit8, Edit12);
    Details->setGeometry(708, 2, 380, 506);
    setTabOrder(Button4, Details->firstControl());

    postalAssist = new PostalAssist(this, dm_, Edit3, Edit4, {392, 165, 124, 23});
    KeyFilter::install(Edit9, QStringLiteral("0123456789-"));
    enterMovesToNextField(this);
    InputMethodLayer::onFocusChange(
        Edit11, [this] { Edit11Enter(); }, [this] { Edit11Exit(); });
    ReadingCapture::install(Edit11, {Edit1, Edit13});
    connect(Button2, &QPushButton::clicked, this, &TK_touroku1::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TK_touroku1::Button4Click);
    connect(Button1, &QPushButton::clicked, this, &TK_touroku1::Button1Click);

    dm_.close();
}

void TK_touroku1::Edit11Enter() {
    InputMethodLayer::setConversion(Edit11, ImeConversion::FullWidthKatakana);
}
void TK_touroku1::Edit11Exit() {
    InputMethodLayer::setConversion(Edit11, ImeConversion::NativePhrasePredict);
}

bool TK_touroku1::storedRecipientMode() const {
    return Label15->text() != NewRecipientMarker;
}

void TK_touroku1::clearFields() {
    for (QLineEdit* edit :
         {Edit1, Edit2, Edit3, Edit4, Edit8, Edit9, Edit10, Edit11, Edit12, Edit13})
        edit->clear();
    setMemoText(Memo1, QString());
}

void TK_touroku1::prepareNewRecipient() {
    clearFields();
    writeDate(todayParts(), Edit5, Edit6, Edit7);
    Label15->setText(NewRecipientMarker);
    Label17->setText(NoKey2Marker);
    opened_.reset();
    RadioButton1->setChecked(true);
    Button4->setEnabled(false);
    applyTelephoneGate();
    showDetails({});
    setBackground(this, kFormBackground);
}

void TK_touroku1::showDetails(const RecipientDetails& details) {
    UnitOfWork work(dm_);
    const QStringList groups = DetailStore(dm_).groupNames();
    work.commit();
    Details->showDetails(details, groups, greetingYear(QDate::currentDate()));
    openedDetails_ = details;
}

void TK_touroku1::showEvent(QShowEvent* event) {
    // The menu's preparation has just applied it; any other opening applies it here.
    if (!gateApplied_)
        applyTelephoneGate();
    gateApplied_ = false;
    QDialog::showEvent(event);
}

void TK_touroku1::applyTelephoneGate() {
    UnitOfWork work(dm_);
    const bool usable = hasVersionTable(userTables(dm_)) && entryFormVersionReading(dm_) > 112;
    work.commit();
    Edit9->setEnabled(usable);
    if (!usable)
        Edit9->setText(TelephoneUnavailable);
    gateApplied_ = true;
}

RecipientFields TK_touroku1::fields() const {
    RecipientFields f;
    f.idnum = Edit2->text();
    f.surname = Edit1->text();
    f.givenName = Edit13->text();
    f.postalCode = Edit3->text();
    f.address1 = Edit4->text();
    f.address2 = Edit10->text();
    f.memo = memoText(Memo1);
    f.year = Edit5->text();
    f.month = Edit6->text();
    f.day = Edit7->text();
    f.telephone = Edit9->text();
    f.telephoneUsable = Edit9->isEnabled();
    f.reading = Edit11->text();
    f.jointName1 = Edit8->text();
    f.jointName2 = Edit12->text();
    f.gender = RadioButton1->isChecked() ? 1 : RadioButton2->isChecked() ? 2 : 0;
    return f;
}

void TK_touroku1::showStoredRecipient(const RecipientRecord& record,
                                      const RecipientDetails& details) {
    auto number = [](const std::optional<qint64>& value) {
        return value ? QString::number(*value) : QString();
    };
    RadioButton1->setChecked(record.gender == 1);
    RadioButton2->setChecked(record.gender != 1);
    Label15->setText(QString::number(record.key));
    Label17->setText(number(record.key2));
    const std::pair<QLineEdit*, QString> texts[] = {{Edit5, number(record.year)},
                                                    {Edit6, number(record.month)},
                                                    {Edit7, number(record.day)},
                                                    {Edit1, record.surname},
                                                    {Edit13, record.givenName},
                                                    {Edit11, record.reading},
                                                    {Edit2, QString::number(record.idnum)},
                                                    {Edit3, record.postalCode},
                                                    {Edit4, record.address1},
                                                    {Edit10, record.address2},
                                                    {Edit8, record.jointName1},
                                                    {Edit12, record.jointName2},
                                                    {Edit9, record.telephone}};
    for (const auto& [edit, text] : texts)
        edit->setText(text);
    setMemoText(Memo1, record.memo);
    Button4->setEnabled(true);
    opened_ = record;
    showDetails(details);
}

void TK_touroku1::Button2Click() {
    // A field of spaces only (half or full width) is no name.
    if (Edit1->text().trimmed().isEmpty() || Edit11->text().trimmed().isEmpty()) {
        MessageService::information(this, kNamesRequired);
        offerReading();
        dm_.close();
        return;
    }
    if (Edit2->text().isEmpty())
        Edit2->setText(QStringLiteral("0"));
    const bool closing = !storedRecipientMode();
    if (!closing && !opened_)
        throw DbError(QStringLiteral("この宛名は宛名一覧から開き直してください。"));
    RecipientRecord record = recipientFromFields(fields(), opened_.value_or(RecipientRecord{}));
    if (!closing) {
        record.key = toInteger(Label15->text(), QStringLiteral("KEY1"));
        const QString key2 = Label17->text();
        record.key2 = key2 == NoKey2Marker || key2.isEmpty()
                          ? std::nullopt
                          : std::optional(toInteger(key2, QStringLiteral("KEY2")));
    }
    const RecipientDetails details = Details->details();
    if (!details.isDefault())
        ensureDetailTables(dm_); // a book made before details were kept gets their tables now
    RecipientStore store(dm_);
    {
        UnitOfWork work(dm_);
        DetailStore detailStore(dm_);
        detailStore.check(details); // refused before anything is written
        if (closing) {
            record.key = store.insertNew(record, store.largestKey());
        } else {
            store.replaceStored(record, *opened_);
            if (detailStore.read(record.key) != openedDetails_)
                throw DbError(QStringLiteral(
                    "この宛名の詳細は、開いた後にほかの画面またはプログラムで変更されました。\n"
                    "上書きせずに中止しました（何も保存されていません）。\n"
                    "宛名一覧から開き直してください。"));
        }
        detailStore.write(record.key, details);
        // Success is told only once it is committed, and no box waits with the connection open.
        work.commit();
    }
    if (closing) {
        MessageService::information(
            this, QStringLiteral(
                      "\r\n\r\n　　新規登録が完了しました。　登録画面を閉じます。　　\r\n\r\n"));
        accept();
        return;
    }
    {
        UnitOfWork work(dm_);
        opened_ = store.read(record.key); // a second 登録 replaces what this one wrote
        openedDetails_ = DetailStore(dm_).read(record.key);
        work.commit();
    }
    MessageService::information(this, QStringLiteral("　　編集が完了しました。　　"));
}

void TK_touroku1::offerReading() {
    if (Edit1->text().trimmed().isEmpty() || !Edit11->text().trimmed().isEmpty())
        return;
    // Put in for review, never stored before the user registers again.
    const SuggestedReading suggested = suggestReading(Edit1->text(), Edit13->text());
    if (!suggested.complete || suggested.reading.isEmpty())
        return;
    Edit11->setText(suggested.reading);
    Edit11->setFocus();
    Edit11->selectAll();
}

void TK_touroku1::Button4Click() {
    if (!storedRecipientMode()) {
        MessageService::information(this, QStringLiteral("指定されていません。"));
        dm_.close();
        return;
    }
    if (!MessageService::confirm(this, QStringLiteral("削除しますか？"))) {
        dm_.close();
        return;
    }
    const qint64 key = toInteger(Label15->text(), QStringLiteral("KEY1"));
    {
        UnitOfWork work(dm_);
        RecipientStore(dm_).remove(key);
        work.commit();
    }
    clearFields();
    Label15->setText(NewRecipientMarker);
    opened_.reset();
    showDetails({});
    Button4->setEnabled(false); // the deleted record is gone; nothing is left to delete
    MessageService::information(this, QStringLiteral("　　　　削除しました。　　　　"));
}

void TK_touroku1::Button1Click() {
    emit closeButtonPressed();
    reject();
}

} // namespace velta
