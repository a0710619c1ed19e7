#include "postal_code.h"

#include <gtest/gtest.h>

using namespace velta;

TEST(PostalCode, SevenDigitsWithOrWithoutHyphenAreSpacedOut) {
    const QString expected = " 1  0  0  0  0  0  1 ";
    EXPECT_EQ(spacedPostalCode("1000001", false), expected);
    EXPECT_EQ(spacedPostalCode("100-0001", false), expected);
    EXPECT_EQ(spacedPostalCode("100-0001", true), expected);
    EXPECT_EQ(expected.size(), 21);
}

TEST(PostalCode, ShortCodesSecondHyphensAndEmptyCodes) {
    EXPECT_EQ(spacedPostalCode("123", false), " 1  2  3" + QString(9, ' '));
    // Only the first hyphen goes from the cell.
    EXPECT_EQ(spacedPostalCode("100-00-1", false).remove(' '), "10000-1");
    EXPECT_EQ(spacedPostalCode("", false), " 　" + QString(13, ' '));
    const QString placeholder = spacedPostalCode("", true);
    EXPECT_EQ(placeholder, QString(" 　  　  　  　  　  .   "));
    EXPECT_EQ(placeholder.size(), 20);
}
