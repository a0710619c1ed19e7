#pragma once

#include "dm.h"
#include "schema.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace velta::test {

enum class Backend { Embedded, Server };

// The server tests need a Firebird server on loopback; the test script starts one and names
// a folder it may create databases in.
QString serverDirectory();
const char* backendName(Backend backend);

// A throwaway database with the address book's schema, dropped when the guard goes.
class TestDatabase {
public:
    explicit TestDatabase(Backend backend = Backend::Embedded, const SchemaOptions& options = {});
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const QString& name() const { return name_; }
    bool embedded() const { return backend_ == Backend::Embedded; }
    // A data module of its own: a separate connection, as another program would have.
    std::unique_ptr<TDM> connect() const;
    // Runs one statement on a separate connection and commits it.
    void execute(const QString& sql) const;
    // The integer a one-value query returns, read on a separate connection.
    qint64 scalar(const QString& sql) const;

private:
    Backend backend_;
    QTemporaryDir directory_;
    QString name_;
};

// Makes a folder the program can start in: data/DATA.GDB and a connect.ini with
// Mode=local_SYS, as the quick start leaves them.
void makeWorkingFolder(const QString& folder);

} // namespace velta::test
