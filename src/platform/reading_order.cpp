#include "reading_order.h"

#include <QCollator>

#include <algorithm>

namespace velta {
namespace {

const QCollator& collator() {
    static const QCollator instance = [] {
        QCollator c{QLocale(QLocale::Japanese, QLocale::Japan)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return instance;
}

} // namespace

int compareReadings(const QString& a, const QString& b) {
    return collator().compare(a, b);
}

QList<QStringList> orderedByReading(QList<QStringList> rows, int readingColumn) {
    rows.erase(
        std::remove_if(rows.begin(), rows.end(),
                       [&](const QStringList& row) { return row.value(readingColumn).isEmpty(); }),
        rows.end());
    std::stable_sort(rows.begin(), rows.end(), [&](const QStringList& a, const QStringList& b) {
        return compareReadings(a.value(readingColumn), b.value(readingColumn)) < 0;
    });
    return rows;
}

} // namespace velta
