#include "name_block.h"

#include <gtest/gtest.h>

using namespace velta;

namespace {

const NameBlockRegion kRegion{10.6, 5.6}; // the TYPE1 card at 20 points, in ems

NameColumnLengths name(double family, double given, double honorific = 1) {
    return {family, given, honorific};
}

} // namespace

TEST(NameBlock, GapsAreFixedAndGivenNamesAndHonorificsShareTheirLines) {
    for (const double family : {1.0, 2.0, 3.0, 4.0}) {
        const NameBlockPlan plan = planNameBlock({name(family, 3)}, 0, kRegion, false);
        ASSERT_TRUE(plan.fits);
        EXPECT_EQ(plan.scale, 1);
        EXPECT_EQ(plan.condense, 1);
        EXPECT_DOUBLE_EQ(plan.givenTop - plan.familyLength, kFamilyGivenGap);
        EXPECT_DOUBLE_EQ(plan.honorificTop, family + kFamilyGivenGap + 3 + kGivenHonorificGap);
    }
    // A 連名 longer than the addressee's 名 moves every 敬称 down, one line for all.
    const NameBlockPlan joint =
        planNameBlock({name(2, 2), name(0, 5), name(0, 2)}, 0, kRegion, false);
    EXPECT_DOUBLE_EQ(joint.givenTop, 2 + kFamilyGivenGap);
    EXPECT_DOUBLE_EQ(joint.honorificTop, 2 + kFamilyGivenGap + 5 + kGivenHonorificGap);
    EXPECT_DOUBLE_EQ(joint.pitch, kPreferredPitch);
    // A name without 名 runs on where given names stand.
    const NameBlockPlan alone = planNameBlock({name(7, 0)}, 0, kRegion, false);
    EXPECT_DOUBLE_EQ(alone.honorificTop, 7 + kGivenHonorificGap);
}

TEST(NameBlock, TooLongIsCondensedFirstThenSmallerAndRefusedBelowTheFloor) {
    // 9.9 ems over 10.6 at full size: fits as it is.
    EXPECT_EQ(planNameBlock({name(4, 3.15)}, 0, kRegion, false).condense, 1);
    // 14 ems: 長体 only.
    const NameBlockPlan condensed = planNameBlock({name(12, 0)}, 0, kRegion, false);
    ASSERT_TRUE(condensed.fits);
    EXPECT_EQ(condensed.scale, 1);
    EXPECT_NEAR(condensed.condense, 10.6 / 14, 1e-9);
    EXPECT_NEAR(condensed.honorificTop + 1 * condensed.condense, 10.6, 1e-9);
    // 20 ems: 長体 at its floor, then smaller both ways.
    const NameBlockPlan smaller = planNameBlock({name(18, 0)}, 0, kRegion, false);
    ASSERT_TRUE(smaller.fits);
    EXPECT_EQ(smaller.condense, kCondenseFloor);
    EXPECT_NEAR(smaller.scale, 10.6 / (20 * kCondenseFloor), 1e-9);
    // 37 ems: below the legible floor, refused.
    EXPECT_FALSE(planNameBlock({name(35, 0)}, 0, kRegion, false).fits);
}

TEST(NameBlock, ColumnsCloseUpThenShrinkAcrossAndTooManyDoNotFit) {
    const QVector<NameColumnLengths> six(6, name(2, 2));
    const NameBlockPlan plan = planNameBlock(six, 0, kRegion, false);
    ASSERT_TRUE(plan.fits);
    EXPECT_NEAR(plan.pitch * 5 + plan.scale, kRegion.width, 1e-9); // the width, no more
    EXPECT_GE(plan.pitch / plan.scale, kClosestPitch - 1e-9);
    EXPECT_LT(plan.scale, 1);
    const QVector<NameColumnLengths> many(12, name(2, 2));
    EXPECT_FALSE(planNameBlock(many, 0, kRegion, false).fits);
}

TEST(NameBlock, TitleStandsSmallAboveAndSpreadFillsTheColumn) {
    const NameBlockPlan titled = planNameBlock({name(2, 2)}, 2, kRegion, false);
    EXPECT_DOUBLE_EQ(titled.familyTop, 2 * kTitleScale + kTitleGap);
    const NameBlockPlan spread = planNameBlock({name(2, 2)}, 0, kRegion, true);
    EXPECT_TRUE(spread.spread);
    EXPECT_NEAR(spread.honorificTop + 1, kRegion.length, 1e-9); // 敬称 at the column's foot
    EXPECT_NEAR(spread.familyLength, spread.givenLength, 1e-9); // 姓 and 名 stretched alike
    EXPECT_GT(spread.familyLength, 2);
}
