#include "core/CharacterInfo.h"

#include <gtest/gtest.h>

using namespace EditorCore;
using Scalar = CharacterInfo::ScalarInfo;

TEST(CharacterInfo, describesScalarsBytesAndKind)
{
    const struct
    {
        const char* name;
        std::u16string character;
        TextEncoding encoding;
        std::vector<Scalar> scalars;
        std::optional<std::string> bytes;
        std::optional<SuspiciousKind> kind;
    } cases[] = {
        {"letter A",
         u"A",
         TextEncoding::utf8,
         {{"U+0041", "LATIN CAPITAL LETTER A"}},
         "41",
         std::nullopt},
        {"no-break space in UTF-8",
         u"\u00A0",
         TextEncoding::utf8,
         {{"U+00A0", "NO-BREAK SPACE"}},
         "C2 A0",
         SuspiciousKind::noBreakSpace},
        {"no-break space in windows-1252",
         u"\u00A0",
         TextEncoding::windows1252,
         {{"U+00A0", "NO-BREAK SPACE"}},
         "A0",
         SuspiciousKind::noBreakSpace},
        {"tab has no name",
         u"\t",
         TextEncoding::utf8,
         {{"U+0009", "<control-0009>"}},
         "09",
         std::nullopt},
        {"private use has no name",
         u"\uE000",
         TextEncoding::utf8,
         {{"U+E000", "<control-E000>"}},
         "EE 80 80",
         std::nullopt},
        {"emoji above U+FFFF in UTF-16 LE without a mark",
         u"\U0001F600",
         TextEncoding::utf16LE,
         {{"U+1F600", "GRINNING FACE"}},
         "3D D8 00 DE",
         std::nullopt},
        {"byte-order mark is zero width here",
         u"\uFEFF",
         TextEncoding::utf16BE,
         {{"U+FEFF", "ZERO WIDTH NO-BREAK SPACE"}},
         "FE FF",
         SuspiciousKind::zeroWidth},
        {"Hangul syllable missing from ISO 8859-1",
         u"\uD55C",
         TextEncoding::isoLatin1,
         {{"U+D55C", "HANGUL SYLLABLE HAN"}},
         std::nullopt,
         std::nullopt},
        {"Hangul syllable in CP949",
         u"\uD55C",
         TextEncoding::cp949,
         {{"U+D55C", "HANGUL SYLLABLE HAN"}},
         "C7 D1",
         std::nullopt},
        {"C1 control has neither a name nor a corrected alias",
         u"\u0085",
         TextEncoding::utf8,
         {{"U+0085", "<control-0085>"}},
         "C2 85",
         SuspiciousKind::lineSeparator},
        {"letter with a combining accent has no kind",
         u"e\u0301",
         TextEncoding::utf8,
         {{"U+0065", "LATIN SMALL LETTER E"}, {"U+0301", "COMBINING ACUTE ACCENT"}},
         "65 CC 81",
         std::nullopt},
        {"flag",
         u"\U0001F1F0\U0001F1F7",
         TextEncoding::utf8,
         {{"U+1F1F0", "REGIONAL INDICATOR SYMBOL LETTER K"},
          {"U+1F1F7", "REGIONAL INDICATOR SYMBOL LETTER R"}},
         "F0 9F 87 B0 F0 9F 87 B7",
         std::nullopt},
        {"joined emoji list the joiner but have no kind",
         u"\U0001F468\u200D\U0001F469",
         TextEncoding::utf8,
         {{"U+1F468", "MAN"}, {"U+200D", "ZERO WIDTH JOINER"}, {"U+1F469", "WOMAN"}},
         "F0 9F 91 A8 E2 80 8D F0 9F 91 A9",
         std::nullopt},
        {"a lone joiner is zero width",
         u"\u200D",
         TextEncoding::utf8,
         {{"U+200D", "ZERO WIDTH JOINER"}},
         "E2 80 8D",
         SuspiciousKind::zeroWidth},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CharacterInfo info(c.character, c.encoding);
        EXPECT_EQ(info.character, c.character);
        EXPECT_EQ(info.scalars, c.scalars);
        EXPECT_EQ(info.bytes, c.bytes);
        EXPECT_EQ(info.suspicious, c.kind);
    }
}

TEST(CharacterInfo, unpairedSurrogateShowsItsUnitAndCannotBeEncoded)
{
    const CharacterInfo info(u"\xD800", TextEncoding::utf8);
    EXPECT_EQ(info.scalars, (std::vector<Scalar>{{"U+D800", "<control-D800>"}}));
    EXPECT_EQ(info.bytes, std::nullopt);
    EXPECT_EQ(info.suspicious, SuspiciousKind::replacementCharacter);
}
