#pragma once

#include "recipient_record.h"

#include <QHash>

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velta {

class TDM;
class TK_touroku1;
class TStringGrid;
class RecipientFilterBar;

// The header row of the list: "KEY", "MKEY", "姓（苗字）", … "TEL".
QStringList listHeaders();

// The address list: lists and searches recipients in reading order, exports the grid, and
// opens a recipient in the entry window.
class TK_ichiran1 : public QDialog {
    Q_OBJECT
public:
    TK_ichiran1(TDM& dm, TK_touroku1& entryWindow, QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton *Button1, *Button2, *Button3, *Button4;
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
    TStringGrid* SGrid1;
    RecipientFilterBar* FilterBar; // group and this year's 出・受・喪中
    QPushButton* ButtonReceived;   // 受け取り入力: January's 年賀状 marked as they come

    // The menu's "宛名一覧": empty search text, surname search, the grid's layout.
    void prepare();
    // Opens the grid's recipient in row R in the entry window (false when it is not there).
    bool openRecipient(int row);
    // The grid as text rows, header included.
    QList<QStringList> gridRows() const;

public slots:
    void Button2Click();
    void Button4Click();
    void Button3Click();
    void Button1Click();
    void SGrid1DblClick(int column, int row);
    // The entry window's "閉じる": refill in reading order after an edit.
    void refillAfterEntry();

private:
    TDM& dm_;
    TK_touroku1& entry_;
    // The recipients the grid shows, row 1 onwards: a row's record, never its cells, is what
    // opens in the entry window.
    QList<RecipientRecord> records_;
    QHash<qint64, RecipientDetails> details_; // of every recipient that has any
    void resetGrid(int rows, int fixedCols);
    // Reads the details in the caller's unit of work and keeps the records the filter selects.
    QList<RecipientRecord> filtered(const QList<RecipientRecord>& records);
    QStringList listRow(const RecipientRecord& record) const;
    void appendRows(const QList<RecipientRecord>& records);
    void orderAndCompact();
};

} // namespace velta
