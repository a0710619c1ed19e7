#include "received_entry.h"

#include "address_listing.h"
#include "dm.h"
#include "form_widgets.h"
#include "kana.h"
#include "reading_order.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace velta {
namespace {

QString nameOf(const RecipientRecord& record) {
    return (record.surname + QLatin1Char(' ') + record.givenName).trimmed();
}

QString folded(const QString& text) {
    return toFullWidthKatakana(text.normalized(QString::NormalizationForm_KC))
        .remove(QLatin1Char(' '))
        .remove(QChar(0x3000));
}

} // namespace

QList<RecipientRecord> matchingRecipients(const QList<RecipientRecord>& recipients,
                                          const QString& typed) {
    const QString key = folded(typed);
    if (key.isEmpty())
        return {};
    QList<RecipientRecord> found;
    for (const RecipientRecord& record : recipients)
        if (folded(record.reading).startsWith(key) || record.surname.startsWith(typed.trimmed()))
            found.append(record);
    return found;
}

ReceivedEntryDialog::ReceivedEntryDialog(TDM& dm, int year, QWidget* parent)
    : QDialog(parent), dm_(dm), year_(year) {
    setUpWindow(this, "ReceivedEntry", QStringLiteral("年賀状の受け取り入力"), {460, 420});
    auto* heading = new QLabel(
        QStringLiteral("%1 年の年賀状をくれた人の読みを入力し、Enter で「受」を記録します。")
            .arg(year),
        this);
    heading->setGeometry(12, 8, 436, 20);
    EditReading = entryEdit(this, "EditReading", {12, 34, 436, 24}, 1000, ImeMode::Hiragana);
    ListMatches = new QListWidget(this);
    ListMatches->setObjectName(QStringLiteral("ListMatches"));
    ListMatches->setGeometry(12, 64, 436, 270);
    LabelDone = new QLabel(this);
    LabelDone->setObjectName(QStringLiteral("LabelDone"));
    LabelDone->setGeometry(12, 338, 436, 36);
    LabelDone->setWordWrap(true);
    ButtonMark = pushButton(this, "ButtonMark", QStringLiteral("受け取った"), {12, 380, 120, 32});
    ButtonUndo = pushButton(this, "ButtonUndo", QStringLiteral("取り消す"), {140, 380, 100, 32});
    ButtonUndo->setEnabled(false);
    ButtonClose = pushButton(this, "ButtonClose", QStringLiteral("閉じる"), {348, 380, 100, 32});
    // Enter marks through the reading field alone, never a second time through a default button.
    for (QPushButton* button : {ButtonMark, ButtonUndo, ButtonClose})
        button->setAutoDefault(false);
    connect(EditReading, &QLineEdit::textChanged, this, &ReceivedEntryDialog::showMatches);
    connect(EditReading, &QLineEdit::returnPressed, this, &ReceivedEntryDialog::markSelected);
    connect(ListMatches, &QListWidget::itemActivated, this, &ReceivedEntryDialog::markSelected);
    connect(ButtonMark, &QPushButton::clicked, this, &ReceivedEntryDialog::markSelected);
    connect(ButtonUndo, &QPushButton::clicked, this, &ReceivedEntryDialog::undoLast);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);

    UnitOfWork work(dm_);
    recipients_ = orderedByReading(listRecipients(dm_, listingStatement()),
                                   [](const RecipientRecord& record) { return record.reading; });
    work.commit();
}

void ReceivedEntryDialog::showMatches() {
    shown_ = matchingRecipients(recipients_, EditReading->text());
    ListMatches->clear();
    for (const RecipientRecord& record : shown_)
        ListMatches->addItem(
            QStringLiteral("%1　%2　%3").arg(record.reading, nameOf(record), record.address1));
    if (!shown_.isEmpty())
        ListMatches->setCurrentRow(0);
}

void ReceivedEntryDialog::markSelected() {
    const int row = ListMatches->currentRow();
    if (row < 0 || row >= shown_.size()) {
        LabelDone->setText(QStringLiteral("該当する宛名がありません。"));
        return;
    }
    const RecipientRecord& record = shown_[row];
    last_ = recordMark(dm_, {record.key}, year_, &YearMarks::nengaReceived);
    ButtonUndo->setEnabled(true);
    LabelDone->setText(QStringLiteral("%1 様: %2 年の年賀状「受」を記録しました。")
                           .arg(nameOf(record))
                           .arg(year_));
    EditReading->clear();
    EditReading->setFocus();
}

void ReceivedEntryDialog::undoLast() {
    if (!last_)
        return;
    undoMark(dm_, *last_);
    last_.reset();
    ButtonUndo->setEnabled(false);
    LabelDone->setText(QStringLiteral("直前の記録を取り消しました。"));
}

} // namespace velta
