#pragma once

#include "page_model.h"

namespace velta {

enum class CardLayout { Type1, Type2 };

// The address side's report template, box by box (Memo1 … Memo31), for a layout.
TfrxReport makeCardTemplate(CardLayout layout);

} // namespace velta
