#include "core/ByteForms.h"
#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorCore;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::initializer_list<int> values)
{
    Bytes result;
    for (int value : values)
        result.push_back(static_cast<std::uint8_t>(value));
    return result;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::u16string decoded(const Bytes& bytes, TextEncoding encoding)
{
    auto text = TextCodec::decode(bytes, encoding, StripByteOrderMark::no);
    EXPECT_TRUE(text) << text.error();
    return text ? *text : std::u16string();
}

// A file read, then saved in its own encoding with the forms it came with.
Bytes saved(std::u16string_view text, TextEncoding encoding, const ByteForms& forms)
{
    auto bytes = TextCodec::encode(text, encoding, AddByteOrderMark::no, forms);
    EXPECT_TRUE(bytes) << bytes.error();
    return bytes ? *bytes : Bytes{};
}

// Every sequence of one, two (and for EUC-JP three) bytes that decodes to one character but
// does not come back from encoding it with the table alone.
std::vector<Bytes> oneWaySequences(TextEncoding encoding)
{
    std::vector<Bytes> result;
    auto check = [&](const Bytes& bytes) {
        auto text = TextCodec::decode(bytes, encoding, StripByteOrderMark::no);
        if (!text)
            return false;
        auto back = TextCodec::encode(*text, encoding, AddByteOrderMark::no);
        if (!back || *back != bytes)
            result.push_back(bytes);
        return true;
    };
    for (int first = 0; first < 256; ++first) {
        if (check(bytesOf({first})))
            continue;
        for (int second = 0; second < 256; ++second) {
            if (encoding == TextEncoding::eucJP && first == 0x8F) {
                for (int third = 0; third < 256; ++third)
                    check(bytesOf({first, second, third}));
            } else {
                check(bytesOf({first, second}));
            }
        }
    }
    return result;
}

const Bytes sjisNearlyEqual = bytesOf({0x87, 0x90});      // U+2252 in NEC row 13
const Bytes sjisNearlyEqualTable = bytesOf({0x81, 0xE0}); // the form the table writes
const Bytes sjisNihongo = bytesOf({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA});

} // namespace

TEST(ByteForms, everyOneWaySequenceRoundTripsAloneInAFile)
{
    for (auto encoding : {TextEncoding::cp949,
                          TextEncoding::eucKR,
                          TextEncoding::shiftJIS,
                          TextEncoding::eucJP,
                          TextEncoding::gb18030,
                          TextEncoding::big5,
                          TextEncoding::windows1252,
                          TextEncoding::isoLatin1,
                          TextEncoding::macRoman}) {
        SCOPED_TRACE(rawValue(encoding));
        const auto sequences = oneWaySequences(encoding);
        EXPECT_EQ(ByteForms::hasSeveralForms(encoding), !sequences.empty());
        for (const auto& file : sequences) {
            const auto text = decoded(file, encoding);
            const auto forms = ByteForms::read(file, text, encoding);
            ASSERT_EQ(forms.kept().size(), 1u) << forms;
            EXPECT_TRUE(forms.mixed().empty());
            EXPECT_EQ(saved(text, encoding, forms), file) << forms;
        }
    }
    EXPECT_FALSE(ByteForms::hasSeveralForms(TextEncoding::utf8));
    EXPECT_FALSE(ByteForms::hasSeveralForms(TextEncoding::utf16LE));
}

TEST(ByteForms, aFileKeepsItsFormsThroughEditsElsewhere)
{
    const Bytes file = bytesOf({'A'}) + sjisNearlyEqual + sjisNihongo + bytesOf({'\r', '\n'})
                       + sjisNearlyEqual + bytesOf({'B'});
    const auto text = decoded(file, TextEncoding::shiftJIS);
    const auto forms = ByteForms::read(file, text, TextEncoding::shiftJIS);
    EXPECT_EQ(saved(text, TextEncoding::shiftJIS, forms), file);

    // An edit at the front, one in the middle, one at the end: only those bytes change.
    std::u16string edited = u"x" + text;
    edited.insert(edited.find(u'\r'), u"yz");
    edited += u"!";
    const Bytes expected = bytesOf({'x', 'A'}) + sjisNearlyEqual + sjisNihongo
                           + bytesOf({'y', 'z', '\r', '\n'}) + sjisNearlyEqual
                           + bytesOf({'B', '!'});
    EXPECT_EQ(saved(edited, TextEncoding::shiftJIS, forms), expected);

    // The file's form is the document's form of the character, typed ones included.
    EXPECT_EQ(saved(u"\u2252", TextEncoding::shiftJIS, forms), sjisNearlyEqual);
    // Without the forms, or in another encoding, the table decides.
    EXPECT_EQ(saved(u"\u2252", TextEncoding::shiftJIS, {}), sjisNearlyEqualTable);
    EXPECT_EQ(saved(u"\u2252", TextEncoding::eucJP, forms), bytesOf({0xA2, 0xE2}));
}

TEST(ByteForms, eucJPSequencesTheTableCannotEncodeStillSave)
{
    const Bytes sequences[] = {bytesOf({0x8E, 0xE0}),
                               bytesOf({0x8E, 0xE1}),
                               bytesOf({0x8E, 0xE2}),
                               bytesOf({0x8F, 0xA2, 0xC3})};
    for (const auto& sequence : sequences) {
        const Bytes file = bytesOf({'a'}) + sequence + bytesOf({0xC6, 0xFC, '\n'}) + sequence;
        const auto text = decoded(file, TextEncoding::eucJP);
        EXPECT_FALSE(TextCodec::encode(text, TextEncoding::eucJP, AddByteOrderMark::no));
        const auto forms = ByteForms::read(file, text, TextEncoding::eucJP);
        EXPECT_EQ(saved(text, TextEncoding::eucJP, forms), file);

        // What else cannot be written is still named, and only that.
        const std::u16string withHangul = text + u"\uD55C";
        auto refused =
            TextCodec::encode(withHangul, TextEncoding::eucJP, AddByteOrderMark::no, forms);
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error(), TextCodecError::unencodable(TextEncoding::eucJP, {u"\uD55C"}));
    }
}

TEST(ByteForms, twoFormsOfOneCharacterGiveTheTableForm)
{
    // Read whole and in two pieces whose border falls between the two forms.
    const Bytes first = bytesOf({'a'}) + sjisNearlyEqualTable + sjisNihongo;
    const Bytes second = sjisNearlyEqual + bytesOf({'b'});
    const Bytes file = first + second;
    const auto text = decoded(file, TextEncoding::shiftJIS);

    ByteForms::Reader reader(TextEncoding::shiftJIS);
    reader.add(first, decoded(first, TextEncoding::shiftJIS));
    reader.add(second, decoded(second, TextEncoding::shiftJIS));
    const auto forms = ByteForms::read(file, text, TextEncoding::shiftJIS);
    EXPECT_EQ(reader.result(), forms);

    EXPECT_TRUE(forms.kept().empty()) << forms;
    EXPECT_EQ(forms.mixed(), std::vector<char16_t>{u'\u2252'});
    EXPECT_EQ(saved(text, TextEncoding::shiftJIS, forms),
              bytesOf({'a'}) + sjisNearlyEqualTable + sjisNihongo + sjisNearlyEqualTable
                  + bytesOf({'b'}));

    // The save that would change bytes names the character while the text has it.
    EXPECT_EQ(forms.rewrittenCharacters(text, 8), std::vector<std::u16string>{u"\u2252"});
    EXPECT_TRUE(forms.rewrittenCharacters(u"ab", 8).empty());
    auto accepted = forms;
    accepted.acceptTableForms();
    EXPECT_TRUE(accepted.rewrittenCharacters(text, 8).empty());

    // Two forms neither of which the table writes (NEC 87 9A and IBM FA 5B for U+2235).
    const Bytes nonTable = bytesOf({0x87, 0x9A, 0xFA, 0x5B});
    const auto becauseText = decoded(nonTable, TextEncoding::shiftJIS);
    const auto becauseForms = ByteForms::read(nonTable, becauseText, TextEncoding::shiftJIS);
    EXPECT_EQ(becauseForms.mixed(), std::vector<char16_t>{u'\u2235'});
    EXPECT_EQ(saved(becauseText, TextEncoding::shiftJIS, becauseForms),
              bytesOf({0x81, 0xE6, 0x81, 0xE6}));
}

TEST(ByteForms, decodeNotesTheFormsOnEveryPath)
{
    // Small files go through ICU, large ones through the double-byte table, which watches
    // for forms other than the table's instead of looking at the text again.
    struct Case
    {
        const char* name;
        Bytes tail;
        std::vector<ByteForm> kept;
        std::vector<char16_t> mixed;
    };
    const Case cases[] = {
        {"NEC form", sjisNearlyEqual, {{u'\u2252', 2, {0x87, 0x90, 0}}}, {}},
        {"table form", sjisNearlyEqualTable, {}, {}},
        {"both forms", sjisNearlyEqualTable + sjisNearlyEqual, {}, {u'\u2252'}},
    };
    for (std::size_t size : {std::size_t(100), std::size_t(5) << 20}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(size) + " bytes");
            Bytes file;
            const Bytes line = sjisNihongo + bytesOf({'\n'});
            while (file.size() < size)
                file.insert(file.end(), line.begin(), line.end());
            file.insert(file.end(), c.tail.begin(), c.tail.end());
            ByteForms::Reader reader(TextEncoding::shiftJIS);
            auto text =
                TextCodec::decode(file, TextEncoding::shiftJIS, StripByteOrderMark::no, reader);
            ASSERT_TRUE(text);
            const auto forms = reader.result();
            EXPECT_EQ(forms.kept(), c.kept);
            EXPECT_EQ(forms.mixed(), c.mixed);
            EXPECT_EQ(forms, ByteForms::read(file, *text, TextEncoding::shiftJIS));
            if (c.mixed.empty()) {
                EXPECT_EQ(saved(*text, TextEncoding::shiftJIS, forms), file);
            }
        }
    }
    // A reader of another encoding notes nothing.
    ByteForms::Reader eucJP(TextEncoding::eucJP);
    ASSERT_TRUE(
        TextCodec::decode(sjisNearlyEqual, TextEncoding::shiftJIS, StripByteOrderMark::no, eucJP));
    EXPECT_TRUE(eucJP.result().isEmpty());
}
