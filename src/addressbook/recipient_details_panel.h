#pragma once

#include "recipient_details.h"

#include <QGroupBox>
#include <QList>

#include <array>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace velta {

// An editable 敬称 list: 様, 殿, 御中, … and 「（なし）」 for none; any other text is taken as
// typed.
QComboBox* honorificCombo(QWidget* parent, const char* name, const QRect& geometry);
QString honorificOf(const QComboBox* combo);
void showHonorific(QComboBox* combo, const QString& honorific);

// The entry window's 詳細: 敬称, company, 連名 with their 敬称 and readings, groups, and the
// marks of each year. It edits a copy; the window stores what details() returns.
class RecipientDetailsPanel : public QGroupBox {
    Q_OBJECT
public:
    // The names of 連名1 and 連名2 are typed in the window's own fields; the panel shows them.
    RecipientDetailsPanel(QWidget* parent, QLineEdit* jointName1, QLineEdit* jointName2);

    // Shows a recipient's details with the book's groups as check boxes, on the year's marks.
    void showDetails(const RecipientDetails& details, const QStringList& groupNames, int year);
    RecipientDetails details() const;

    QComboBox* ComboHonorific;
    QLineEdit *EditCompany, *EditDepartment1, *EditDepartment2, *EditTitle;
    std::array<QLineEdit*, 5> jointNames; // 1–2 mirror the window's fields, read only
    std::array<QComboBox*, 5> jointHonorifics;
    std::array<QLineEdit*, 5> jointReadings;
    QList<QCheckBox*> groupBoxes;
    QLineEdit* EditNewGroup;
    QPushButton* ButtonAddGroup;
    QSpinBox* SpinMarkYear;
    QCheckBox *CheckNengaSent, *CheckNengaReceived, *CheckKanchuSent, *CheckKanchuReceived,
        *CheckMourning;
    QLineEdit* EditMourningNote;
    // The first and last controls in tab order.
    QWidget* firstControl() const;

private:
    void addGroupBox(const QString& name, bool checked);
    void addTypedGroup();
    void showYear(int year);
    YearMarks shownMarks() const;
    QWidget* groupArea_;
    QGridLayout* groupGrid_;
    QLabel* groupProblem_;
    RecipientDetails shown_; // the years not on screen
    int shownYear_ = 0;      // the year the check boxes show
};

} // namespace velta
