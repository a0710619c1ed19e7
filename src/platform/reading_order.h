#pragma once

#include <QList>
#include <QStringList>

namespace velta {

// The positions of the readings (ふりがな) in the Japanese, case-insensitive order the address
// list and the postcard window share; empty readings are left out.
QList<qsizetype> readingOrder(const QStringList& readings);

// Items ordered by their reading; items whose reading is empty are dropped.
template <typename Item, typename ReadingOf>
QList<Item> orderedByReading(QList<Item> items, ReadingOf readingOf) {
    QStringList readings;
    readings.reserve(items.size());
    for (const Item& item : items)
        readings.append(readingOf(item));
    QList<Item> ordered;
    ordered.reserve(items.size());
    for (qsizetype position : readingOrder(readings))
        ordered.append(std::move(items[position]));
    return ordered;
}

// Grid rows ordered by the reading in one of their columns.
QList<QStringList> orderedByReading(QList<QStringList> rows, int readingColumn);

// The comparison itself: negative, zero or positive as a sorts before, with or after b.
int compareReadings(const QString& a, const QString& b);

} // namespace velta
