#pragma once

#include <QByteArray>
#include <QString>

namespace velta {

// Japan Post's KEN_ALL.CSV is about 12 MB unpacked; anything far beyond is not postal data.
constexpr qint64 kMaxZipMember = 256ll * 1024 * 1024;

// The first file of a zip archive whose name ends in `suffix` (case ignored), unpacked;
// stored and deflated entries are read, checked against their CRC-32 and size. Empty, with
// `error` set in Japanese, when there is none, the archive is damaged, or the file would be
// larger than `limit` (checked while unpacking, so a file that lies about its size is stopped).
QByteArray unzipFirst(const QByteArray& archive, const QString& suffix, QString* error,
                      qint64 limit = kMaxZipMember);

bool looksLikeZip(const QByteArray& bytes);

} // namespace velta
