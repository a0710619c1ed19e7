#pragma once

#include "card_layouts.h"
#include "composition.h"
#include "detail_store.h"
#include "label_sheets.h"
#include "page_model.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace velta {

class TDM;
class TStringGrid;
class RecipientFilterBar;

// The postcard window: fills the recipient grid, marks rows, and composes the cards.
class Thagaki_sakusei : public QDialog {
    Q_OBJECT
public:
    explicit Thagaki_sakusei(TDM& dm, QWidget* parent = nullptr);

    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5;
    QPushButton *Button1, *Button2, *Button3, *Button4;
    QPushButton* ButtonCalibrate; // 位置調整
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
    QCheckBox *CheckBox1, *CheckBox2, *CheckBoxFit;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5, *ComboBox6, *ComboBox7,
        *ComboBox8;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5,
        *SpeedButton6, *SpeedButton7, *SpeedButton8;
    QGroupBox *GroupBox1, *GroupBox2;
    TStringGrid* SGrid1;
    RecipientFilterBar* FilterBar; // group and this year's 出・受・喪中
    QComboBox* ComboCardKind; // what printing records: 年賀状 or 寒中見舞い・喪中はがき
    QPushButton* ButtonUndoMarks; // takes back the last 出 recorded after printing
    // How the address side is typeset: 標準の配置 / 従来の配置, 詰めて / 均等割付, the numbers and
    // their dash, and 連名 that do not fit as 御家族御一同様.
    QComboBox *ComboLayout, *ComboNameSpacing, *ComboNumbers, *ComboKanjiDash;
    QCheckBox* CheckFamilyTogether;
    QCheckBox* CheckBarcode; // Japan Post's customer barcode on each card
    QComboBox* ComboPaper; // はがき, an envelope or a label sheet: what the preview buttons make
    QCheckBox* CheckSenderOnEnvelope; // an envelope's sender on its front
    TfrxReport frxReport1, frxReport2;

    // The menu's "ハガキ作成": search box, mode and the eight options back at their defaults.
    void prepare();
    CardOptions options() const;
    // After printing: asks whether to record the printed recipients as sent for the filter's
    // year (never without asking), kept so that one undo takes it back.
    void offerToMarkSent(const QList<CardRecipient>& printed);
    void undoMarks();
    // The rows that are cards: every recipient row, or the marked ones with CheckBox1.
    QList<CardRecipient> cardRows() const;

public slots:
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void SGrid1MouseDown(Qt::MouseButton button);

private:
    TDM& dm_;
    // The recipients the grid shows, row 1 onwards, in its order.
    QList<CardRecipient> cards_;
    std::optional<MarkChange> lastMarks_;
    bool lastAddressSearch_ = false;
    void showRows();
    void rereadMarks();
    void compose(TfrxReport& report, CardLayout layout);
    void composeLabels(TfrxReport& report, const LabelSheet& sheet);
    void fillPapers();
    QVector<LabelSheet> sheets_; // the label sheets ComboPaper offers after the envelopes
    std::optional<CardLayout> chosenEnvelope() const; // what 用紙 chooses, if an envelope
    const LabelSheet* chosenSheet() const;            // or a label sheet
    void step(QLineEdit* edit, int delta);
};

} // namespace velta
