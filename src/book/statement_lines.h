#pragma once

#include "dm.h"

#include <QStringList>

namespace velta {

// The windows' INSERT statement, a column a line: "INSERT INTO T", "(", "  A,", … "  Z", ")",
// "VALUES", "(", "  :A,", … "  :Z", ");".
inline void addInsertLines(TIBQuery& query, const QString& table, const QStringList& columns) {
    auto addColumns = [&](const QString& prefix) {
        for (qsizetype i = 0; i < columns.size(); ++i)
            query.Add(QStringLiteral("  ") + prefix + columns[i] +
                      (i + 1 < columns.size() ? QStringLiteral(",") : QString()));
    };
    query.Add(QStringLiteral("INSERT INTO ") + table);
    query.Add(QStringLiteral("("));
    addColumns(QString());
    query.Add(QStringLiteral(")"));
    query.Add(QStringLiteral("VALUES"));
    query.Add(QStringLiteral("("));
    addColumns(QStringLiteral(":"));
    query.Add(QStringLiteral(");"));
}

} // namespace velta
