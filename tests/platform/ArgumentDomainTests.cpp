#include "platform/ArgumentDomain.h"

#include <gtest/gtest.h>

#include <vector>

namespace ArgumentDomain = Platform::ArgumentDomain;

TEST(ArgumentDomain, takesDashNameValuePairs)
{
    std::vector<std::string> arguments = {"file.txt",
                                          "-view.theme",
                                          "dark",
                                          "-editor.indent.width",
                                          "8",
                                          "-",
                                          "x",
                                          "-view.theme",
                                          "light",
                                          "-dangling"};
    std::map<std::string, std::string> expected = {{"view.theme", "light"},
                                                   {"editor.indent.width", "8"}};
    EXPECT_EQ(ArgumentDomain::parse(arguments), expected);
}

TEST(ArgumentDomain, valueMayLookLikeAnOption)
{
    std::vector<std::string> arguments = {"-a", "-b", "-c", "3"};
    std::map<std::string, std::string> expected = {{"a", "-b"}, {"c", "3"}};
    EXPECT_EQ(ArgumentDomain::parse(arguments), expected);
}

TEST(ArgumentDomain, processArgumentsAreReadOnce)
{
    // The test runner passes no "-name value" pairs of its own.
    const auto& first = ArgumentDomain::processArguments();
    EXPECT_EQ(&first, &ArgumentDomain::processArguments());
}
