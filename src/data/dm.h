#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace velta {

namespace fb {
class Attachment;
class CallDeadline;
class Transaction;
} // namespace fb

class TIBTransaction;
class TIBQuery;

// The single connection. Opening attaches with the parameter list; closing commits the active
// transaction and detaches.
class TIBDatabase {
public:
    TIBDatabase();
    ~TIBDatabase();
    TIBDatabase(const TIBDatabase&) = delete;
    TIBDatabase& operator=(const TIBDatabase&) = delete;

    QString DatabaseName;
    // Name=value lines in the order they reach the client library.
    QStringList Params;
    // Local files are opened by the engine inside this process, never by a server.
    bool EmbeddedOnly = false;
    // Why the connection settings cannot be used; said instead of opening.
    QString SettingsProblem;

    void Open();
    void Close();
    bool Connected() const;
    // Error path: rolls the transaction back and detaches without raising.
    void Abandon() noexcept;

    fb::Attachment& attachment();
    // Bounds the wait of the calls made while it lives (server connections only).
    fb::CallDeadline deadline();
    // Changes whenever a new attachment is made, so prepared statements know they are stale.
    quint64 generation() const { return generation_; }
    // A database whose text columns are UTF8 (names outside JIS X 0208: 髙, 﨑, 𠮷) is talked to
    // in UTF8; every other one in Shift-JIS as the connection parameters say.
    bool unicode() const { return unicode_; }
    void setDefaultTransaction(TIBTransaction* transaction) { transaction_ = transaction; }
    // Results of these statements are released before the transaction ends.
    void addQuery(TIBQuery* query) { queries_.push_back(query); }
    void removeQuery(TIBQuery* query) { std::erase(queries_, query); }

private:
    void releaseResults() noexcept;
    std::vector<TIBQuery*> queries_;
    std::unique_ptr<fb::Attachment> attachment_;
    TIBTransaction* transaction_ = nullptr;
    quint64 generation_ = 0;
    bool unicode_ = false;
    void attach(const QStringList& characterSets);
};

class TIBTransaction {
public:
    TIBTransaction();
    ~TIBTransaction();
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;

    QStringList Params;
    TIBDatabase* DefaultDatabase = nullptr;

    bool InTransaction() const;
    void StartTransaction();
    void Commit();
    void Rollback() noexcept;
    fb::Transaction& handle();

private:
    std::unique_ptr<fb::Transaction> transaction_;
};

using ParamValue = std::variant<std::monostate, qint64, QString, QDateTime>;

// The shared statement object: text as lines, named parameters, the current row.
class TIBQuery {
public:
    TIBQuery();
    ~TIBQuery();
    TIBQuery(const TIBQuery&) = delete;
    TIBQuery& operator=(const TIBQuery&) = delete;

    TIBDatabase* Database = nullptr;
    TIBTransaction* Transaction = nullptr;

    // Empties the text and the parameters, releasing any result.
    void Clear();
    void Add(const QString& line);
    QStringList SQL() const { return lines_; }

    void setInteger(const QString& name, qint64 value);
    void setString(const QString& name, const QString& value);
    void setDateTime(const QString& name, const QDateTime& value);
    void setValue(const QString& name, const ParamValue& value);
    // The on-screen caption a refusal names for a parameter (「住所1」 rather than JYUSYO); a
    // search pattern is refused as a text that cannot be searched for.
    void setCaption(const QString& name, const QString& caption, bool search = false);

    // Prepares the statement and converts every parameter (Shift-JIS, lengths) without running
    // it, so a value that would be refused is found before anything is written.
    void Check();
    // Runs the statement; a query's first row becomes the current row.
    void Open();
    void ExecSQL();
    void Close() noexcept;
    bool Eof() const;
    // Moves to the next row of the result.
    void Next();

    QString fieldString(const QString& name) const;
    qint64 fieldInteger(const QString& name) const;
    QString fieldString(int index) const;
    qint64 fieldInteger(int index) const;
    // The column's value in its own type (NULL as an empty value), to write it back unchanged.
    ParamValue fieldValue(const QString& name) const;

    // How many statement texts were prepared by the server (one per distinct text in a row).
    quint64 prepareCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QStringList lines_;
    QMap<QString, ParamValue> params_;
    QMap<QString, std::pair<QString, bool>> captions_;
    enum class Run { Check, Execute, Open };
    void run(Run mode);
};

// The data module: one connection, one transaction, one statement for the whole program.
class TDM {
public:
    // Reads connect.ini in the working directory and leaves the connection closed.
    explicit TDM(const QString& workingDirectory);
    // For a given database name (tests, tools); embeddedOnly as for Mode=local_SYS.
    TDM(const QString& databaseName, bool embeddedOnly);
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    TIBDatabase IBDatabase1;
    TIBTransaction IBTransaction1;
    TIBQuery IBQuery1;

    // Opens the connection and binds the transaction and statement to it.
    void open();
    // Commits and detaches.
    void close();

private:
    void setUp(const QString& databaseName, bool embeddedOnly,
               const QString& user = QStringLiteral("SYSDBA"), const QString& password = {});
};

// Asks for the password of connect.ini's User when the file names none (the program sets it;
// the tools have none and say so). The answer is kept while the program runs.
using PasswordPrompt = std::function<QString(const QString& user, const QString& database)>;
void setPasswordPrompt(PasswordPrompt prompt);

// Rolls the data module's transaction back and detaches when the scope ends by an exception,
// so no lock or half-done write outlives the error (the top-level handler shows it after).
class RollbackOnError {
public:
    explicit RollbackOnError(TDM& dm) : dm_(dm), exceptions_(std::uncaught_exceptions()) {}
    ~RollbackOnError() {
        if (std::uncaught_exceptions() > exceptions_)
            dm_.IBDatabase1.Abandon();
    }
    RollbackOnError(const RollbackOnError&) = delete;
    RollbackOnError& operator=(const RollbackOnError&) = delete;

private:
    TDM& dm_;
    int exceptions_;
};

// A statement of a store's own on the data module's connection and transaction, for texts no
// window shows: it keeps its prepared form whatever the shared statement runs meanwhile.
class StoreStatement : public TIBQuery {
public:
    explicit StoreStatement(TDM& dm);
    ~StoreStatement();

private:
    TDM& dm_;
};

// One unit of work: opens the connection, commit() commits and detaches; ending any other way
// (an exception, an early return) rolls back and detaches, so nothing half-done is kept.
class UnitOfWork {
public:
    explicit UnitOfWork(TDM& dm);
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork&) = delete;
    UnitOfWork& operator=(const UnitOfWork&) = delete;
    void commit();

private:
    TDM& dm_;
    bool committed_ = false;
};

// Told true when the program starts waiting for the database and false when it is done (the
// program shows a busy cursor); calls may nest.
void setDatabaseBusyIndicator(std::function<void(bool)> indicator);

// Ends the database engine's work in this process (its threads, the embedded engine's files)
// before the process ends without returning from main.
void shutDownDatabaseEngine() noexcept;

// Runs a one-line query on the shared statement and reads one column of its first row.
QString readString(TDM& dm, const QString& sql, const QString& column);
qint64 readInteger(TDM& dm, const QString& sql, const QString& column);

// The rows that probing every key from 1 to the largest KEY1 of MST_KOKYAKU + 1 with a per-key
// statement ("… KEY1 = :KEY1 …") finds, in key order, read by that statement turned into one
// (KEY1 >= 1, ordered by KEY1): one round trip instead of one per key ever used. onRow sees the
// query at each row and returns false to stop the reading there. With a text parameter its
// value is set to the pattern.
void readInKeyOrder(TDM& dm, const QStringList& statement, const QString& textParameter,
                    const QString& pattern, const std::function<bool(const TIBQuery&)>& onRow);

} // namespace velta
