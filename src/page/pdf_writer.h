#pragma once

#include "page_model.h"

#include <QString>
#include <QVector>

namespace velta {

// Writes pages to a PDF, each page exactly its paper's size, the text as glyph runs that carry
// the characters they show (so a reader can search and copy it), fonts embedded as subsets.
// The file is written beside the target and renamed over it only when it is whole; on failure
// the old file is kept and `error` says why in Japanese.
bool writePdf(const QString& fileName, const QVector<PreparedPage>& pages,
              QString* error = nullptr);

} // namespace velta
