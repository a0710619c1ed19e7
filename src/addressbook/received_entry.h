#pragma once

#include "detail_store.h"
#include "recipient_record.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velta {

class TDM;

// The recipients whose reading begins with the typed kana (hiragana or katakana, either width),
// or whose surname begins with the typed text, in reading order.
QList<RecipientRecord> matchingRecipients(const QList<RecipientRecord>& recipients,
                                          const QString& typed);

// January's pile of 年賀状: type the sender's reading, press Enter, the recipient is marked 受
// for the year; the last mark can be taken back.
class ReceivedEntryDialog : public QDialog {
    Q_OBJECT
public:
    ReceivedEntryDialog(TDM& dm, int year, QWidget* parent = nullptr);

    QLineEdit* EditReading;
    QListWidget* ListMatches;
    QPushButton *ButtonMark, *ButtonUndo, *ButtonClose;
    QLabel* LabelDone;

    void markSelected();
    void undoLast();

private:
    void showMatches();
    TDM& dm_;
    int year_;
    QList<RecipientRecord> recipients_; // read once, in reading order
    QList<RecipientRecord> shown_;
    std::optional<MarkChange> last_;
};

} // namespace velta
