#include "features/GrammarIndex.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

using namespace EditorFeatures;
using StoreTest::bytes;

namespace {

constexpr std::string_view jsonEntry = R"({"name":"json","version":"0.24.8","languages":["json"],
"symbol":"tree_sitter_json","abi":14,"file":"json-0.24.8.zip","size":10,
"sha256":"00","dylib":"libtree-sitter-json.so","revision":2,"requires":["other"]})";

std::string indexWith(std::string_view entries,
                      std::string_view format = "1",
                      std::string_view notarized = "true")
{
    return R"({"format":)" + std::string(format) + R"(,"generated":"2026-01-01","notarized":)"
           + std::string(notarized) + R"(,"grammars":[)" + std::string(entries) + "]}";
}

// A plain entry with one field replaced by `field` (a JSON member) or, when `field` names a
// key without a value (no ':'), with that key left out.
std::string entryWith(std::string_view key, std::string_view member)
{
    std::vector<std::pair<std::string, std::string>> fields = {
        {"name", R"("name":"bash")"},
        {"version", R"("version":"1.0")"},
        {"languages", R"("languages":["bash"])"},
        {"symbol", R"("symbol":"tree_sitter_bash")"},
        {"abi", R"("abi":14)"},
        {"file", R"("file":"bash.zip")"},
        {"size", R"("size":1)"},
        {"sha256", R"("sha256":"ab")"},
        {"dylib", R"("dylib":"libbash.so")"},
    };
    std::string text = "{";
    bool first = true;
    bool replaced = false;
    for (const auto& [name, value] : fields) {
        std::string chosen = value;
        if (name == key) {
            replaced = true;
            chosen = std::string(member);
        }
        if (chosen.empty())
            continue;
        text += (first ? "" : ",") + chosen;
        first = false;
    }
    if (!replaced && !member.empty())
        text += "," + std::string(member);
    return text + "}";
}

class GrammarIndexVerify : public ::testing::Test
{
protected:
    EditorCore::Result<GrammarIndex, GrammarIndex::Failure> verify(const std::string& document)
    {
        return GrammarIndex::verify(bytes(document), signer.sign(document), signer.publicKey());
    }

    StoreTest::TestSigner signer;
};

} // namespace

TEST_F(GrammarIndexVerify, decodesEveryFieldOfASignedIndex)
{
    auto document = indexWith(std::string(jsonEntry) + "," + entryWith("", ""));
    auto index = verify(document);
    ASSERT_TRUE(index) << index.error();
    EXPECT_EQ(index->format, 1);
    EXPECT_EQ(index->generated, "2026-01-01");
    EXPECT_TRUE(index->notarized);
    ASSERT_EQ(index->grammars.size(), 2u);

    GrammarIndex::Entry expected{"json",
                                 "0.24.8",
                                 {"json"},
                                 "tree_sitter_json",
                                 14,
                                 "json-0.24.8.zip",
                                 10,
                                 "00",
                                 "libtree-sitter-json.so",
                                 2,
                                 std::vector<std::string>{"other"}};
    EXPECT_EQ(index->grammars[0], expected);
    // Without revision and requires both stay absent, and absent equals only absent.
    EXPECT_EQ(index->grammars[1].revision, std::nullopt);
    EXPECT_EQ(index->grammars[1].requiredGrammars, std::nullopt);
    auto withRevision = index->grammars[1];
    withRevision.revision = 1;
    EXPECT_NE(withRevision, index->grammars[1]);
}

TEST_F(GrammarIndexVerify, signatureTextAndKeyChecks)
{
    auto document = indexWith(jsonEntry);
    auto signature = signer.sign(document);
    StoreTest::TestSigner other;
    auto tampered = document;
    tampered.back() = ' ';
    tampered += "}";

    struct Case
    {
        const char* name;
        std::string document;
        std::string signature;
        std::string key;
        bool verifies;
    };
    const Case cases[] = {
        {"plain", document, signature, signer.publicKey(), true},
        {"trailing line feed", document, signature + "\n", signer.publicKey(), true},
        {"blanks and CRLF around",
         document,
         " \t" + signature + "\r\n\n",
         signer.publicKey(),
         true},
        {"line feed inside",
         document,
         signature.substr(0, 20) + "\n" + signature.substr(20),
         signer.publicKey(),
         false},
        {"padding missing",
         document,
         signature.substr(0, signature.size() - 2),
         signer.publicKey(),
         false},
        {"not base64", document, "!" + signature.substr(1), signer.publicKey(), false},
        {"empty", document, "", signer.publicKey(), false},
        {"one byte of the index changed", tampered, signature, signer.publicKey(), false},
        {"another key", document, signature, other.publicKey(), false},
        {"key not base64", document, signature, "*" + signer.publicKey().substr(1), false},
        {"key of 31 bytes",
         document,
         signature,
         "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA==",
         false},
        {"key with a line feed", document, signature, signer.publicKey() + "\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto index = GrammarIndex::verify(bytes(c.document), c.signature, c.key);
        if (c.verifies) {
            EXPECT_TRUE(index) << index.error();
        } else {
            ASSERT_FALSE(index);
            EXPECT_EQ(index.error(), GrammarIndex::Failure::badSignature);
        }
    }
}

TEST_F(GrammarIndexVerify, contentChecksFollowTheSignature)
{
    using F = GrammarIndex::Failure;
    struct Case
    {
        const char* name;
        std::string document;
        F failure;
    };
    const Case cases[] = {
        {"not JSON", "grammars, please", F::unreadable},
        {"a JSON array", "[]", F::unreadable},
        {"format 2", indexWith(jsonEntry, "2"), F::unreadable},
        {"format 2 and not notarized", indexWith(jsonEntry, "2", "false"), F::unreadable},
        {"format 1.0", indexWith(jsonEntry, "1.0"), F::unreadable},
        {"format as text", indexWith(jsonEntry, "\"1\""), F::unreadable},
        {"not notarized", indexWith(jsonEntry, "1", "false"), F::notNotarized},
        {"notarized as text", indexWith(jsonEntry, "1", "\"true\""), F::unreadable},
        {"no grammars", R"({"format":1,"generated":"x","notarized":true})", F::unreadable},
        {"entry without abi", indexWith(entryWith("abi", "")), F::unreadable},
        {"negative abi", indexWith(entryWith("abi", R"("abi":-1)")), F::unreadable},
        {"abi past 32 bits", indexWith(entryWith("abi", R"("abi":4294967296)")), F::unreadable},
        {"size as text", indexWith(entryWith("size", R"("size":"1")")), F::unreadable},
        {"revision as text", indexWith(entryWith("", R"("revision":"2")")), F::unreadable},
        {"requires not a list", indexWith(entryWith("", R"("requires":"x")")), F::unreadable},
        {"a language that is no text",
         indexWith(entryWith("languages", R"("languages":[1])")),
         F::unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto index = verify(c.document);
        ASSERT_FALSE(index);
        EXPECT_EQ(index.error(), c.failure);
    }
    // Optional keys written as null count as absent; unknown keys are ignored.
    auto index = verify(indexWith(entryWith("", R"("revision":null,"requires":null,"x":[])")));
    ASSERT_TRUE(index) << index.error();
    EXPECT_EQ(index->grammars[0].revision, std::nullopt);
}

// The names become folders and files below the grammar folder: a ".." name would let an
// installation remove the application's data folder.
TEST_F(GrammarIndexVerify, namesThatLeaveTheirFolderMakeTheIndexUnreadable)
{
    struct Case
    {
        const char* key;
        const char* value;
        bool accepted;
    };
    const Case cases[] = {
        {"name", "markdown_inline", true},
        {"name", "..", false},
        {"name", ".", false},
        {"name", "", false},
        {"name", "a/b", false},
        {"name", "/etc", false},
        {"name", ".staging-1234", false},
        {"name", "nul\\u0000byte", false},
        {"name", ".hidden", true},
        {"version", "1.2.0", true},
        {"version", "..", false},
        {"version", "1/2", false},
        {"version", ".staging-x", false},
        {"dylib", "libbash.so", true},
        {"dylib", "../libbash.so", false},
        {"dylib", "lib/libbash.so", false},
        {"dylib", "", false},
        {"file", "archives/bash-1.0.zip", true},
        {"file", "bash 1.0.zip", true},
        {"file", "../bash.zip", false},
        {"file", "archives/../bash.zip", false},
        {"file", "./bash.zip", false},
        {"file", "/bash.zip", false},
        {"file", "archives//bash.zip", false},
        {"file", "archives/", false},
        {"file", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        auto member = "\"" + std::string(c.key) + "\":\"" + c.value + "\"";
        auto index = verify(indexWith(entryWith(c.key, member)));
        if (c.accepted) {
            EXPECT_TRUE(index) << index.error();
        } else {
            ASSERT_FALSE(index);
            EXPECT_EQ(index.error(), GrammarIndex::Failure::unreadable);
        }
    }
}

TEST(GrammarIndex, entriesByLanguageAndName)
{
    auto entry = [](std::string name, std::vector<std::string> languages) {
        GrammarIndex::Entry e;
        e.name = std::move(name);
        e.languages = std::move(languages);
        return e;
    };
    GrammarIndex index;
    index.grammars = {entry("markdown", {"markdown"}),
                      entry("markdown-next", {"markdown"}),
                      entry("bash", {"bash"}),
                      entry("markdown_inline", {})};
    EXPECT_EQ(index.entry(CodeLanguage::markdown)->name, "markdown");
    EXPECT_EQ(index.entry(CodeLanguage::shell)->name, "bash");
    EXPECT_FALSE(index.entry(CodeLanguage::python));
    EXPECT_EQ(index.entry("markdown_inline")->name, "markdown_inline");
    EXPECT_FALSE(index.entry("Markdown_Inline"));
    EXPECT_FALSE(index.entry("shell"));
}

TEST(GrammarIndex, archiveMatchesBySizeThenLowerCaseDigest)
{
    auto archive = bytes("abc");
    // SHA-256 of "abc".
    const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    std::string upper;
    for (char c : digest)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    GrammarIndex::Entry entry;
    entry.size = 3;
    entry.sha256 = digest;
    EXPECT_TRUE(entry.matches(archive));
    entry.sha256 = upper;
    EXPECT_FALSE(entry.matches(archive));
    entry.sha256 = digest;
    entry.size = 4;
    EXPECT_FALSE(entry.matches(archive));
    entry.size = 3;
    EXPECT_FALSE(entry.matches(bytes("abd")));
    EXPECT_EQ(SignedIndex::sha256Hex(archive), digest);
}
