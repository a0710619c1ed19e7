#include "input_method.h"

#include "input_method_backend.h"
#include "kana.h"
#include "key_filter.h"

#include <QEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

namespace velta {
namespace {

const char* const kModeProperty = "veltaImeMode";

InputMethodLayer::Observer& observer() {
    static InputMethodLayer::Observer instance;
    return instance;
}

} // namespace

class FocusModeFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            auto* field = static_cast<QWidget*>(watched);
            InputMethodLayer::apply(field, InputMethodLayer::modeOf(field));
        }
        return false;
    }
};

class FocusChangeFilter : public QObject {
public:
    FocusChangeFilter(QObject* parent, std::function<void()> enter, std::function<void()> exit)
        : QObject(parent), enter_(std::move(enter)), exit_(std::move(exit)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn)
            enter_();
        else if (event->type() == QEvent::FocusOut)
            exit_();
        return false;
    }

private:
    std::function<void()> enter_, exit_;
};

void InputMethodLayer::onFocusChange(QWidget* field, std::function<void()> enter,
                                     std::function<void()> exit) {
    field->installEventFilter(new FocusChangeFilter(field, std::move(enter), std::move(exit)));
}

QString imeModeName(ImeMode mode) {
    switch (mode) {
    case ImeMode::Hiragana:
        return QStringLiteral("hiragana");
    case ImeMode::FullWidthKatakana:
        return QStringLiteral("katakana");
    case ImeMode::Disabled:
        return QStringLiteral("disabled");
    case ImeMode::Off:
        return QStringLiteral("off");
    case ImeMode::Unchanged:
        return QStringLiteral("unchanged");
    }
    return {};
}

void InputMethodLayer::attach(QWidget* field, ImeMode mode) {
    field->setProperty(kModeProperty, static_cast<int>(mode));
    // Without a context the field takes only direct keys, from the start.
    if (mode == ImeMode::Disabled)
        ime::disable(field);
    field->installEventFilter(new FocusModeFilter(field));
    // Whatever an input method still commits is kept in the field's own form: an engine that
    // cannot be told the mode (or a user who switches it back) loses nothing.
    if (mode == ImeMode::Disabled || mode == ImeMode::Off)
        CommitRewriter::install(
            field, [](QWidget*, const QString& commit) { return foldForNumberField(commit); });
    else if (mode == ImeMode::FullWidthKatakana)
        CommitRewriter::install(
            field, [](QWidget*, const QString& commit) { return toFullWidthKatakana(commit); });
}

ImeMode InputMethodLayer::modeOf(const QWidget* field) {
    const QVariant value = field->property(kModeProperty);
    return value.isValid() ? static_cast<ImeMode>(value.toInt()) : ImeMode::Unchanged;
}

void InputMethodLayer::apply(QWidget* field, ImeMode mode) {
    switch (mode) {
    case ImeMode::Hiragana:
        ime::openNative(field, ime::Kana::Hiragana);
        break;
    case ImeMode::FullWidthKatakana:
        ime::openNative(field, ime::Kana::Katakana);
        break;
    case ImeMode::Disabled:
        ime::disable(field);
        break;
    case ImeMode::Off:
        ime::close(field);
        break;
    case ImeMode::Unchanged:
        return;
    }
    notify(field, QStringLiteral("mode:") + imeModeName(mode));
}

void InputMethodLayer::setConversion(QWidget* field, ImeConversion conversion) {
    if (conversion == ImeConversion::FullWidthKatakana) {
        ime::setConversion(field, ime::kNative | ime::kKatakana | ime::kFullShape,
                           ime::kSentenceNone);
        notify(field, QStringLiteral("conversion:katakana"));
    } else {
        ime::setConversion(field, ime::kNative, ime::kSentencePhrasePredict);
        notify(field, QStringLiteral("conversion:native"));
    }
}

void InputMethodLayer::setObserver(Observer value) {
    observer() = std::move(value);
}

void InputMethodLayer::notify(QWidget* field, const QString& what) {
    if (observer())
        observer()({field, what});
}

ReadingCapture::ReadingCapture(QLineEdit* reading, const QList<QLineEdit*>& names)
    : QObject(reading), reading_(reading) {
    for (QLineEdit* name : names) {
        captures_.append({name, {}, {}, name->text(), false});
        name->installEventFilter(this);
        connect(name, &QLineEdit::textChanged, this, [this, name](const QString& text) {
            Capture& capture = captureOf(name);
            if (text.isEmpty()) { // a name typed again starts its reading again
                capture.kana.clear();
                capture.edited = false;
            } else if (!text.startsWith(capture.text)) {
                // Deleted or changed inside: the kana no longer say what the name holds.
                capture.edited = true;
            }
            capture.text = text;
        });
    }
}

void ReadingCapture::install(QLineEdit* reading, const QList<QLineEdit*>& names) {
    new ReadingCapture(reading, names);
}

ReadingCapture::Capture& ReadingCapture::captureOf(QObject* name) {
    for (Capture& capture : captures_)
        if (capture.name == name)
            return capture;
    return captures_.first();
}

bool ReadingCapture::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::InputMethod)
        return false;
    const auto* input = static_cast<const QInputMethodEvent*>(event);
    Capture& capture = captureOf(watched);
    // Mozc shows the kana as they are typed (やまｄ while a letter waits), then the conversion:
    // the last preedit that is kana alone is what was read.
    if (isAllKana(input->preeditString()))
        capture.pending = input->preeditString();
    if (input->commitString().isEmpty())
        return false;
    capture.kana += capture.pending.isEmpty() && isAllKana(input->commitString())
                        ? input->commitString()
                        : capture.pending;
    capture.pending.clear();
    fillReading();
    return false;
}

void ReadingCapture::fillReading() {
    // A reading the user typed is theirs: it is filled only while empty or as last filled, and
    // never from a name changed other than by typing on.
    if (!reading_->text().isEmpty() && reading_->text() != filled_)
        return;
    for (const Capture& capture : captures_)
        if (capture.edited)
            return;
    QStringList parts;
    for (const Capture& capture : captures_)
        if (!capture.kana.isEmpty())
            parts.append(toFullWidthKatakana(capture.kana));
    filled_ = parts.join(QLatin1Char(' '));
    reading_->setText(filled_);
}

} // namespace velta
