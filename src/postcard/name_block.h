#pragma once

#include <QVector>

namespace velta {

// One column of an address's name block as lengths along the column in ems at the chosen size:
// the main name, or a 連名 (family 0 when it shares the main name's family).
struct NameColumnLengths {
    double family = 0, given = 0, honorific = 0;
};

// Where a name block's parts stand: every length in ems of the chosen size, from the region's
// top along the column (already multiplied by `along`) and from the main column's axis across.
struct NameBlockPlan {
    bool fits = false;
    double scale = 1;    // of the chosen size, both ways
    double condense = 1; // 長体: glyphs and gaps narrowed down the column only
    double titleTop = 0, familyTop = 0, givenTop = 0, honorificTop = 0;
    double familyLength = 0, givenLength = 0; // the segments each column's parts fill
    bool spread = false;                      // 均等割付: parts spread over their segments
    double pitch = 0;                         // between column axes, across
};

struct NameBlockRegion {
    double length = 0; // down the column, ems at the chosen size
    double width = 0;  // across, for every column of the block, ems at the chosen size
};

// Plans a block: 役職 (`title`, in ems at the chosen size before it is set small) above the
// main name, 姓, a fixed gap, 名, a gap, 敬称 — one size for all; the given names of every column
// begin on one line and every 敬称 stands on one line. Too long: 長体 first, then smaller both
// ways, never below the legible floor (then it does not fit). `spread`: 姓 and 名 fill the
// column (均等割付). More columns than the width holds at the floor: it does not fit.
NameBlockPlan planNameBlock(const QVector<NameColumnLengths>& columns, double title,
                            const NameBlockRegion& region, bool spread);

// The gaps and limits the plan keeps, in ems (exposed for the checks that measure cards).
constexpr double kFamilyGivenGap = 0.75, kGivenHonorificGap = 1.0, kTitleGap = 0.5;
constexpr double kTitleScale = 0.5;
constexpr double kCondenseFloor = 0.7, kScaleFloor = 0.6;
constexpr double kPreferredPitch = 1.5, kClosestPitch = 1.2;

} // namespace velta
