#pragma once

#include "page_model.h"

#include <QList>
#include <QPointF>

#include <optional>

namespace velta {

// The papers the composer lays an address side out on: the two postcard layouts and the
// vertical envelopes.
enum class CardLayout { Type1, Type2, Naga3, Naga4, Kaku2 };

// The address side's report template, box by box (Memo1 … Memo41), for a layout.
TfrxReport makeCardTemplate(CardLayout layout);

// What a layout's data file says beside its boxes.
struct LayoutFacts {
    QString name;          // 「はがき TYPE1」, 「封筒 長形3号」
    bool envelope = false; // the sender is printed on the front only when asked
    QPointF barcodeMm;     // the customer barcode's bottom-left corner on the paper
    double textScale = 1;  // the chosen sizes (set for a card) are multiplied by this
};
const LayoutFacts& layoutFacts(CardLayout layout);

const QList<CardLayout>& envelopeLayouts();
// A layout by its name (「封筒 長形3号」, 「はがき TYPE1」), the name's last word (「長形3号」,
// 「TYPE1」) or its short name (naga3, naga4, kaku2, hagaki1, hagaki2).
std::optional<CardLayout> layoutNamed(const QString& name);

} // namespace velta
