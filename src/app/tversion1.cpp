#include "tversion1.h"

#include "colours.h"
#include "form_widgets.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velta {

const QString Tversion1::VersionText = QStringLiteral("1.0.3");

namespace {

QPixmap logo() {
    QPixmap picture(66, 66);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(100, 149, 237));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 64, 64), 10, 10);
    painter.setPen(Qt::white);
    painter.setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 40, true));
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("〒"));
    return picture;
}

} // namespace

Tversion1::Tversion1(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("version1"));
    setWindowTitle(QStringLiteral("バージョン情報"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(16, 16, 66, 66);
    picture->setPixmap(logo());

    const std::pair<const char*, QString> captions[] = {
        {"Label1", QStringLiteral("VELTA")},
        {"Label2", QStringLiteral("バージョン　") + VersionText},
        {"Label3", QStringLiteral("VELTA 開発チーム")}};
    const char* const panels[] = {"Panel1", "Panel2", "Panel3"};
    for (int i = 0; i < 3; ++i) {
        QLabel* label =
            captionPanel(this, panels[i], captions[i].second, QRect(104, 16 + 28 * i, 280, 22));
        label->setObjectName(QString::fromLatin1(captions[i].first));
        label->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
    }

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(104, 110, 377, 57);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setPlainText(QStringLiteral(
        "本ソフトウェアの著作権は VELTA 開発チームに帰属します。"
        "本ソフトウェアの使用により生じたいかなる損害についても、開発者は責任を負いません。"
        "印刷前に必ずプレビューで内容をご確認ください。"));
    // Tall enough for its text in the face it really gets: nothing to scroll.
    const QRect needed = QFontMetrics(Memo1->font())
                             .boundingRect(QRect(0, 0, Memo1->width() - 24, 10000),
                                           Qt::TextWordWrap, Memo1->toPlainText());
    Memo1->setFixedHeight(std::max(57, needed.height() + 24));

    Button1 = new QPushButton(QStringLiteral("閉じる"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(216, Memo1->geometry().bottom() + 23, 100, 32);
    setFixedSize(534, std::max(249, Button1->geometry().bottom() + 27));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void Tversion1::showVersion() {
    setBackground(this, kFormBackground);
    exec();
}

} // namespace velta
