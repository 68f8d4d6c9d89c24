#include "app/documents/DocumentReading.h"
#include "core/DiskIdentity.h"
#include "core/EncodingDetector.h"
#include "core/Indentation.h"
#include "core/LineIndex.h"
#include "core/TextCodec.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace EditorDocuments;
using EditorCore::EncodingSource;
using EditorCore::TextEncoding;

namespace {

class DocumentReadingTest : public ::testing::Test
{
protected:
    DocumentReading::Environment environment(std::uint64_t threshold = 100ULL << 20)
    {
        DocumentReading::Environment env;
        env.largeFileThreshold = threshold;
        env.fileMemory.entry =
            [this](const std::filesystem::path& path) -> std::optional<RememberedFile> {
            lookedUp.push_back(path);
            if (remembered)
                return RememberedFile{remembered};
            return std::nullopt;
        };
        env.isWritable = [this](const std::filesystem::path&) { return writable; };
        return env;
    }

    TemporaryFolder folder;
    std::optional<TextEncoding> remembered;
    std::vector<std::filesystem::path> lookedUp;
    bool writable = true;
};

// What a read found against what the whole decoded text says: the same text, format, lines,
// breaks and indentation, each computed here from the text as one string.
void expectReadAsWhole(const Loaded& read, const Loaded& expected)
{
    const std::u16string text = expected.text.text();
    EXPECT_EQ(read.format, expected.format);
    EXPECT_TRUE(read.text.text() == text) << "the texts differ";
    EXPECT_EQ(read.lines, EditorCore::LineIndex(text));
    EXPECT_EQ(read.lineEndings, EditorCore::LineEndingSummary(text));
    EXPECT_EQ(read.indentStyle,
              EditorCore::Indentation::detect(text, DocumentReading::indentationLineLimit));
}

} // namespace

TEST_F(DocumentReadingTest, fileAtTheThresholdIsReadWholeOneByteMoreIsLarge)
{
    constexpr std::uint64_t threshold = 70'000;
    const std::string atThreshold(threshold, 'a');
    writeBytes(folder / "at.txt", atThreshold);
    writeBytes(folder / "over.txt", atThreshold + "b");

    auto at = DocumentReading::readFile(folder / "at.txt", environment(threshold));
    ASSERT_TRUE(at.has_value());
    const auto* text = std::get_if<DocumentReading::OrdinaryText>(&*at);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->loaded.text.length(), static_cast<std::int64_t>(threshold));
    ASSERT_TRUE(text->diskIdentity.has_value());
    EXPECT_TRUE(text->diskIdentity->contentHash.has_value());

    lookedUp.clear();
    auto over = DocumentReading::readFile(folder / "over.txt", environment(threshold));
    ASSERT_TRUE(over.has_value());
    const auto* large = std::get_if<DocumentReading::LargeFile>(&*over);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->state, (LargeFileState{folder / "over.txt", threshold + 1, 0, false}));
    EXPECT_FALSE(large->binaryHead.has_value());
    EXPECT_EQ(large->format.encoding, TextEncoding::utf8);
    ASSERT_TRUE(large->format.guess.has_value());
    ASSERT_TRUE(large->diskIdentity.has_value());
    EXPECT_FALSE(large->diskIdentity->contentHash.has_value()) << "no hash for a large file";
    EXPECT_EQ(lookedUp.size(), 1u) << "the large head is detected once, with the memory's hint";
}

TEST_F(DocumentReadingTest, thresholdIsTheSettingInMebibytes)
{
    EXPECT_EQ(DocumentReading::largeFileThreshold(1), 1'048'576u);
    EXPECT_EQ(DocumentReading::largeFileThreshold(100), 104'857'600u);
    EXPECT_FALSE(DocumentReading::isLargeFile(104'857'600, 104'857'600));
    EXPECT_TRUE(DocumentReading::isLargeFile(104'857'601, 104'857'600));
}

TEST_F(DocumentReadingTest, largeBinaryHeadKeepsItsFirst512Bytes)
{
    std::string bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += static_cast<char>(i % 7); // mostly control characters and zeros
    writeBytes(folder / "large.bin", bytes);
    auto read = DocumentReading::readFile(folder / "large.bin", environment(1000));
    ASSERT_TRUE(read.has_value());
    const auto* large = std::get_if<DocumentReading::LargeFile>(&*read);
    ASSERT_NE(large, nullptr);
    ASSERT_TRUE(large->binaryHead.has_value());
    EXPECT_EQ(*large->binaryHead, bytesOf(std::string_view(bytes).substr(0, 512)));
    EXPECT_EQ(large->format, (FileFormat{TextEncoding::isoLatin1, false, std::nullopt}));
}

TEST_F(DocumentReadingTest, binaryFileKeepsItsHeadAndOpensWithoutError)
{
    struct Case
    {
        const char* name;
        std::size_t length;
    };
    for (const Case c : {Case{"longer than the head", 3000}, Case{"shorter than the head", 100}}) {
        SCOPED_TRACE(c.name);
        std::string bytes;
        for (std::size_t i = 0; i < c.length; ++i)
            bytes += static_cast<char>(i % 5);
        writeBytes(folder / "data.bin", bytes);
        auto read = DocumentReading::readFile(folder / "data.bin", environment());
        ASSERT_TRUE(read.has_value());
        const auto* notText = std::get_if<DocumentReading::NotText>(&*read);
        ASSERT_NE(notText, nullptr);
        EXPECT_EQ(notText->head.size(), std::min<std::size_t>(c.length, 512));
        EXPECT_EQ(notText->head, bytesOf(std::string_view(bytes).substr(0, notText->head.size())));
        EXPECT_EQ(notText->format, (FileFormat{TextEncoding::isoLatin1, false, std::nullopt}));
        EXPECT_TRUE(notText->diskIdentity.has_value());
        EXPECT_TRUE(lookedUp.empty()) << "the memory is not asked for a file that is not text";
    }
}

TEST_F(DocumentReadingTest, rememberedEncodingIsTheSecondDetectionsHint)
{
    writeBytes(folder / "latin.txt", "caf\xE9 cr\xE8me\n");

    auto plain = DocumentReading::readFile(folder / "latin.txt", environment());
    ASSERT_TRUE(plain.has_value());
    const auto& unhinted = std::get<DocumentReading::OrdinaryText>(*plain).loaded;
    ASSERT_TRUE(unhinted.format.guess.has_value());
    EXPECT_NE(unhinted.format.guess->source, EncodingSource::fileMemory);
    ASSERT_EQ(lookedUp.size(), 1u);
    EXPECT_EQ(lookedUp[0], folder / "latin.txt");

    remembered = TextEncoding::macRoman;
    auto hinted = DocumentReading::readFile(folder / "latin.txt", environment());
    ASSERT_TRUE(hinted.has_value());
    const auto& loaded = std::get<DocumentReading::OrdinaryText>(*hinted).loaded;
    EXPECT_EQ(loaded.format.encoding, TextEncoding::macRoman);
    ASSERT_TRUE(loaded.format.guess.has_value());
    EXPECT_EQ(loaded.format.guess->source, EncodingSource::fileMemory);
}

TEST_F(DocumentReadingTest, notWritableFileReadsWithTheFlagDown)
{
    writeBytes(folder / "locked.txt", "text\n");
    writable = false;
    auto read = DocumentReading::readFile(folder / "locked.txt", environment());
    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE(std::get<DocumentReading::OrdinaryText>(*read).isWritable);
}

TEST_F(DocumentReadingTest, missingFileFailsTheWholeRead)
{
    auto read = DocumentReading::readFile(folder / "missing.txt", environment());
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().stage, DocumentReading::ReadError::Stage::wholeFile);
    EXPECT_EQ(read.error().size, 0u);
    EXPECT_EQ(std::get<std::error_code>(read.error().cause),
              std::make_error_code(std::errc::no_such_file_or_directory));
}

TEST_F(DocumentReadingTest, textAndFormatFollowTheDecoderThatSucceeded)
{
    // Valid UTF-8 through the detection sample, an invalid byte after it: UTF-8 is detected,
    // ISO Latin-1 decodes.
    std::string bytes;
    while (bytes.size() < 70'000)
        bytes += "\xED\x95\x9C\xEA\xB8\x80 text\n"; // 한글
    bytes += "\xFF end\n";

    struct Case
    {
        const char* name;
        std::string prefix;
        EncodingSource source;
    };
    for (const auto& c : {Case{"no mark", "", EncodingSource::utf8Strict},
                          Case{"UTF-8 mark", "\xEF\xBB\xBF", EncodingSource::bom}}) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "mixed.txt", c.prefix + bytes);
        auto read = DocumentReading::readFile(folder / "mixed.txt", environment());
        ASSERT_TRUE(read.has_value());
        const auto& loaded = std::get<DocumentReading::OrdinaryText>(*read).loaded;
        EXPECT_EQ(loaded.format.encoding, TextEncoding::isoLatin1);
        ASSERT_TRUE(loaded.format.guess.has_value());
        EXPECT_EQ(loaded.format.guess->encoding, TextEncoding::utf8);
        EXPECT_EQ(loaded.format.guess->source, c.source);
        // The Latin-1 reading has no mark: the three bytes are part of its text.
        EXPECT_FALSE(loaded.format.hasByteOrderMark);
        EXPECT_EQ(loaded.text.length(), static_cast<std::int64_t>(c.prefix.size() + bytes.size()));
    }
}

TEST(DocumentReading, decodeTriesCandidatesInOrderThenLatin1)
{
    const auto hangul = bytesOf("\xB0\xA1\xB3\xAA"); // 가나 in EUC-KR; not UTF-8
    const std::vector<TextEncoding> candidates{
        TextEncoding::utf8, TextEncoding::eucKR, TextEncoding::utf16LE};
    auto decoded = DocumentReading::decodeLoaded(hangul, TextEncoding::utf8, candidates, false);
    EXPECT_EQ(decoded.encoding, TextEncoding::eucKR);
    EXPECT_EQ(decoded.text, u"가나");

    auto last =
        DocumentReading::decodeLoaded(bytesOf("\xFF\xFE\xFD"), TextEncoding::utf8, {}, false);
    EXPECT_EQ(last.encoding, TextEncoding::isoLatin1);
    EXPECT_EQ(last.text, u"\u00FF\u00FE\u00FD");
}

TEST(DocumentReading, markFlagFollowsTheEncodingThatDecoded)
{
    // A UTF-16LE mark on bytes that are not valid UTF-16LE (odd length) fall back to Latin-1.
    auto fallback = DocumentReading::decodeLoaded(bytesOf(std::string("\xFF\xFE"
                                                                      "a",
                                                                      3)),
                                                  TextEncoding::utf16LE,
                                                  {},
                                                  true);
    EXPECT_EQ(fallback.encoding, TextEncoding::isoLatin1);
    EXPECT_FALSE(fallback.hasByteOrderMark);
    EXPECT_EQ(fallback.text, u"\u00FF\u00FEa");

    auto marked =
        DocumentReading::decodeLoaded(bytesOf("\xEF\xBB\xBFhi"), TextEncoding::utf8, {}, true);
    EXPECT_TRUE(marked.hasByteOrderMark);
    EXPECT_EQ(marked.text, u"hi");
}

TEST(DocumentReading, reloadWithEncodingStripsOnlyItsOwnMark)
{
    auto marked = DocumentReading::reloadWithEncoding(bytesOf(std::string("\xFF\xFEh\0i\0", 6)),
                                                      TextEncoding::utf16LE);
    ASSERT_TRUE(marked.has_value());
    EXPECT_EQ(marked->text.text(), u"hi");
    EXPECT_TRUE(marked->format.hasByteOrderMark);
    ASSERT_TRUE(marked->format.guess.has_value());
    EXPECT_EQ(marked->format.guess->source, EncodingSource::userChoice);
    EXPECT_TRUE(marked->format.guess->hasByteOrderMark);
    EXPECT_TRUE(marked->format.guess->candidates.empty());

    auto unmarked = DocumentReading::reloadWithEncoding(bytesOf(std::string("h\0i\0", 4)),
                                                        TextEncoding::utf16LE);
    ASSERT_TRUE(unmarked.has_value());
    EXPECT_EQ(unmarked->text.text(), u"hi");
    EXPECT_FALSE(unmarked->format.hasByteOrderMark);

    auto wrong = DocumentReading::reloadWithEncoding(bytesOf("\xFF\xFF\xFF"), TextEncoding::utf8);
    EXPECT_FALSE(wrong.has_value());
}

TEST(DocumentReading, readDataRefusesBinaryAndCountsEndings)
{
    auto text = DocumentReading::readData(bytesOf("a\r\nb\n    c\r\n"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->lineEndings.crlf, 2);
    EXPECT_EQ(text->lineEndings.lf, 1);
    ASSERT_TRUE(text->indentStyle.has_value());
    EXPECT_FALSE(text->indentStyle->usesTabs);

    std::string binary(100, '\0');
    auto refused = DocumentReading::readData(bytesOf(binary));
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error(), EditorCore::DocumentError::binary());
}

// Files longer than one piece, with a character split at the first piece's end, read the same
// as the whole bytes do: text, format and the content hash.
TEST_F(DocumentReadingTest, fileReadInPiecesReadsAsTheWholeBytes)
{
    const std::size_t piece = DocumentReading::readPieceLength;
    // `filler` repeated to just before the piece's end, then `straddling` across it, then a tail.
    auto around = [&](std::string prefix,
                      std::string filler,
                      std::string straddling,
                      std::size_t before,
                      std::string tail) {
        std::string bytes = std::move(prefix);
        while (bytes.size() + filler.size() < piece - before)
            bytes += filler;
        while (bytes.size() < piece - before)
            bytes += filler.substr(0, 1);
        return bytes + straddling + tail;
    };
    // `prefix`, then `filler` repeated (padded with `pad`) with `straddling[k]` across the end
    // of piece k, `before[k]` of its bytes in piece k; then a tail.
    auto acrossPieces = [&](std::string prefix,
                            std::string filler,
                            std::string pad,
                            std::vector<std::string> straddling,
                            std::vector<std::size_t> before,
                            std::string tail) {
        std::string bytes = std::move(prefix);
        for (std::size_t k = 0; k < straddling.size(); ++k) {
            const std::size_t end = (k + 1) * piece - before[k];
            while (bytes.size() + filler.size() <= end)
                bytes += filler;
            while (bytes.size() < end)
                bytes += pad;
            bytes += straddling[k];
        }
        for (int i = 0; i < 1000; ++i)
            bytes += filler;
        return bytes + tail;
    };
    struct Case
    {
        const char* name;
        std::string bytes;
        TextEncoding encoding; // of the text that results
    };
    const std::string hangul = "\xED\x95\x9C"; // 한
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string utf16Pair("\x3D\xD8\x00\xDE", 4); // U+1F600 in UTF-16LE
    const std::vector<Case> cases{
        {"UTF-8, 3-byte character split after 1",
         around("", "ab\r\n", hangul, 1, "z\n"),
         TextEncoding::utf8},
        {"UTF-8, 3-byte character split after 2",
         around("", "ab\n", hangul, 2, "z\n"),
         TextEncoding::utf8},
        {"UTF-8, 4-byte character split after 3",
         around("", "a\n", emoji, 3, "z\n"),
         TextEncoding::utf8},
        {"UTF-8 mark, character at the end",
         around("\xEF\xBB\xBF", "x\n", hangul, 0, ""),
         TextEncoding::utf8},
        {"UTF-16LE mark, pair split between its halves",
         around("\xFF\xFE", std::string("a\0\n\0", 4), utf16Pair, 2, std::string("z\0", 2)),
         TextEncoding::utf16LE},
        {"UTF-8 sample, bad byte in a later piece",
         around("", "abc\n", "\xFF", 0, "tail\n"),
         TextEncoding::isoLatin1},
        {"UTF-8 that ends in the middle of a character",
         around("", "abc\n", "\xED\x95", 0, ""),
         TextEncoding::isoLatin1},
        {"file of exactly one piece", std::string(piece, 'q'), TextEncoding::utf8},
        // Files of several pieces, whose hash is taken beside the decode: a character, a CR LF
        // and a mark-less pair across every border.
        {"UTF-8 of five pieces, characters and CR LF across the borders",
         acrossPieces("", "ab c\n", " ", {hangul, "\r\n", emoji, "\r\n"}, {1, 1, 2, 1}, "end\r"),
         TextEncoding::utf8},
        {"UTF-8 of five pieces, bad byte in the fourth",
         acrossPieces("", "ab c\n", " ", {hangul, emoji, "\xFF", "\r\n"}, {2, 3, 0, 1}, "end\n"),
         TextEncoding::isoLatin1},
        {"UTF-16LE of four pieces, pairs and CR LF across the borders",
         acrossPieces("\xFF\xFE",
                      std::string("a\0\r\0\n\0", 6),
                      std::string(" \0", 2),
                      {utf16Pair, std::string("\r\0\n\0", 4), utf16Pair},
                      {2, 2, 2},
                      std::string("z\0", 2)),
         TextEncoding::utf16LE},
        {"Shift_JIS of four pieces, decoded whole",
         acrossPieces("",
                      "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\r\n",
                      " ",
                      {"\x95\xb6", "\x8f\x91", "\x95\xdb"},
                      {1, 1, 1},
                      "\x91\xb6\r\n"),
         TextEncoding::shiftJIS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "pieces.txt", c.bytes);
        auto read = DocumentReading::readFile(folder / "pieces.txt", environment());
        ASSERT_TRUE(read.has_value());
        const auto& text = std::get<DocumentReading::OrdinaryText>(*read);

        const auto whole = bytesOf(c.bytes);
        auto guess = EditorCore::EncodingDetector::detect(whole, std::nullopt);
        ASSERT_NE(guess.textGuess(), nullptr);
        const auto expected = DocumentReading::loadedFrom(whole, *guess.textGuess());
        EXPECT_EQ(text.loaded.format.encoding, c.encoding);
        expectReadAsWhole(text.loaded, expected);
        EXPECT_EQ(text.diskIdentity,
                  EditorCore::DiskIdentity::read(folder / "pieces.txt",
                                                 EditorCore::DiskIdentity::documentHashLimit));
    }
}

// Pieces of a few bytes put a border inside every character and between every CR and LF: each
// encoding read piece by piece (a mark or none, the last character cut off or whole) gives what
// the whole bytes give. (The wide forms carry their mark: without one, their zero bytes make
// the file not text.) The first piece always holds detection's sample; the text is repeated
// past it so that the later pieces cut it everywhere.
TEST_F(DocumentReadingTest, filesReadInPiecesOfAFewBytesReadAsTheWholeBytes)
{
    using EditorCore::AddByteOrderMark;
    using EditorCore::TextCodec::encode;
    const std::u16string unicode = u"ab \uD55C\uAD6D \U0001F600\r\n\rx\n\t\u00E9\r";
    const std::u16string latin = u"caf\u00E9 \u00FF\r\n\r\n\tx\ry\n";
    struct Case
    {
        TextEncoding encoding;
        std::u16string text;
        AddByteOrderMark mark;
        std::size_t cut; // bytes dropped from the end
    };
    const std::vector<Case> cases{
        {TextEncoding::utf8, unicode, AddByteOrderMark::no, 0},
        {TextEncoding::utf8, unicode, AddByteOrderMark::yes, 0},
        {TextEncoding::utf8, unicode, AddByteOrderMark::no, 1},
        {TextEncoding::utf16LE, unicode, AddByteOrderMark::yes, 0},
        {TextEncoding::utf16LE, unicode, AddByteOrderMark::yes, 1},
        {TextEncoding::utf16BE, unicode, AddByteOrderMark::yes, 0},
        {TextEncoding::utf16BE, unicode, AddByteOrderMark::yes, 3},
        {TextEncoding::utf32LE, unicode, AddByteOrderMark::yes, 0},
        {TextEncoding::utf32BE, unicode, AddByteOrderMark::yes, 2},
        {TextEncoding::windows1252, latin + u"\u20AC", AddByteOrderMark::no, 0},
        {TextEncoding::isoLatin1, latin, AddByteOrderMark::no, 0},
        {TextEncoding::macRoman, latin + u"\u2211", AddByteOrderMark::no, 0},
        {TextEncoding::shiftJIS, u"\u65E5\u672C\u8A9E\r\n\uFF76\r", AddByteOrderMark::no, 1},
    };
    for (const auto& c : cases) {
        auto unit = encode(c.text, c.encoding, AddByteOrderMark::no);
        ASSERT_TRUE(unit.has_value());
        auto bytes = *encode(c.text, c.encoding, c.mark);
        while (bytes.size() < EditorCore::EncodingDetector::sampleLength + 3 * unit->size())
            bytes.insert(bytes.end(), unit->begin(), unit->end());
        bytes.resize(bytes.size() - c.cut);
        writeBytes(folder / "pieces.txt", std::string(bytes.begin(), bytes.end()));
        remembered = c.encoding;
        const auto guess = EditorCore::EncodingDetector::detect(bytes, remembered);
        ASSERT_NE(guess.textGuess(), nullptr);
        const auto expected = DocumentReading::loadedFrom(bytes, *guess.textGuess());
        const auto identity = EditorCore::DiskIdentity::read(
            folder / "pieces.txt", EditorCore::DiskIdentity::documentHashLimit);
        for (std::size_t length : {1, 2, 3, 5, 7, 16, 17}) {
            SCOPED_TRACE(testing::Message()
                         << c.encoding << ", mark " << (c.mark == AddByteOrderMark::yes) << ", cut "
                         << c.cut << ", pieces of " << length);
            auto env = environment();
            env.pieceLength = length;
            auto read = DocumentReading::readFile(folder / "pieces.txt", env);
            ASSERT_TRUE(read.has_value());
            ASSERT_TRUE(std::holds_alternative<DocumentReading::OrdinaryText>(*read));
            const auto& text = std::get<DocumentReading::OrdinaryText>(*read);
            expectReadAsWhole(text.loaded, expected);
            EXPECT_EQ(text.diskIdentity, identity);
        }
    }
}

// The head of a large file is a sample cut from longer data: a character split at its end
// does not make a UTF-8 file look like something else.
TEST_F(DocumentReadingTest, largeFileHeadIsDetectedAsACutSample)
{
    std::string bytes;
    while (bytes.size() < DocumentReading::largeFileHeadLength - 1)
        bytes += "a";
    bytes += "\xED\x95\x9C"; // split by the head's end after its first byte
    bytes += std::string(200'000, 'b');
    writeBytes(folder / "big.txt", bytes);
    auto read = DocumentReading::readFile(folder / "big.txt", environment(100'000));
    ASSERT_TRUE(read.has_value());
    const auto& large = std::get<DocumentReading::LargeFile>(*read);
    EXPECT_EQ(large.format.encoding, TextEncoding::utf8);
    ASSERT_TRUE(large.format.guess.has_value());
    EXPECT_EQ(large.format.guess->source, EncodingSource::utf8Strict);
}

TEST_F(DocumentReadingTest, largeFileHeadSplitInsideACharacterKeepsItsEncoding)
{
    // Shift_JIS two-byte characters after one ASCII byte: the head's last byte is a lead byte.
    const std::string sentence = "\x82\xB1\x82\xEA\x82\xCD\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65"
                                 "\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7\x81\x42";
    std::string bytes = "x";
    while (bytes.size() < 80'000)
        bytes += sentence;
    ASSERT_EQ(DocumentReading::largeFileHeadLength % 2, 0u);
    writeBytes(folder / "large.txt", bytes);

    auto read = DocumentReading::readFile(folder / "large.txt", environment(70'000));
    ASSERT_TRUE(read.has_value());
    const auto* large = std::get_if<DocumentReading::LargeFile>(&*read);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->format.encoding, TextEncoding::shiftJIS);
}

// Text all below U+0100 costs one byte per unit in memory, whichever way its file was read;
// other characters widen only the chunks that hold them.
TEST_F(DocumentReadingTest, textsBelowU0100AreKeptOneBytePerUnit)
{
    std::string log;
    while (log.size() < 3 * DocumentReading::readPieceLength)
        log += "2026-12-11 03:00:00.000 INFO  [worker-3] request served\r\n";
    struct Case
    {
        const char* name;
        std::string bytes;
        std::optional<TextEncoding> remembered;
        bool allNarrow;
    };
    const std::vector<Case> cases{
        {"ASCII UTF-8", log, std::nullopt, true},
        {"UTF-8 with a few accents", log + "caf\xC3\xA9\n" + log, std::nullopt, true},
        {"ISO Latin-1", log + "caf\xE9 \xFF\n" + log, TextEncoding::isoLatin1, true},
        {"Windows-1252 with a euro sign", log + "\x80 5\n" + log, TextEncoding::windows1252, false},
        {"UTF-8 with one Hangul line", log + "\xED\x95\x9C\n" + log, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(folder / "narrow.txt", c.bytes);
        remembered = c.remembered;
        auto read = DocumentReading::readFile(folder / "narrow.txt", environment());
        ASSERT_TRUE(read.has_value());
        const auto& loaded = std::get<DocumentReading::OrdinaryText>(*read).loaded;
        const auto stats = loaded.text.stats();
        ASSERT_GT(stats.chunks, 100);
        if (c.allNarrow) {
            EXPECT_EQ(stats.narrowChunks, stats.chunks);
            EXPECT_EQ(stats.textBytes, loaded.text.length());
        } else {
            // Only the chunk around the wide character.
            EXPECT_GE(stats.narrowChunks, stats.chunks - 2);
            EXPECT_LT(stats.narrowChunks, stats.chunks);
        }
        const auto whole = bytesOf(c.bytes);
        auto guess = EditorCore::EncodingDetector::detect(whole, remembered);
        ASSERT_NE(guess.textGuess(), nullptr);
        expectReadAsWhole(loaded, DocumentReading::loadedFrom(whole, *guess.textGuess()));
    }
}

// A reload decodes the bytes it holds piece by piece too: characters and CR LF across the
// borders, and bytes that do not decode in a later piece, give what one decode of the whole
// bytes gives.
TEST(DocumentReading, reloadWithEncodingInPiecesReadsAsOneDecode)
{
    using EditorCore::AddByteOrderMark;
    const std::u16string line = u"ab \uD55C \U0001F600 caf\u00E9\r\n";
    struct Case
    {
        const char* name;
        TextEncoding encoding;
        AddByteOrderMark mark;
        std::size_t shift; // dots before the repeated lines, to move every border
        bool spoil;        // an undecodable byte in the third piece
    };
    const std::vector<Case> cases{
        {"UTF-8", TextEncoding::utf8, AddByteOrderMark::no, 0, false},
        {"UTF-8 shifted by one", TextEncoding::utf8, AddByteOrderMark::no, 1, false},
        {"UTF-8 shifted by two dots, mark", TextEncoding::utf8, AddByteOrderMark::yes, 2, false},
        {"UTF-8 spoiled late", TextEncoding::utf8, AddByteOrderMark::no, 0, true},
        {"UTF-16LE, mark", TextEncoding::utf16LE, AddByteOrderMark::yes, 0, false},
        {"UTF-16BE shifted by one dot", TextEncoding::utf16BE, AddByteOrderMark::no, 1, false},
        {"UTF-32LE", TextEncoding::utf32LE, AddByteOrderMark::no, 0, false},
        {"Shift_JIS, decoded whole", TextEncoding::shiftJIS, AddByteOrderMark::no, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string text = c.encoding == TextEncoding::shiftJIS
                                        ? std::u16string(u"\u65E5\u672C\u8A9E abc\r\n")
                                        : line;
        auto bytes = *EditorCore::TextCodec::encode(text, c.encoding, c.mark);
        const auto unit = *EditorCore::TextCodec::encode(text, c.encoding, AddByteOrderMark::no);
        const auto shift = *EditorCore::TextCodec::encode(
            std::u16string(c.shift, u'.'), c.encoding, AddByteOrderMark::no);
        bytes.insert(bytes.end(), shift.begin(), shift.end());
        while (bytes.size() < 3 * DocumentReading::readPieceLength + 1000)
            bytes.insert(bytes.end(), unit.begin(), unit.end());
        if (c.spoil)
            bytes[2 * DocumentReading::readPieceLength + 500] = 0xFF;

        const auto mark = EditorCore::byteOrderMark(c.encoding);
        const bool marked = !mark.empty() && EditorCore::TextCodec::hasPrefix(mark, bytes);
        const auto whole = EditorCore::TextCodec::decode(
            bytes,
            c.encoding,
            marked ? EditorCore::StripByteOrderMark::yes : EditorCore::StripByteOrderMark::no);
        auto reloaded = DocumentReading::reloadWithEncoding(bytes, c.encoding);
        ASSERT_EQ(reloaded.has_value(), whole.has_value());
        if (!whole)
            continue;
        EXPECT_EQ(reloaded->format.hasByteOrderMark, marked);
        EXPECT_TRUE(reloaded->text.text() == *whole) << "the texts differ";
        EXPECT_EQ(reloaded->lines, EditorCore::LineIndex(*whole));
        EXPECT_EQ(reloaded->lineEndings, EditorCore::LineEndingSummary(*whole));
    }
}

TEST(DocumentReading, latin1LoadedShowsEveryByteAsItsUnit)
{
    std::vector<std::uint8_t> bytes;
    for (int round = 0; round < 40; ++round) {
        for (int b = 0; b < 256; ++b)
            bytes.push_back(static_cast<std::uint8_t>((b * 7 + round) % 256));
    }
    const auto loaded = DocumentReading::latin1Loaded(bytes);
    const std::u16string expected(bytes.begin(), bytes.end());
    EXPECT_TRUE(loaded.text.text() == expected);
    EXPECT_EQ(loaded.lines, EditorCore::LineIndex(expected)); // CR, LF and NEL (0x85) end lines
    EXPECT_EQ(loaded.lineEndings, EditorCore::LineEndingSummary(expected));
    EXPECT_EQ(loaded.format.encoding, TextEncoding::isoLatin1);
    EXPECT_FALSE(loaded.format.guess.has_value());
    EXPECT_EQ(loaded.text.stats().narrowChunks, loaded.text.stats().chunks);
}
