#pragma once

#include <QList>
#include <QStringList>

#include "progress.h"

namespace velta {

class TDM;

// The column a search looks in, one per radio button of the list window.
enum class SearchColumn { Surname, Address1, Address2, Memo };

// The header row of the list: "KEY", "MKEY", "姓（苗字）", … "TEL".
QStringList listHeaders();

// Lines of the per-key statement of a listing (and the refill after an edit).
QStringList listingStatement();
// Lines of the per-key statement of a search, and the name of its text parameter.
QStringList searchStatement(SearchColumn column);
QString searchParameter(SearchColumn column);

// Reads the per-key statement's rows in key order (readInKeyOrder) and returns the grid rows
// (KEY, MKEY, surname, given name, reading, postal code, address 1, address 2, memo,
// telephone) of the recipients whose surname is not empty. With a text parameter its value
// is set to the pattern. A progress told the rows read so far may stop the reading: then
// nothing is returned.
QList<QStringList> listRecipients(TDM& dm, const QStringList& statement,
                                  const QString& textParameter = {}, const QString& pattern = {},
                                  const Progress& progress = {});

} // namespace velta
