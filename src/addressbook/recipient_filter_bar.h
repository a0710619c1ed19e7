#pragma once

#include "recipient_details.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace velta {

// Which recipients a list shows: a group, and this year's 出・受・喪中.
class RecipientFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit RecipientFilterBar(QWidget* parent);

    QComboBox* ComboGroup; // 「すべて」 and the book's groups
    QSpinBox* SpinFilterYear;
    QCheckBox *CheckUnsent, *CheckSkipMourning, *CheckReceivedUnsent;

    // The book's groups; the chosen one stays chosen while it is there.
    void setGroups(const QStringList& groups);
    RecipientFilter filter() const;
    int year() const;
};

// The grids' columns of a recipient's details: its groups and the year's marks.
QString groupsText(const RecipientDetails& details);

} // namespace velta
