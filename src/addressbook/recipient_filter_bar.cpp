#include "recipient_filter_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace velta {

RecipientFilterBar::RecipientFilterBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FilterBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("グループ"), this));
    ComboGroup = new QComboBox(this);
    ComboGroup->setObjectName(QStringLiteral("ComboGroup"));
    ComboGroup->setMinimumWidth(110);
    ComboGroup->addItem(QStringLiteral("すべて"));
    row->addWidget(ComboGroup);
    row->addSpacing(8);
    SpinFilterYear = new QSpinBox(this);
    SpinFilterYear->setObjectName(QStringLiteral("SpinFilterYear"));
    SpinFilterYear->setRange(1900, 2999);
    SpinFilterYear->setValue(greetingYear(QDate::currentDate()));
    SpinFilterYear->setToolTip(QStringLiteral("年賀状の年（12 月に書くはがきは翌年の分）"));
    row->addWidget(SpinFilterYear);
    row->addWidget(new QLabel(QStringLiteral("年:"), this));
    auto check = [&](QCheckBox*& box, const char* name, const QString& text) {
        box = new QCheckBox(text, this);
        box->setObjectName(QString::fromLatin1(name));
        row->addWidget(box);
    };
    check(CheckUnsent, "CheckUnsent", QStringLiteral("今年まだ出していない人"));
    check(CheckSkipMourning, "CheckSkipMourning", QStringLiteral("喪中を除く"));
    check(CheckReceivedUnsent, "CheckReceivedUnsent", QStringLiteral("受け取ったが出していない人"));
    row->addStretch();
}

void RecipientFilterBar::setGroups(const QStringList& groups) {
    const QString chosen = ComboGroup->currentIndex() > 0 ? ComboGroup->currentText() : QString();
    while (ComboGroup->count() > 1)
        ComboGroup->removeItem(1);
    ComboGroup->addItems(groups);
    const int again = chosen.isEmpty() ? 0 : ComboGroup->findText(chosen);
    ComboGroup->setCurrentIndex(again < 0 ? 0 : again);
}

int RecipientFilterBar::year() const {
    return SpinFilterYear->value();
}

RecipientFilter RecipientFilterBar::filter() const {
    RecipientFilter filter;
    if (ComboGroup->currentIndex() > 0)
        filter.group = ComboGroup->currentText();
    if (CheckUnsent->isChecked())
        filter.unsentYear = year();
    if (CheckSkipMourning->isChecked())
        filter.skipMourningYear = year();
    if (CheckReceivedUnsent->isChecked())
        filter.receivedUnsentYear = year();
    return filter;
}

QString groupsText(const RecipientDetails& details) {
    return details.groups.join(kGroupSeparator);
}

} // namespace velta
