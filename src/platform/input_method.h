#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class QWidget;

namespace velta {

// What an entry field asks of the input method when it gets the focus.
enum class ImeMode { Hiragana, FullWidthKatakana, Disabled, Off, Unchanged };

// A conversion request made directly (the reading field on entry and exit).
enum class ImeConversion { FullWidthKatakana, NativePhrasePredict };

QString imeModeName(ImeMode mode);

// Stands in for the Windows input method manager. Every request goes to the platform backend
// and to an observer that tests may install.
class InputMethodLayer {
public:
    struct Request {
        QWidget* widget;
        QString what; // "mode:hiragana", "conversion:katakana", …
    };
    using Observer = std::function<void(const Request&)>;

    // The field applies the mode each time it receives the focus.
    static void attach(QWidget* field, ImeMode mode);
    static ImeMode modeOf(const QWidget* field);
    // Opens the input method for the field and sets the conversion.
    static void setConversion(QWidget* field, ImeConversion conversion);

    static void setObserver(Observer observer);

    // Calls enter and exit when the field gains and loses the focus (the reading field).
    static void onFocusChange(QWidget* field, std::function<void()> enter,
                              std::function<void()> exit);

private:
    friend class FocusModeFilter;
    static void apply(QWidget* field, ImeMode mode);
    static void notify(QWidget* field, const QString& what);
};

// ふりがな that fills itself: the kana typed through an input method into the name fields,
// before conversion, become the reading (the names in order, a space between) in full-width
// katakana, unless the user has typed a reading of their own.
class ReadingCapture : public QObject {
public:
    static void install(QLineEdit* reading, const QList<QLineEdit*>& names);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Capture {
        QObject* name;
        QString kana;    // read for what the field holds
        QString pending; // the composition's kana, not yet committed
        QString text;    // the name as last seen
        bool edited;     // changed other than by typing on since it was empty
    };
    ReadingCapture(QLineEdit* reading, const QList<QLineEdit*>& names);
    Capture& captureOf(QObject* name);
    void fillReading();
    QLineEdit* reading_;
    QList<Capture> captures_;
    QString filled_;
};

} // namespace velta
