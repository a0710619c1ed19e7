#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace velta::test {

// A file of the folder holding those bytes; its path.
inline QString writeFile(const QTemporaryDir& folder, const QString& name,
                         const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

// Runs one of the command-line programs in a working folder: its exit status, and what it
// wrote on the standard output when asked.
inline int runTool(const QString& program, const QTemporaryDir& folder,
                   const QStringList& arguments, QString* out = nullptr) {
    QProcess tool;
    tool.setWorkingDirectory(folder.path());
    tool.start(program, arguments);
    tool.waitForFinished(60000);
    if (out)
        *out = QString::fromUtf8(tool.readAllStandardOutput());
    return tool.exitCode();
}

} // namespace velta::test
