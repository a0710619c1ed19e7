#include "tversion1.h"

#include "colours.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velta {

const QString Tversion1::VersionText = QStringLiteral("1.0.3");

namespace {

QLabel* captionPanel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* panel = new QFrame(parent);
    panel->setGeometry(geometry);
    panel->setFrameShape(QFrame::Panel);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Active, QPalette::Highlight));
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    auto* label = new QLabel(text, panel);
    label->setGeometry(8, 0, geometry.width() - 16, geometry.height());
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: navy;"));
    return label;
}

QPixmap logo() {
    QPixmap picture(66, 66);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(100, 149, 237));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 64, 64), 10, 10);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("〒"));
    return picture;
}

} // namespace

Tversion1::Tversion1(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("version1"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(534, 249);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(16, 16, 66, 66);
    picture->setPixmap(logo());

    captionPanel(this, QStringLiteral("VELTA"), QRect(104, 16, 280, 22))
        ->setObjectName(QStringLiteral("Label1"));
    captionPanel(this, QStringLiteral("バージョン　") + VersionText, QRect(104, 44, 280, 22))
        ->setObjectName(QStringLiteral("Label2"));
    captionPanel(this, QStringLiteral("VELTA 開発チーム"), QRect(104, 72, 280, 22))
        ->setObjectName(QStringLiteral("Label3"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(104, 110, 377, 57);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(QStringLiteral(
        "本ソフトウェアの著作権は VELTA 開発チームに帰属します。"
        "本ソフトウェアの使用により生じたいかなる損害についても、開発者は責任を負いません。"
        "印刷前に必ずプレビューで内容をご確認ください。"));

    Button1 = new QPushButton(QStringLiteral("閉じる"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(216, 190, 100, 32);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void Tversion1::showVersion() {
    setBackground(this, kFormBackground);
    exec();
}

} // namespace velta
