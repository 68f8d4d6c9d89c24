#include "core/TextTidy.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditorCore;
using TextTidy::Failure;

namespace {

const Failure invalidXML{std::nullopt, std::nullopt, Failure::Reason::invalidXML};

} // namespace

TEST(TextTidyXML, laysOutElementsAndKeepsTheDeclarationWithCRLF)
{
    const std::u16string text =
        u"<?xml version='1.0' encoding='Shift_JIS' standalone='yes'?>\r\n"
        u"<root a='1'  b=\"2\"><item>one &amp; two</item>\r\n<item/><empty></empty></root>\r\n";
    const auto result = TextTidy::prettyXML(text, u"\r\n");
    ASSERT_TRUE(result.has_value()) << result.error();
    EXPECT_EQ(*result,
              u"<?xml version='1.0' encoding='Shift_JIS' standalone='yes'?>\r\n"
              u"<root a='1'  b=\"2\">\r\n"
              u"    <item>one &amp; two</item>\r\n"
              u"    <item/>\r\n"
              u"    <empty></empty>\r\n"
              u"</root>\r\n");
}

TEST(TextTidyXML, keepsContentAsWrittenApartFromLayout)
{
    const struct
    {
        const char* name;
        std::u16string text;
        std::u16string expected;
    } cases[] = {
        {"character references and entities stay references",
         u"<a><b>&#233;&#x41;&lt;&gt;&quot;&apos;</b></a>",
         u"<a>\n    <b>&#233;&#x41;&lt;&gt;&quot;&apos;</b>\n</a>"},
        {"mixed content is kept on its line",
         u"<p>Hello <b>bold</b>  <i>x</i>\n end</p>",
         u"<p>Hello <b>bold</b>  <i>x</i>\n end</p>"},
        {"CDATA makes content",
         u"<a>\n  <![CDATA[ <x> ]]>\n  <b/>\n</a>",
         u"<a>\n  <![CDATA[ <x> ]]>\n  <b/>\n</a>"},
        {"comments and instructions get lines",
         u"<!-- top --><a><!-- in --><?pi x?><b/></a>",
         u"<!-- top -->\n<a>\n    <!-- in -->\n    <?pi x?>\n    <b/>\n</a>"},
        {"white space only element stays", u"<a>   </a>", u"<a>   </a>"},
        {"no declaration is added",
         u"<a><b><c/></b></a>",
         u"<a>\n    <b>\n        <c/>\n    </b>\n</a>"},
        {"quoted greater-than in attributes",
         u"<a x=\"1 > 0\" y='/>'><b/></a>",
         u"<a x=\"1 > 0\" y='/>'>\n    <b/>\n</a>"},
        {"doctype with internal subset",
         u"<!DOCTYPE a [<!ENTITY e \"]>\"><!-- ] > -->]><a>&e;</a>",
         u"<!DOCTYPE a [<!ENTITY e \"]>\"><!-- ] > -->]>\n<a>&e;</a>"},
        {"characters outside the BMP",
         u"<a>\n<b>\U0001F600</b></a>",
         u"<a>\n    <b>\U0001F600</b>\n</a>"},
        {"byte-order mark stays in front", u"\uFEFF<a><b/></a>", u"\uFEFF<a>\n    <b/>\n</a>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = TextTidy::prettyXML(c.text, u"\n");
        ASSERT_TRUE(result.has_value()) << result.error();
        EXPECT_EQ(*result, c.expected);
    }
}

TEST(TextTidyXML, layoutIsStableWhenRepeated)
{
    const std::u16string text = u"<?xml version=\"1.0\"?><a><b><c>t</c><d/></b><!--x--></a>\n";
    const auto once = TextTidy::prettyXML(text, u"\n");
    ASSERT_TRUE(once.has_value());
    EXPECT_EQ(TextTidy::prettyXML(*once, u"\n"), *once);
}

TEST(TextTidyXML, refusesWhatIsNotWellFormed)
{
    using namespace std::string_view_literals;
    for (std::u16string_view text : {
             u""sv,
             u"plain text"sv,
             u"<a><b></a></b>"sv,
             u"<a>"sv,
             u"<a/><b/>"sv,
             u"<a>&undefined;</a>"sv,
             u"<a x='1' x='2'/>"sv,
             u"<a>\u0001</a>"sv,
             u"<a/>\0\0"sv,
         }) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const auto result = TextTidy::prettyXML(text, u"\n");
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), invalidXML);
    }
}

TEST(TextTidyXML, neverLoadsExternalEntities)
{
    // Reading /dev/zero would never end (the test would hang); the entity stays a reference.
    const std::u16string text =
        u"<!DOCTYPE a SYSTEM \"http://example.invalid/a.dtd\" [<!ENTITY z SYSTEM \"/dev/zero\">"
        u"<!ENTITY % p SYSTEM \"/dev/zero\"> %p;]><a>&z;</a>";
    const auto result = TextTidy::prettyXML(text, u"\n");
    ASSERT_TRUE(result.has_value()) << result.error();
    EXPECT_NE(result->find(u"<a>&z;</a>"), std::u16string::npos);
}
