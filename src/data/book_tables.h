#pragma once

#include <QString>
#include <QStringList>

#include <span>

namespace velta {

enum class ColumnKind { Text, Integer, Timestamp };

// One column of the book's tables as the database holds it and as people see it.
struct ColumnDescription {
    const char* name;    // as the database knows it
    const char* sqlType; // its type in the table's definition
    ColumnKind kind;
    const char* caption = nullptr; // the entry windows' caption, which a refusal names
    const char* header = nullptr;  // the exchange file's header; null: the column's name
    int exchangeRank = 0;          // 1… the windows' columns first in the file; 0 after them

    QString columnName() const { return QString::fromLatin1(name); }
    QString headerText() const {
        return header ? QString::fromUtf8(header) : QString::fromLatin1(name);
    }
};

// One of the book's tables, its columns in the order the database defines them (other
// programs reading the file rely on that order).
struct TableDescription {
    const char* name;
    std::span<const ColumnDescription> columns;
    const char* constraint = nullptr; // a table constraint (a primary key of two columns)

    QString tableName() const { return QString::fromLatin1(name); }
    // The column of that name, whatever its letter case; null when the table has none.
    const ColumnDescription* column(QStringView columnName) const;
    QStringList columnNames() const;
    QString createStatement() const;
    // Columns in the exchange file's order: ranked ones first, the rest in table order.
    QList<const ColumnDescription*> exchangeOrder() const;
};

const TableDescription& recipientTable(); // MST_KOKYAKU
const TableDescription& senderTable();    // MST_SASIDASI

// The program's own tables beside the book's, keyed by the recipient's KEY1. Other programs
// read MST_KOKYAKU as they always have; these hold what it has no column for.
const TableDescription& detailTable();      // VELTA_DETAIL: 敬称, company, 連名3–5, …
const TableDescription& groupTable();       // VELTA_GROUP: the user's groups, in their order
const TableDescription& groupMemberTable(); // VELTA_GROUP_MEMBER: recipient × group
const TableDescription& yearMarkTable();    // VELTA_YEAR_MARK: each year's 出・受・喪中
// All four, in the order they are made and copied.
std::span<const TableDescription* const> detailTables();

} // namespace velta
