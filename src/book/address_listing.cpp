#include "address_listing.h"

#include "detail_store.h"

#include "dm.h"

#include <algorithm>
#include <array>

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

// Hands `take` the rows of a per-key statement whose surname is set, each made by `make` from
// the query; false when the progress stopped the reading.
template <typename Make, typename Take>
bool eachRowWithSurname(TDM& dm, const QStringList& statement, const QString& textParameter,
                        const QString& pattern, const Progress& progress, Make make, Take take) {
    qint64 read = 0;
    bool stopped = false;
    readInKeyOrder(dm, statement, textParameter, pattern, [&](const TIBQuery& query) {
        if ((stopped = progress && !progress(++read, -1)))
            return false;
        if (!query.fieldString(QStringLiteral("NAMAE")).isEmpty())
            take(make(query));
        return true;
    });
    return !stopped;
}

// Those rows as a list; empty when the progress stops the reading.
template <typename Row, typename Make>
QList<Row> rowsWithSurname(TDM& dm, const QStringList& statement, const QString& textParameter,
                           const QString& pattern, const Progress& progress, Make make) {
    QList<Row> rows;
    const bool whole = eachRowWithSurname(dm, statement, textParameter, pattern, progress, make,
                                          [&rows](Row&& row) { rows.append(std::move(row)); });
    return whole ? rows : QList<Row>();
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

namespace {

// The postcard search's statement, its text parameter and how a card is made from a row.
struct CardStatement {
    QStringList lines;
    QString parameter;
};

CardStatement cardStatement(CardSearch search) {
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
    return {lines, parameter};
}

CardRecipient cardOf(const TIBQuery& query) {
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
}

// A card's texts, in this order, in a packed card.
std::array<QString*, 9> cardTexts(CardRecipient& card) {
    return {&card.postalCode, &card.address1,   &card.address2, &card.surname, &card.givenName,
            &card.jointName1, &card.jointName2, &card.memo,     &card.reading};
}

constexpr int kPostalCodeText = 0, kReadingText = 8;

} // namespace

QList<CardRecipient> readCardRecipients(TDM& dm, CardSearch search, const QString& text,
                                        const Progress& progress) {
    const CardStatement statement = cardStatement(search);
    return rowsWithSurname<CardRecipient>(dm, statement.lines, statement.parameter,
                                          QLatin1Char('%') + text + QLatin1Char('%'), progress,
                                          cardOf);
}

PackedCard::PackedCard(CardRecipient card) : key_(card.key) {
    for (const QString* text : cardTexts(card)) {
        // Each text after its length: any character may be stored, none is taken as a mark.
        texts_ += QChar(static_cast<char16_t>(std::min<qsizetype>(text->size(), 0xFFFF)));
        texts_ += text->left(0xFFFF);
    }
    texts_.squeeze();
}

QString PackedCard::text(int index) const {
    qsizetype at = 0;
    for (int i = 0; i < index; ++i)
        at += 1 + texts_.at(at).unicode();
    return texts_.mid(at + 1, texts_.at(at).unicode());
}

QString PackedCard::reading() const {
    return text(kReadingText);
}

QString PackedCard::postalCode() const {
    return text(kPostalCodeText);
}

CardRecipient PackedCard::unpacked() const {
    CardRecipient card;
    card.key = key_;
    qsizetype at = 0;
    for (QString* field : cardTexts(card)) {
        const qsizetype length = texts_.at(at).unicode();
        *field = texts_.mid(at + 1, length);
        at += 1 + length;
    }
    return card;
}

QList<PackedCard> readPackedCards(TDM& dm, CardSearch search, const QString& text,
                                  const QHash<qint64, RecipientDetails>& details,
                                  const RecipientFilter& filter) {
    const CardStatement statement = cardStatement(search);
    QList<PackedCard> cards;
    eachRowWithSurname(dm, statement.lines, statement.parameter,
                       QLatin1Char('%') + text + QLatin1Char('%'), {}, cardOf,
                       [&](CardRecipient&& card) {
                           if (filter.matches(details.value(card.key)))
                               cards.append(PackedCard(std::move(card)));
                       });
    return cards;
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
