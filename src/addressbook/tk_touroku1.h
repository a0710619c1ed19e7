#pragma once

#include "recipient_details.h"
#include "recipient_store.h"

#include <optional>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace velta {

// The address entry window: registers, replaces and deletes recipients.
class PostalAssist;
class RecipientDetailsPanel;

class TK_touroku1 : public QDialog {
    Q_OBJECT
public:
    static const QString NewRecipientMarker; // "Label15"
    static const QString NoKey2Marker;       // "Label17"
    static const QString TelephoneUnavailable;

    explicit TK_touroku1(TDM& dm, QWidget* parent = nullptr);

    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10,
        *Edit11, *Edit12, *Edit13;
    QPlainTextEdit* Memo1;
    QRadioButton *RadioButton1, *RadioButton2;
    QPushButton *Button1, *Button2, *Button4;
    QLabel *Label15, *Label17, *Label20, *Label14;
    PostalAssist* postalAssist;     // 〒→住所, 住所→〒
    RecipientDetailsPanel* Details; // 詳細, beside the form's own controls

    // The menu's "宛名登録": empty fields, today's date, the telephone gate. Throws when the
    // database cannot be read; the window is then not shown.
    void prepareNewRecipient();
    bool storedRecipientMode() const;
    // Shows a stored recipient and its details as the address list read them, for editing: a
    // save is refused when the row or its details no longer hold them.
    void showStoredRecipient(const RecipientRecord& record, const RecipientDetails& details = {});

signals:
    // "閉じる" was pressed: the address list refills before the window goes.
    void closeButtonPressed();

public slots:
    void Button2Click();
    void Button4Click();
    void Button1Click();
    void Edit11Enter();
    void Edit11Exit();

protected:
    // The telephone gate is applied whenever the window is shown, however it was opened.
    void showEvent(QShowEvent* event) override;

private:
    TDM& dm_;
    RecipientFields fields() const;
    // A surname typed without its reading: the suggested reading goes into ふりがな, selected.
    void offerReading();
    void clearFields();
    void applyTelephoneGate();
    void showDetails(const RecipientDetails& details);
    std::optional<RecipientRecord> opened_;
    RecipientDetails openedDetails_;
    bool gateApplied_ = false; // by the preparation, for the show that follows
};

} // namespace velta
