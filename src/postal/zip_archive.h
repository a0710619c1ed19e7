#pragma once

#include <QByteArray>
#include <QString>

namespace velta {

// The first file of a zip archive whose name ends in `suffix` (case ignored), unpacked;
// stored and deflated entries are read. Empty, with `error` set in Japanese, when there is
// none or the archive is damaged.
QByteArray unzipFirst(const QByteArray& archive, const QString& suffix, QString* error);

bool looksLikeZip(const QByteArray& bytes);

} // namespace velta
