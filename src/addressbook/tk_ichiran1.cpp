#include "tk_ichiran1.h"

#include "detail_store.h"

#include "address_listing.h"
#include "colours.h"
#include "dm.h"
#include "form_widgets.h"
#include "message_service.h"
#include "progress_dialog.h"
#include "reading_order.h"
#include "received_entry.h"
#include "recipient_filter_bar.h"
#include "recipient_store.h"
#include "spreadsheet_export.h"
#include "string_grid.h"
#include "tk_touroku1.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velta {
namespace {

// The form's ten columns, then the details': groups and the filter year's marks.
const int kColumnWidths[] = {1, 1, 120, 120, 150, 80, 280, 280, 280, 171, 120, 90};
constexpr int kColumns = int(std::size(kColumnWidths));

} // namespace

QStringList listHeaders() {
    return {"KEY",   "MKEY",  "姓（苗字）", "名（名前）", "ふりがな", "郵便番号",
            "住所1", "住所2", "メモ",       "TEL",        "グループ", "出・受・喪中"};
}

QStringList TK_ichiran1::listRow(const RecipientRecord& record) const {
    const RecipientDetails details = details_.value(record.key);
    return {QString::number(record.key),
            QString(),
            record.surname,
            record.givenName,
            record.reading,
            record.postalCode,
            record.address1,
            record.address2,
            record.memo,
            record.telephone,
            groupsText(details),
            marksText(details.marksFor(FilterBar->year()))};
}

QList<RecipientRecord> TK_ichiran1::filtered(const QList<RecipientRecord>& records) {
    details_ = DetailStore(dm_).readAll();
    const RecipientFilter filter = FilterBar->filter();
    QList<RecipientRecord> kept;
    for (const RecipientRecord& record : records)
        if (filter.matches(details_.value(record.key)))
            kept.append(record);
    return kept;
}

TK_ichiran1::TK_ichiran1(TDM& dm, TK_touroku1& entryWindow, QWidget* parent)
    : QDialog(parent), dm_(dm), entry_(entryWindow) {
    setUpWindow(this, "K_ichiran1", QStringLiteral("宛名一覧"), {784, 495});

    captionPanel(this, "Panel3", QStringLiteral("検　索"), {11, 13, 75, 24})
        ->setObjectName(QStringLiteral("Label3"));
    Edit1 = entryEdit(this, "Edit1", {92, 15, 121, 21}, 0, ImeMode::Unchanged);
    Button4 = pushButton(this, "Button4", QStringLiteral("表示"), {219, 14, 75, 24});
    RadioButton1 = radioButton(this, "RadioButton1", QStringLiteral("苗字検索"), {312, 17, 73, 17});
    RadioButton2 =
        radioButton(this, "RadioButton2", QStringLiteral("住所1 検索"), {392, 17, 74, 17});
    RadioButton4 =
        radioButton(this, "RadioButton4", QStringLiteral("住所2 検索"), {483, 17, 74, 17});
    RadioButton3 = radioButton(this, "RadioButton3", QStringLiteral("メモ"), {578, 17, 42, 17});
    SGrid1 = new TStringGrid(this);
    SGrid1->setObjectName(QStringLiteral("SGrid1"));
    SGrid1->setGeometry(11, 44, 758, 361);
    Button3 = pushButton(this, "Button3", QStringLiteral("エクセル出力"), {509, 411, 75, 42});
    Button2 = pushButton(this, "Button2", QStringLiteral("表示"), {600, 411, 75, 42});
    Button1 = pushButton(this, "Button1", QStringLiteral("閉じる"), {694, 411, 75, 42});
    ButtonReceived = pushButton(this, "ButtonReceived", QStringLiteral("年賀状の受け取り入力…"),
                                {11, 411, 150, 42});
    FilterBar = new RecipientFilterBar(this);
    FilterBar->setGeometry(11, 462, 758, 26);

    connect(Button2, &QPushButton::clicked, this, &TK_ichiran1::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TK_ichiran1::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TK_ichiran1::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &TK_ichiran1::Button1Click);
    connect(SGrid1, &TStringGrid::cellDoubleClicked, this, &TK_ichiran1::SGrid1DblClick);
    connect(ButtonReceived, &QPushButton::clicked, this, [this] {
        ReceivedEntryDialog entry(dm_, FilterBar->year(), this);
        entry.exec();
    });
    connect(&entry_, &TK_touroku1::closeButtonPressed, this, &TK_ichiran1::refillAfterEntry);

    dm_.close();
    SGrid1->setColCount(kColumns);
    SGrid1->setFixedCols(2);
    SGrid1->setRowCount(1);
    // Groups and marks are read beside the name, not after the memo: moved on screen only, the
    // columns keep their numbers.
    SGrid1->moveColumnOnScreen(10, 5);
    SGrid1->moveColumnOnScreen(11, 6);
    SGrid1->setRowCells(0, listHeaders());
}

void TK_ichiran1::prepare() {
    Edit1->clear();
    RadioButton1->setChecked(true);
    SGrid1->setColCount(kColumns);
    SGrid1->setFixedCols(2);
    SGrid1->setRowCells(0, listHeaders());
    SGrid1->setRowCount(17);
    for (int c = 0; c < kColumns; ++c)
        SGrid1->setColumnWidth(c, kColumnWidths[c]);
    UnitOfWork work(dm_);
    FilterBar->setGroups(DetailStore(dm_).groupNames());
    work.commit();
    setBackground(this, kFormBackground);
}

void TK_ichiran1::resetGrid(int rows, int fixedCols) {
    records_.clear();
    SGrid1->clearCells();
    SGrid1->setRowCells(0, listHeaders());
    SGrid1->setRowCount(rows);
    SGrid1->setFixedCols(fixedCols);
    SGrid1->setFixedRows(1);
}

// Each row goes into the last row of the grid, which then grows by one.
void TK_ichiran1::appendRows(const QList<RecipientRecord>& records) {
    const int first = SGrid1->RowCount() - 1;
    SGrid1->setRowCount(SGrid1->RowCount() + static_cast<int>(records.size()));
    for (int i = 0; i < records.size(); ++i)
        SGrid1->setRowCells(first + i, listRow(records[i]));
    records_ += records;
}

void TK_ichiran1::orderAndCompact() {
    records_ = orderedByReading(std::move(records_),
                                [](const RecipientRecord& record) { return record.reading; });
    SGrid1->clearCells();
    SGrid1->setColCount(kColumns);
    SGrid1->setFixedCols(1);
    for (int i = 0; i < records_.size(); ++i)
        SGrid1->setRowCells(i + 1, listRow(records_[i]));
    SGrid1->setRowCells(0, listHeaders());
}

QList<QStringList> TK_ichiran1::gridRows() const {
    QList<QStringList> rows;
    for (int r = 0; r < SGrid1->RowCount(); ++r)
        rows.append(SGrid1->rowCells(r));
    return rows;
}

void TK_ichiran1::Button2Click() {
    ProgressDialog reading(this, QStringLiteral("宛名を読み込んでいます"));
    UnitOfWork work(dm_);
    const QList<RecipientRecord> rows =
        filtered(listRecipients(dm_, listingStatement(), {}, {}, reading.progress()));
    work.commit();
    if (reading.canceled())
        return; // the list stays as it was
    resetGrid(18, 2);
    appendRows(rows);
    SGrid1->setRowCount(SGrid1->RowCount() * 2);
    orderAndCompact();
}

void TK_ichiran1::Button4Click() {
    const SearchColumn column = RadioButton2->isChecked()   ? SearchColumn::Address1
                                : RadioButton4->isChecked() ? SearchColumn::Address2
                                : RadioButton3->isChecked() ? SearchColumn::Memo
                                                            : SearchColumn::Surname;
    ProgressDialog reading(this, QStringLiteral("宛名を検索しています"));
    dm_.open();
    const QList<RecipientRecord> rows = filtered(
        listRecipients(dm_, searchStatement(column), searchParameter(column),
                       QLatin1Char('%') + Edit1->text() + QLatin1Char('%'), reading.progress()));
    if (reading.canceled())
        return; // the list stays as it was
    resetGrid(2, 2);
    appendRows(rows);
    orderAndCompact();
    if (SGrid1->RowCount() <= 16)
        SGrid1->setRowCount(30);
    // The connection stays open, as after every search.
}

void TK_ichiran1::Button3Click() {
    ProgressDialog exporting(this, QStringLiteral("表計算ソフトに書き出しています"));
    exportToSpreadsheet(gridRows(), exporting.progress());
}

void TK_ichiran1::Button1Click() {
    reject();
}

void TK_ichiran1::SGrid1DblClick(int column, int row) {
    if (column < SGrid1->FixedCols() || row < SGrid1->FixedRows())
        return;
    const int selected = SGrid1->selectedRow();
    if (selected < SGrid1->FixedRows() || SGrid1->cell(0, selected).isEmpty())
        return;
    if (openRecipient(selected))
        entry_.exec();
}

bool TK_ichiran1::openRecipient(int row) {
    if (row < 1 || row > records_.size())
        return false;
    UnitOfWork work(dm_);
    const std::optional<RecipientRecord> stored = RecipientStore(dm_).read(records_[row - 1].key);
    const RecipientDetails details =
        stored ? DetailStore(dm_).read(stored->key) : RecipientDetails{};
    work.commit();
    // A recipient deleted meanwhile must not open the entry window with another one's key;
    // any row that is there opens, whatever its columns hold (imported rows included).
    if (!stored) {
        MessageService::information(
            this, QStringLiteral("この宛名は見つかりませんでした。\n"
                                 "削除された可能性があります。「表示」で一覧を更新してください。"));
        return false;
    }
    entry_.showStoredRecipient(*stored, details);
    return true;
}

void TK_ichiran1::refillAfterEntry() {
    // Refilled also after a delete (the entry window is then in new-recipient mode): the
    // recipients that remain are listed, never an empty grid.
    resetGrid(2, 1);
    UnitOfWork work(dm_);
    appendRows(filtered(listRecipients(dm_, listingStatement())));
    FilterBar->setGroups(DetailStore(dm_).groupNames()); // the entry window may have added one
    work.commit();
    orderAndCompact();
    if (SGrid1->RowCount() <= 16)
        SGrid1->setRowCount(17);
}

} // namespace velta
