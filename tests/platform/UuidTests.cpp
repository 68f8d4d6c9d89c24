#include "platform/Uuid.h"

#include <gtest/gtest.h>

#include <set>

using Platform::Uuid;

TEST(Uuid, textIsUpperCaseAndParsesEitherCase)
{
    auto upper = Uuid::parse("6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    auto lower = Uuid::parse("6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    ASSERT_TRUE(upper.has_value());
    EXPECT_EQ(upper, lower);
    EXPECT_EQ(lower->text(), "6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
}

TEST(Uuid, parseRefusesOtherForms)
{
    for (const char* text : {"",
                             "6BA7B8109DAD11D180B400C04FD430C8",
                             "{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}",
                             "6BA7B810-9DAD-11D1-80B4-00C04FD430C",
                             "6BA7B810-9DAD-11D1-80B4_00C04FD430C8",
                             "6BA7B810-9DAD-11D1-80B4-00C04FD430CG",
                             " 6BA7B810-9DAD-11D1-80B4-00C04FD430C"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Uuid::parse(text), std::nullopt);
    }
}

TEST(Uuid, randomIdentifiersAreVersionFourAndDistinct)
{
    std::set<Uuid> seen;
    for (int i = 0; i < 100; ++i) {
        auto uuid = Uuid::random();
        auto text = uuid.text();
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
        EXPECT_EQ(Uuid::parse(text), uuid);
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}
