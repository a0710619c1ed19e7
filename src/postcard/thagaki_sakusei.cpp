#include "thagaki_sakusei.h"

#include "address_listing.h"
#include "colours.h"
#include "dm.h"
#include "errors.h"
#include "font_substitution.h"
#include "form_widgets.h"
#include "key_filter.h"
#include "message_service.h"
#include "position_calibration.h"
#include "postal_code.h"
#include "progress_dialog.h"
#include "reading_order.h"
#include "recipient_filter_bar.h"
#include "string_grid.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace velta {
namespace {

// The form's eleven columns, then the marks of the filter's year.
const int kColumnWidths[] = {1, 1, 100, 200, 200, 80, 80, 80, 80, 265, 120, 90};
constexpr int kColumns = int(std::size(kColumnWidths));

// A list to choose from (not typed into), with what it chooses as its tip.
QComboBox* choiceBox(QWidget* parent, const char* name, const QStringList& items,
                     const QRect& geometry, const QString& tip) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    box->setGeometry(geometry);
    box->setToolTip(tip);
    return box;
}

QComboBox* combo(QWidget* parent, const char* name, const QPoint& position,
                 const QStringList& items, bool digits) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->addItems(items);
    box->setGeometry(position.x(), position.y(), 106, 24);
    // The list shows whole face names, wider than the box itself.
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 32);
    if (digits) {
        box->lineEdit()->setMaxLength(2);
        box->setValidator(new AllowedCharacters(QStringLiteral("0123456789"), box));
    }
    return box;
}

QToolButton* stepper(QWidget* parent, const char* name, Qt::ArrowType arrow,
                     const QPoint& position) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setGeometry(position.x(), position.y(), 33, 25);
    return button;
}

QLineEdit* positionEdit(QWidget* parent, const char* name, const QPoint& position) {
    QLineEdit* edit =
        entryEdit(parent, name, {position.x(), position.y(), 30, 24}, 0, ImeMode::Disabled);
    edit->setFont(pixelFont(QStringLiteral("Tahoma"), 13));
    edit->setText(QStringLiteral("0"));
    KeyFilter::install(edit, QStringLiteral("0123456789"));
    return edit;
}

} // namespace

Thagaki_sakusei::Thagaki_sakusei(TDM& dm, QWidget* parent)
    : QDialog(parent), frxReport1(makeCardTemplate(CardLayout::Type1)),
      frxReport2(makeCardTemplate(CardLayout::Type2)), dm_(dm) {
    setUpWindow(this, "hagaki_sakusei", QStringLiteral("ハガキ作成"), {884, 682});

    captionPanel(this, "Panel3", QStringLiteral("検　索"), {11, 6, 90, 25});
    Edit1 = entryEdit(this, "Edit1", {108, 8, 133, 21}, 0, ImeMode::Unchanged);
    Button2 = pushButton(this, "Button2", QStringLiteral("表示"), {247, 6, 75, 25});
    RadioButton1 = radioButton(this, "RadioButton1", QStringLiteral("名前検索"), {343, 10, 73, 17});
    RadioButton2 =
        radioButton(this, "RadioButton2", QStringLiteral("住所1検索"), {431, 10, 74, 17});
    RadioButton4 =
        radioButton(this, "RadioButton4", QStringLiteral("住所2検索"), {519, 10, 74, 17});
    RadioButton3 = radioButton(this, "RadioButton3", QStringLiteral("メモ"), {607, 10, 38, 17});
    // The label is read whole whatever the face (38 pixels showed only 「メ」).
    RadioButton3->resize(std::max(38, RadioButton3->sizeHint().width()), 17);
    CheckBox1 = new QCheckBox(QStringLiteral("特定の人を選択する"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(673, 10, 144, 17);
    SGrid1 = new TStringGrid(this);
    SGrid1->setObjectName(QStringLiteral("SGrid1"));
    SGrid1->setGeometry(8, 39, 654, 468);
    for (const auto& [name, x] : {std::pair{"Label6", 37}, {"Label7", 166}}) {
        auto* label = new QLabel(name == std::string_view("Label6") ? QStringLiteral("TYPE1")
                                                                    : QStringLiteral("TYPE2"),
                                 this);
        label->setObjectName(QString::fromLatin1(name));
        label->move(x, 532);
        label->setFont(pixelFont(QStringLiteral("Calibri"), 21, true));
        label->setStyleSheet(QStringLiteral("color: blue;"));
    }
    Button3 = pushButton(this, "Button3", QStringLiteral("印刷プレビュー"), {20, 561, 93, 45});
    Button4 = pushButton(this, "Button4", QStringLiteral("印刷プレビュー"), {148, 561, 93, 45});
    Button1 = pushButton(this, "Button1", QStringLiteral("閉じる"), {528, 538, 134, 52});
    ButtonCalibrate =
        pushButton(this, "ButtonCalibrate", QStringLiteral("印刷位置の調整…"), {262, 540, 140, 28});
    CheckBoxFit = new QCheckBox(QStringLiteral("枠に収まるよう縮小"), this);
    CheckBoxFit->setObjectName(QStringLiteral("CheckBoxFit"));
    CheckBoxFit->setGeometry(262, 576, 200, 17);
    CheckBoxFit->setChecked(true);
    ComboPaper =
        choiceBox(this, "ComboPaper", {}, {406, 570, 116, 24},
                  QStringLiteral("用紙: はがき、封筒、またはラベル用紙（ラベルの面数と寸法は %1 で"
                                 "変えられます）")
                      .arg(labelSheetsFile()));
    CheckBarcode = new QCheckBox(QStringLiteral("カスタマバーコードを印刷"), this);
    CheckBarcode->setObjectName(QStringLiteral("CheckBarcode"));
    CheckBarcode->setGeometry(262, 594, 200, 17);
    CheckBarcode->setToolTip(QStringLiteral(
        "日本郵便のカスタマバーコードを、はがきの下に印刷します（郵便番号辞書が必要です）"));
    CheckSenderOnEnvelope = new QCheckBox(QStringLiteral("差出人を表に印刷"), this);
    CheckSenderOnEnvelope->setObjectName(QStringLiteral("CheckSenderOnEnvelope"));
    CheckSenderOnEnvelope->setGeometry(530, 594, 132, 17);
    CheckSenderOnEnvelope->setToolTip(
        QStringLiteral("封筒の表の左下に差出人を印刷します（しないときは裏に書く前提です）"));
    auto followPaper = [this]() {
        CheckSenderOnEnvelope->setEnabled(chosenEnvelope().has_value());
    };
    connect(ComboPaper, &QComboBox::currentIndexChanged, this, followPaper);
    followPaper();
    // Below the form: which recipients the grid shows, and what printing records.
    FilterBar = new RecipientFilterBar(this);
    FilterBar->setGeometry(8, 617, 700, 26);
    ComboCardKind = choiceBox(
        this, "ComboCardKind",
        {QStringLiteral("年賀状として記録"), QStringLiteral("寒中・喪中はがきとして記録")},
        {406, 541, 116, 26}, QStringLiteral("印刷した後、出したはがきとして記録するときの種類"));
    ButtonUndoMarks = pushButton(this, "ButtonUndoMarks", QStringLiteral("出の記録を取り消す"),
                                 {712, 615, 164, 28});
    ButtonUndoMarks->setEnabled(false);
    // The last row: how the address side is typeset.
    auto* typesetting = new QLabel(QStringLiteral("組版:"), this);
    typesetting->setObjectName(QStringLiteral("LabelTypesetting"));
    typesetting->setGeometry(12, 652, 40, 20);
    ComboLayout = choiceBox(
        this, "ComboLayout", {QStringLiteral("標準の配置"), QStringLiteral("従来の配置")},
        {56, 649, 110, 26}, QStringLiteral("従来の配置: 姓・名・様を決まった位置に置きます"));
    ComboNameSpacing = choiceBox(
        this, "ComboNameSpacing", {QStringLiteral("名前を詰めて配置"), QStringLiteral("均等割付")},
        {172, 649, 140, 26}, QStringLiteral("均等割付: 姓と名を名前の行いっぱいに配置します"));
    ComboNumbers = choiceBox(this, "ComboNumbers", numberStyleNames(), {318, 649, 150, 26},
                             QStringLiteral("住所の数字の書き方"));
    ComboKanjiDash = choiceBox(
        this, "ComboKanjiDash", {QStringLiteral("ー"), QStringLiteral("の")}, {474, 649, 48, 26},
        QStringLiteral("漢数字の番地の間に入れる文字（二ー十四 / 二の十四）"));
    CheckFamilyTogether =
        new QCheckBox(QStringLiteral("入りきらない連名は「御家族御一同様」にする"), this);
    CheckFamilyTogether->setObjectName(QStringLiteral("CheckFamilyTogether"));
    CheckFamilyTogether->setGeometry(530, 652, 346, 20);
    auto followLayout = [this]() {
        const bool composed = ComboLayout->currentIndex() == 0;
        ComboNameSpacing->setEnabled(composed);
        CheckFamilyTogether->setEnabled(composed);
    };
    connect(ComboLayout, &QComboBox::currentIndexChanged, this, followLayout);
    auto followNumbers = [this]() {
        ComboKanjiDash->setEnabled(ComboNumbers->currentIndex() >= 2);
    };
    connect(ComboNumbers, &QComboBox::currentIndexChanged, this, followNumbers);
    followNumbers();

    QStringList sizes;
    for (int size = 7; size <= 25; ++size)
        sizes.append(QString::number(size));
    const QStringList fonts = cardFaceChoices();

    GroupBox1 = new QGroupBox(QStringLiteral("宛名"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(668, 38, 208, 261);
    GroupBox2 = new QGroupBox(QStringLiteral("差出人"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(668, 305, 208, 304);

    captionPanel(GroupBox1, "Panel2", QStringLiteral("住所サイズ"), {5, 65, 86, 25});
    captionPanel(GroupBox1, "Panel4", QStringLiteral("氏名フォント"), {5, 110, 86, 25});
    ComboBox3 = combo(GroupBox1, "ComboBox3", {95, 111}, fonts, false);
    captionPanel(GroupBox1, "Panel5", QStringLiteral("住所フォント"), {5, 158, 86, 25});
    ComboBox4 = combo(GroupBox1, "ComboBox4", {95, 160}, fonts, false);
    captionPanel(GroupBox1, "Panel10", QStringLiteral("郵便番号の位置調整"), {5, 194, 196, 25});
    SpeedButton1 = stepper(GroupBox1, "SpeedButton1", Qt::LeftArrow, {5, 225});
    Edit2 = positionEdit(GroupBox1, "Edit2", {40, 225});
    SpeedButton2 = stepper(GroupBox1, "SpeedButton2", Qt::RightArrow, {71, 225});
    SpeedButton3 = stepper(GroupBox1, "SpeedButton3", Qt::UpArrow, {107, 225});
    Edit3 = positionEdit(GroupBox1, "Edit3", {141, 225});
    SpeedButton4 = stepper(GroupBox1, "SpeedButton4", Qt::DownArrow, {171, 225});

    CheckBox2 = new QCheckBox(QStringLiteral("郵便番号に「―」を入れる。"), GroupBox2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(16, 17, 153, 17);
    captionPanel(GroupBox2, "Panel6", QStringLiteral("氏名サイズ"), {5, 49, 86, 25});
    ComboBox5 = combo(GroupBox2, "ComboBox5", {95, 50}, sizes, true);
    captionPanel(GroupBox2, "Panel7", QStringLiteral("住所サイズ"), {5, 97, 86, 25});
    ComboBox6 = combo(GroupBox2, "ComboBox6", {95, 99}, sizes, true);
    captionPanel(GroupBox2, "Panel8", QStringLiteral("氏名フォント"), {5, 143, 86, 25});
    ComboBox7 = combo(GroupBox2, "ComboBox7", {95, 145}, fonts, false);
    captionPanel(GroupBox2, "Panel9", QStringLiteral("住所フォント"), {5, 190, 86, 25});
    ComboBox8 = combo(GroupBox2, "ComboBox8", {95, 192}, fonts, false);
    captionPanel(GroupBox2, "Panel11", QStringLiteral("郵便番号の位置調整"), {5, 233, 196, 25});
    SpeedButton5 = stepper(GroupBox2, "SpeedButton5", Qt::LeftArrow, {5, 266});
    Edit4 = positionEdit(GroupBox2, "Edit4", {40, 266});
    SpeedButton6 = stepper(GroupBox2, "SpeedButton6", Qt::RightArrow, {71, 266});
    SpeedButton7 = stepper(GroupBox2, "SpeedButton7", Qt::UpArrow, {107, 266});
    Edit5 = positionEdit(GroupBox2, "Edit5", {141, 266});
    SpeedButton8 = stepper(GroupBox2, "SpeedButton8", Qt::DownArrow, {171, 266});

    // Over the recipient group but the window's own.
    captionPanel(this, "Panel1", QStringLiteral("氏名サイズ"), {673, 55, 86, 25});
    ComboBox1 = combo(this, "ComboBox1", {763, 57}, sizes, true);
    ComboBox2 = combo(this, "ComboBox2", {763, 105}, sizes, true);

    const std::tuple<QToolButton*, QLineEdit*, int> steppers[] = {
        {SpeedButton1, Edit2, -1}, {SpeedButton2, Edit2, 1},  {SpeedButton3, Edit3, 1},
        {SpeedButton4, Edit3, -1}, {SpeedButton5, Edit4, -1}, {SpeedButton6, Edit4, 1},
        {SpeedButton7, Edit5, 1},  {SpeedButton8, Edit5, -1}};
    for (const auto& [button, edit, delta] : steppers)
        connect(button, &QToolButton::clicked, this,
                [this, edit = edit, delta = delta] { step(edit, delta); });
    connect(Button2, &QPushButton::clicked, this, &Thagaki_sakusei::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Thagaki_sakusei::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Thagaki_sakusei::Button4Click);
    connect(ButtonCalibrate, &QPushButton::clicked, this, [this] {
        PositionCalibrationDialog calibration(this);
        calibration.exec();
    });
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonUndoMarks, &QPushButton::clicked, this, &Thagaki_sakusei::undoMarks);
    connect(SGrid1, &TStringGrid::mousePressed, this, &Thagaki_sakusei::SGrid1MouseDown);

    dm_.close();
    SGrid1->setColCount(kColumns);
    SGrid1->setFixedCols(2);
    SGrid1->setRowCount(2);
    SGrid1->setRowCells(0, cardGridHeaders());
    // The marks are read beside the name, not after the memo: moved on screen only, the
    // columns keep their numbers.
    SGrid1->moveColumnOnScreen(kColumns - 1, 7);
    for (int c = 0; c < kColumns; ++c)
        SGrid1->setColumnWidth(c, kColumnWidths[c]);
    // The spaced postal code must show all seven digits, full-width ones included.
    const int postalWidth = SGrid1->fontMetrics().horizontalAdvance(
                                spacedPostalCode(QStringLiteral("０００００００"), false)) +
                            12;
    SGrid1->setColumnWidth(2, std::max(kColumnWidths[2], postalWidth));
}

void Thagaki_sakusei::prepare() {
    setBackground(this, kFormBackground);
    Edit1->clear();
    RadioButton1->setChecked(true);
    const std::pair<QComboBox*, const char*> defaults[] = {{ComboBox1, "20"},
                                                           {ComboBox2, "10"},
                                                           {ComboBox3, "HGP明朝E"},
                                                           {ComboBox4, "HGP明朝E"},
                                                           {ComboBox5, "8"},
                                                           {ComboBox6, "7"},
                                                           {ComboBox7, "ＭＳ Ｐゴシック"},
                                                           {ComboBox8, "ＭＳ Ｐゴシック"}};
    for (const auto& [box, text] : defaults)
        box->setEditText(QString::fromUtf8(text));
    CheckBoxFit->setChecked(true);
    fillPapers();
    {
        UnitOfWork work(dm_);
        FilterBar->setGroups(DetailStore(dm_).groupNames());
        work.commit();
    }
    // The grid keeps its rows and marks from the last visit: only a short grid grows to 30.
    if (SGrid1->RowCount() < 30)
        SGrid1->setRowCount(30);
}

void Thagaki_sakusei::step(QLineEdit* edit, int delta) {
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    if (!ok)
        throw DbError(QStringLiteral("'%1' は有効な整数ではありません。").arg(edit->text()));
    edit->setText(QString::number(value + delta));
}

void Thagaki_sakusei::Button2Click() {
    const CardSearch search = RadioButton2->isChecked()   ? CardSearch::Address1
                              : RadioButton4->isChecked() ? CardSearch::Address2
                              : RadioButton3->isChecked() ? CardSearch::Memo
                                                          : CardSearch::Surname;
    ProgressDialog reading(this, QStringLiteral("宛名を読み込んでいます"));
    dm_.open();
    const QList<CardRecipient> found =
        readCardRecipients(dm_, search, Edit1->text(), reading.progress());
    if (reading.canceled())
        return; // the grid stays as it was
    // The connection stays open: the composition reads the sender over it.
    cards_ = orderedByReading(withDetails(dm_, found, FilterBar->filter()),
                              [](const CardRecipient& card) { return card.reading; });
    lastAddressSearch_ = search == CardSearch::Address1 || search == CardSearch::Address2;
    showRows();
    if (SGrid1->RowCount() <= 16)
        SGrid1->setRowCount(30);
}

void Thagaki_sakusei::showRows() {
    SGrid1->clearCells();
    SGrid1->setFixedRows(1);
    SGrid1->setRowCount(2 + static_cast<int>(cards_.size()));
    SGrid1->setColCount(kColumns);
    SGrid1->setFixedCols(1);
    for (int i = 0; i < cards_.size(); ++i)
        SGrid1->setRowCells(i + 1, cardGridRow(cards_[i], lastAddressSearch_, FilterBar->year()));
    SGrid1->setRowCells(0, cardGridHeaders());
}

void Thagaki_sakusei::rereadMarks() {
    UnitOfWork work(dm_);
    const QHash<qint64, RecipientDetails> details = DetailStore(dm_).readAll();
    work.commit();
    for (int i = 0; i < cards_.size(); ++i) {
        cards_[i].details = details.value(cards_[i].key);
        SGrid1->setCell(kColumns - 1, i + 1,
                        marksText(cards_[i].details.marksFor(FilterBar->year())));
    }
}

void Thagaki_sakusei::offerToMarkSent(const QList<CardRecipient>& printed) {
    QList<qint64> keys;
    for (const CardRecipient& card : printed)
        if (!keys.contains(card.key))
            keys.append(card.key);
    if (keys.isEmpty())
        return;
    const bool nenga = ComboCardKind->currentIndex() == 0;
    const int year = FilterBar->year();
    if (!MessageService::confirm(
            this,
            QStringLiteral("印刷した %1 人を、%2 年の%3を出した人として記録しますか？\n"
                           "（記録は「出の記録を取り消す」で元に戻せます）")
                .arg(keys.size())
                .arg(year)
                .arg(nenga ? QStringLiteral("年賀状") : QStringLiteral("寒中見舞い・喪中はがき"))))
        return;
    lastMarks_ =
        recordMark(dm_, keys, year, nenga ? &YearMarks::nengaSent : &YearMarks::kanchuSent);
    ButtonUndoMarks->setEnabled(true);
    rereadMarks();
}

void Thagaki_sakusei::undoMarks() {
    if (!lastMarks_)
        return;
    undoMark(dm_, *lastMarks_);
    lastMarks_.reset();
    ButtonUndoMarks->setEnabled(false);
    rereadMarks();
    MessageService::information(this, QStringLiteral("出の記録を取り消しました。"));
}

void Thagaki_sakusei::SGrid1MouseDown(Qt::MouseButton button) {
    if (!CheckBox1->isChecked() || button != Qt::LeftButton)
        return;
    const int row = SGrid1->selectedRow();
    if (row < 0)
        return;
    const bool marked = SGrid1->marked(0, row);
    for (int c = 0; c <= 6; ++c)
        SGrid1->setMarked(c, row, !marked);
}

CardOptions Thagaki_sakusei::options() const {
    CardOptions o;
    o.nameSize = ComboBox1->currentText();
    o.addressSize = ComboBox2->currentText();
    o.nameFont = ComboBox3->currentText();
    o.addressFont = ComboBox4->currentText();
    o.senderNameSize = ComboBox5->currentText();
    o.senderAddressSize = ComboBox6->currentText();
    o.senderNameFont = ComboBox7->currentText();
    o.senderAddressFont = ComboBox8->currentText();
    o.recipientRight = Edit2->text();
    o.recipientDown = Edit3->text();
    o.senderRight = Edit4->text();
    o.senderDown = Edit5->text();
    o.senderHyphen = CheckBox2->isChecked();
    o.fitText = CheckBoxFit->isChecked();
    o.classicLayout = ComboLayout->currentIndex() == 1;
    o.spreadName = ComboNameSpacing->currentIndex() == 1;
    o.familyTogether = CheckFamilyTogether->isChecked();
    o.barcode = CheckBarcode->isChecked();
    o.senderOnEnvelope = CheckSenderOnEnvelope->isChecked();
    o.numbers = static_cast<NumberStyle>(std::max(0, ComboNumbers->currentIndex()));
    o.kanjiDash = ComboKanjiDash->currentText().at(0);
    return o;
}

QList<CardRecipient> Thagaki_sakusei::cardRows() const {
    QList<CardRecipient> cards;
    for (int r = 1; r <= cards_.size(); ++r)
        if (!CheckBox1->isChecked() || SGrid1->marked(0, r))
            cards.append(cards_[r - 1]);
    return cards;
}

void Thagaki_sakusei::fillPapers() {
    const QString chosen = ComboPaper->currentText();
    sheets_.clear();
    try {
        sheets_ = loadLabelSheets();
    } catch (const DbError& error) { // cards still print; the message says what to mend
        MessageService::error(this, error.message());
    }
    ComboPaper->clear();
    ComboPaper->addItem(QStringLiteral("はがき"));
    for (const CardLayout envelope : envelopeLayouts())
        ComboPaper->addItem(layoutFacts(envelope).name);
    for (const LabelSheet& sheet : sheets_)
        ComboPaper->addItem(sheet.name);
    ComboPaper->setCurrentIndex(std::max(0, ComboPaper->findText(chosen)));
}

// 用紙 lists はがき, then the envelopes, then the label sheets.
std::optional<CardLayout> Thagaki_sakusei::chosenEnvelope() const {
    const qsizetype envelope = ComboPaper->currentIndex() - 1;
    if (envelope < 0 || envelope >= envelopeLayouts().size())
        return std::nullopt;
    return envelopeLayouts()[envelope];
}

const LabelSheet* Thagaki_sakusei::chosenSheet() const {
    const qsizetype sheet = ComboPaper->currentIndex() - 1 - envelopeLayouts().size();
    return sheet >= 0 && sheet < sheets_.size() ? &sheets_[sheet] : nullptr;
}

void Thagaki_sakusei::composeLabels(TfrxReport& report, const LabelSheet& sheet) {
    QStringList warnings;
    report.PreviewPagesClear();
    for (const PreparedPage& page : velta::composeLabels(sheet, options(), cardRows(), &warnings))
        report.appendPage(page);
    report.Warnings = warnings;
    report.ShowPreparedReport();
}

void Thagaki_sakusei::compose(TfrxReport& report, CardLayout layout) {
    // Either button: an envelope and a sheet have one layout each.
    if (const LabelSheet* sheet = chosenSheet()) {
        composeLabels(report, *sheet);
        return;
    }
    layout = chosenEnvelope().value_or(layout);
    // Empty recipient sizes are taken as 20, and shown so.
    for (QComboBox* size : {ComboBox1, ComboBox2})
        if (size->currentText().isEmpty())
            size->setEditText(QStringLiteral("20"));
    ProgressDialog composing(this, QStringLiteral("はがきを作成しています"), QStringLiteral("枚"));
    const QList<CardRecipient> cards = cardRows();
    QList<qsizetype> made; // the card of each page: cards the check leaves out have none
    if (!composeCards(report, layout, options(), cards, dm_, composing.progress(), &made))
        return;
    QList<CardRecipient> printed;
    for (int page : report.ShowPreparedReport())
        if (page >= 0 && page < made.size())
            printed.append(cards[made[page]]);
    offerToMarkSent(printed);
}

void Thagaki_sakusei::Button3Click() {
    compose(frxReport1, CardLayout::Type1);
}
void Thagaki_sakusei::Button4Click() {
    compose(frxReport2, CardLayout::Type2);
}

} // namespace velta
