#include "platform/FileBookmark.h"
#include "store/FileMemory.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace EditorStore;
using namespace std::chrono;
using EditorCore::TextEncoding;
namespace fs = std::filesystem;

namespace {

const sys_seconds noon = sys_days(2024y / May / 1) + 12h;

class FileMemoryTest : public testing::Test
{
protected:
    FileMemoryEntry stored(std::string path, sys_seconds chosenAt)
    {
        FileMemoryEntry entry;
        entry.path = std::move(path);
        entry.encoding = TextEncoding::cp949;
        entry.chosenAt = chosenAt;
        return entry;
    }

    void writeEntries(const std::vector<FileMemoryEntry>& entries)
    {
        fs::create_directories(memory.fileURL().parent_path());
        writeText(memory.fileURL(), FileMemory::encode(entries).value());
    }

    TemporaryFolder folder;
    FileMemory memory{folder / "support" / "app.orlune.viewer" / "FileMemory.json"};
};

} // namespace

TEST_F(FileMemoryTest, firstRecordingCreatesTheFileWithOneEntry)
{
    auto missing = folder / "gone" / "a.txt";
    EXPECT_EQ(memory.entry(missing), std::nullopt);
    EXPECT_EQ(memory.encoding(missing), std::nullopt);
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::shiftJIS, missing, noon + 400ms).has_value());
    // No bookmark can be made of a file that does not exist.
    EXPECT_EQ(fileText(memory.fileURL()),
              "{\n"
              "  \"entries\" : [\n"
              "    {\n"
              "      \"chosenAt\" : \"2024-05-01T12:00:00Z\",\n"
              "      \"encoding\" : \"shift_jis\",\n"
              "      \"path\" : \""
                  + std::regex_replace(missing.string(), std::regex("/"), "\\/")
                  + "\"\n"
                    "    }\n"
                    "  ],\n"
                    "  \"schemaVersion\" : 1\n"
                    "}");
    EXPECT_EQ(memory.encoding(missing), TextEncoding::shiftJIS);
}

TEST_F(FileMemoryTest, eachRecordingKeepsTheOtherHalfAndRenewsTheRest)
{
    auto file = folder / "notes.txt";
    writeText(file, "n");
    FileViewMemory view{"D2Coding", 13.5, std::nullopt, true};
    ASSERT_TRUE(memory.rememberView(view, file, noon).has_value());
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::eucKR, file, noon + 5s).has_value());
    auto entry = memory.entry(file);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->view, view);
    EXPECT_EQ(entry->encoding, TextEncoding::eucKR);
    EXPECT_EQ(entry->chosenAt, noon + 5s);
    EXPECT_EQ(entry->path, file.string());
    ASSERT_TRUE(entry->bookmark.has_value());
    EXPECT_EQ(Platform::FileBookmark::fromBytes(*entry->bookmark)->resolve(), file);

    // A view memory replaces the old one whole.
    FileViewMemory smaller{std::nullopt, 10.0, std::nullopt, std::nullopt};
    ASSERT_TRUE(memory.rememberView(smaller, file, noon + 9s).has_value());
    EXPECT_EQ(memory.view(file), smaller);
    EXPECT_EQ(memory.encoding(file), TextEncoding::eucKR);
    EXPECT_EQ(memory.load().size(), 1u);
}

TEST_F(FileMemoryTest, recordingAgainMovesTheEntryLast)
{
    auto a = folder / "a.txt", b = folder / "b.txt";
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::utf8, a, noon).has_value());
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::utf8, b, noon).has_value());
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::big5, a, noon + 1s).has_value());
    auto entries = memory.load();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, b.string());
    EXPECT_EQ(entries[1].path, a.string());
    EXPECT_EQ(entries[1].encoding, TextEncoding::big5);
}

TEST_F(FileMemoryTest, aRenamedFileIsFoundByItsBookmarkAndKeepsOneEntry)
{
    auto old = folder / "draft.txt", renamed = folder / "final.txt";
    writeText(old, "d");
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::gb18030, old, noon).has_value());
    fs::rename(old, renamed);

    auto found = memory.entry(renamed);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->path, old.string()); // as stored
    EXPECT_EQ(memory.encoding(renamed), TextEncoding::gb18030);

    ASSERT_TRUE(memory.rememberView(FileViewMemory{}, renamed, noon + 1s).has_value());
    auto entries = memory.load();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, renamed.string());
    EXPECT_EQ(entries[0].encoding, TextEncoding::gb18030);
}

TEST_F(FileMemoryTest, pathsAreStandardizedAndCanonicallyEquivalent)
{
    auto dotted = folder / "." / "docs" / ".." / "notes.txt";
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::utf16LE, dotted, noon).has_value());
    EXPECT_EQ(memory.load().at(0).path, (folder / "notes.txt").string());
    EXPECT_EQ(memory.encoding(folder / "notes.txt"), TextEncoding::utf16LE);

    auto composed = folder / "\xED\x95\x9C.txt";                           // 한, one syllable
    auto decomposed = folder / "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB.txt"; // its three jamo
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::cp949, composed, noon).has_value());
    EXPECT_EQ(memory.encoding(decomposed), TextEncoding::cp949);
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::eucKR, decomposed, noon).has_value());
    EXPECT_EQ(memory.load().size(), 2u);
}

TEST_F(FileMemoryTest, pastFiveHundredTheEarliestChoiceIsDropped)
{
    std::vector<FileMemoryEntry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back(stored("/f/" + std::to_string(i), noon + seconds(i == 250 ? -10 : i)));
    writeEntries(entries);

    // Already remembered: nothing is dropped and the list is not sorted.
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::utf8, "/f/7", noon - 1h).has_value());
    auto kept = memory.load();
    ASSERT_EQ(kept.size(), 500u);
    EXPECT_EQ(kept.back().path, "/f/7");
    EXPECT_EQ(kept.front().path, "/f/0");

    // A new file: /f/7 (an hour back) is now the earliest and goes.
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::utf8, "/f/new", noon + 1h).has_value());
    kept = memory.load();
    ASSERT_EQ(kept.size(), 500u);
    EXPECT_EQ(kept.back().path, "/f/new");
    EXPECT_EQ(kept.front().path, "/f/250");
    EXPECT_TRUE(std::none_of(kept.begin(), kept.end(), [](auto& e) { return e.path == "/f/7"; }));
}

TEST_F(FileMemoryTest, pruningKeepsEqualTimesInTheirOrder)
{
    std::vector<FileMemoryEntry> entries;
    for (int i = 0; i < 499; ++i)
        entries.push_back(stored("/f/" + std::to_string(i), noon - 1h));
    entries.push_back(stored("/f/earlier-written", noon));
    writeEntries(entries);
    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::utf8, "/f/later-written", noon).has_value());
    auto kept = memory.load();
    ASSERT_EQ(kept.size(), 500u);
    EXPECT_EQ(kept[498].path, "/f/earlier-written");
    EXPECT_EQ(kept[499].path, "/f/later-written");
    EXPECT_EQ(kept[0].path, "/f/1");
}

// One entry a later version wrote (an encoding this one does not know) used to empty the
// whole memory, and the next recording then wrote a file of one entry.
TEST_F(FileMemoryTest, anUnreadableEntryIsSkippedAndTheOthersKept)
{
    fs::create_directories(memory.fileURL().parent_path());
    writeText(memory.fileURL(), R"({"schemaVersion": 1, "extra": true, "entries": [
        {"path": "/a", "encoding": "utf-8", "chosenAt": "2024-05-01T12:00:00Z"},
        {"path": "/b", "encoding": "utf-7", "chosenAt": "2024-05-01T12:00:00Z"},
        {"path": "/c", "chosenAt": "2024-05-01T12:00:00.5Z"},
        {"path": "/d", "bookmark": "not base64!", "chosenAt": "2024-05-01T12:00:00Z"},
        {"path": "/e", "view": {"fontSize": "12"}, "chosenAt": "2024-05-01T12:00:00Z"},
        {"chosenAt": "2024-05-01T12:00:00Z"},
        7,
        {"path": "/f", "encoding": null, "view": {"ruler": false, "unknown": 1}, "bookmark": null,
         "chosenAt": "2024-05-01T12:00:00Z"}
    ]})");
    auto entries = memory.load();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, "/a");
    EXPECT_EQ(entries[1].path, "/f");
    EXPECT_EQ(entries[1].view, (FileViewMemory{std::nullopt, std::nullopt, std::nullopt, false}));
    EXPECT_EQ(memory.encoding("/a"), TextEncoding::utf8);

    ASSERT_TRUE(memory.rememberEncoding(TextEncoding::cp949, "/g", noon).has_value());
    EXPECT_EQ(memory.load().size(), 3u);
}

TEST_F(FileMemoryTest, aDamagedFileReadsAsEmpty)
{
    fs::create_directories(memory.fileURL().parent_path());
    for (const char* text : {"",
                             "[]",
                             R"({"entries": []})",
                             R"({"schemaVersion": 1})",
                             R"({"schemaVersion": 1, "entries": {}})",
                             "{\"schemaVersion\": 1,"}) {
        SCOPED_TRACE(text);
        writeText(memory.fileURL(), text);
        EXPECT_TRUE(memory.load().empty());
    }
}

TEST_F(FileMemoryTest, anEmptyViewMemoryIsAnEmptyObject)
{
    ASSERT_TRUE(memory.rememberView(FileViewMemory{}, "/v.txt", noon).has_value());
    EXPECT_NE(fileText(memory.fileURL()).find("\"view\" : {}"), std::string::npos);
    EXPECT_EQ(memory.view("/v.txt"), FileViewMemory{});
    EXPECT_EQ(memory.encoding("/v.txt"), std::nullopt);
}

TEST_F(FileMemoryTest, aRecordingFailsWhenTheFolderCannotBeMade)
{
    writeText(folder / "support", "a file where the folder should be");
    EXPECT_FALSE(memory.rememberEncoding(TextEncoding::utf8, "/x", noon).has_value());
}

TEST(FileMemoryDefault, livesInTheApplicationFolder)
{
    EXPECT_EQ(FileMemory().fileURL().filename(), "FileMemory.json");
    EXPECT_EQ(FileMemory::defaultFileURL().parent_path().filename(), "app.orlune.viewer");
}
