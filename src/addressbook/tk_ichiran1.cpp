#include "tk_ichiran1.h"

#include "address_listing.h"
#include "colours.h"
#include "dm.h"
#include "form_widgets.h"
#include "message_service.h"
#include "progress_dialog.h"
#include "reading_order.h"
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

constexpr int kReadingColumn = 4;
const int kColumnWidths[] = {1, 1, 120, 120, 150, 80, 280, 280, 280, 171};

QRadioButton* radio(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

TK_ichiran1::TK_ichiran1(TDM& dm, TK_touroku1& entryWindow, QWidget* parent)
    : QDialog(parent), dm_(dm), entry_(entryWindow) {
    setUpWindow(this, "K_ichiran1", QStringLiteral("宛名一覧"), {784, 461});

    captionPanel(this, "Panel3", QStringLiteral("検　索"), {11, 13, 75, 24})
        ->setObjectName(QStringLiteral("Label3"));
    Edit1 = entryEdit(this, "Edit1", {92, 15, 121, 21}, 0, ImeMode::Unchanged);
    Button4 = pushButton(this, "Button4", QStringLiteral("表示"), {219, 14, 75, 24});
    RadioButton1 = radio(this, "RadioButton1", QStringLiteral("苗字検索"), {312, 17, 73, 17});
    RadioButton2 = radio(this, "RadioButton2", QStringLiteral("住所1 検索"), {392, 17, 74, 17});
    RadioButton4 = radio(this, "RadioButton4", QStringLiteral("住所2 検索"), {483, 17, 74, 17});
    RadioButton3 = radio(this, "RadioButton3", QStringLiteral("メモ"), {578, 17, 42, 17});
    SGrid1 = new TStringGrid(this);
    SGrid1->setObjectName(QStringLiteral("SGrid1"));
    SGrid1->setGeometry(11, 44, 758, 361);
    Button3 = pushButton(this, "Button3", QStringLiteral("エクセル出力"), {509, 411, 75, 42});
    Button2 = pushButton(this, "Button2", QStringLiteral("表示"), {600, 411, 75, 42});
    Button1 = pushButton(this, "Button1", QStringLiteral("閉じる"), {694, 411, 75, 42});

    connect(Button2, &QPushButton::clicked, this, &TK_ichiran1::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TK_ichiran1::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TK_ichiran1::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &TK_ichiran1::Button1Click);
    connect(SGrid1, &TStringGrid::cellDoubleClicked, this, &TK_ichiran1::SGrid1DblClick);
    connect(&entry_, &TK_touroku1::closeButtonPressed, this, &TK_ichiran1::refillAfterEntry);

    dm_.close();
    SGrid1->setColCount(10);
    SGrid1->setFixedCols(2);
    SGrid1->setRowCount(1);
    SGrid1->setRowCells(0, listHeaders());
}

void TK_ichiran1::prepare() {
    Edit1->clear();
    RadioButton1->setChecked(true);
    SGrid1->setColCount(10);
    SGrid1->setFixedCols(2);
    SGrid1->setRowCells(0, listHeaders());
    SGrid1->setRowCount(17);
    for (int c = 0; c < 10; ++c)
        SGrid1->setColumnWidth(c, kColumnWidths[c]);
    setBackground(this, kFormBackground);
}

void TK_ichiran1::resetGrid(int rows, int fixedCols) {
    SGrid1->clearCells();
    SGrid1->setRowCells(0, listHeaders());
    SGrid1->setRowCount(rows);
    SGrid1->setFixedCols(fixedCols);
    SGrid1->setFixedRows(1);
}

// Each row goes into the last row of the grid, which then grows by one.
void TK_ichiran1::appendRows(const QList<QStringList>& rows) {
    const int first = SGrid1->RowCount() - 1;
    SGrid1->setRowCount(SGrid1->RowCount() + static_cast<int>(rows.size()));
    for (int i = 0; i < rows.size(); ++i)
        SGrid1->setRowCells(first + i, rows[i]);
}

void TK_ichiran1::orderAndCompact() {
    QList<QStringList> rows = gridRows();
    rows.removeFirst();
    const QList<QStringList> ordered = orderedByReading(rows, kReadingColumn);
    SGrid1->clearCells();
    SGrid1->setColCount(10);
    SGrid1->setFixedCols(1);
    for (int i = 0; i < ordered.size(); ++i)
        SGrid1->setRowCells(i + 1, ordered[i]);
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
    dm_.open();
    const QList<QStringList> rows =
        listRecipients(dm_, listingStatement(), {}, {}, reading.progress());
    dm_.close();
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
    const QList<QStringList> rows =
        listRecipients(dm_, searchStatement(column), searchParameter(column),
                       QLatin1Char('%') + Edit1->text() + QLatin1Char('%'), reading.progress());
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
    const qint64 key = toInteger(SGrid1->cell(0, row), QStringLiteral("KEY"));
    dm_.open();
    TIBQuery& query = dm_.IBQuery1;
    query.Clear();
    for (const char* line : {"SELECT",
                             "  KEY1,",
                             "  IDNUM,",
                             "  NAMAE,",
                             "  NAMAE2,",
                             "  YUBINNO,",
                             "  JYUSYO,",
                             "  JYUSYO2,",
                             "  SEIBETU,",
                             "  SEI_JEL,",
                             "  SEI_MUUSU,",
                             "  SEI_SUPURE,",
                             "  SEI_SONOTA,",
                             "  SORI_AGO,",
                             "  SORI_MAYU,",
                             "  MEMO,",
                             "  YEAR1,",
                             "  MONTH1,",
                             "  DAY1,",
                             "  LTIME,",
                             "  KEY2,",
                             "  renmei1,",
                             "  renmei2,",
                             "  hurigana,",
                             "  tel",
                             "FROM",
                             "  MST_KOKYAKU",
                             "WHERE",
                             "  (KEY1       = :KEY1      )"})
        query.Add(QString::fromUtf8(line));
    query.setInteger(QStringLiteral("KEY1"), key);
    query.Open();
    // A recipient deleted meanwhile must not open the entry window with another one's key;
    // any row that is there opens, whatever its columns hold (imported rows included).
    if (query.Eof()) {
        query.Close();
        dm_.close();
        MessageService::information(
            this, QStringLiteral("この宛名は見つかりませんでした。\n"
                                 "削除された可能性があります。「表示」で一覧を更新してください。"));
        return false;
    }
    const bool male = query.fieldString(QStringLiteral("SEIBETU")) == QLatin1String("1");
    entry_.RadioButton1->setChecked(male);
    entry_.RadioButton2->setChecked(!male);
    entry_.Label15->setText(QString::number(query.fieldInteger(QStringLiteral("KEY1"))));
    entry_.Label17->setText(query.fieldString(QStringLiteral("KEY2")));
    const std::pair<QLineEdit*, const char*> fields[] = {
        {entry_.Edit5, "YEAR1"},    {entry_.Edit6, "MONTH1"},  {entry_.Edit7, "DAY1"},
        {entry_.Edit1, "NAMAE"},    {entry_.Edit13, "NAMAE2"}, {entry_.Edit11, "hurigana"},
        {entry_.Edit2, "IDNUM"},    {entry_.Edit3, "YUBINNO"}, {entry_.Edit4, "JYUSYO"},
        {entry_.Edit10, "JYUSYO2"}, {entry_.Edit8, "renmei1"}, {entry_.Edit12, "renmei2"},
        {entry_.Edit9, "tel"}};
    for (const auto& [edit, name] : fields)
        edit->setText(query.fieldString(QString::fromLatin1(name)));
    setMemoText(entry_.Memo1, query.fieldString(QStringLiteral("MEMO")));
    entry_.Button4->setEnabled(true);
    query.Close();
    entry_.setOpenedRow(RecipientStore(dm_).read(key));
    dm_.close();
    return true;
}

void TK_ichiran1::refillAfterEntry() {
    SGrid1->clearCells();
    SGrid1->setRowCells(0, listHeaders());
    dm_.open();
    // Refilled also after a delete (the entry window is then in new-recipient mode): the
    // recipients that remain are listed, never an empty grid.
    SGrid1->setRowCount(2);
    SGrid1->setFixedCols(1);
    SGrid1->setFixedRows(1);
    appendRows(listRecipients(dm_, listingStatement()));
    dm_.close();
    orderAndCompact();
    if (SGrid1->RowCount() <= 16)
        SGrid1->setRowCount(17);
}

} // namespace velta
