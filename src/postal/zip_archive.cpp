#include "zip_archive.h"

#include <zlib.h>

#include <algorithm>

namespace velta {
namespace {

quint32 readLe(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

QString tooLarge(const QString& name, qint64 limit) {
    return QStringLiteral("zip ファイルの「%1」は大きすぎます（%2 MB まで）。郵便番号データでは"
                          "ないようです。")
        .arg(name)
        .arg(limit / (1024 * 1024));
}

// Inflates in bounded steps: the output never grows past the size the archive declares, so a
// member that unpacks to more than it says (a zip bomb) stops at once.
bool inflateRaw(const char* data, qsizetype size, quint32 expected, QByteArray& out) {
    constexpr qsizetype kStep = 1 << 16;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream.avail_in = static_cast<uInt>(size);
    int result = Z_OK;
    while (result == Z_OK) {
        const qsizetype room = std::min<qsizetype>(kStep, qsizetype(expected) - out.size() + 1);
        const qsizetype before = out.size();
        out.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = static_cast<uInt>(room);
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + room - stream.avail_out);
        if (out.size() > qsizetype(expected) || (result == Z_BUF_ERROR && stream.avail_in == 0))
            break;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END && out.size() == qsizetype(expected);
}

} // namespace

bool looksLikeZip(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04");
}

QByteArray unzipFirst(const QByteArray& archive, const QString& suffix, QString* error,
                      qint64 limit) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    // The end-of-central-directory record: within the last 64 KiB + 22 bytes.
    qsizetype end = -1;
    for (qsizetype at = archive.size() - 22; at >= 0 && at >= archive.size() - 65557; --at)
        if (readLe(archive, at, 4) == 0x06054b50) {
            end = at;
            break;
        }
    if (end < 0)
        return fail(QStringLiteral("zip ファイルが壊れています。"));
    const quint32 entries = readLe(archive, end + 10, 2);
    qsizetype at = readLe(archive, end + 16, 4);
    for (quint32 i = 0; i < entries; ++i) {
        if (at < 0 || at + 46 > archive.size() || readLe(archive, at, 4) != 0x02014b50)
            return fail(QStringLiteral("zip ファイルが壊れています。"));
        const quint32 method = readLe(archive, at + 10, 2);
        const quint32 crc = readLe(archive, at + 16, 4);
        const quint32 packed = readLe(archive, at + 20, 4);
        const quint32 size = readLe(archive, at + 24, 4);
        const quint32 nameLength = readLe(archive, at + 28, 2);
        const quint32 extraLength = readLe(archive, at + 30, 2);
        const quint32 commentLength = readLe(archive, at + 32, 2);
        const qsizetype local = readLe(archive, at + 42, 4);
        const QString name = QString::fromLatin1(archive.mid(at + 46, nameLength));
        at += 46 + nameLength + extraLength + commentLength;
        if (!name.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        if (qint64(size) > limit)
            return fail(tooLarge(name, limit));
        if (local + 30 > archive.size() || readLe(archive, local, 4) != 0x04034b50)
            return fail(QStringLiteral("zip ファイルが壊れています。"));
        const qsizetype data =
            local + 30 + readLe(archive, local + 26, 2) + readLe(archive, local + 28, 2);
        if (data + packed > archive.size())
            return fail(QStringLiteral("zip ファイルが途中で切れています。"));
        QByteArray out;
        if (method == 0 && packed == size)
            out = archive.mid(data, packed);
        else if (method != 8 || !inflateRaw(archive.constData() + data, packed, size, out))
            return fail(QStringLiteral("zip ファイルの「%1」を展開できません。ファイルが壊れて"
                                       "いるか、対応していない形式です。")
                            .arg(name));
        // A flipped bit inflates without complaint more often than not: only the CRC tells.
        if (crc32(0, reinterpret_cast<const Bytef*>(out.constData()),
                  static_cast<uInt>(out.size())) != crc)
            return fail(QStringLiteral("zip ファイルの「%1」が壊れています（CRC が合いません）。"
                                       "ダウンロードし直してください。")
                            .arg(name));
        return out;
    }
    return fail(QStringLiteral("zip ファイルに %1 のファイルがありません。").arg(suffix));
}

} // namespace velta
