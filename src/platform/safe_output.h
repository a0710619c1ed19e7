#pragma once

#include <QFileDevice>
#include <QString>

#include <memory>

namespace velta {

// An output file written beside its target and renamed over it only when it is whole, so a
// full disk or a failed write never leaves a truncated file in place of the old one. A
// device such as /dev/null is written in place.
class SafeOutput {
public:
    explicit SafeOutput(const QString& fileName);
    ~SafeOutput(); // an output not committed is thrown away; the old file stays

    bool open();
    QIODevice& device() { return *file_; }
    // Flushes, closes and renames; false (and the old file kept) when anything failed.
    bool commit();
    QString errorString() const { return file_->errorString(); }

private:
    std::unique_ptr<QFileDevice> file_;
    bool committed_ = false;
};

} // namespace velta
