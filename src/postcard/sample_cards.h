#pragma once

#include "recipient_record.h"
#include "sender_store.h"

#include <QList>

namespace velta {

// Real-looking recipients that try the composer: one- to four-character surnames, long foreign
// and historical names, five 連名, a 連名 written with the family's name, a company with its
// departments and a title, a company alone, a long address with its building. The sample tool
// prints them; the ink checks measure them.
QList<CardRecipient> sampleRecipients();
SenderRecord sampleSender();

} // namespace velta
