#include "name_block.h"

#include <algorithm>

namespace velta {

NameBlockPlan planNameBlock(const QVector<NameColumnLengths>& columns, double title,
                            const NameBlockRegion& region, bool spread) {
    NameBlockPlan plan;
    const qsizetype count = std::max<qsizetype>(columns.size(), 1);

    // Across: the columns at the preferred pitch, closer when the width is short, then smaller.
    double scale = 1, pitch = kPreferredPitch;
    if (count > 1) {
        const double room = (region.width - 1) / double(count - 1);
        pitch = std::min(kPreferredPitch, room);
        if (room < kClosestPitch) {
            pitch = kClosestPitch;
            scale = region.width / (kClosestPitch * double(count - 1) + 1);
        }
    } else if (region.width < 1) {
        scale = region.width;
    }

    // Along, at full size: a column without a given name runs on where given names stand.
    double family = 0, honorific = 0;
    for (const NameColumnLengths& column : columns) {
        if (column.given > 0)
            family = std::max(family, column.family);
        honorific = std::max(honorific, column.honorific);
    }
    const double familyTop = title > 0 ? title * kTitleScale + kTitleGap : 0;
    const double givenTop = familyTop + family + (family > 0 ? kFamilyGivenGap : 0);
    double givenEnd = givenTop;
    for (const NameColumnLengths& column : columns)
        givenEnd = std::max(givenEnd,
                            column.given > 0 ? givenTop + column.given : familyTop + column.family);
    const double honorificGap = honorific > 0 ? kGivenHonorificGap : 0;
    const double total = givenEnd + honorificGap + honorific;

    // Too long: 長体 first, then smaller both ways down to the floor.
    double condense = 1;
    if (total > 0 && scale * total > region.length) {
        condense = region.length / (scale * total);
        if (condense < kCondenseFloor) {
            condense = kCondenseFloor;
            scale = std::min(scale, region.length / (condense * total));
        }
    }
    plan.fits = scale >= kScaleFloor - 1e-9;
    scale = std::max(scale, kScaleFloor);
    plan.scale = scale;
    plan.condense = condense;
    plan.pitch = pitch * scale;

    const double along = scale * condense;
    double stretch = 1;
    const double body = givenEnd - familyTop;
    if (spread && condense == 1 && body > 0) {
        const double room = region.length / scale - familyTop - honorificGap - honorific;
        stretch = std::max(1.0, room / body);
        plan.spread = true;
    }
    plan.titleTop = 0;
    plan.familyTop = familyTop * along;
    plan.familyLength = family * stretch * along;
    plan.givenTop = (familyTop + (givenTop - familyTop) * stretch) * along;
    plan.givenLength = (givenEnd - givenTop) * stretch * along;
    plan.honorificTop = (familyTop + body * stretch + honorificGap) * along;
    return plan;
}

} // namespace velta
