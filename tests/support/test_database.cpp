#include "test_database.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <gtest/gtest.h>

namespace velta::test {

QString serverDirectory() {
    return qEnvironmentVariable("VELTA_TEST_SERVER_DIR");
}

QString serverHost() {
    const QString host = qEnvironmentVariable("VELTA_TEST_SERVER_HOST");
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

int serverPort() {
    const QString port = serverHost().section(QLatin1Char('/'), 1);
    return port.isEmpty() ? 3050 : port.toInt();
}

const char* backendName(Backend backend) {
    return backend == Backend::Embedded ? "Embedded" : "Server";
}

TestDatabase::TestDatabase(Backend backend, const SchemaOptions& options) : backend_(backend) {
    const QString file =
        QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".fdb");
    if (backend == Backend::Embedded)
        name_ = directory_.filePath(file);
    else
        name_ = serverHost() + QLatin1Char(':') + serverDirectory() + QLatin1Char('/') + file;
    createVeltaDatabase(name_, options);
}

TestDatabase::~TestDatabase() {
    try {
        dropVeltaDatabase(name_);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "could not drop " << name_.toStdString() << ": " << error.what();
    }
}

std::unique_ptr<TDM> TestDatabase::connect() const {
    return std::make_unique<TDM>(name_, embedded());
}

void TestDatabase::execute(const QString& sql) const {
    auto dm = connect();
    dm->IBQuery1.Add(sql);
    dm->IBQuery1.ExecSQL();
    dm->close();
}

qint64 TestDatabase::scalar(const QString& sql) const {
    auto dm = connect();
    dm->IBQuery1.Add(sql);
    dm->IBQuery1.Open();
    const qint64 value = dm->IBQuery1.fieldInteger(0);
    dm->close();
    return value;
}

void makeWorkingFolder(const QString& folder) {
    QDir(folder).mkdir(QStringLiteral("data"));
    createVeltaDatabase(QDir(folder).filePath(QStringLiteral("data/DATA.GDB")));
    QFile ini(QDir(folder).filePath(QStringLiteral("connect.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write connect.ini");
    ini.write("[SECTION]\nMode=local_SYS\n");
}

} // namespace velta::test
