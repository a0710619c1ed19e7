#include "address_listing.h"

#include "detail_store.h"

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

// The postcard window's per-key statements: by surname, and the start of the others.
const QStringList kNameSearchLines = {"SELECT",
                                      "  KEY1,",
                                      "  IDNUM,",
                                      "  NAMAE,",
                                      "  NAMAE2,",
                                      "  YUBINNO,",
                                      "  JYUSYO,",
                                      "  JYUSYO2,",
                                      "  MEMO,",
                                      "  YEAR1,",
                                      "  MONTH1,",
                                      "  DAY1,",
                                      "  LTIME,",
                                      "  KEY2,",
                                      "  hurigana,",
                                      "  renmei1,",
                                      "  renmei2,",
                                      "  tel",
                                      "FROM",
                                      "  MST_KOKYAKU",
                                      "WHERE",
                                      "  (KEY1       = :KEY1    and  ",
                                      "   namae      Like :namae      )"};
const QStringList kOtherSearchLines = {
    "SELECT",        "  KEY1,",       "  IDNUM,",
    "  NAMAE,",      "  NAMAE2,",     "  YUBINNO,",
    "  JYUSYO,",     "  JYUSYO2,",    "  K_SHITU,",
    "  SEIBETU,",    "  SEI_JEL,",    "  SEI_MUUSU,",
    "  SEI_SUPURE,", "  SEI_SONOTA,", "  SORI_AGO,",
    "  SORI_MAYU,",  "  MEMO,",       "  YEAR1,",
    "  MONTH1,",     "  DAY1,",       "  LTIME,",
    "  KEY2,",       "  hurigana,",   "  renmei1,",
    "  renmei2,",    "  tel",         "FROM",
    "  MST_KOKYAKU", "WHERE",         "  (KEY1       = :KEY1    and  "};

} // namespace

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

namespace {

// The rows of a per-key statement whose surname is set, each made by `make` from the query; an
// empty list when the progress stops the reading.
template <typename Row, typename Make>
QList<Row> rowsWithSurname(TDM& dm, const QStringList& statement, const QString& textParameter,
                           const QString& pattern, const Progress& progress, Make make) {
    QList<Row> rows;
    qint64 read = 0;
    bool stopped = false;
    readInKeyOrder(dm, statement, textParameter, pattern, [&](const TIBQuery& query) {
        if ((stopped = progress && !progress(++read, -1)))
            return false;
        if (!query.fieldString(QStringLiteral("NAMAE")).isEmpty())
            rows.append(make(query));
        return true;
    });
    return stopped ? QList<Row>() : rows;
}

} // namespace

QList<RecipientRecord> listRecipients(TDM& dm, const QStringList& statement,
                                      const QString& textParameter, const QString& pattern,
                                      const Progress& progress) {
    return rowsWithSurname<RecipientRecord>(
        dm, statement, textParameter, pattern, progress, [](const TIBQuery& query) {
            RecipientRecord record;
            record.key = query.fieldInteger(QStringLiteral("KEY1"));
            record.surname = query.fieldString(QStringLiteral("NAMAE"));
            record.givenName = query.fieldString(QStringLiteral("NAMAE2"));
            record.reading = query.fieldString(QStringLiteral("hurigana"));
            record.postalCode = query.fieldString(QStringLiteral("YUBINNO"));
            record.address1 = query.fieldString(QStringLiteral("JYUSYO"));
            record.address2 = query.fieldString(QStringLiteral("JYUSYO2"));
            record.memo = query.fieldString(QStringLiteral("memo"));
            record.telephone = query.fieldString(QStringLiteral("tel"));
            return record;
        });
}

QList<CardRecipient> readCardRecipients(TDM& dm, CardSearch search, const QString& text,
                                        const Progress& progress) {
    QStringList lines = search == CardSearch::Surname ? kNameSearchLines : kOtherSearchLines;
    QString parameter = QStringLiteral("namae");
    if (search == CardSearch::Address1) {
        lines.append(QStringLiteral("   JYUSYO      Like :JYUSYO      )"));
        parameter = QStringLiteral("JYUSYO");
    } else if (search == CardSearch::Address2) {
        lines.append(QStringLiteral("   JYUSYO2      Like :JYUSYO2      )"));
        parameter = QStringLiteral("JYUSYO2");
    } else if (search == CardSearch::Memo) {
        lines.append(QStringLiteral("   MEMO      Like :MEMO      )"));
        parameter = QStringLiteral("MEMO");
    }
    return rowsWithSurname<CardRecipient>(
        dm, lines, parameter, QLatin1Char('%') + text + QLatin1Char('%'), progress,
        [](const TIBQuery& query) {
            CardRecipient card;
            card.key = query.fieldInteger(QStringLiteral("KEY1"));
            card.postalCode = query.fieldString(QStringLiteral("YUBINNO"));
            card.address1 = query.fieldString(QStringLiteral("JYUSYO"));
            card.address2 = query.fieldString(QStringLiteral("JYUSYO2"));
            card.surname = query.fieldString(QStringLiteral("NAMAE"));
            card.givenName = query.fieldString(QStringLiteral("NAMAE2"));
            card.jointName1 = query.fieldString(QStringLiteral("renmei1"));
            card.jointName2 = query.fieldString(QStringLiteral("renmei2"));
            card.memo = query.fieldString(QStringLiteral("MEMO"));
            card.reading = query.fieldString(QStringLiteral("hurigana"));
            return card;
        });
}

QList<CardRecipient> withDetails(TDM& dm, QList<CardRecipient> cards,
                                 const RecipientFilter& filter) {
    const QHash<qint64, RecipientDetails> details = DetailStore(dm).readAll();
    QList<CardRecipient> kept;
    for (CardRecipient& card : cards) {
        card.details = details.value(card.key);
        if (filter.matches(card.details))
            kept.append(std::move(card));
    }
    return kept;
}

} // namespace velta
