#include "detail_store.h"

#include "book_tables.h"
#include "dm.h"
#include "errors.h"
#include "schema.h"
#include "schema_version.h"

namespace velta {
namespace {

// VELTA_DETAIL's columns after KEY1 hold the text fields in DetailField's order.
void readDetailRow(const TIBQuery& query, RecipientDetails& details) {
    const QStringList columns = detailTable().columnNames();
    for (qsizetype i = 1; i < columns.size(); ++i)
        setDetailText(details, DetailField(i - 1), query.fieldString(columns[i]));
}

// The row's own part: everything but groups and years.
bool hasOwnRow(const RecipientDetails& details) {
    RecipientDetails own = details;
    own.groups.clear();
    own.years.clear();
    return !own.isDefault();
}

const std::pair<const char*, bool YearMarks::*> kYearFlags[] = {
    {"NENGA_SENT", &YearMarks::nengaSent},
    {"NENGA_RECEIVED", &YearMarks::nengaReceived},
    {"KANCHU_SENT", &YearMarks::kanchuSent},
    {"KANCHU_RECEIVED", &YearMarks::kanchuReceived},
    {"MOURNING", &YearMarks::mourning}};

YearMarks yearFrom(const TIBQuery& query) {
    YearMarks marks;
    marks.year = int(query.fieldInteger(QStringLiteral("CARD_YEAR")));
    for (const auto& [column, flag] : kYearFlags)
        marks.*flag = query.fieldInteger(QString::fromLatin1(column)) != 0;
    marks.mourningNote = query.fieldString(QStringLiteral("MOURNING_NOTE"));
    return marks;
}

QString selectAll(const TableDescription& table, const QString& where) {
    return QStringLiteral("select %1 from %2 %3")
        .arg(table.columnNames().join(QStringLiteral(", ")), table.tableName(), where);
}

} // namespace

const QStringList& startingGroups() {
    static const QStringList groups = {QStringLiteral("家族"), QStringLiteral("親戚"),
                                       QStringLiteral("友人"), QStringLiteral("会社")};
    return groups;
}

bool hasDetailTables(TDM& dm) {
    for (const TableDescription* table : detailTables())
        if (!tableExists(dm, table->tableName()))
            return false;
    return true;
}

void ensureDetailTables(TDM& dm) {
    for (const TableDescription* table : detailTables()) {
        if (tableExists(dm, table->tableName()))
            continue;
        TIBQuery& query = dm.IBQuery1;
        query.Clear();
        query.Add(table->createStatement());
        query.ExecSQL();
        dm.close(); // metadata is committed before it is used
        if (table == &groupTable()) {
            UnitOfWork work(dm);
            for (qsizetype i = 0; i < startingGroups().size(); ++i) {
                StoreStatement insert(dm);
                insert.Add(
                    QStringLiteral("insert into VELTA_GROUP (NAME, SORT_ORDER) values (:NAME, "
                                   ":SORT_ORDER)"));
                insert.setString(QStringLiteral("NAME"), startingGroups()[i]);
                insert.setInteger(QStringLiteral("SORT_ORDER"), i + 1);
                insert.ExecSQL();
            }
            work.commit();
        }
    }
}

QString groupNameProblem(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("グループ名を入力してください。");
    if (name.contains(kGroupSeparator))
        return QStringLiteral(
                   "グループ名に「%1」は使えません（ファイルでグループを区切る文字です）。")
            .arg(kGroupSeparator);
    if (name.size() > 100)
        return QStringLiteral("グループ名は 100 文字までです。");
    return {};
}

DetailStore::DetailStore(TDM& dm) : dm_(dm) {}
DetailStore::~DetailStore() = default;

StoreStatement& DetailStore::statement(const QString& text) {
    std::unique_ptr<StoreStatement>& made = statements_[text];
    if (!made) {
        made = std::make_unique<StoreStatement>(dm_);
        made->Add(text);
        for (const TableDescription* table : detailTables())
            if (text.contains(table->tableName() + QLatin1Char(' ')))
                setFieldCaptions(*made, *table);
    }
    return *made;
}

bool DetailStore::available() {
    if (available_ < 0)
        available_ = hasDetailTables(dm_) ? 1 : 0;
    return available_ == 1;
}

RecipientDetails DetailStore::read(qint64 key) {
    RecipientDetails details;
    if (!available())
        return details;
    StoreStatement& row = statement(selectAll(detailTable(), QStringLiteral("where KEY1 = :KEY1")));
    row.setInteger(QStringLiteral("KEY1"), key);
    row.Open();
    if (!row.Eof())
        readDetailRow(row, details);
    row.Close();
    StoreStatement& groups = statement(
        QStringLiteral("select NAME from VELTA_GROUP_MEMBER where KEY1 = :KEY1 order by NAME"));
    groups.setInteger(QStringLiteral("KEY1"), key);
    for (groups.Open(); !groups.Eof(); groups.Next())
        details.groups.append(groups.fieldString(0));
    groups.Close();
    details.groups.sort(); // the database's collation is not the program's
    StoreStatement& years = statement(
        selectAll(yearMarkTable(), QStringLiteral("where KEY1 = :KEY1 order by CARD_YEAR")));
    years.setInteger(QStringLiteral("KEY1"), key);
    for (years.Open(); !years.Eof(); years.Next())
        details.setMarks(yearFrom(years));
    years.Close();
    return details;
}

QHash<qint64, RecipientDetails> DetailStore::readAll() {
    QHash<qint64, RecipientDetails> all;
    if (!available())
        return all;
    StoreStatement& rows = statement(selectAll(detailTable(), {}));
    for (rows.Open(); !rows.Eof(); rows.Next())
        readDetailRow(rows, all[rows.fieldInteger(QStringLiteral("KEY1"))]);
    rows.Close();
    StoreStatement& groups =
        statement(QStringLiteral("select KEY1, NAME from VELTA_GROUP_MEMBER order by KEY1, NAME"));
    for (groups.Open(); !groups.Eof(); groups.Next())
        all[groups.fieldInteger(0)].groups.append(groups.fieldString(1));
    groups.Close();
    for (RecipientDetails& details : all)
        details.groups.sort(); // the database's collation is not the program's
    StoreStatement& years =
        statement(selectAll(yearMarkTable(), QStringLiteral("order by KEY1, CARD_YEAR")));
    for (years.Open(); !years.Eof(); years.Next())
        all[years.fieldInteger(QStringLiteral("KEY1"))].setMarks(yearFrom(years));
    years.Close();
    return all;
}

StoreStatement& DetailStore::bindDetailRow(qint64 key, const RecipientDetails& details) {
    const QStringList columns = detailTable().columnNames();
    StoreStatement& insert = statement(
        QStringLiteral("insert into VELTA_DETAIL (%1) values (:%2)")
            .arg(columns.join(QStringLiteral(", ")), columns.join(QStringLiteral(", :"))));
    insert.setInteger(QStringLiteral("KEY1"), key);
    for (qsizetype i = 1; i < columns.size(); ++i)
        insert.setString(columns[i], detailText(details, DetailField(i - 1)));
    return insert;
}

StoreStatement& DetailStore::bindMember(qint64 key, const QString& group) {
    StoreStatement& member = statement(
        QStringLiteral("insert into VELTA_GROUP_MEMBER (KEY1, NAME) values (:KEY1, :NAME)"));
    member.setInteger(QStringLiteral("KEY1"), key);
    member.setString(QStringLiteral("NAME"), group);
    return member;
}

StoreStatement& DetailStore::bindYear(qint64 key, const YearMarks& marks) {
    const QStringList columns = yearMarkTable().columnNames();
    StoreStatement& query = statement(
        QStringLiteral("update or insert into VELTA_YEAR_MARK (%1) values (:%2) matching "
                       "(KEY1, CARD_YEAR)")
            .arg(columns.join(QStringLiteral(", ")), columns.join(QStringLiteral(", :"))));
    for (const auto& [column, flag] : kYearFlags)
        query.setInteger(QString::fromLatin1(column), marks.*flag ? 1 : 0);
    query.setString(QStringLiteral("MOURNING_NOTE"), marks.mourningNote);
    query.setInteger(QStringLiteral("KEY1"), key);
    query.setInteger(QStringLiteral("CARD_YEAR"), marks.year);
    return query;
}

void DetailStore::check(const RecipientDetails& details) {
    for (const QString& group : details.groups)
        if (const QString problem = groupNameProblem(group); !problem.isEmpty())
            throw ValueRefused(problem);
    if (details.isDefault() || !available())
        return;
    if (hasOwnRow(details))
        bindDetailRow(0, details).Check();
    for (const QString& group : details.groups)
        bindMember(0, group).Check();
    for (const YearMarks& marks : details.years)
        bindYear(0, marks).Check();
}

void DetailStore::write(qint64 key, const RecipientDetails& details) {
    if (!available()) {
        if (details.isDefault())
            return; // nothing stored, nothing to store
        throw DbError(QStringLiteral("詳細の表がありません。"));
    }
    remove(key);
    if (hasOwnRow(details))
        bindDetailRow(key, details).ExecSQL();
    if (!details.groups.isEmpty()) {
        const QStringList known = groupNames();
        for (const QString& group : details.groups) {
            if (!known.contains(group))
                addGroup(group);
            bindMember(key, group).ExecSQL();
        }
    }
    for (const YearMarks& marks : details.years)
        bindYear(key, marks).ExecSQL();
}

void DetailStore::remove(qint64 key) {
    if (!available())
        return;
    for (const TableDescription* table : {&detailTable(), &groupMemberTable(), &yearMarkTable()}) {
        StoreStatement& query =
            statement(QStringLiteral("delete from %1 where KEY1 = :KEY1").arg(table->tableName()));
        query.setInteger(QStringLiteral("KEY1"), key);
        query.ExecSQL();
    }
}

QStringList DetailStore::groupNames() {
    if (!available())
        return startingGroups();
    QStringList names;
    StoreStatement& query =
        statement(QStringLiteral("select NAME from VELTA_GROUP order by SORT_ORDER, NAME"));
    for (query.Open(); !query.Eof(); query.Next())
        names.append(query.fieldString(0));
    query.Close();
    return names;
}

void DetailStore::addGroup(const QString& name) {
    if (const QString problem = groupNameProblem(name); !problem.isEmpty())
        throw ValueRefused(problem);
    if (groupNames().contains(name))
        return;
    StoreStatement& insert =
        statement(QStringLiteral("insert into VELTA_GROUP (NAME, SORT_ORDER) select :NAME, "
                                 "coalesce(max(SORT_ORDER), 0) + 1 from VELTA_GROUP"));
    insert.setString(QStringLiteral("NAME"), name);
    insert.ExecSQL();
}

void DetailStore::removeGroup(const QString& name) {
    for (const char* table : {"VELTA_GROUP_MEMBER", "VELTA_GROUP"}) {
        StoreStatement& query = statement(
            QStringLiteral("delete from %1 where NAME = :NAME").arg(QLatin1String(table)));
        query.setString(QStringLiteral("NAME"), name);
        query.ExecSQL();
    }
}

YearMarks DetailStore::readYear(qint64 key, int year) {
    YearMarks marks;
    marks.year = year;
    StoreStatement& query = statement(selectAll(
        yearMarkTable(), QStringLiteral("where KEY1 = :KEY1 and CARD_YEAR = :CARD_YEAR")));
    query.setInteger(QStringLiteral("KEY1"), key);
    query.setInteger(QStringLiteral("CARD_YEAR"), year);
    query.Open();
    if (!query.Eof())
        marks = yearFrom(query);
    query.Close();
    return marks;
}

void DetailStore::writeYear(qint64 key, const YearMarks& marks) {
    if (!marks.isEmpty()) {
        bindYear(key, marks).ExecSQL();
        return;
    }
    StoreStatement& remove = statement(QStringLiteral(
        "delete from VELTA_YEAR_MARK where KEY1 = :KEY1 and CARD_YEAR = :CARD_YEAR"));
    remove.setInteger(QStringLiteral("KEY1"), key);
    remove.setInteger(QStringLiteral("CARD_YEAR"), marks.year);
    remove.ExecSQL();
}

MarkChange DetailStore::setMark(const QList<qint64>& keys, int year, bool YearMarks::*mark,
                                bool value) {
    MarkChange change{year, {}};
    for (qint64 key : keys) {
        YearMarks marks = readYear(key, year);
        change.before.append({key, marks});
        marks.*mark = value;
        writeYear(key, marks);
    }
    return change;
}

void DetailStore::undo(const MarkChange& change) {
    for (const auto& [key, marks] : change.before)
        writeYear(key, marks);
}

MarkChange recordMark(TDM& dm, const QList<qint64>& keys, int year, bool YearMarks::*mark) {
    ensureDetailTables(dm);
    UnitOfWork work(dm);
    MarkChange change = DetailStore(dm).setMark(keys, year, mark, true);
    work.commit();
    return change;
}

void undoMark(TDM& dm, const MarkChange& change) {
    UnitOfWork work(dm);
    DetailStore(dm).undo(change);
    work.commit();
}

} // namespace velta
