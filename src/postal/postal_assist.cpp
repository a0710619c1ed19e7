#include "postal_assist.h"

#include "form_widgets.h"
#include "message_service.h"
#include "postal_dictionary.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velta {
namespace {

const QString kNoDictionary = QStringLiteral(
    "郵便番号辞書がありません。\nメニューの「ツール」→「郵便番号辞書の取り込み」で日本郵便の"
    "郵便番号データを取り込んでください。");

QString choiceText(const PostalTown& town) {
    QString text = town.code.left(3) + QLatin1Char('-') + town.code.mid(3) + QStringLiteral("　") +
                   addressOf(town);
    if (town.published != town.town && !town.published.isEmpty())
        text += QStringLiteral("　（%1）").arg(town.published);
    return text;
}

} // namespace

int chooseTown(QWidget* parent, const QVector<PostalTown>& towns) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TownChooser"));
    dialog.setWindowTitle(QStringLiteral("住所の選択"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("どれか一つを選んでください。"), &dialog));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("List"));
    for (const PostalTown& town : towns)
        list->addItem(choiceText(town));
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    dialog.resize(480, 260);
    return dialog.exec() == QDialog::Accepted ? list->currentRow() : -1;
}

PostalAssist::PostalAssist(QWidget* window, TDM& dm, QLineEdit* postalCode, QLineEdit* address1,
                           const QRect& area)
    : QObject(window), window_(window), dm_(dm), postalCode_(postalCode), address1_(address1) {
    const int width = (area.width() - 4) / 2;
    toAddress = pushButton(window, "ButtonPostalToAddress", QStringLiteral("〒→住所"),
                           {area.left(), area.top(), width, area.height()});
    toCode = pushButton(window, "ButtonAddressToPostal", QStringLiteral("住所→〒"),
                        {area.left() + width + 4, area.top(), width, area.height()});
    for (QPushButton* button : {toAddress, toCode})
        button->setFocusPolicy(Qt::TabFocus);
    connect(toAddress, &QPushButton::clicked, this, [this] { fillAddress(false); });
    connect(toCode, &QPushButton::clicked, this, [this] { fillCode(); });
    connect(postalCode, &QLineEdit::textEdited, this, [this] {
        if (address1_->text().isEmpty() && !postalCodeDigits(postalCode_->text()).isEmpty())
            fillAddress(true);
    });
}

void PostalAssist::fillAddress(bool typing) {
    const QString code = postalCode_->text();
    if (postalCodeDigits(code).isEmpty()) {
        if (!typing)
            MessageService::information(window_,
                                        QStringLiteral("郵便番号を 7 桁で入力してください。"));
        return;
    }
    const QVector<PostalTown> towns = lookUpPostalCode(dm_, code);
    if (towns.isEmpty()) {
        if (!typing)
            MessageService::information(
                window_, hasPostalDictionary(dm_)
                             ? QStringLiteral("郵便番号 %1 は辞書にありません。").arg(code)
                             : kNoDictionary);
        return;
    }
    const int chosen = towns.size() == 1 ? 0 : chooseTown(window_, towns);
    if (chosen >= 0)
        address1_->setText(addressOf(towns[chosen]));
}

void PostalAssist::fillCode() {
    const QVector<PostalTown> towns = lookUpAddress(dm_, address1_->text());
    if (towns.isEmpty()) {
        MessageService::information(window_,
                                    hasPostalDictionary(dm_)
                                        ? QStringLiteral("住所1 にあう郵便番号が辞書にありません。")
                                        : kNoDictionary);
        return;
    }
    const int chosen = towns.size() == 1 ? 0 : chooseTown(window_, towns);
    if (chosen >= 0)
        postalCode_->setText(towns[chosen].code.left(3) + QLatin1Char('-') +
                             towns[chosen].code.mid(3));
}

} // namespace velta
