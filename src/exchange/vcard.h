#pragma once

#include "book_exchange.h"

namespace velta {

// vCards 3.0 and 4.0 (and the 2.1 of older phones) as phones and web address books export
// them: N, FN, ADR, TEL, NOTE, readings from X-PHONETIC-LAST-NAME / X-PHONETIC-FIRST-NAME,
// SORT-AS or SOUND;X-IRMC-N. Each card is a row starting on the line of its BEGIN:VCARD.
bool looksLikeVCard(const QString& text);
ImportTable readVCards(const QString& text);

} // namespace velta
