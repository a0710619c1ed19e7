#include "vertical_orientation.h"

#include <unicode/uchar.h>

namespace velta {

VerticalOrientation verticalOrientation(char32_t character) {
    // Japanese text sets the unit marks of JIS X 0208 upright (JIS X 4051), where Unicode's
    // default for these Latin-1 and general punctuation characters turns them.
    if (character == U'°' || character == U'′' || character == U'″')
        return VerticalOrientation::Upright;
    switch (u_getIntPropertyValue(static_cast<UChar32>(character), UCHAR_VERTICAL_ORIENTATION)) {
    case U_VO_UPRIGHT:
        return VerticalOrientation::Upright;
    case U_VO_TRANSFORMED_UPRIGHT:
        return VerticalOrientation::TransformedUpright;
    case U_VO_TRANSFORMED_ROTATED:
        return VerticalOrientation::TransformedRotated;
    default:
        return VerticalOrientation::Rotated;
    }
}

} // namespace velta
