#pragma once

#include "progress.h"
#include "recipient_details.h"
#include "recipient_record.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace velta {

class TDM;

// The column a search looks in, one per radio button of the list window.
enum class SearchColumn { Surname, Address1, Address2, Memo };

// Lines of the per-key statement of a listing (and the refill after an edit).
QStringList listingStatement();
// Lines of the per-key statement of a search, and the name of its text parameter.
QStringList searchStatement(SearchColumn column);
QString searchParameter(SearchColumn column);

// Reads the per-key statement's rows in key order (readInKeyOrder): the recipients whose
// surname is not empty, with the columns the list shows (key, names, reading, postal code,
// addresses, memo, telephone). With a text parameter its value is set to the pattern. A
// progress told the rows read so far may stop the reading: then nothing is returned.
QList<RecipientRecord> listRecipients(TDM& dm, const QStringList& statement,
                                      const QString& textParameter = {},
                                      const QString& pattern = {}, const Progress& progress = {});

// The postcard window's search: the column a search looks in.
enum class CardSearch { Surname, Address1, Address2, Memo };

// The recipients whose surname is set and whose searched column holds the text, in key order,
// not yet ordered by reading. A progress told the rows read so far may stop the reading: then
// nothing is returned.
QList<CardRecipient> readCardRecipients(TDM& dm, CardSearch search, const QString& text,
                                        const Progress& progress = {});

// A card kept compactly for a long run: its texts in one block, without its details (most
// recipients have none; they are kept apart by key). velta-cards holds 100,000 of these.
class PackedCard {
public:
    explicit PackedCard(CardRecipient card);
    qint64 key() const { return key_; }
    QString reading() const;
    QString postalCode() const;
    CardRecipient unpacked() const; // details not set

private:
    QString text(int index) const;
    qint64 key_;
    QString texts_;
};

// readCardRecipients's cards packed, those the filter selects by their details.
QList<PackedCard> readPackedCards(TDM& dm, CardSearch search, const QString& text,
                                  const QHash<qint64, RecipientDetails>& details,
                                  const RecipientFilter& filter);

// Gives each card its recipient's details and keeps the cards the filter selects.
QList<CardRecipient> withDetails(TDM& dm, QList<CardRecipient> cards,
                                 const RecipientFilter& filter = {});

} // namespace velta
