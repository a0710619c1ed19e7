#include "address_listing.h"

#include "dm.h"

namespace velta {
namespace {

// The column lines every per-key statement shares, between the first line and the address.
const QStringList kLeadingColumns = {"  KEY1,", "  IDNUM,", "  NAMAE,", "  NAMAE2,", "  YUBINNO,"};
const QStringList kMiddleColumns = {"  JYUSYO2,",   "  K_SHITU,",    "  SEIBETU,",    "  SEI_JEL,",
                                    "  SEI_MUUSU,", "  SEI_SUPURE,", "  SEI_SONOTA,", "  SORI_AGO,",
                                    "  SORI_MAYU,", "  MEMO,",       "  YEAR1,",      "  MONTH1,",
                                    "  DAY1,",      "  LTIME,",      "  KEY2,"};

struct SearchForm {
    const char* first;
    const char* address;
    QStringList closing;
    const char* parameter;
};

SearchForm searchForm(SearchColumn column) {
    switch (column) {
    case SearchColumn::Surname:
        return {"SELECT",
                "  JYUSYO,",
                {"WHERE", "  (KEY1       = :KEY1    and  ", "   namae      Like :namae      )"},
                "namae"};
    case SearchColumn::Address1:
        return {"SELECT ",
                "  JYUSYO ,",
                {"WHERE ", "  (KEY1       = :KEY1) and", "  (JYUSYO      Like :JYUSYO )  "},
                "JYUSYO"};
    case SearchColumn::Address2:
        return {"SELECT",
                "  JYUSYO,",
                {"WHERE", "  (KEY1       = :KEY1)    and  ", "  (JYUSYO2      Like :JYUSYO2    )"},
                "JYUSYO2"};
    case SearchColumn::Memo:
        return {"SELECT",
                "  JYUSYO,",
                {"WHERE", "  (KEY1       = :KEY1    and  ", "   memo      Like :memo      )"},
                "memo"};
    }
    return {};
}

} // namespace

QStringList listHeaders() {
    return {"KEY",      "MKEY",  "姓（苗字）", "名（名前）", "ふりがな",
            "郵便番号", "住所1", "住所2",      "メモ",       "TEL"};
}

QStringList listingStatement() {
    return QStringList{"SELECT"} + kLeadingColumns + QStringList{"  JYUSYO,"} + kMiddleColumns +
           QStringList{
               "  hurigana,", "  renmei1,",    "  renmei2,", "  tel",
               "FROM",        "  MST_KOKYAKU", "WHERE",      "  (KEY1       = :KEY1      )"};
}

QStringList searchStatement(SearchColumn column) {
    const SearchForm form = searchForm(column);
    return QStringList{QString::fromLatin1(form.first)} + kLeadingColumns +
           QStringList{QString::fromLatin1(form.address)} + kMiddleColumns +
           QStringList{"  hurigana,", "  tel", "FROM", "  MST_KOKYAKU"} + form.closing;
}

QString searchParameter(SearchColumn column) {
    return QString::fromLatin1(searchForm(column).parameter);
}

QList<QStringList> listRecipients(TDM& dm, const QStringList& statement,
                                  const QString& textParameter, const QString& pattern,
                                  const Progress& progress) {
    QList<QStringList> rows;
    qint64 read = 0;
    bool stopped = false;
    readInKeyOrder(dm, statement, textParameter, pattern, [&](const TIBQuery& query) {
        stopped = progress && !progress(++read, -1);
        if (stopped)
            return false;
        if (!query.fieldString(QStringLiteral("NAMAE")).isEmpty())
            rows.append({query.fieldString(QStringLiteral("KEY1")), QString(),
                         query.fieldString(QStringLiteral("NAMAE")),
                         query.fieldString(QStringLiteral("NAMAE2")),
                         query.fieldString(QStringLiteral("hurigana")),
                         query.fieldString(QStringLiteral("YUBINNO")),
                         query.fieldString(QStringLiteral("JYUSYO")),
                         query.fieldString(QStringLiteral("JYUSYO2")),
                         query.fieldString(QStringLiteral("memo")),
                         query.fieldString(QStringLiteral("tel"))});
        return true;
    });
    return stopped ? QList<QStringList>() : rows;
}

} // namespace velta
