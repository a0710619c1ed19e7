#include "form_widgets.h"

#include <QDate>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velta {
namespace {

QFrame* panel(QWidget* parent, const char* name, const QRect& geometry, const QColor& colour) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(geometry);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, colour);
    frame->setPalette(palette);
    frame->setAutoFillBackground(true);
    return frame;
}

} // namespace

QFont pixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* captionPanel(QWidget* parent, const char* panelName, const QString& text,
                     const QRect& geometry) {
    QFrame* frame = panel(parent, panelName, geometry,
                          parent->palette().color(QPalette::Active, QPalette::Highlight));
    auto* label = new QLabel(text, frame);
    label->setObjectName(QString::fromLatin1(panelName) + QStringLiteral("Label"));
    label->setGeometry(frame->rect());
    label->setAlignment(Qt::AlignCenter);
    label->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));
    label->setStyleSheet(QStringLiteral("color: navy;"));
    return label;
}

QLabel* hintPanel(QWidget* parent, const char* panelName, const char* labelName,
                  const QString& text, const QRect& geometry, bool bold) {
    QFrame* frame = panel(parent, panelName, geometry, Qt::white);
    auto* label = new QLabel(text, frame);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setGeometry(frame->rect());
    label->setAlignment(Qt::AlignCenter);
    label->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12, bold));
    label->setStyleSheet(QStringLiteral("color: red;"));
    return label;
}

QLineEdit* entryEdit(QWidget* parent, const char* name, const QRect& geometry, int maxLength,
                     ImeMode mode) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    InputMethodLayer::attach(edit, mode);
    return edit;
}

QPlainTextEdit* entryMemo(QWidget* parent, const char* name, const QRect& geometry, ImeMode mode) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setGeometry(geometry);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setTabChangesFocus(true);
    InputMethodLayer::attach(memo, mode);
    return memo;
}

void enterMovesToNextField(QWidget* window) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        QObject::connect(edit, &QLineEdit::returnPressed, edit, [edit] {
            for (QWidget* next = edit->nextInFocusChain(); next && next != edit;
                 next = next->nextInFocusChain())
                if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
                    next->isVisibleTo(edit->window()) && next->window() == edit->window()) {
                    next->setFocus(Qt::TabFocusReason);
                    return;
                }
        });
}

void setMemoText(QPlainTextEdit* memo, const QString& stored) {
    memo->setProperty("storedText", stored);
    memo->setPlainText(stored);
}

QString memoText(const QPlainTextEdit* memo) {
    const QString stored = memo->property("storedText").toString();
    QString text = memo->toPlainText();
    if (text == QString(stored).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))
        return stored;
    if (stored.contains(QStringLiteral("\r\n")))
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

QRadioButton* radioButton(QWidget* parent, const char* name, const QString& caption,
                          const QRect& geometry) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

void setUpWindow(QWidget* window, const char* name, const QString& caption,
                 const QSize& clientSize) {
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(caption);
    window->setFixedSize(clientSize);
    window->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
}

void writeDate(const DateParts& date, QLineEdit* year, QLineEdit* month, QLineEdit* day) {
    year->setText(date.year);
    month->setText(date.month);
    day->setText(date.day);
}

DateParts todayParts() {
    const QString text = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    return {text.mid(0, 4), text.mid(5, 2), text.mid(8, 2)};
}

} // namespace velta
