#include "reading_order.h"

#include <QCollator>

#include <algorithm>
#include <utility>
#include <vector>

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
    // One collation key per row, not one collation per comparison: 100,000 rows sort in a
    // fraction of the time.
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        keys.emplace_back(collator().sortKey(rows[i].value(readingColumn)), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QList<QStringList> ordered;
    ordered.reserve(rows.size());
    for (const auto& key : keys)
        ordered.append(std::move(rows[key.second]));
    return ordered;
}

} // namespace velta
