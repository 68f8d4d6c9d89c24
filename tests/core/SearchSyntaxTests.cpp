#include "core/SearchSyntax.h"

#include <unicode/unistr.h>

#include <gtest/gtest.h>

using namespace EditorCore;

namespace {

std::string utf8(std::u16string_view text)
{
    std::string out;
    icu::UnicodeString(false, text.data(), static_cast<int32_t>(text.size())).toUTF8String(out);
    return out;
}

} // namespace

TEST(SearchSyntax, templateExpansionFollowsTheEngineRulesWithoutFailing)
{
    // "ab=cd" with one group over "ab" (0, 2); the whole match is (0, 3).
    const std::u16string text = u"ab=cd";
    const std::optional<SearchMatch> oneGroup[] = {SearchMatch{0, 3}, SearchMatch{0, 2}};
    struct Case
    {
        const char* name;
        std::u16string_view replacementTemplate;
        std::u16string_view expected;
    };
    const Case cases[] = {
        {"group one", u"[$1]", u"[ab]"},
        {"whole match", u"<$0>", u"<ab=>"},
        {"missing group is empty", u"x$5y", u"xy"},
        {"dollar before a letter", u"$x", u"$x"},
        {"trailing dollar", u"a$", u"a$"},
        {"braces are literal", u"${1}", u"${1}"},
        {"digits only while a group number", u"$12", u"ab2"},
        {"zero then digit becomes group one", u"$01", u"ab"},
        {"backslash quotes dollar", u"\\$1", u"$1"},
        {"backslash quotes backslash", u"\\\\$1", u"\\ab"},
        {"backslash quotes a letter", u"\\n", u"n"},
        {"trailing backslash stays", u"a\\", u"a\\"},
        {"plain text", u"no refs", u"no refs"},
        {"empty", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8(SearchSyntax::expandTemplate(c.replacementTemplate, text, oneGroup)),
                  utf8(c.expected));
    }
}

TEST(SearchSyntax, groupsThatTookNoPartExpandToNothing)
{
    const std::u16string text = u"b";
    const std::optional<SearchMatch> groups[] = {
        SearchMatch{0, 1}, std::nullopt, SearchMatch{0, 1}};
    EXPECT_EQ(SearchSyntax::expandTemplate(u"[$1][$2]", text, groups), u"[][b]");
    // With twelve groups "$12" is group twelve.
    std::vector<std::optional<SearchMatch>> many(13, SearchMatch{0, 1});
    many[1] = std::nullopt;
    EXPECT_EQ(SearchSyntax::expandTemplate(u"$12|$1", text, many), u"b|");
}

TEST(SearchSyntax, escapingQuotesPunctuationOnly)
{
    EXPECT_EQ(SearchSyntax::escapedPattern(u"a.b"), u"a\\.b");
    EXPECT_EQ(SearchSyntax::escapedPattern(u"\\E(x)"), u"\\\\E\\(x\\)");
    EXPECT_EQ(SearchSyntax::escapedPattern(u"한 글 1"), u"한 글 1");
    EXPECT_EQ(SearchSyntax::wholeWordPattern(u"cat|dog"), u"\\b(?:cat|dog)\\b");
}
