#include "cp932.h"

#include "errors.h"

#include <QList>

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace velta::cp932 {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {
        if (handle_ == reinterpret_cast<iconv_t>(-1))
            throw DbError(QStringLiteral("文字コード変換（CP932）を準備できません。"));
    }
    ~Iconv() { iconv_close(handle_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Returns false when the input holds something the target cannot represent.
    bool convert(const QByteArray& in, QByteArray& out) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 4 + 8);
        char* src = const_cast<char*>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        char* dst = out.data();
        size_t dstLeft = static_cast<size_t>(out.size());
        if (iconv(handle_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1))
            return false;
        out.resize(out.size() - static_cast<qsizetype>(dstLeft));
        return true;
    }

private:
    iconv_t handle_;
};

Iconv& encoder() {
    thread_local Iconv instance("CP932", "UTF-8");
    return instance;
}

Iconv& decoder() {
    thread_local Iconv instance("UTF-8", "CP932");
    return instance;
}

bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// JIS X 0208 occupies lead bytes 0x81-0x84 (rows 1-8) and 0x88 (from row 16) to 0xEA.
// NEC row 13 (0x87), the IBM extensions (0xED-0xEE, 0xFA-0xFC) and the user-defined area
// (0xF0-0xF9) are refused by an SJIS_0208 connection.
bool storableDoubleByte(unsigned char lead, unsigned char trail) {
    if (lead >= 0x81 && lead <= 0x84)
        return true;
    if (lead == 0x88)
        return trail >= 0x9F;
    if (lead >= 0x89 && lead <= 0xE9)
        return true;
    if (lead == 0xEA)
        return trail <= 0xA4;
    return false;
}

bool storableSingleByte(unsigned char b) {
    return b < 0x80 || (b >= 0xA1 && b <= 0xDF);
}

[[noreturn]] void refuse(const QString& text, qsizetype index, const QString& fieldName,
                         TextUse use) {
    const char32_t code = QStringView(text).mid(index).toUcs4().value(0);
    const QString character = QString::fromUcs4(&code, 1);
    const QString codeText =
        QStringLiteral("U+%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper();
    const QString field = fieldName.isEmpty() ? QStringLiteral("入力") : fieldName;
    if (use == TextUse::Search)
        throw ValueRefused(
            QStringLiteral("「%1」（%2）は検索できない文字です。\n別の文字で検索してください。")
                .arg(character, codeText));
    throw ValueRefused(QStringLiteral("「%1」に登録できない文字「%2」（%3）が含まれています。\n"
                                      "別の文字に置き換えてください。")
                           .arg(field, character, codeText));
}

// The JIS mapping's Unicode for a JIS X 0208 character, as Mozc and other Linux input methods
// type it, to the code page 932 Unicode of the same Shift-JIS code.
QChar cp932Form(QChar c) {
    switch (c.unicode()) {
    case 0x301C:
        return QChar(0xFF5E); // 〜 0x8160
    case 0x2212:
        return QChar(0xFF0D); // − 0x817C
    case 0x2014:
        return QChar(0x2015); // — 0x815C
    case 0x2016:
        return QChar(0x2225); // ‖ 0x8161
    case 0x00A2:
        return QChar(0xFFE0); // ¢ 0x8191
    case 0x00A3:
        return QChar(0xFFE1); // £ 0x8192
    case 0x00AC:
        return QChar(0xFFE2); // ¬ 0x81CA
    default:
        return c;
    }
}

// Control characters cannot be typed and would corrupt what other programs read; only tabs
// and line breaks (in a memo) are text.
bool isControl(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == 0x7F;
}

QByteArray encodeCharacter(const QString& character) {
    QByteArray out;
    if (!encoder().convert(character.toUtf8(), out))
        return {};
    return out;
}

} // namespace

namespace {

// Where the first character that an SJIS_0208 connection cannot store stands (-1: none); the
// text encoded so far is in `out`.
qsizetype refusedAt(const QString& text, QByteArray* out) {
    out->reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QString character = text.mid(i, length);
        if (length == 1)
            character = cp932Form(character.at(0));
        const char16_t first = character.at(0).unicode();
        if (isControl(first))
            return i;
        if (first < 0x80) {
            out->append(static_cast<char>(first));
            i += length;
            continue;
        }
        const QByteArray bytes = encodeCharacter(character);
        bool storable = false;
        if (bytes.size() == 1)
            storable = storableSingleByte(static_cast<unsigned char>(bytes[0]));
        else if (bytes.size() == 2)
            storable = storableDoubleByte(static_cast<unsigned char>(bytes[0]),
                                          static_cast<unsigned char>(bytes[1]));
        // A best-fit mapping (such as U+00A5 to a backslash) does not decode to the same text.
        if (!storable || decode(bytes) != character)
            return i;
        out->append(bytes);
        i += length;
    }
    return -1;
}

} // namespace

QByteArray encode(const QString& text, const QString& fieldName, TextUse use) {
    QByteArray result;
    if (const qsizetype at = refusedAt(text, &result); at >= 0)
        refuse(text, at, fieldName, use);
    return result;
}

bool tryEncode(const QString& text, QByteArray& out, QString* refused) {
    out.clear();
    const qsizetype at = refusedAt(text, &out);
    if (at >= 0 && refused)
        *refused = text.mid(at, text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1);
    return at < 0;
}

QString decode(const QByteArray& bytes) {
    QByteArray out;
    if (!decoder().convert(bytes, out)) {
        // Bytes the table does not know (another program's data): keep what decodes, and
        // show the rest as U+FFFD rather than dropping the whole value.
        QString text;
        for (qsizetype i = 0; i < bytes.size();) {
            const unsigned char b = static_cast<unsigned char>(bytes[i]);
            const qsizetype length = (isLeadByte(b) && i + 1 < bytes.size()) ? 2 : 1;
            QByteArray piece;
            if (decoder().convert(bytes.mid(i, length), piece))
                text += QString::fromUtf8(piece);
            else
                text += QChar(QChar::ReplacementCharacter);
            i += length;
        }
        return text;
    }
    return QString::fromUtf8(out);
}

bool decodeStrict(const QByteArray& bytes, QString& text, qsizetype* badAt) {
    QByteArray out;
    if (decoder().convert(bytes, out)) {
        text = QString::fromUtf8(out);
        return true;
    }
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = (isLeadByte(b) && i + 1 < bytes.size()) ? 2 : 1;
        QByteArray piece;
        if (!decoder().convert(bytes.mid(i, length), piece)) {
            *badAt = i;
            return false;
        }
        i += length;
    }
    *badAt = bytes.size(); // a lead byte at the very end
    return false;
}

int characterCount(const QByteArray& bytes) {
    int count = 0;
    for (qsizetype i = 0; i < bytes.size(); ++count)
        i += isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    return count;
}

} // namespace velta::cp932

namespace velta::utf8 {

QByteArray encode(const QString& text, const QString& fieldName, cp932::TextUse use) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool paired =
            c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (cp932::isControl(c.unicode()) || (c.isSurrogate() && !paired))
            cp932::refuse(text, i, fieldName, use);
        if (paired)
            ++i;
    }
    return text.toUtf8();
}

int characterCount(const QByteArray& bytes) {
    int count = 0;
    for (const char b : bytes)
        count += (static_cast<unsigned char>(b) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

} // namespace velta::utf8
