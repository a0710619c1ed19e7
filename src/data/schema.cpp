#include "schema.h"

#include "book_tables.h"

#include "connect_settings.h"
#include "dm.h"

#include "firebird_client.h"
#include "schema_version.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace velta {
namespace {

const QStringList kSchema = {
    QStringLiteral("CREATE SEQUENCE GEN_MST_KOKYAKU_KEY1"),
    recipientTable().createStatement(),
    // While active, every new address gets the next key; switched off to re-insert an edit.
    QStringLiteral("CREATE TRIGGER TRG_ID FOR MST_KOKYAKU ACTIVE BEFORE INSERT POSITION 0 AS "
                   "BEGIN NEW.KEY1 = NEXT VALUE FOR GEN_MST_KOKYAKU_KEY1; END"),
    senderTable().createStatement(),
};

QByteArray ownerDpb(const QString& databaseName, const SchemaOptions& options = {}) {
    return fb::buildDpb(options.user,
                        options.password.isEmpty() ? defaultPassword() : options.password,
                        {QStringLiteral("SJIS_0208")}, false, fb::isServerName(databaseName));
}

QString quoted(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

// The engine makes files 0660 whatever the user asked for: a new book takes the user's umask
// (0600 under umask 077), as every other file the user makes.
void followUmask(const QString& fileName) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(fileName).constData(), 0666 & ~mask);
}

} // namespace

void createVeltaDatabase(const QString& databaseName, const SchemaOptions& options) {
    if (options.characterSet != QLatin1String("SJIS_0208") &&
        options.characterSet != QLatin1String("UTF8"))
        throw DbError(QStringLiteral("文字セット「%1」では作れません（SJIS_0208 か UTF8）。")
                          .arg(options.characterSet));
    QByteArray dpb = ownerDpb(databaseName, options);
    // Page size and the default character set of every text column.
    const QByteArray extra = fb::call([&](Firebird::ThrowStatusWrapper* s) {
        Firebird::IXpbBuilder* builder = fb::util()->getXpbBuilder(
            s, Firebird::IXpbBuilder::DPB, reinterpret_cast<const unsigned char*>(dpb.constData()),
            static_cast<unsigned>(dpb.size()));
        builder->insertInt(s, isc_dpb_page_size, 8192);
        builder->insertString(s, isc_dpb_set_db_charset,
                              options.characterSet.toLatin1().constData());
        QByteArray result(reinterpret_cast<const char*>(builder->getBuffer(s)),
                          static_cast<qsizetype>(builder->getBufferLength(s)));
        builder->dispose();
        return result;
    });
    fb::Attachment attachment = fb::Attachment::create(databaseName, extra);
    if (!fb::isServerName(databaseName))
        followUmask(databaseName);
    for (const QString& statement : kSchema)
        fb::executeImmediate(attachment, statement);
    if (options.withVersionTable) {
        fb::executeImmediate(
            attachment,
            QStringLiteral("CREATE TABLE VERSION_TBL (KEY1 INTEGER NOT NULL PRIMARY KEY,"
                           " VERSION_NO VARCHAR(20))"));
        for (qsizetype i = 0; i < options.versionRows.size(); ++i)
            fb::executeImmediate(attachment,
                                 QStringLiteral("INSERT INTO VERSION_TBL VALUES (%1, %2)")
                                     .arg(i + 1)
                                     .arg(quoted(options.versionRows[i])));
    }
    attachment.detach();
}

namespace {

void run(TDM& dm, const QString& sql) {
    dm.IBQuery1.Clear();
    dm.IBQuery1.Add(sql);
    dm.IBQuery1.ExecSQL();
}

// What a copy takes of a table: the details of recipients that are gone (another program
// deleted them) stay behind, so no new recipient could inherit them.
QString copiedRows(const TableDescription& table) {
    const bool ofRecipients =
        table.column(u"KEY1") && &table != &recipientTable() && &table != &senderTable();
    return QStringLiteral("from %1%2")
        .arg(table.tableName(),
             ofRecipients ? QStringLiteral(" where KEY1 in (select KEY1 from MST_KOKYAKU)")
                          : QString());
}

// Every row of a table, every column as it is stored; false when stopped.
bool copyRows(TDM& source, TDM& target, const TableDescription& table, qint64& done, qint64 total,
              const std::function<bool(qint64, qint64)>& progress) {
    const QStringList columns = table.columnNames();
    TIBQuery& in = source.IBQuery1;
    TIBQuery& out = target.IBQuery1;
    in.Clear();
    in.Add(QStringLiteral("select %1 %2 order by %3")
               .arg(columns.join(", "), copiedRows(table), columns.first()));
    out.Clear();
    out.Add(QStringLiteral("insert into %1 (%2) values (:%3)")
                .arg(table.tableName(), columns.join(", "), columns.join(", :")));
    setFieldCaptions(out, table);
    for (in.Open(); !in.Eof(); in.Next()) {
        if (progress && !progress(done, total)) {
            in.Close();
            return false;
        }
        for (const QString& column : columns)
            out.setValue(column, in.fieldValue(column));
        out.ExecSQL();
        ++done;
    }
    in.Close();
    return true;
}

} // namespace

QString partialCopyName(const QString& target) {
    return target + QStringLiteral(".part");
}

qint64 copyVeltaDatabase(TDM& source, const QString& target, const SchemaOptions& requested,
                         const std::function<bool(qint64, qint64)>& progress,
                         bool* removedLeftover) {
    const QString part = partialCopyName(target);
    if (QFileInfo::exists(target))
        throw DbError(QStringLiteral("「%1」はすでにあります。新しいファイル名を指定してください。")
                          .arg(target));
    if (QFileInfo::exists(part)) { // what an interrupted copy left: never a usable book
        if (!QFile::remove(part))
            throw DbError(QStringLiteral("前回中断したコピー「%1」を消せません。").arg(part));
        if (removedLeftover)
            *removedLeftover = true;
    }
    SchemaOptions options = requested;
    options.withVersionTable = tableExists(source, QStringLiteral("VERSION_TBL"));
    options.versionRows.clear();
    if (options.withVersionTable) {
        TIBQuery& q = source.IBQuery1;
        q.Clear();
        q.Add(QStringLiteral("select VERSION_NO from VERSION_TBL order by KEY1"));
        for (q.Open(); !q.Eof(); q.Next())
            options.versionRows.append(q.fieldString(0));
        q.Close();
    }
    const qint64 recipients = readInteger(
        source, QStringLiteral("select count(*) as N from MST_KOKYAKU"), QStringLiteral("N"));
    // The program's own tables go with the book, made in the copy as the source has them.
    QList<const TableDescription*> tables = {&recipientTable(), &senderTable()};
    qint64 total = 0;
    for (const TableDescription* table : detailTables())
        if (tableExists(source, table->tableName()))
            tables.append(table);
    for (const TableDescription* table : tables)
        total +=
            readInteger(source, QStringLiteral("select count(*) as N %1").arg(copiedRows(*table)),
                        QStringLiteral("N"));
    createVeltaDatabase(part, options);
    try {
        TDM copy(part, true);
        try {
            // Keys are copied as they are: the key trigger rests while the rows go in.
            run(copy, QStringLiteral("ALTER TRIGGER TRG_ID INACTIVE"));
            for (const TableDescription* table : tables.mid(2))
                run(copy, table->createStatement());
            copy.close();
            qint64 done = 0;
            for (const TableDescription* table : tables)
                if (!copyRows(source, copy, *table, done, total, progress)) {
                    copy.IBDatabase1.Abandon();
                    source.close();
                    dropVeltaDatabase(part);
                    return -1;
                }
            copy.close(); // the rows, in one transaction
            const qint64 largest = readInteger(
                copy, QStringLiteral("select coalesce(max(KEY1), 0) as N from MST_KOKYAKU"),
                QStringLiteral("N"));
            run(copy,
                QStringLiteral("ALTER SEQUENCE GEN_MST_KOKYAKU_KEY1 RESTART WITH %1").arg(largest));
            run(copy, QStringLiteral("ALTER TRIGGER TRG_ID ACTIVE"));
            copy.close(); // committed and detached: the copy is whole under its temporary name
        } catch (...) {
            copy.IBDatabase1.Abandon();
            throw;
        }
        source.close();
        // Only a whole copy takes the name, and never over a file that appeared meanwhile.
        if (::renameat2(AT_FDCWD, QFile::encodeName(part).constData(), AT_FDCWD,
                        QFile::encodeName(target).constData(), RENAME_NOREPLACE) != 0)
            throw DbError(QStringLiteral("写したデータベースを「%1」という名前にできません。\n%2")
                              .arg(target, QString::fromLocal8Bit(std::strerror(errno))));
        return recipients;
    } catch (...) {
        source.IBDatabase1.Abandon();
        try {
            dropVeltaDatabase(part);
        } catch (const DbError&) {
            QFile::remove(part);
        }
        throw;
    }
}

void dropVeltaDatabase(const QString& databaseName) {
    fb::Attachment attachment = fb::Attachment::attach(databaseName, ownerDpb(databaseName));
    attachment.dropDatabase();
}

void setFieldCaptions(TIBQuery& query) {
    setFieldCaptions(query, recipientTable());
}

void setFieldCaptions(TIBQuery& query, const TableDescription& table) {
    for (const ColumnDescription& column : table.columns)
        if (column.caption)
            query.setCaption(column.columnName(), QString::fromUtf8(column.caption));
}

} // namespace velta
