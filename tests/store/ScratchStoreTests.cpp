#include "store/ScratchStore.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace EditorStore;
using namespace std::chrono;
namespace fs = std::filesystem;
using Platform::Uuid;

namespace {

const sys_seconds firstSave = sys_days(2024y / May / 1) + 12h + 34min + 56s;

Uuid uuid(const char* text)
{
    return *Uuid::parse(text);
}

class ScratchStoreTest : public testing::Test
{
protected:
    fs::path text(const Uuid& which) const { return store.directory() / (which.text() + ".txt"); }
    fs::path meta(const Uuid& which) const { return store.directory() / (which.text() + ".json"); }

    TemporaryFolder folder;
    ScratchStore store{folder / "app" / "Scratch"};
    Uuid id = uuid("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
};

} // namespace

TEST(ScratchStoreTitle, followsTheFirstLineRules)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        std::optional<std::u16string> title;
    };
    const Case cases[] = {
        {"blanks trimmed", u"  Shopping list  \nmilk", u"Shopping list"},
        {"25 letters cut to 20", u"abcdefghijklmnopqrstuvwxy", u"abcdefghijklmnopqrst"},
        {"CR LF", u"a\r\nb", u"a"},
        {"CR", u"a\rb", u"a"},
        {"line separator", u"a\u2028b", u"a"},
        {"paragraph separator does not end the line", u"a\u2029b", u"a\u2029b"},
        {"next line does not end the line", u"a\u0085b", u"a\u0085b"},
        {"tab and no-break space trimmed", u"\t\u00A0title\u3000", u"title"},
        {"only blanks and breaks", u" \t\n\n  ", std::nullopt},
        {"empty first line", u"\nsecond", std::nullopt},
        {"a blank as the 20th character stays",
         u"abcdefghijklmnopqrs tuv",
         u"abcdefghijklmnopqrs "},
        {"combining marks are one character",
         u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"
         u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301xyz",
         u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"
         u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"},
        {"emoji sequences are one character",
         std::u16string(19, u'a') + u"\U0001F468\u200D\U0001F469\u200D\U0001F467b",
         std::u16string(19, u'a') + u"\U0001F468\u200D\U0001F469\u200D\U0001F467"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScratchStore::title(c.text), c.title);
    }
}

TEST_F(ScratchStoreTest, saveWritesTextAndSortedMetadata)
{
    ASSERT_TRUE(
        store.save(id, u"/tmp/x 한글\r\nsecond", firstSave + 300ms, "/home/a/b.txt").has_value());
    EXPECT_EQ(fileText(text(id)), "/tmp/x 한글\r\nsecond");
    EXPECT_EQ(fileText(meta(id)),
              "{\n"
              "  \"createdAt\" : \"2024-05-01T12:34:56Z\",\n"
              "  \"id\" : \"6BA7B810-9DAD-41D1-80B4-00C04FD430C8\",\n"
              "  \"origin\" : \"\\/home\\/a\\/b.txt\",\n"
              "  \"schemaVersion\" : 1,\n"
              "  \"title\" : \"\\/tmp\\/x 한글\",\n"
              "  \"updatedAt\" : \"2024-05-01T12:34:56Z\"\n"
              "}");
    EXPECT_EQ(store.readText(id), u"/tmp/x 한글\r\nsecond");

    ScratchMeta expected;
    expected.id = id;
    expected.createdAt = firstSave;
    expected.updatedAt = firstSave;
    expected.title = u"/tmp/x 한글";
    expected.origin = "/home/a/b.txt";
    EXPECT_EQ(store.meta(id), expected);
    EXPECT_EQ(store.list(), (std::vector<ScratchEntry>{{id, expected}}));
}

TEST_F(ScratchStoreTest, secondSaveKeepsCreationAndOrigin)
{
    ASSERT_TRUE(store.save(id, u"first", firstSave, "/origin.txt").has_value());
    ASSERT_TRUE(store.save(id, u"  \n", firstSave + 90s).has_value());
    auto meta = store.meta(id);
    ASSERT_TRUE(meta.has_value());
    EXPECT_EQ(meta->createdAt, firstSave);
    EXPECT_EQ(meta->updatedAt, firstSave + 90s);
    EXPECT_EQ(meta->origin, "/origin.txt");
    EXPECT_EQ(meta->title, std::nullopt);
    EXPECT_EQ(store.readText(id), u"  \n");
    ASSERT_TRUE(store.save(id, u"third", firstSave + 100s, "/new.txt").has_value());
    EXPECT_EQ(store.meta(id)->origin, "/new.txt");
}

TEST_F(ScratchStoreTest, emptyTextRemovesBothFilesAndNeverFails)
{
    ASSERT_TRUE(store.save(id, u"kept", firstSave).has_value());
    ASSERT_TRUE(store.save(id, u"", firstSave).has_value());
    EXPECT_FALSE(fs::exists(text(id)));
    EXPECT_FALSE(fs::exists(meta(id)));
    EXPECT_TRUE(store.list().empty());

    ScratchStore untouched{folder / "never"};
    EXPECT_TRUE(untouched.save(id, u"", firstSave).has_value());
    EXPECT_FALSE(fs::exists(folder / "never"));
    untouched.remove(id);
}

TEST_F(ScratchStoreTest, listKeepsOnlyIdentifierTextFilesInCreationOrder)
{
    auto early = uuid("00000000-0000-4000-8000-000000000002");
    auto sameSecondB = uuid("B0000000-0000-4000-8000-000000000000");
    auto sameSecondA = uuid("A0000000-0000-4000-8000-000000000000");
    auto noMeta = uuid("F0000000-0000-4000-8000-000000000000");
    auto damaged = uuid("E0000000-0000-4000-8000-000000000000");
    ASSERT_TRUE(store.save(sameSecondB, u"b", firstSave + 10s).has_value());
    ASSERT_TRUE(store.save(sameSecondA, u"a", firstSave + 10s + 500ms).has_value());
    ASSERT_TRUE(store.save(early, u"e", firstSave).has_value());
    writeText(store.directory() / (noMeta.text() + ".txt"), "no meta");
    writeText(store.directory() / (damaged.text() + ".txt"), "damaged meta");
    writeText(store.directory() / (damaged.text() + ".json"), "{\"id\": 3}");
    writeText(store.directory() / "notes.txt", "not an identifier");
    writeText(store.directory() / "C0000000-0000-4000-8000-000000000000.TXT", "capital extension");
    writeText(store.directory() / "D0000000-0000-4000-8000-000000000000.json", "metadata alone");

    auto listed = store.list();
    std::vector<Uuid> order;
    for (const auto& entry : listed)
        order.push_back(entry.id);
    EXPECT_EQ(order, (std::vector<Uuid>{damaged, noMeta, early, sameSecondA, sameSecondB}));
    EXPECT_FALSE(listed[0].meta.has_value());
    EXPECT_FALSE(listed[1].meta.has_value());
    EXPECT_TRUE(listed[2].meta.has_value());
}

TEST_F(ScratchStoreTest, metadataReadingRules)
{
    fs::create_directories(store.directory());
    writeText(text(id), "x");
    struct Case
    {
        const char* name;
        const char* json;
        bool readable;
    };
    const Case cases[] = {
        {"lower-case id, null title, extra key",
         R"({"schemaVersion": 7, "id": "6ba7b810-9dad-41d1-80b4-00c04fd430c8", "createdAt": "2024-05-01T12:34:56Z",
             "updatedAt": "2024-05-01T12:34:56Z", "title": null, "extra": [1]})",
         true},
        {"fractional seconds",
         R"({"schemaVersion": 1, "id": "6BA7B810-9DAD-41D1-80B4-00C04FD430C8", "createdAt": "2024-05-01T12:34:56.5Z",
             "updatedAt": "2024-05-01T12:34:56Z"})",
         false},
        {"missing updatedAt",
         R"({"schemaVersion": 1, "id": "6BA7B810-9DAD-41D1-80B4-00C04FD430C8", "createdAt": "2024-05-01T12:34:56Z"})",
         false},
        {"title of the wrong type",
         R"({"schemaVersion": 1, "id": "6BA7B810-9DAD-41D1-80B4-00C04FD430C8", "createdAt": "2024-05-01T12:34:56Z",
             "updatedAt": "2024-05-01T12:34:56Z", "title": 3})",
         false},
        {"schema version not a number",
         R"({"schemaVersion": "1", "id": "6BA7B810-9DAD-41D1-80B4-00C04FD430C8", "createdAt": "2024-05-01T12:34:56Z",
             "updatedAt": "2024-05-01T12:34:56Z"})",
         false},
        {"not JSON", "{", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(meta(id), c.json);
        EXPECT_EQ(store.meta(id).has_value(), c.readable);
    }
}

TEST_F(ScratchStoreTest, readTextRepairsIllFormedUtf8AndFailsForAMissingFile)
{
    fs::create_directories(store.directory());
    writeText(text(id),
              "\xFF"
              "A"
              "\xE2\x82"
              "B"
              "\xF0\x9F\x98\x80");
    EXPECT_EQ(store.readText(id), u"\uFFFDA\uFFFDB\U0001F600");
    auto missing = store.readText(uuid("11111111-1111-4111-8111-111111111111"));
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error(), std::errc::no_such_file_or_directory);
}

TEST_F(ScratchStoreTest, aLoneSurrogateIsKeptAsAReplacementNotAFailure)
{
    std::u16string broken = u"ab";
    broken.insert(broken.begin() + 1, char16_t(0xD800));
    ASSERT_TRUE(store.save(id, broken, firstSave).has_value());
    EXPECT_EQ(store.readText(id), u"a\uFFFDb");
}

// A document listed under a lower-case identifier must be as readable and removable as any:
// otherwise it could never be opened nor deleted and would come back at every launch.
TEST_F(ScratchStoreTest, aLowerCaseNamedDocumentIsReadSavedAndRemovedUnderItsListedName)
{
    fs::create_directories(store.directory());
    std::string lower = "6ba7b810-9dad-41d1-80b4-00c04fd430c8";
    writeText(store.directory() / (lower + ".txt"), "rescued");
    writeText(store.directory() / (lower + ".json"),
              R"({"schemaVersion": 1, "id": ")" + lower
                  + R"(", "createdAt": "2024-05-01T12:34:56Z", "updatedAt": "2024-05-01T12:34:56Z",
                     "origin": "/a.txt"})");
    auto listed = store.list();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, id);
    ASSERT_TRUE(listed[0].meta.has_value());
    EXPECT_EQ(store.meta(id)->origin, "/a.txt");
    EXPECT_EQ(store.readText(id), u"rescued");

    ASSERT_TRUE(store.save(id, u"edited", firstSave + 1h).has_value());
    EXPECT_EQ(store.list().size(), 1u);
    EXPECT_EQ(store.readText(id), u"edited");
    EXPECT_EQ(store.meta(id)->createdAt, firstSave);

    store.remove(id);
    EXPECT_TRUE(store.list().empty());
    EXPECT_TRUE(fs::is_empty(store.directory()));
}

TEST_F(ScratchStoreTest, saveFailsWhenTheFolderCannotBeMade)
{
    writeText(folder / "app", "a file where the folder should be");
    auto saved = store.save(id, u"text", firstSave);
    ASSERT_FALSE(saved.has_value());
    EXPECT_TRUE(store.list().empty());
}

TEST(ScratchStoreDefault, livesInTheApplicationFolder)
{
    EXPECT_EQ(ScratchStore().directory().filename(), "Scratch");
    EXPECT_EQ(ScratchStore::defaultDirectory().parent_path().filename(), "app.orlune.viewer");
}

// A snapshot is kept chunk by chunk; the files are those of the same text kept whole, wherever
// its chunk borders fall (a lone surrogate repaired the same way), and its title too.
TEST_F(ScratchStoreTest, aSnapshotIsKeptExactlyAsItsText)
{
    std::u16string lone = u"lone ";
    lone += char16_t(0xDC00);
    std::u16string longLine(70000, u'x');
    const std::vector<std::u16string> texts = {
        u"  Shopping list  \nmilk\r\neggs 한글 \U0001F600",
        lone + u" in the middle\n" + std::u16string(5000, u'y'),
        u"\u3000\ttitle after blanks\u2028rest",
        longLine + u"\nsecond",
        std::u16string(3, u' ') + std::u16string(9000, u'z') + u"\U0001F468\u200D\U0001F469",
    };
    const Uuid other = uuid("7BA7B810-9DAD-41D1-80B4-00C04FD430C8");
    for (const auto& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)));
        for (auto limits : {EditorCore::ChunkLimits{1, 2, 4}, EditorCore::ChunkLimits{}}) {
            const auto snapshot = EditorCore::ChunkedText(text, limits).snapshot();
            ASSERT_TRUE(store.save(id, text, firstSave, "/origin.txt").has_value());
            ASSERT_TRUE(store.save(other, snapshot, firstSave, "/origin.txt").has_value());
            EXPECT_EQ(fileText(this->text(other)), fileText(this->text(id)));
            auto kept = store.meta(other);
            ASSERT_TRUE(kept.has_value());
            kept->id = id;
            EXPECT_EQ(kept, store.meta(id));
            EXPECT_EQ(ScratchStore::title(ScratchStore::titleSource(snapshot)),
                      ScratchStore::title(text));
        }
    }
    ASSERT_TRUE(store.save(other, EditorCore::TextSnapshot(), firstSave).has_value());
    EXPECT_FALSE(fs::exists(this->text(other))) << "an empty text removes the entry";
}
