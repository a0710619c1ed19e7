#pragma once

#include <QString>

namespace velta {

// The value of a key in an INI text: section and key names compared without letter case,
// the value trimmed of surrounding blanks. Empty when the section or key is absent.
QString iniValue(const QString& iniText, const QString& section, const QString& key);

// The database name the program opens, from connect.ini in the given working directory:
// Mode exactly "local_SYS" selects <dir>/data/DATA.GDB, anything else the Server_SYS value.
// Who signs in: connect.ini's User (SYSDBA when absent) with the password of PasswordFile (a
// file only its owner may read), of Password, or asked for at start-up (`askPassword`). With
// none of the three the program's own SYSDBA password is used, as always.
struct DatabaseLocation {
    QString name;
    bool local = false; // opened by the embedded engine, never through a server
    QString user = QStringLiteral("SYSDBA");
    QString password;
    bool askPassword = false;
    QString problem; // why the settings cannot be used; said at the first database operation
};
DatabaseLocation resolveDatabaseLocation(const QString& workingDirectory);
// The first line of a password file that no one but its owner, this user, can read; empty,
// with `problem` said in Japanese, for any other file.
QString readPasswordFile(const QString& fileName, QString* problem);
// The program's own SYSDBA password, for the embedded default and older server setups.
QString defaultPassword();

} // namespace velta
