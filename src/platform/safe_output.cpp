#include "safe_output.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velta {

SafeOutput::SafeOutput(const QString& fileName) {
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile())
        file_ = std::make_unique<QFile>(fileName);
    else
        file_ = std::make_unique<QSaveFile>(fileName);
}

SafeOutput::~SafeOutput() {
    if (auto* save = dynamic_cast<QSaveFile*>(file_.get()); save && !committed_)
        save->cancelWriting();
}

bool SafeOutput::open() {
    return file_->open(QIODevice::WriteOnly);
}

bool SafeOutput::commit() {
    committed_ = true;
    if (auto* save = dynamic_cast<QSaveFile*>(file_.get()))
        return save->commit();
    if (!file_->flush())
        return false;
    file_->close();
    return file_->error() == QFileDevice::NoError;
}

} // namespace velta
