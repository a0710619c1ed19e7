#include "recipient_details_panel.h"

#include "detail_store.h"
#include "form_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>

namespace velta {
namespace {

const QString kNoHonorific = QStringLiteral("（なし）");

QLabel* smallLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

QByteArray numbered(const char* stem, int number) {
    return QByteArray(stem) + QByteArray::number(number);
}

} // namespace

QComboBox* honorificCombo(QWidget* parent, const char* name, const QRect& geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(honorificChoices());
    combo->addItem(kNoHonorific);
    combo->setGeometry(geometry);
    InputMethodLayer::attach(combo->lineEdit(), ImeMode::Hiragana);
    return combo;
}

QString honorificOf(const QComboBox* combo) {
    const QString text = combo->currentText().trimmed();
    return text == kNoHonorific ? QString() : text;
}

void showHonorific(QComboBox* combo, const QString& honorific) {
    combo->setCurrentText(honorific.isEmpty() ? kNoHonorific : honorific);
}

RecipientDetailsPanel::RecipientDetailsPanel(QWidget* parent, QLineEdit* jointName1,
                                             QLineEdit* jointName2)
    : QGroupBox(QStringLiteral("詳細"), parent) {
    setObjectName(QStringLiteral("GroupDetails"));
    captionPanel(this, "PanelHonorific", QStringLiteral("敬　称"), {8, 20, 87, 24});
    ComboHonorific = honorificCombo(this, "ComboHonorific", {100, 21, 100, 22});
    captionPanel(this, "PanelCompany", QStringLiteral("会社名"), {8, 48, 87, 24});
    EditCompany = entryEdit(this, "EditCompany", {100, 49, 266, 21}, 500, ImeMode::Hiragana);
    captionPanel(this, "PanelDepartment", QStringLiteral("部署名"), {8, 74, 87, 24});
    EditDepartment1 =
        entryEdit(this, "EditDepartment1", {100, 75, 266, 21}, 500, ImeMode::Hiragana);
    EditDepartment2 =
        entryEdit(this, "EditDepartment2", {100, 100, 266, 21}, 500, ImeMode::Hiragana);
    captionPanel(this, "PanelTitle", QStringLiteral("役　職"), {8, 125, 87, 24});
    EditTitle = entryEdit(this, "EditTitle", {100, 126, 130, 21}, 200, ImeMode::Hiragana);

    smallLabel(this, QStringLiteral("連名"), {60, 154, 110, 16});
    smallLabel(this, QStringLiteral("敬称"), {174, 154, 70, 16});
    smallLabel(this, QStringLiteral("ふりがな"), {248, 154, 118, 16});
    QLineEdit* windowJointNames[] = {jointName1, jointName2};
    for (int i = 0; i < 5; ++i) {
        const int top = 172 + i * 25;
        smallLabel(this, QStringLiteral("連名%1").arg(i + 1), {8, top + 2, 50, 18});
        jointNames[i] = entryEdit(this, numbered("EditJointName", i + 1).constData(),
                                  {60, top, 110, 21}, 1000, ImeMode::Hiragana);
        if (i < 2) { // typed on the left; shown here so the row reads whole
            QLineEdit* mirror = jointNames[i];
            mirror->setReadOnly(true);
            mirror->setFocusPolicy(Qt::NoFocus);
            connect(windowJointNames[i], &QLineEdit::textChanged, mirror, &QLineEdit::setText);
        }
        jointHonorifics[i] = honorificCombo(
            this, numbered("ComboJointHonorific", i + 1).constData(), {174, top, 70, 22});
        jointReadings[i] = entryEdit(this, numbered("EditJointReading", i + 1).constData(),
                                     {248, top, 118, 21}, 1000, ImeMode::FullWidthKatakana);
    }

    captionPanel(this, "PanelGroups", QStringLiteral("グループ"), {8, 300, 87, 24});
    auto* scroll = new QScrollArea(this);
    scroll->setGeometry(100, 300, 266, 56);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    groupArea_ = new QWidget;
    groupGrid_ = new QGridLayout(groupArea_);
    groupGrid_->setContentsMargins(0, 0, 0, 0);
    groupGrid_->setVerticalSpacing(2);
    scroll->setWidget(groupArea_);
    EditNewGroup = entryEdit(this, "EditNewGroup", {100, 360, 130, 21}, 100, ImeMode::Hiragana);
    EditNewGroup->setPlaceholderText(QStringLiteral("新しいグループ"));
    ButtonAddGroup = pushButton(this, "ButtonAddGroup", QStringLiteral("追加"), {234, 359, 50, 23});
    groupProblem_ = smallLabel(this, QString(), {288, 358, 84, 26});
    groupProblem_->setWordWrap(true);
    groupProblem_->setStyleSheet(QStringLiteral("color: red"));
    connect(ButtonAddGroup, &QPushButton::clicked, this, &RecipientDetailsPanel::addTypedGroup);

    captionPanel(this, "PanelMarks", QStringLiteral("記　録"), {8, 390, 87, 24});
    SpinMarkYear = new QSpinBox(this);
    SpinMarkYear->setObjectName(QStringLiteral("SpinMarkYear"));
    SpinMarkYear->setRange(1900, 2999);
    SpinMarkYear->setGeometry(100, 391, 70, 22);
    smallLabel(this, QStringLiteral("年（年賀状の年）"), {174, 393, 190, 18});
    CheckNengaSent =
        checkBox(this, "CheckNengaSent", QStringLiteral("年賀状を出した"), {100, 418, 130, 20});
    CheckNengaReceived =
        checkBox(this, "CheckNengaReceived", QStringLiteral("年賀状が届いた"), {234, 418, 132, 20});
    CheckKanchuSent = checkBox(this, "CheckKanchuSent", QStringLiteral("寒中・喪中はがき 出"),
                               {100, 440, 130, 20});
    CheckKanchuReceived = checkBox(this, "CheckKanchuReceived",
                                   QStringLiteral("寒中・喪中はがき 受"), {234, 440, 132, 20});
    CheckMourning = checkBox(this, "CheckMourning", QStringLiteral("喪中"), {100, 463, 56, 20});
    EditMourningNote =
        entryEdit(this, "EditMourningNote", {160, 462, 206, 21}, 1000, ImeMode::Hiragana);
    EditMourningNote->setPlaceholderText(QStringLiteral("喪中のメモ（どなたが、いつ）"));
    connect(SpinMarkYear, &QSpinBox::valueChanged, this, [this](int year) {
        shown_.setMarks(shownMarks()); // the year left keeps what was ticked
        showYear(year);
    });
}

QWidget* RecipientDetailsPanel::firstControl() const {
    return ComboHonorific;
}

void RecipientDetailsPanel::addGroupBox(const QString& name, bool checked) {
    auto* box = new QCheckBox(name, groupArea_);
    box->setObjectName(QStringLiteral("CheckGroup_") + name);
    box->setChecked(checked);
    const int index = int(groupBoxes.size());
    groupGrid_->addWidget(box, index / 3, index % 3);
    groupBoxes.append(box);
}

void RecipientDetailsPanel::addTypedGroup() {
    const QString name = EditNewGroup->text().trimmed();
    if (const QString problem = groupNameProblem(name); !problem.isEmpty()) {
        groupProblem_->setText(problem);
        return;
    }
    groupProblem_->clear();
    for (QCheckBox* box : groupBoxes)
        if (box->text() == name) {
            box->setChecked(true);
            EditNewGroup->clear();
            return;
        }
    addGroupBox(name, true); // stored with the recipient, and from then on in every list
    EditNewGroup->clear();
}

void RecipientDetailsPanel::showDetails(const RecipientDetails& details,
                                        const QStringList& groupNames, int year) {
    shown_ = details;
    showHonorific(ComboHonorific, details.honorific);
    EditCompany->setText(details.company);
    EditDepartment1->setText(details.department1);
    EditDepartment2->setText(details.department2);
    EditTitle->setText(details.title);
    for (int i = 0; i < 5; ++i) {
        if (i >= 2)
            jointNames[i]->setText(details.moreJointNames[i - 2]);
        showHonorific(jointHonorifics[i], details.joints[i].honorific);
        jointReadings[i]->setText(details.joints[i].reading);
    }
    qDeleteAll(groupBoxes);
    groupBoxes.clear();
    QStringList names = groupNames;
    for (const QString& group : details.groups)
        if (!names.contains(group))
            names.append(group);
    for (const QString& name : names)
        addGroupBox(name, details.groups.contains(name));
    EditNewGroup->clear();
    groupProblem_->clear();
    const QSignalBlocker quiet(SpinMarkYear);
    SpinMarkYear->setValue(year);
    showYear(year);
}

void RecipientDetailsPanel::showYear(int year) {
    shownYear_ = year;
    const YearMarks marks = shown_.marksFor(year);
    CheckNengaSent->setChecked(marks.nengaSent);
    CheckNengaReceived->setChecked(marks.nengaReceived);
    CheckKanchuSent->setChecked(marks.kanchuSent);
    CheckKanchuReceived->setChecked(marks.kanchuReceived);
    CheckMourning->setChecked(marks.mourning);
    EditMourningNote->setText(marks.mourningNote);
}

YearMarks RecipientDetailsPanel::shownMarks() const {
    YearMarks marks;
    marks.year = shownYear_; // the spin box may already show the next year
    marks.nengaSent = CheckNengaSent->isChecked();
    marks.nengaReceived = CheckNengaReceived->isChecked();
    marks.kanchuSent = CheckKanchuSent->isChecked();
    marks.kanchuReceived = CheckKanchuReceived->isChecked();
    marks.mourning = CheckMourning->isChecked();
    marks.mourningNote = EditMourningNote->text();
    return marks;
}

RecipientDetails RecipientDetailsPanel::details() const {
    RecipientDetails details = shown_;
    details.honorific = honorificOf(ComboHonorific);
    details.company = EditCompany->text();
    details.department1 = EditDepartment1->text();
    details.department2 = EditDepartment2->text();
    details.title = EditTitle->text();
    for (int i = 0; i < 5; ++i) {
        if (i >= 2)
            details.moreJointNames[i - 2] = jointNames[i]->text();
        details.joints[i] = {honorificOf(jointHonorifics[i]), jointReadings[i]->text()};
    }
    details.groups.clear();
    for (const QCheckBox* box : groupBoxes)
        if (box->isChecked())
            details.groups.append(box->text());
    details.groups.sort();
    details.setMarks(shownMarks());
    return details;
}

} // namespace velta
