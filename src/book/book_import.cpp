#include "book_import.h"

#include "book_tables.h"
#include "detail_store.h"
#include "dm.h"
#include "errors.h"
#include "reading_suggestion.h"
#include "recipient_store.h"
#include "schema.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QSet>

namespace velta {

QString listedLines(const QStringList& lines, int shown) {
    QString text = lines.mid(0, shown).join(QLatin1Char('\n'));
    if (lines.size() > shown)
        text += QStringLiteral("\nほか %1 行").arg(lines.size() - shown);
    return text;
}

QString importSummary(const ImportReport& report, int refusalsShown) {
    if (report.stopped)
        return QStringLiteral("取り込みを中止しました。宛名は一件も取り込んでいません。");
    QString text = QStringLiteral("%1 件の宛名を取り込みました。").arg(report.imported);
    const std::pair<QString, const QStringList*> lists[] = {
        {QStringLiteral("名前と住所がほかの宛名と重なった行（%1 行）"), &report.duplicates},
        {QStringLiteral("読みを推定した行（%1 行。宛名一覧から開いて確かめてください）"),
         &report.suggested},
        {QStringLiteral("取り込まなかった行（%1 行）"), &report.refused}};
    for (const auto& [heading, lines] : lists)
        if (!lines->isEmpty())
            text += QLatin1Char('\n') + heading.arg(lines->size()) + QStringLiteral(":\n") +
                    listedLines(*lines, refusalsShown);
    return text;
}

namespace {

// How many of these recipients are in the book: the report says what was stored, read back.
int countStored(TDM& dm, const QVector<qint64>& keys) {
    constexpr qsizetype kBatch = 500;
    qint64 found = 0;
    for (qsizetype first = 0; first < keys.size(); first += kBatch) {
        QStringList batch;
        for (qint64 key : keys.mid(first, kBatch))
            batch.append(QString::number(key));
        found +=
            readInteger(dm,
                        QStringLiteral("select count(*) as N from MST_KOKYAKU where KEY1 in (%1)")
                            .arg(batch.join(QLatin1Char(','))),
                        QStringLiteral("N"));
    }
    dm.close();
    return static_cast<int>(found);
}

} // namespace

QString duplicateKey(const QString& surname, const QString& givenName, const QString& address1,
                     const QString& address2) {
    QString key;
    for (const QString* part : {&surname, &givenName, &address1, &address2}) {
        for (QChar c : part->normalized(QString::NormalizationForm_KC).toCaseFolded())
            if (!c.isSpace())
                key += c;
        key += QChar(0x1F); // parts stay apart: 山田|太郎 is not 山|田太郎
    }
    return key;
}

// A duplicate key in 20 bytes: a book of 100,000 recipients costs a few megabytes.
QByteArray duplicateDigest(const QString& surname, const QString& givenName,
                           const QString& address1, const QString& address2) {
    return QCryptographicHash::hash(duplicateKey(surname, givenName, address1, address2).toUtf8(),
                                    QCryptographicHash::Sha1);
}

namespace {

// Rows that repeat a stored recipient or an earlier row of the file.
class DuplicateFinder {
public:
    explicit DuplicateFinder(TDM& dm) {
        StoreStatement query(dm);
        query.Add(QStringLiteral("select NAMAE, NAMAE2, JYUSYO, JYUSYO2 from MST_KOKYAKU"));
        for (query.Open(); !query.Eof(); query.Next())
            stored_.insert(duplicateDigest(query.fieldString(0), query.fieldString(1),
                                           query.fieldString(2), query.fieldString(3)));
        query.Close();
    }
    // What the row repeats (「宛名帳にすでにあります」, 「3 行目と同じ」); empty for a new one.
    QString repeated(const ImportRow& row) {
        const QByteArray key = duplicateDigest(row.values.value(QStringLiteral("NAMAE")),
                                               row.values.value(QStringLiteral("NAMAE2")),
                                               row.values.value(QStringLiteral("JYUSYO")),
                                               row.values.value(QStringLiteral("JYUSYO2")));
        if (const int sameAs = file_.value(key, 0); sameAs > 0)
            return QStringLiteral("%1 行目と同じ").arg(sameAs);
        if (stored_.contains(key))
            return QStringLiteral("宛名帳にすでにあります");
        file_.insert(key, row.line);
        return {};
    }

private:
    QSet<QByteArray> stored_;
    QHash<QByteArray, int> file_; // rows of this file, by their first line
};

QString nameOf(const ImportRow& row) {
    return (row.values.value(QStringLiteral("NAMAE")) + QLatin1Char(' ') +
            row.values.value(QStringLiteral("NAMAE2")))
        .trimmed();
}

// A row without a reading: the suggested one goes into it when suggestions are taken (`listed`
// then says so for the report); otherwise the refusal, naming the suggestion or what cannot be
// read.
QString takeSuggestedReading(ImportRow& row, bool suggestReadings, QString& listed) {
    const SuggestedReading suggested = suggestReading(row.values.value(QStringLiteral("NAMAE")),
                                                      row.values.value(QStringLiteral("NAMAE2")));
    if (!suggested.complete)
        return QStringLiteral("ふりがながありません。読みを推定できない文字「%1」があります。")
            .arg(suggested.unread);
    if (!suggestReadings)
        return QStringLiteral("ふりがながありません（宛名一覧にもハガキ作成にも出ません）。"
                              "推定した読み: %1")
            .arg(suggested.reading);
    row.values.insert(QStringLiteral("HURIGANA"), suggested.reading);
    listed = QStringLiteral("%1 行目: %2 → %3").arg(row.line).arg(nameOf(row), suggested.reading);
    return {};
}

// The insert of imported rows: every column but KEY1, with what the entry window writes where a
// file says nothing.
class ImportStatement {
public:
    explicit ImportStatement(TDM& dm) : query_(dm) {
        QStringList columns = recipientTable().columnNames();
        columns.removeOne(QStringLiteral("KEY1")); // given by the trigger
        for (const QString& name : columns)
            columns_.append({name, recipientTable().column(name)});
        query_.Add(QStringLiteral("insert into MST_KOKYAKU (KEY1, %1)")
                       .arg(columns.join(QStringLiteral(", "))));
        query_.Add(QStringLiteral("values (0, :%1)").arg(columns.join(QStringLiteral(", :"))));
        query_.Add(QStringLiteral("returning KEY1"));
        setFieldCaptions(query_);
        // Today's date (the list and the entry window rely on it), zero flags, the time of the
        // import.
        const QDate today = QDate::currentDate();
        defaults_ = {{QStringLiteral("YEAR1"), qint64(today.year())},
                     {QStringLiteral("MONTH1"), qint64(today.month())},
                     {QStringLiteral("DAY1"), qint64(today.day())},
                     {QStringLiteral("LTIME"), QDateTime::currentDateTime()}};
        for (const char* flag : {"IDNUM", "SEIBETU", "SEI_JEL", "SEI_MUUSU", "SEI_SUPURE",
                                 "SEI_SONOTA", "SORI_AGO", "SORI_MAYU"})
            defaults_.insert(QString::fromLatin1(flag), qint64(0));
    }

    // Sets every parameter from the row; the refusal of a value that is no number or time.
    QString bind(const ImportRow& row) {
        for (const auto& [name, column] : columns_) {
            const auto given = row.values.constFind(name);
            if (given == row.values.cend()) {
                query_.setValue(name, column->kind == ColumnKind::Text ? ParamValue(QString())
                                                                       : defaults_.value(name));
            } else if (column->kind == ColumnKind::Text) {
                query_.setString(name, *given);
            } else if (given->isEmpty()) {
                query_.setValue(name, ParamValue());
            } else if (column->kind == ColumnKind::Integer) {
                bool ok = false;
                query_.setInteger(name, given->toLongLong(&ok));
                if (!ok)
                    return QStringLiteral("%1「%2」は数ではありません。").arg(name, *given);
            } else {
                const QDateTime time = QDateTime::fromString(*given, kExchangeTimestampFormat);
                if (!time.isValid())
                    return QStringLiteral("%1「%2」は日時ではありません。").arg(name, *given);
                query_.setDateTime(name, time);
            }
        }
        return {};
    }
    // Every value is encoded as it would be stored before anything is sent: a refused one
    // (ValueRefused) leaves the transaction as it was.
    void check() { query_.Check(); }
    qint64 insert() {
        query_.ExecSQL();
        return query_.fieldInteger(QStringLiteral("KEY1"));
    }

private:
    StoreStatement query_;
    QList<std::pair<QString, const ColumnDescription*>> columns_;
    QHash<QString, ParamValue> defaults_;
};

} // namespace

ImportReport importRows(TDM& dm, const QVector<ImportRow>& rows, const Progress& progress,
                        ImportOptions options) {
    qsizetype next = 0;
    return importRows(
        dm,
        [&](ImportRow& row) {
            if (next >= rows.size())
                return false;
            row = rows[next++];
            return true;
        },
        progress ? Progress([&](qint64 done, qint64) { return progress(done, rows.size()); })
                 : Progress(),
        options);
}

ImportReport importRows(TDM& dm, const ImportRowSource& nextRow, const Progress& progress,
                        ImportOptions options) {
    const ImportMode mode = options.mode;
    ImportReport report;
    if (mode == ImportMode::Store) {
        UnitOfWork trigger(dm);
        ensureKeyTriggerActive(dm);
        trigger.commit();
        if (options.withDetails)
            ensureDetailTables(dm);
    }
    // Everything below is one transaction: a stop, a check, a file found unreadable halfway
    // or a database failure ends it without a row written.
    UnitOfWork work(dm);
    DuplicateFinder duplicates(dm);
    ImportStatement statement(dm);
    DetailStore details(dm);
    QVector<qint64> stored; // the keys given, to count what is there after the commit
    ImportRow row;
    for (qint64 done = 0;; ++done) {
        if (progress && !progress(done, -1))
            return ImportReport{0, {}, {}, {}, true};
        if (!nextRow(row))
            break;
        auto refuseRow = [&](const QString& why) {
            report.refused.append(QStringLiteral("%1 行目: %2").arg(row.line).arg(why));
        };
        if (row.values.value(QStringLiteral("NAMAE")).isEmpty()) {
            refuseRow(QStringLiteral("姓がありません。"));
            continue;
        }
        if (!row.refusal.isEmpty()) {
            refuseRow(row.refusal);
            continue;
        }
        QString suggestion;
        if (row.values.value(QStringLiteral("HURIGANA")).isEmpty()) {
            if (const QString why = takeSuggestedReading(row, options.suggestReadings, suggestion);
                !why.isEmpty()) {
                refuseRow(why);
                continue;
            }
        }
        if (const QString repeated = duplicates.repeated(row); !repeated.isEmpty()) {
            report.duplicates.append(
                QStringLiteral("%1 行目: %2（%3）").arg(row.line).arg(nameOf(row), repeated));
            if (options.duplicates == Duplicates::Skip)
                continue;
        }
        if (const QString why = statement.bind(row); !why.isEmpty()) {
            refuseRow(why);
            continue;
        }
        try {
            // Details are checked before the row goes in: a refused one writes neither.
            details.check(row.details);
            if (mode == ImportMode::Check) {
                statement.check();
                ++report.imported;
            } else {
                stored.append(statement.insert());
                details.write(stored.back(), row.details);
            }
            if (!suggestion.isEmpty())
                report.suggested.append(suggestion);
        } catch (const ValueRefused& error) {
            refuseRow(error.message().section(QLatin1Char('\n'), 0, 0));
        }
    }
    if (mode == ImportMode::Check)
        return report; // a check writes nothing
    work.commit();
    report.imported = countStored(dm, stored);
    return report;
}

} // namespace velta
