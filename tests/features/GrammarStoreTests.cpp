#include "features/GrammarStore.h"
#include "features/SignedIndex.h"
#include "features/SyntaxGrammarLoad.h"
#include "features/SyntaxParser.h"
#include "platform/Folders.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

using namespace EditorFeatures;
using StoreTest::ZipMember;
namespace fs = std::filesystem;

namespace {

const std::string jsonLibraryName = "libtree-sitter-json.so";
const std::string yamlLibraryName = "libtree-sitter-yaml.so";

// One grammar as a publisher offers it: the archive's members and the index entry's fields.
struct Package
{
    std::string name;
    std::string version;
    std::vector<std::string> languages;
    std::string symbol;
    std::string dylib;
    std::vector<ZipMember> members;
    std::optional<int> revision;
    std::optional<std::vector<std::string>> requiredGrammars;
};

Package jsonPackage(std::string name = "json", std::vector<std::string> languages = {"json"})
{
    return {std::move(name),
            "0.24.8",
            std::move(languages),
            "tree_sitter_json",
            jsonLibraryName,
            {{jsonLibraryName, StoreTest::readText(OLV_TEST_JSON_LIBRARY)},
             {"highlights.scm", StoreTest::readText(OLV_TEST_JSON_HIGHLIGHTS)}},
            std::nullopt,
            std::nullopt};
}

Package yamlPackage()
{
    return {"yaml",
            "0.7.1",
            {"yaml"},
            "tree_sitter_yaml",
            yamlLibraryName,
            {{yamlLibraryName, StoreTest::readText(OLV_TEST_YAML_LIBRARY)},
             {"highlights.scm", StoreTest::readText(OLV_TEST_YAML_HIGHLIGHTS)},
             {"LICENSE", "MIT"}},
            std::nullopt,
            std::nullopt};
}

InstalledGrammar recordOf(const Package& package)
{
    return {package.name,
            package.version,
            package.languages,
            package.symbol,
            package.dylib,
            package.revision.value_or(1)};
}

bool isDownload(const StoreFailure& failure)
{
    return std::holds_alternative<StoreFailure::Download>(failure.value);
}
bool isUnpack(const StoreFailure& failure)
{
    return std::holds_alternative<StoreFailure::Unpack>(failure.value);
}

// A download server in a folder (reached by a file URL or through the loopback server) and a
// grammar folder, both fresh for each test, with an index signed by a key made for the test.
class GrammarStoreTest : public ::testing::Test
{
protected:
    fs::path server() const { return folder.path() / "server"; }
    // Where the application keeps its own files; the grammar folder lies inside it.
    fs::path dataFolder() const { return folder.path() / "app.orlune.viewer"; }
    fs::path root() const { return dataFolder() / "Grammars"; }

    // Writes the package's archive to the server and returns its index entry.
    nlohmann::json publish(const Package& package)
    {
        auto archive = StoreTest::makeZip(package.members);
        auto file = "archives/" + package.name + "-" + package.version + ".zip";
        StoreTest::writeText(
            server() / file,
            std::string_view(reinterpret_cast<const char*>(archive.data()), archive.size()));
        nlohmann::json entry = {
            {"name", package.name},
            {"version", package.version},
            {"languages", package.languages},
            {"symbol", package.symbol},
            {"abi", 14},
            {"file", file},
            {"size", archive.size()},
            {"sha256", SignedIndex::sha256Hex(archive)},
            {"dylib", package.dylib},
        };
        if (package.revision)
            entry["revision"] = *package.revision;
        if (package.requiredGrammars)
            entry["requires"] = *package.requiredGrammars;
        return entry;
    }

    void
    writeIndex(const std::vector<nlohmann::json>& entries, int format = 1, bool notarized = true)
    {
        nlohmann::json index = {{"format", format},
                                {"generated", "2026-12-09T00:00:00Z"},
                                {"notarized", notarized},
                                {"grammars", entries}};
        auto document = index.dump(2);
        StoreTest::writeText(server() / "index.json", document);
        StoreTest::writeText(server() / "index.json.sig", signer.sign(document) + "\n");
    }

    GrammarStore store(std::string baseURL = "") const
    {
        return GrammarStore(root(),
                            baseURL.empty() ? StoreTest::fileURL(server()) : std::move(baseURL),
                            signer.publicKey());
    }

    void expectOnlyActiveVersion(const std::string& name, const std::string& versionFolder)
    {
        EXPECT_EQ(StoreTest::listing(root() / name),
                  (std::vector<std::string>{versionFolder, "current.json"}));
        for (const auto& entry : StoreTest::listing(root()))
            EXPECT_FALSE(entry.starts_with(".staging-")) << entry;
    }

    StoreTest::TemporaryFolder folder;
    StoreTest::TestSigner signer;
};

std::vector<std::string> paths(const StoreTest::LoopbackServer& server)
{
    std::vector<std::string> result;
    for (const auto& request : server.requests())
        result.push_back(request.path);
    return result;
}

} // namespace

TEST_F(GrammarStoreTest, installsFromAFileURLListsLoadsAndParses)
{
    auto json = jsonPackage();
    writeIndex({publish(json), publish(yamlPackage())});
    auto grammars = store();

    auto installed = grammars.install(CodeLanguage::json);
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(*installed, recordOf(json));
    expectOnlyActiveVersion("json", "0.24.8");
    EXPECT_EQ(StoreTest::listing(root()), std::vector<std::string>{"json"});
    EXPECT_EQ(grammars.installed(), std::vector<InstalledGrammar>{*installed});
    EXPECT_EQ(grammars.installed(CodeLanguage::json), *installed);
    EXPECT_FALSE(grammars.installed(CodeLanguage::yaml));
    EXPECT_EQ(grammars.versionDirectory(*installed), root() / "json" / "0.24.8");
    auto written = InstalledGrammar::decodeJSON(
        StoreTest::bytes(StoreTest::readText(root() / "json" / "current.json")));
    EXPECT_EQ(written, *installed);

    auto grammar = SyntaxGrammars::load(*installed, grammars.versionDirectory(*installed));
    ASSERT_TRUE(grammar) << grammar.error();
    auto parser = SyntaxParser::make(grammar->language);
    ASSERT_TRUE(parser);
    auto tree = parser->parse(u"{\"a\": [1, 2.5, \"x\"]}");
    ASSERT_TRUE(tree);
    EXPECT_FALSE(tree->hasError());
    EXPECT_FALSE(grammar->query->spans(*tree, 0, 20).empty());
}

TEST_F(GrammarStoreTest, installsOverHTTPWithTheViewersUserAgent)
{
    auto yaml = yamlPackage();
    writeIndex({publish(jsonPackage()), publish(yaml)});
    StoreTest::LoopbackServer http(server());
    auto grammars = store(http.url());

    auto installed = grammars.install(CodeLanguage::yaml);
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(*installed, recordOf(yaml));
    EXPECT_EQ(
        paths(http),
        (std::vector<std::string>{"index.json", "index.json.sig", "archives/yaml-0.7.1.zip"}));
    for (const auto& request : http.requests())
        EXPECT_EQ(request.userAgent, "OrluneViewer") << request.path;
    // Members beyond the two required ones come along.
    EXPECT_EQ(StoreTest::readText(root() / "yaml" / "0.7.1" / "LICENSE"), "MIT");

    auto grammar = SyntaxGrammars::load(*installed, grammars.versionDirectory(*installed));
    ASSERT_TRUE(grammar) << grammar.error();
    auto parser = SyntaxParser::make(grammar->language);
    auto tree = parser->parse(u"key: [1, 2]\nlist:\n  - 한국어\n");
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->rootType(), "stream");
    EXPECT_FALSE(tree->hasError());
}

TEST_F(GrammarStoreTest, anHTTPStatusOtherThan200IsADownloadFailure)
{
    writeIndex({publish(jsonPackage())});
    StoreTest::LoopbackServer http(server());
    auto grammars = store(http.url());

    http.setStatus("index.json", 404);
    auto result = grammars.install(CodeLanguage::json);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), StoreFailure::download("HTTP 404"));
    // The signature is not asked for once the index failed.
    EXPECT_EQ(paths(http), std::vector<std::string>{"index.json"});

    http.setStatus("index.json", 200);
    http.setStatus("index.json.sig", 500);
    EXPECT_EQ(grammars.refreshIndex().error(), StoreFailure::download("HTTP 500"));

    http.setStatus("index.json.sig", 200);
    http.setStatus("archives/json-0.24.8.zip", 404);
    result = grammars.install(CodeLanguage::json);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), StoreFailure::download("HTTP 404"));
    EXPECT_TRUE(grammars.installed().empty());
    EXPECT_FALSE(fs::exists(root() / "json"));
}

TEST_F(GrammarStoreTest, aMissingFileBehindAFileURLIsADownloadFailure)
{
    writeIndex({publish(jsonPackage())});
    fs::remove(server() / "index.json.sig");
    auto result = store().refreshIndex();
    ASSERT_FALSE(result);
    EXPECT_TRUE(isDownload(result.error())) << result.error();

    auto unreachable = GrammarStore(root(), "http://127.0.0.1:1/", signer.publicKey());
    result = unreachable.refreshIndex();
    ASSERT_FALSE(result);
    EXPECT_TRUE(isDownload(result.error())) << result.error();
}

TEST_F(GrammarStoreTest, anIndexThatFailsVerificationInstallsNothing)
{
    auto entry = publish(jsonPackage());
    struct Case
    {
        const char* name;
        int format;
        bool notarized;
        bool resign;
        IndexFailure failure;
    };
    const Case cases[] = {
        {"signed by another key", 1, true, true, IndexFailure::badSignature},
        {"format 2", 2, true, false, IndexFailure::unreadable},
        {"not notarized", 1, false, false, IndexFailure::notNotarized},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeIndex({entry}, c.format, c.notarized);
        if (c.resign) {
            StoreTest::TestSigner other;
            StoreTest::writeText(server() / "index.json.sig",
                                 other.sign(StoreTest::readText(server() / "index.json")));
        }
        auto result = store().install(CodeLanguage::json);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), StoreFailure::index(c.failure));
        EXPECT_FALSE(fs::exists(root()));
    }
    // The built-in key is not the test's key.
    writeIndex({entry});
    auto builtin = GrammarStore(root(), StoreTest::fileURL(server()));
    EXPECT_EQ(builtin.refreshIndex().error(), StoreFailure::index(IndexFailure::badSignature));
}

TEST_F(GrammarStoreTest, languagesAndRequirementsMissingFromTheIndexAreNotAvailable)
{
    auto markdown = jsonPackage("markdown", {"markdown"});
    markdown.requiredGrammars = std::vector<std::string>{"json", "markdown_inline"};
    writeIndex({publish(jsonPackage()), publish(markdown)});
    auto grammars = store();

    EXPECT_EQ(grammars.install(CodeLanguage::python).error(), StoreFailure::notAvailable());
    EXPECT_EQ(grammars.install(CodeLanguage::markdown).error(), StoreFailure::notAvailable());
    // The requirement installed before the missing one stays; the grammar itself does not come.
    ASSERT_EQ(grammars.installed().size(), 1u);
    EXPECT_EQ(grammars.installed()[0].name, "json");
}

TEST_F(GrammarStoreTest, requirementsAreInstalledFirst)
{
    auto markdown = jsonPackage("markdown", {"markdown"});
    markdown.requiredGrammars = std::vector<std::string>{"markdown_inline"};
    markdown.revision = 2;
    auto inline_ = jsonPackage("markdown_inline", {});
    writeIndex({publish(markdown), publish(inline_)});
    StoreTest::LoopbackServer http(server());
    auto grammars = store(http.url());

    auto installed = grammars.install(CodeLanguage::markdown);
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(*installed, recordOf(markdown));
    EXPECT_EQ(paths(http),
              (std::vector<std::string>{"index.json",
                                        "index.json.sig",
                                        "archives/markdown_inline-0.24.8.zip",
                                        "archives/markdown-0.24.8.zip"}));
    EXPECT_EQ(grammars.installed(), (std::vector<InstalledGrammar>{*installed, recordOf(inline_)}));
    EXPECT_FALSE(GrammarStore::needsUpdate(*installed, grammars.installed()));
}

TEST_F(GrammarStoreTest, theFirstEntryServingALanguageIsInstalled)
{
    auto second = jsonPackage("json-next", {"json"});
    writeIndex({publish(jsonPackage("json-first", {"yaml", "json"})), publish(second)});
    auto installed = store().install(CodeLanguage::json);
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(installed->name, "json-first");
}

TEST_F(GrammarStoreTest, anArchiveThatDiffersFromItsEntryIsCorrupted)
{
    for (const char* change : {"size", "sha256"}) {
        SCOPED_TRACE(change);
        auto entry = publish(jsonPackage());
        if (std::string_view(change) == "size")
            entry["size"] = entry["size"].get<std::int64_t>() - 1;
        else
            entry["sha256"] = std::string(64, '0');
        writeIndex({entry});
        auto result = store().install(CodeLanguage::json);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), StoreFailure::corrupted());
        EXPECT_FALSE(fs::exists(root()));
    }
    // An upper-case digest in the index never matches.
    auto entry = publish(jsonPackage());
    std::string upper = entry["sha256"];
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    entry["sha256"] = upper;
    writeIndex({entry});
    EXPECT_EQ(store().install(CodeLanguage::json).error(), StoreFailure::corrupted());
}

TEST_F(GrammarStoreTest, unpackFailuresKeepTheActiveVersion)
{
    auto grammars = store();
    auto good = jsonPackage();
    writeIndex({publish(good)});
    ASSERT_TRUE(grammars.install(CodeLanguage::json));

    const auto library = StoreTest::readText(OLV_TEST_JSON_LIBRARY);
    const auto highlights = StoreTest::readText(OLV_TEST_JSON_HIGHLIGHTS);
    struct Case
    {
        const char* name;
        std::vector<ZipMember> members;
        std::string expected;
    };
    const Case cases[] = {
        {"members inside a folder",
         {{"json/" + jsonLibraryName, library}, {"json/highlights.scm", highlights}},
         jsonLibraryName + " 없음"},
        {"no highlights", {{jsonLibraryName, library}}, "highlights.scm 없음"},
        {"library checked first", {{"injections.scm", ""}}, jsonLibraryName + " 없음"},
        {"not a zip archive", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto next = jsonPackage();
        next.version = "0.25.0";
        next.members = c.members;
        auto entry = publish(next);
        if (c.members.empty()) {
            std::string garbage = "this is not a zip archive";
            StoreTest::writeText(server() / entry["file"].get<std::string>(), garbage);
            entry["size"] = garbage.size();
            entry["sha256"] = SignedIndex::sha256Hex(StoreTest::bytes(garbage));
        }
        writeIndex({entry});
        auto result = grammars.install(CodeLanguage::json);
        ASSERT_FALSE(result);
        if (c.expected.empty())
            EXPECT_TRUE(isUnpack(result.error())) << result.error();
        else
            EXPECT_EQ(result.error(), StoreFailure::unpack(c.expected));
        EXPECT_EQ(grammars.installed(), std::vector<InstalledGrammar>{recordOf(good)});
        expectOnlyActiveVersion("json", "0.24.8");
    }
}

TEST_F(GrammarStoreTest, anIdenticalInstalledRecordFetchesOnlyTheIndex)
{
    writeIndex({publish(jsonPackage())});
    StoreTest::LoopbackServer http(server());
    auto grammars = store(http.url());
    auto first = grammars.install(CodeLanguage::json);
    ASSERT_TRUE(first);
    StoreTest::writeText(root() / "json" / "0.24.8" / "note.txt", "changed by hand");

    auto second = grammars.install(CodeLanguage::json);
    ASSERT_TRUE(second) << second.error();
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(http.requests().size(), 5u);
    EXPECT_EQ(paths(http).back(), "index.json.sig");
    EXPECT_TRUE(fs::exists(root() / "json" / "0.24.8" / "note.txt"));
}

TEST_F(GrammarStoreTest, revisionsNameTheVersionFolderAndReplaceOlderOnes)
{
    auto grammars = store();
    auto package = jsonPackage();
    writeIndex({publish(package)});
    auto plain = grammars.install(CodeLanguage::json);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->revision, 1);
    expectOnlyActiveVersion("json", "0.24.8");

    package.revision = 3;
    writeIndex({publish(package)});
    auto revised = grammars.install(CodeLanguage::json);
    ASSERT_TRUE(revised) << revised.error();
    EXPECT_EQ(revised->revision, 3);
    expectOnlyActiveVersion("json", "0.24.8-r3");
    EXPECT_EQ(grammars.installed(), std::vector<InstalledGrammar>{*revised});
    EXPECT_TRUE(SyntaxGrammars::load(*revised, grammars.versionDirectory(*revised)));
}

// The store installs what the index describes; whether the library is usable shows only
// when it is loaded, and the grammar stays installed either way.
TEST_F(GrammarStoreTest, installedLibrariesThatDoNotLoad)
{
    using SyntaxGrammars::LoadFailure;
    const auto json = StoreTest::readText(OLV_TEST_JSON_LIBRARY);
    const auto odd = StoreTest::readText(OLV_TEST_ODD_LIBRARY);
    const auto highlights = StoreTest::readText(OLV_TEST_JSON_HIGHLIGHTS);
    struct Case
    {
        const char* name;
        std::string symbol;
        std::string library;
        std::string highlights;
        LoadFailure failure;
    };
    const Case cases[] = {
        {"not a library", "tree_sitter_json", "#!/bin/sh", highlights, LoadFailure::refused("")},
        {"symbol missing", "tree_sitter_toml", json, highlights, LoadFailure::missingSymbol()},
        {"no language", "olv_test_no_language", odd, highlights, LoadFailure::incompatible()},
        {"ABI 12", "olv_test_abi12", odd, highlights, LoadFailure::incompatible()},
        {"query for another grammar",
         "tree_sitter_json",
         json,
         "(block_mapping) @type",
         LoadFailure::badQuery()},
    };
    std::vector<nlohmann::json> entries;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Package package{
            "grammar" + std::to_string(i),
            "1.0",
            {std::string(rawValue(allCodeLanguages[i + 2]))},
            cases[i].symbol,
            "libgrammar.so",
            {{"libgrammar.so", cases[i].library}, {"highlights.scm", cases[i].highlights}},
            std::nullopt,
            std::nullopt};
        entries.push_back(publish(package));
    }
    writeIndex(entries);
    auto grammars = store();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        auto installed = grammars.install(allCodeLanguages[i + 2]);
        ASSERT_TRUE(installed) << installed.error();
        auto loaded = SyntaxGrammars::load(*installed, grammars.versionDirectory(*installed));
        ASSERT_FALSE(loaded);
        if (std::holds_alternative<LoadFailure::Refused>(cases[i].failure.value))
            EXPECT_TRUE(std::holds_alternative<LoadFailure::Refused>(loaded.error().value))
                << loaded.error();
        else
            EXPECT_EQ(loaded.error(), cases[i].failure);
        EXPECT_EQ(grammars.installed(allCodeLanguages[i + 2]), *installed);
    }
}

// A ".." name used to turn the grammar's own folder into the application's data folder,
// whose other files the clean-up of old versions then removed.
TEST_F(GrammarStoreTest, namesThatLeaveTheGrammarFolderAreRefused)
{
    StoreTest::writeText(dataFolder() / "WindowState.json", "{}");
    StoreTest::writeText(root() / "keep" / "current.json", "not mine");
    for (const char* name : {"..", ".", ".staging-1", "a/b"}) {
        SCOPED_TRACE(name);
        auto evil = jsonPackage("placeholder");
        auto entry = publish(evil);
        entry["name"] = name;
        writeIndex({entry});
        auto result = store().install(CodeLanguage::json);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), StoreFailure::index(IndexFailure::unreadable));
        EXPECT_EQ(StoreTest::readText(dataFolder() / "WindowState.json"), "{}");
        EXPECT_EQ(StoreTest::listing(root()), std::vector<std::string>{"keep"});
    }
}

TEST_F(GrammarStoreTest, archiveMembersThatLeaveStagingOrAreLinksAreRefused)
{
    auto grammars = store();
    auto good = jsonPackage();
    writeIndex({publish(good)});
    ASSERT_TRUE(grammars.install(CodeLanguage::json));

    const auto library = StoreTest::readText(OLV_TEST_JSON_LIBRARY);
    const auto highlights = StoreTest::readText(OLV_TEST_JSON_HIGHLIGHTS);
    struct Case
    {
        const char* name;
        ZipMember member;
    };
    const Case cases[] = {
        {"zip slip", {"../../../escaped.txt", "evil"}},
        {"absolute", {(folder.path() / "escaped.txt").string(), "evil"}},
        {"library as a link",
         {jsonLibraryName, "", ZipMember::Kind::symlink, "/usr/lib/libc.so.6"}},
        {"highlights as a link", {"highlights.scm", "", ZipMember::Kind::symlink, "/etc/passwd"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto next = jsonPackage();
        next.version = "0.25.0";
        next.members = {c.member, {jsonLibraryName, library}, {"highlights.scm", highlights}};
        writeIndex({publish(next)});
        auto result = grammars.install(CodeLanguage::json);
        ASSERT_FALSE(result);
        EXPECT_TRUE(isUnpack(result.error())) << result.error();
        EXPECT_FALSE(fs::exists(folder.path() / "escaped.txt"));
        EXPECT_FALSE(fs::exists(dataFolder() / "escaped.txt"));
        EXPECT_EQ(grammars.installed(), std::vector<InstalledGrammar>{recordOf(good)});
        expectOnlyActiveVersion("json", "0.24.8");
    }
}

// Two languages served by one entry, installed at once: without a per-name lock the second
// installation removed the first one's version folder while it was being put in place.
TEST_F(GrammarStoreTest, concurrentInstallationsOfOneGrammarRunOneAfterTheOther)
{
    auto shared = jsonPackage("json", {"json", "dotenv"});
    writeIndex({publish(shared)});
    std::atomic<int> archiveFetches = 0;
    auto slowFetch = [&](const std::string& url) {
        if (url.ends_with(".zip")) {
            ++archiveFetches;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return DownloadTransport::defaultFetch(url);
    };
    GrammarStore grammars(root(), StoreTest::fileURL(server()), signer.publicKey(), slowFetch);

    constexpr int count = 8;
    std::vector<EditorCore::Result<InstalledGrammar, StoreFailure>> results(
        count, EditorCore::failure(StoreFailure::notAvailable()));
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            results[static_cast<std::size_t>(i)] =
                grammars.install(i % 2 ? CodeLanguage::dotenv : CodeLanguage::json);
        });
    }
    for (auto& thread : threads)
        thread.join();

    for (const auto& result : results) {
        ASSERT_TRUE(result) << result.error();
        EXPECT_EQ(*result, recordOf(shared));
    }
    // The later installations found the first one's record and downloaded nothing.
    EXPECT_EQ(archiveFetches.load(), 1);
    expectOnlyActiveVersion("json", "0.24.8");
    EXPECT_EQ(grammars.installed(), std::vector<InstalledGrammar>{recordOf(shared)});
}

TEST_F(GrammarStoreTest, listingSkipsWhatIsNotAnInstalledGrammar)
{
    auto grammars = store();
    EXPECT_TRUE(grammars.installed().empty());

    auto writeRecord = [&](const std::string& folderName, const std::string& json) {
        StoreTest::writeText(root() / folderName / "current.json", json);
    };
    auto withLibrary = [&](const std::string& path) { StoreTest::writeText(root() / path, "lib"); };

    writeRecord(
        "bash",
        R"({"name":"bash","version":"1.0","languages":["bash"],"symbol":"s","dylib":"b.so"})");
    withLibrary("bash/1.0/b.so");
    writeRecord(
        "a-shell",
        R"({"name":"a-shell","version":"2","languages":["bash"],"symbol":"s","dylib":"a.so","revision":2})");
    withLibrary("a-shell/2-r2/a.so");
    writeRecord("gone",
                R"({"name":"gone","version":"1","languages":["go"],"symbol":"s","dylib":"g.so"})");
    writeRecord("broken", "{");
    writeRecord("no-dylib", R"({"name":"no-dylib","version":"1","languages":[],"symbol":"s"})");
    writeRecord(".staging-ABC",
                R"({"name":"..","version":"1","languages":["c"],"symbol":"s","dylib":"x.so"})");
    withLibrary("1/x.so");
    StoreTest::writeText(root() / "state.json", R"({"declined":[]})");

    auto listed = grammars.installed();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, "a-shell");
    EXPECT_EQ(listed[0].revision, 2);
    EXPECT_EQ(listed[1].name, "bash");
    EXPECT_EQ(listed[1].revision, 1);
    EXPECT_EQ(grammars.versionDirectory(listed[1]), root() / "bash" / "1.0");
    EXPECT_EQ(grammars.installed(CodeLanguage::shell)->name, "a-shell");
    EXPECT_TRUE(listed[1].serves(CodeLanguage::shell));
    EXPECT_FALSE(listed[1].serves(CodeLanguage::go));

    fs::remove(root() / "a-shell" / "2-r2" / "a.so");
    EXPECT_EQ(grammars.installed(CodeLanguage::shell)->name, "bash");
}

TEST_F(GrammarStoreTest, declinedLanguages)
{
    auto grammars = store();
    auto declined = [&] {
        auto state = nlohmann::json::parse(StoreTest::readText(root() / "state.json"));
        return state["declined"].get<std::vector<std::string>>();
    };
    EXPECT_FALSE(grammars.isDeclined(CodeLanguage::toml));

    grammars.setDeclined(CodeLanguage::toml, true);
    grammars.setDeclined(CodeLanguage::markdown, true);
    EXPECT_EQ(declined(), (std::vector<std::string>{"toml", "markdown"}));
    grammars.setDeclined(CodeLanguage::toml, true);
    EXPECT_EQ(declined(), (std::vector<std::string>{"markdown", "toml"}));
    EXPECT_TRUE(grammars.isDeclined(CodeLanguage::toml));
    EXPECT_FALSE(grammars.isDeclined(CodeLanguage::python));

    grammars.setDeclined(CodeLanguage::markdown, false);
    EXPECT_EQ(declined(), std::vector<std::string>{"toml"});
    EXPECT_FALSE(grammars.isDeclined(CodeLanguage::markdown));

    StoreTest::writeText(root() / "state.json", R"({"declined":["bash","go","bash"]})");
    EXPECT_TRUE(grammars.isDeclined(CodeLanguage::shell));
    grammars.setDeclined(CodeLanguage::shell, true);
    EXPECT_EQ(declined(), (std::vector<std::string>{"go", "bash"}));

    StoreTest::writeText(root() / "state.json", "[damaged");
    EXPECT_FALSE(grammars.isDeclined(CodeLanguage::go));
    grammars.setDeclined(CodeLanguage::rust, false);
    EXPECT_TRUE(declined().empty());
    EXPECT_EQ(StoreTest::listing(root()), std::vector<std::string>{"state.json"});
}

TEST(GrammarStore, needsUpdate)
{
    auto record = [](std::string name, std::int64_t revision) {
        return InstalledGrammar{std::move(name), "1", {}, "s", "l.so", revision};
    };
    const auto inline_ = record("markdown_inline", 1);
    struct Case
    {
        const char* name;
        InstalledGrammar grammar;
        std::vector<InstalledGrammar> installed;
        bool needsUpdate;
    };
    const Case cases[] = {
        {"markdown of revision 1", record("markdown", 1), {inline_}, true},
        {"markdown without its companion", record("markdown", 2), {}, true},
        {"markdown complete", record("markdown", 2), {inline_}, false},
        {"html of revision 1", record("html", 1), {}, true},
        {"php of revision 2", record("php", 2), {}, false},
        {"python of revision 1", record("python", 1), {}, false},
        {"python of revision 0", record("python", 0), {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GrammarStore::needsUpdate(c.grammar, c.installed), c.needsUpdate);
    }
}

TEST(GrammarStore, defaultPlaces)
{
    EXPECT_EQ(GrammarStore::defaultRoot(), Platform::Folders::applicationSupport() / "Grammars");

    // The index this build published, beside the editor's own files.
    EXPECT_TRUE(GrammarStore::defaultBaseURL().starts_with("file:///"));
    EXPECT_TRUE(GrammarStore::defaultBaseURL().ends_with("/share/orlune-viewer/grammars/"));
    EXPECT_EQ(SignedIndex::decodeBase64(GrammarStore::builtinPublicKey())->size(), 32u);
    EXPECT_EQ(DownloadTransport::appending("file:///srv/g", "index.json"),
              "file:///srv/g/index.json");
    EXPECT_EQ(DownloadTransport::appending("https://h/viewer/grammars/", "a/b c%.zip"),
              "https://h/viewer/grammars/a/b%20c%25.zip");
}
