#pragma once

#include "page_model.h"
#include "progress.h"

#include <QString>
#include <QVector>

#include <stdexcept>

namespace velta {

// Finished pages saved by the preview. The file is a QDataStream (Qt 6.4 encoding):
//   "VELTAPGS" (8 bytes), quint32 version (2; 1 is still read), quint32 page count, then per page
//   the six page-setup numbers (double; PaperSize as qint32), quint32 box count, and per box: Name,
//   Left, Top, Width, Height, Visible, Text, FontName, FontHeight, FontCharset,
//   UseDefaultCharset, Rotation, CharSpacing, LineSpacing, GapX, GapY, HideZeros, and from
//   version 2 FitText, MaxLines (qint32), ContinueIn.
class PageFileError : public std::runtime_error {
public:
    explicit PageFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// False when the progress asked to stop: the old file is kept.
bool savePages(const QString& fileName, const QVector<PreparedPage>& pages,
               const Progress& progress = {});
// Refuses anything that is not a whole, sane page file; never returns half a file. A progress
// that asks to stop gives no pages (and `stopped` true).
QVector<PreparedPage> loadPages(const QString& fileName, const Progress& progress = {},
                                bool* stopped = nullptr);

} // namespace velta
