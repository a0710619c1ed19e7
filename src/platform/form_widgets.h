#pragma once

#include "input_method.h"

#include <QRect>
#include <QSize>
#include <QString>

class QFont;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace velta {

// Building blocks of the entry windows, each control named so tests can find it.

// A face at a pixel size, as the forms' fonts are given.
QFont pixelFont(const QString& family, int pixels, bool bold = false);

// A caption panel in the active-caption colour with a navy label.
QLabel* captionPanel(QWidget* parent, const char* panelName, const QString& text,
                     const QRect& geometry);
// A white panel with a red label (bold when asked).
QLabel* hintPanel(QWidget* parent, const char* panelName, const char* labelName,
                  const QString& text, const QRect& geometry, bool bold);
// An edit with a maximum length (0: unlimited) and the input-method mode it asks for.
QLineEdit* entryEdit(QWidget* parent, const char* name, const QRect& geometry, int maxLength,
                     ImeMode mode);
QPlainTextEdit* entryMemo(QWidget* parent, const char* name, const QRect& geometry, ImeMode mode);
// A memo's text as stored: an unedited memo is written back byte for byte (CR LF stays
// CR LF, which the editor would turn into LF); an edited one keeps the stored line breaks.
void setMemoText(QPlainTextEdit* memo, const QString& stored);
QString memoText(const QPlainTextEdit* memo);
// The habit of Japanese forms: no button is a default button, and Enter in a single-line field
// moves to the next field in tab order instead of registering a half-typed record.
void enterMovesToNextField(QWidget* window);
QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry);
QRadioButton* radioButton(QWidget* parent, const char* name, const QString& caption,
                          const QRect& geometry);

// Names a window, captions it, fixes its client size and gives it the forms' Tahoma 11 px.
void setUpWindow(QWidget* window, const char* name, const QString& caption,
                 const QSize& clientSize);

// Today's date as the short date text yyyy/MM/dd, split at its fixed positions.
struct DateParts {
    QString year, month, day;
};
DateParts todayParts();
void writeDate(const DateParts& date, QLineEdit* year, QLineEdit* month, QLineEdit* day);

} // namespace velta
