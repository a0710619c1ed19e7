#include "book_tables.h"

#include <algorithm>

namespace velta {
namespace {

using K = ColumnKind;

const ColumnDescription kRecipientColumns[] = {
    {"KEY1", "INTEGER NOT NULL PRIMARY KEY", K::Integer},
    {"IDNUM", "INTEGER", K::Integer, "I　D"},
    {"NAMAE", "VARCHAR(1000)", K::Text, "姓（苗字）", "姓", 1},
    {"NAMAE2", "VARCHAR(1000)", K::Text, "名（名前）", "名", 2},
    {"YUBINNO", "VARCHAR(40)", K::Text, "郵便番号", "郵便番号", 4},
    {"JYUSYO", "VARCHAR(1000)", K::Text, "住所1", "住所1", 5},
    {"JYUSYO2", "VARCHAR(1000)", K::Text, "住所2", "住所2", 6},
    {"K_SHITU", "VARCHAR(100)", K::Text},
    {"SEIBETU", "INTEGER", K::Integer},
    {"SEI_JEL", "INTEGER", K::Integer},
    {"SEI_MUUSU", "INTEGER", K::Integer},
    {"SEI_SUPURE", "INTEGER", K::Integer},
    {"SEI_SONOTA", "INTEGER", K::Integer},
    {"SORI_AGO", "INTEGER", K::Integer},
    {"SORI_MAYU", "INTEGER", K::Integer},
    {"MEMO", "VARCHAR(2000)", K::Text, "メモ", "メモ", 10},
    {"YEAR1", "INTEGER", K::Integer},
    {"MONTH1", "INTEGER", K::Integer},
    {"DAY1", "INTEGER", K::Integer},
    {"TEL", "VARCHAR(100)", K::Text, "電話番号", "電話番号", 9},
    {"KEY2", "INTEGER", K::Integer},
    {"HURIGANA", "VARCHAR(1000)", K::Text, "ふりがな", "ふりがな", 3},
    {"RENMEI1", "VARCHAR(1000)", K::Text, "連名1", "連名1", 7},
    {"RENMEI2", "VARCHAR(1000)", K::Text, "連名2", "連名2", 8},
    {"LTIME", "TIMESTAMP", K::Timestamp},
};

// The sender's date is text, as another program of the family writes it. Its fields take the
// recipient's captions (setFieldCaptions names the columns both tables share).
const ColumnDescription kSenderColumns[] = {
    {"KEY1", "INTEGER NOT NULL PRIMARY KEY", K::Integer},
    {"NAMAE", "VARCHAR(1000)", K::Text},
    {"NAMAE2", "VARCHAR(1000)", K::Text},
    {"YUBINNO", "VARCHAR(40)", K::Text},
    {"JYUSYO", "VARCHAR(1000)", K::Text},
    {"LMONEY", "VARCHAR(100)", K::Text},
    {"MEMO", "VARCHAR(2000)", K::Text},
    {"YEAR1", "VARCHAR(10)", K::Text},
    {"MONTH1", "VARCHAR(10)", K::Text},
    {"DAY1", "VARCHAR(10)", K::Text},
    {"LTIME", "TIMESTAMP", K::Timestamp},
    {"TEL", "VARCHAR(100)", K::Text},
    {"KEY2", "INTEGER", K::Integer},
    {"JYUSYO2", "VARCHAR(1000)", K::Text},
    {"RENMEI1", "VARCHAR(1000)", K::Text},
    {"RENMEI2", "VARCHAR(1000)", K::Text},
    {"HURIGANA", "VARCHAR(1000)", K::Text},
};

// One row per recipient that has details; a recipient without one has the defaults (様, no
// company, …). 連名1–2 keep their names in MST_KOKYAKU; their 敬称 and readings are here.
const ColumnDescription kDetailColumns[] = {
    {"KEY1", "INTEGER NOT NULL PRIMARY KEY", K::Integer},
    {"HONORIFIC", "VARCHAR(40)", K::Text, "敬称"},
    {"COMPANY", "VARCHAR(500)", K::Text, "会社名"},
    {"DEPARTMENT1", "VARCHAR(500)", K::Text, "部署名1"},
    {"DEPARTMENT2", "VARCHAR(500)", K::Text, "部署名2"},
    {"TITLE", "VARCHAR(200)", K::Text, "役職"},
    {"RENMEI3", "VARCHAR(1000)", K::Text, "連名3"},
    {"RENMEI4", "VARCHAR(1000)", K::Text, "連名4"},
    {"RENMEI5", "VARCHAR(1000)", K::Text, "連名5"},
    {"HONORIFIC1", "VARCHAR(40)", K::Text, "連名1の敬称"},
    {"HONORIFIC2", "VARCHAR(40)", K::Text, "連名2の敬称"},
    {"HONORIFIC3", "VARCHAR(40)", K::Text, "連名3の敬称"},
    {"HONORIFIC4", "VARCHAR(40)", K::Text, "連名4の敬称"},
    {"HONORIFIC5", "VARCHAR(40)", K::Text, "連名5の敬称"},
    {"READING1", "VARCHAR(1000)", K::Text, "連名1のふりがな"},
    {"READING2", "VARCHAR(1000)", K::Text, "連名2のふりがな"},
    {"READING3", "VARCHAR(1000)", K::Text, "連名3のふりがな"},
    {"READING4", "VARCHAR(1000)", K::Text, "連名4のふりがな"},
    {"READING5", "VARCHAR(1000)", K::Text, "連名5のふりがな"},
};

const ColumnDescription kGroupColumns[] = {
    {"NAME", "VARCHAR(100) NOT NULL PRIMARY KEY", K::Text, "グループ名"},
    {"SORT_ORDER", "INTEGER", K::Integer},
};

const ColumnDescription kGroupMemberColumns[] = {
    {"KEY1", "INTEGER NOT NULL", K::Integer},
    {"NAME", "VARCHAR(100) NOT NULL", K::Text, "グループ名"},
};

// CARD_YEAR is the year a 年賀状 greets (2027 for the cards written in December 2026): its 出
// and 受, the 喪中 that stops it, and the 寒中見舞い / 喪中はがき sent or received instead.
const ColumnDescription kYearMarkColumns[] = {
    {"KEY1", "INTEGER NOT NULL", K::Integer},
    {"CARD_YEAR", "INTEGER NOT NULL", K::Integer},
    {"NENGA_SENT", "SMALLINT", K::Integer},
    {"NENGA_RECEIVED", "SMALLINT", K::Integer},
    {"KANCHU_SENT", "SMALLINT", K::Integer},
    {"KANCHU_RECEIVED", "SMALLINT", K::Integer},
    {"MOURNING", "SMALLINT", K::Integer},
    {"MOURNING_NOTE", "VARCHAR(1000)", K::Text, "喪中のメモ"},
};

} // namespace

const ColumnDescription* TableDescription::column(QStringView columnName) const {
    for (const ColumnDescription& candidate : columns)
        if (columnName.compare(QLatin1String(candidate.name), Qt::CaseInsensitive) == 0)
            return &candidate;
    return nullptr;
}

QStringList TableDescription::columnNames() const {
    QStringList names;
    for (const ColumnDescription& column : columns)
        names.append(column.columnName());
    return names;
}

QString TableDescription::createStatement() const {
    QStringList definitions;
    for (const ColumnDescription& column : columns)
        definitions.append(column.columnName() + QLatin1Char(' ') + QLatin1String(column.sqlType));
    if (constraint)
        definitions.append(QString::fromLatin1(constraint));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(tableName(), definitions.join(", "));
}

QList<const ColumnDescription*> TableDescription::exchangeOrder() const {
    QList<const ColumnDescription*> ordered;
    for (const ColumnDescription& column : columns)
        ordered.append(&column);
    std::stable_sort(ordered.begin(), ordered.end(), [](auto* a, auto* b) {
        const int rankA = a->exchangeRank ? a->exchangeRank : INT_MAX;
        const int rankB = b->exchangeRank ? b->exchangeRank : INT_MAX;
        return rankA < rankB;
    });
    return ordered;
}

const TableDescription& recipientTable() {
    static const TableDescription table{"MST_KOKYAKU", kRecipientColumns};
    return table;
}

const TableDescription& senderTable() {
    static const TableDescription table{"MST_SASIDASI", kSenderColumns};
    return table;
}

const TableDescription& detailTable() {
    static const TableDescription table{"VELTA_DETAIL", kDetailColumns};
    return table;
}

const TableDescription& groupTable() {
    static const TableDescription table{"VELTA_GROUP", kGroupColumns};
    return table;
}

const TableDescription& groupMemberTable() {
    static const TableDescription table{"VELTA_GROUP_MEMBER", kGroupMemberColumns,
                                        "PRIMARY KEY (KEY1, NAME)"};
    return table;
}

const TableDescription& yearMarkTable() {
    static const TableDescription table{"VELTA_YEAR_MARK", kYearMarkColumns,
                                        "PRIMARY KEY (KEY1, CARD_YEAR)"};
    return table;
}

std::span<const TableDescription* const> detailTables() {
    static const TableDescription* const tables[] = {&detailTable(), &groupTable(),
                                                     &groupMemberTable(), &yearMarkTable()};
    return tables;
}

} // namespace velta
