#pragma once

#include <QList>
#include <QStringList>

namespace velta {

// Rows ordered by their reading (ふりがな) with the Japanese, case-insensitive collation the
// address list and the postcard window share; rows whose reading is empty are dropped.
QList<QStringList> orderedByReading(QList<QStringList> rows, int readingColumn);

// The comparison itself: negative, zero or positive as a sorts before, with or after b.
int compareReadings(const QString& a, const QString& b);

} // namespace velta
