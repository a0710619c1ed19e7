#pragma once

#include "dm.h"
#include "schema.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
// The private test server: "localhost/PORT" (VELTA_TEST_SERVER_HOST), and its port.
QString serverHost();
int serverPort();
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

// A test run once on each backend, with a database of its own; the server run is skipped
// when no test server was started. Instantiate with VELTA_ON_BOTH_BACKENDS(Suite).
class BackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server && serverDirectory().isEmpty())
            GTEST_SKIP() << "VELTA_TEST_SERVER_DIR is not set (scripts/test.sh starts the server)";
        database = std::make_unique<TestDatabase>(GetParam());
    }
    std::unique_ptr<TestDatabase> database;
};

#define VELTA_ON_BOTH_BACKENDS(suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Backends, suite,                                                                           \
        ::testing::Values(velta::test::Backend::Embedded, velta::test::Backend::Server),           \
        [](const auto& info) { return velta::test::backendName(info.param); })

// Makes a folder the program can start in: data/DATA.GDB and a connect.ini with
// Mode=local_SYS, as the quick start leaves them.
void makeWorkingFolder(const QString& folder);

} // namespace velta::test
