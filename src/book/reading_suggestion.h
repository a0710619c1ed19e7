#pragma once

#include "kana.h"

#include <QString>

namespace velta {

// A reading (ふりがな) suggested for a name that has none, for the user to review: kana as
// full-width katakana, kanji through the Japanese morphological dictionary (MeCab with its IPA
// dictionary, which knows Japanese surnames and given names), Latin letters kept as written.
// `complete` is false when a part has no reading there (a rare kanji, 𠮷): the reading then
// keeps that part as written and must not be stored as it is.
struct SuggestedReading {
    QString reading;
    bool complete = false;
    QString unread; // the parts left as written
};
SuggestedReading suggestReading(const QString& surname, const QString& givenName);

} // namespace velta
