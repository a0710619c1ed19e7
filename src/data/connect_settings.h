#pragma once

#include <QString>

namespace velta {

// The value of a key in an INI text: section and key names compared without letter case,
// the value trimmed of surrounding blanks. Empty when the section or key is absent.
QString iniValue(const QString& iniText, const QString& section, const QString& key);

// The database name the program opens, from connect.ini in the given working directory:
// Mode exactly "local_SYS" selects <dir>/data/DATA.GDB, anything else the Server_SYS value.
struct DatabaseLocation {
    QString name;
    bool local = false; // opened by the embedded engine, never through a server
};
DatabaseLocation resolveDatabaseLocation(const QString& workingDirectory);

} // namespace velta
