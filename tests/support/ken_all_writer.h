#pragma once

#include "cp932.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <zlib.h>

namespace velta::test {

// One row of Japan Post's postal-code data in its published layout (15 columns, the readings
// in half-width katakana, CR LF).
inline QString kenAllRow(const QString& code, const QString& prefecture, const QString& city,
                         const QString& town, bool sharedCode = false) {
    return QStringLiteral("13101,\"%1  \",\"%2\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾏﾁ\",\"%3\",\"%4\",\"%5\","
                          "0,0,0,%6,0,0\r\n")
        .arg(code.left(3), code, prefecture, city, town)
        .arg(sharedCode ? 1 : 0);
}

// KEN_ALL.CSV: the rows in Shift-JIS.
inline QByteArray kenAllShiftJis(const QStringList& rows) {
    return cp932::encode(rows.join(QString()), QStringLiteral("KEN_ALL"));
}

// A zip archive holding one deflated file, as ken_all.zip holds KEN_ALL.CSV.
inline QByteArray zipOf(const QString& name, const QByteArray& content) {
    QByteArray packed(static_cast<qsizetype>(compressBound(static_cast<uLong>(content.size()))),
                      Qt::Uninitialized);
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.constData()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    const quint32 crc = static_cast<quint32>(crc32(
        0, reinterpret_cast<const Bytef*>(content.constData()), static_cast<uInt>(content.size())));
    auto le = [](QByteArray& out, quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const QByteArray fileName = name.toLatin1();
    auto header = [&](QByteArray& out, bool central) {
        le(out, central ? 0x02014b50 : 0x04034b50, 4);
        if (central)
            le(out, 20, 2); // made by
        le(out, 20, 2);     // needed
        le(out, 0, 2);      // flags
        le(out, 8, 2);      // deflate
        le(out, 0, 4);      // time, date
        le(out, crc, 4);
        le(out, static_cast<quint32>(packed.size()), 4);
        le(out, static_cast<quint32>(content.size()), 4);
        le(out, static_cast<quint32>(fileName.size()), 2);
        le(out, 0, 2); // extra
        if (central) {
            le(out, 0, 2); // comment
            le(out, 0, 2); // disk
            le(out, 0, 2); // internal attributes
            le(out, 0, 4); // external attributes
            le(out, 0, 4); // local header at 0
        }
        out += fileName;
    };
    QByteArray zip;
    header(zip, false);
    zip += packed;
    const auto centralAt = static_cast<quint32>(zip.size());
    header(zip, true);
    const auto centralSize = static_cast<quint32>(zip.size()) - centralAt;
    le(zip, 0x06054b50, 4);
    le(zip, 0, 4);
    le(zip, 1, 2);
    le(zip, 1, 2);
    le(zip, centralSize, 4);
    le(zip, centralAt, 4);
    le(zip, 0, 2);
    return zip;
}

} // namespace velta::test
