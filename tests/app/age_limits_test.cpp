#include "app/age_limits.h"

#include <gtest/gtest.h>

using namespace kp;

TEST(AgeField, BlanksAndControlCharactersAroundAWholeNumber)
{
    EXPECT_EQ(parseAgeField(" 7 "), 7);
    EXPECT_EQ(parseAgeField("\t12\r\n"), 12);
    EXPECT_EQ(parseAgeField(""), 0);
    EXPECT_EQ(parseAgeField("   "), 0);
    EXPECT_EQ(parseAgeField("+3"), 3);
    EXPECT_EQ(parseAgeField("400"), 400);
}

TEST(AgeField, AnythingElseIsNotANumber)
{
    for (const char* text : {"a", "7a", "1.5", "7 7", "+", "-", "99999999999", "0x10"})
        EXPECT_FALSE(parseAgeField(text).has_value()) << text;
}

TEST(AgeGroup, LimitsAndMessages)
{
    AgeLimit limit;
    EXPECT_FALSE(validateAgeGroup({"400", "23", "59"}, "Online Cache", limit));
    EXPECT_EQ(limit.days, 400);
    EXPECT_EQ(limit.minutes, 59);

    auto hours = validateAgeGroup({"0", "24", "0"}, "Online Cache", limit);
    ASSERT_TRUE(hours);
    EXPECT_EQ(*hours, "The Time Since Last Access is not valid \r\nfor \"Online Cache\".\r\n"
                      "You have Exceeded 23 Hours or 59 Mins.\r\nPlease correct and retry.");
    EXPECT_TRUE(validateAgeGroup({"0", "0", "60"}, "Offline Cache", limit));

    auto letter = validateAgeGroup({"x", "0", "0"}, "Offline Cache", limit);
    ASSERT_TRUE(letter);
    EXPECT_NE(letter->find("for \"Offline Cache\"."), std::string::npos);
    EXPECT_NE(letter->find("whole number"), std::string::npos);
}
