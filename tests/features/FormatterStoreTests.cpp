#include "features/FormatterStore.h"
#include "features/PrettierEngine.h"
#include "features/SignedIndex.h"
#include "platform/Folders.h"
#include "platform/SerialQueue.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

using namespace EditorFeatures;
using StoreTest::ZipMember;
namespace fs = std::filesystem;

namespace {

// Prettier 3's layout: the core first, then the plugins it formats with.
const std::vector<std::string> prettierScripts = {
    "standalone.js",
    "plugins/estree.js",
    "plugins/babel.js",
    "plugins/typescript.js",
    "plugins/markdown.js",
    "plugins/yaml.js",
    "plugins/html.js",
    "plugins/postcss.js",
};

// One formatter as a publisher offers it.
struct Package
{
    std::string name = "prettier";
    std::string version = "3.10.2";
    std::vector<std::string> scripts = prettierScripts;
    std::vector<ZipMember> members;
};

// A small stand-in with the real layout: every script present, plus a licence.
Package standIn(std::string version = "3.10.2")
{
    Package package;
    package.version = std::move(version);
    package.members.emplace_back("plugins/", "", ZipMember::Kind::folder);
    for (const auto& script : package.scripts)
        package.members.emplace_back(script, "// " + script + " " + package.version + "\n");
    package.members.emplace_back("LICENSE", "MIT");
    return package;
}

bool isUnpack(const StoreFailure& failure)
{
    return std::holds_alternative<StoreFailure::Unpack>(failure.value);
}

std::vector<std::string> paths(const StoreTest::LoopbackServer& server)
{
    std::vector<std::string> result;
    for (const auto& request : server.requests())
        result.push_back(request.path);
    return result;
}

// A download server in a folder (reached by a file URL or through the loopback server) and a
// formatter folder, both fresh for each test, with an index signed by a key made for the test.
class FormatterStoreTest : public ::testing::Test
{
protected:
    fs::path server() const { return folder.path() / "server"; }
    fs::path root() const { return folder.path() / "app.orlune.viewer" / "Formatters"; }

    // Writes the package's archive to the server and returns its index entry.
    nlohmann::json publish(const Package& package)
    {
        auto archive = StoreTest::makeZip(package.members);
        auto file = package.name + "/" + package.name + "-" + package.version + ".zip";
        StoreTest::writeText(
            server() / file,
            std::string_view(reinterpret_cast<const char*>(archive.data()), archive.size()));
        return {{"name", package.name},
                {"version", package.version},
                {"file", file},
                {"size", archive.size()},
                {"sha256", SignedIndex::sha256Hex(archive)},
                {"scripts", package.scripts}};
    }

    void writeIndex(const std::vector<nlohmann::json>& entries)
    {
        nlohmann::json index = {{"format", 1},
                                {"generated", "2026-12-09T00:00:00Z"},
                                {"formatters", nlohmann::json(entries)}};
        auto document = index.dump(2);
        StoreTest::writeText(server() / "index.json", document);
        StoreTest::writeText(server() / "index.json.sig", signer.sign(document) + "\n");
    }

    // A store over the server folder's file URL that records every URL it fetches.
    FormatterStore store()
    {
        return FormatterStore(
            root(), StoreTest::fileURL(server()), signer.publicKey(), [this](const auto& url) {
                {
                    std::lock_guard lock(fetchedMutex);
                    fetched.push_back(url.substr(url.rfind('/') + 1));
                }
                return DownloadTransport::defaultFetch(url);
            });
    }

    std::vector<std::string> takeFetched()
    {
        std::lock_guard lock(fetchedMutex);
        return std::exchange(fetched, {});
    }

    static FormatterIndex::Entry entryOf(const nlohmann::json& object)
    {
        auto entry = FormatterIndex::Entry::decodeJSON(StoreTest::bytes(object.dump()));
        EXPECT_TRUE(entry) << object.dump();
        return entry.value_or(FormatterIndex::Entry{});
    }

    void expectOnlyActiveVersion(const std::string& version)
    {
        EXPECT_EQ(StoreTest::listing(root()), std::vector<std::string>{"prettier"});
        EXPECT_EQ(StoreTest::listing(root() / "prettier"),
                  (std::vector<std::string>{version, "current.json"}));
    }

    StoreTest::TemporaryFolder folder;
    StoreTest::TestSigner signer;
    std::mutex fetchedMutex;
    std::vector<std::string> fetched;
};

} // namespace

TEST_F(FormatterStoreTest, installsTheNamedFormatterAndKeepsOnlyItsActiveVersion)
{
    auto published = publish(standIn());
    auto other = standIn();
    other.name = "other";
    writeIndex({publish(other), published});
    auto formatters = store();
    EXPECT_EQ(formatters.installed("prettier"), std::nullopt);

    auto installed = formatters.install("prettier");
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(installed->entry, entryOf(published));
    EXPECT_EQ(installed->directory, root() / "prettier" / "3.10.2");
    EXPECT_EQ(takeFetched(),
              (std::vector<std::string>{"index.json", "index.json.sig", "prettier-3.10.2.zip"}));
    expectOnlyActiveVersion("3.10.2");
    EXPECT_EQ(StoreTest::readText(installed->directory / "plugins" / "yaml.js"),
              "// plugins/yaml.js 3.10.2\n");
    EXPECT_EQ(StoreTest::readText(installed->directory / "LICENSE"), "MIT");
    EXPECT_EQ(FormatterIndex::Entry::decodeJSON(
                  StoreTest::bytes(StoreTest::readText(root() / "prettier" / "current.json"))),
              installed->entry);
    EXPECT_EQ(formatters.installed("prettier"), *installed);
    EXPECT_EQ(formatters.installed("other"), std::nullopt);

    // The same entry again: only the index is read, even when the folder changed by hand.
    StoreTest::writeText(installed->directory / "note.txt", "kept");
    auto again = formatters.install("prettier");
    ASSERT_TRUE(again) << again.error();
    EXPECT_EQ(*again, *installed);
    EXPECT_EQ(takeFetched(), (std::vector<std::string>{"index.json", "index.json.sig"}));

    // A new version replaces the old one, which goes.
    writeIndex({publish(standIn("3.11.0"))});
    auto upgraded = formatters.install("prettier");
    ASSERT_TRUE(upgraded) << upgraded.error();
    EXPECT_EQ(upgraded->entry.version, "3.11.0");
    expectOnlyActiveVersion("3.11.0");
    EXPECT_EQ(formatters.installed("prettier"), *upgraded);
}

TEST_F(FormatterStoreTest, installsOverHTTPWithTheViewersUserAgent)
{
    writeIndex({publish(standIn())});
    StoreTest::LoopbackServer http(server());
    FormatterStore formatters(root(), http.url(), signer.publicKey());

    auto installed = formatters.install("prettier");
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(
        paths(http),
        (std::vector<std::string>{"index.json", "index.json.sig", "prettier/prettier-3.10.2.zip"}));
    for (const auto& request : http.requests())
        EXPECT_EQ(request.userAgent, "OrluneViewer") << request.path;

    http.setStatus("index.json.sig", 503);
    EXPECT_EQ(formatters.install("prettier").error(), StoreFailure::download("HTTP 503"));
    EXPECT_EQ(formatters.installed("prettier"), *installed);
}

TEST_F(FormatterStoreTest, aMissingScriptMakesTheInstallationIncompleteAndDownloadsAgain)
{
    writeIndex({publish(standIn())});
    auto formatters = store();
    auto installed = formatters.install("prettier");
    ASSERT_TRUE(installed) << installed.error();
    takeFetched();

    fs::remove(installed->directory / "plugins" / "postcss.js");
    EXPECT_EQ(formatters.installed("prettier"), std::nullopt);
    auto again = formatters.install("prettier");
    ASSERT_TRUE(again) << again.error();
    EXPECT_EQ(takeFetched(),
              (std::vector<std::string>{"index.json", "index.json.sig", "prettier-3.10.2.zip"}));
    EXPECT_TRUE(fs::is_regular_file(installed->directory / "plugins" / "postcss.js"));
    EXPECT_EQ(formatters.installed("prettier"), *installed);
}

TEST_F(FormatterStoreTest, damagedOrForeignRecordsAreNotInstalled)
{
    writeIndex({publish(standIn())});
    auto formatters = store();
    ASSERT_TRUE(formatters.install("prettier"));
    const auto record = root() / "prettier" / "current.json";
    const auto good = StoreTest::readText(record);

    auto pointingOutside = nlohmann::json::parse(good);
    pointingOutside["scripts"] = {"../../../../etc/hostname"};
    auto otherName = nlohmann::json::parse(good);
    otherName["name"] = "other";
    auto otherVersion = nlohmann::json::parse(good);
    otherVersion["version"] = "3.9.0";
    for (const auto& text :
         {std::string("{"), pointingOutside.dump(), otherName.dump(), otherVersion.dump()}) {
        SCOPED_TRACE(text);
        StoreTest::writeText(record, text);
        EXPECT_EQ(formatters.installed("prettier"), std::nullopt);
    }
    StoreTest::writeText(record, good);
    EXPECT_TRUE(formatters.installed("prettier"));
    // Names that are not one folder below the root are never looked up.
    for (const char* name : {"", ".", "..", "prettier/3.10.2", ".staging-x"})
        EXPECT_EQ(formatters.installed(name), std::nullopt) << name;
}

TEST_F(FormatterStoreTest, failuresBeforeTheArchiveWriteNothing)
{
    auto formatters = store();
    auto entry = publish(standIn());

    // No index at all.
    EXPECT_TRUE(std::holds_alternative<StoreFailure::Download>(
        formatters.install("prettier").error().value));

    writeIndex({entry});
    EXPECT_EQ(formatters.install("black").error(), StoreFailure::notAvailable());

    StoreTest::TestSigner other;
    StoreTest::writeText(server() / "index.json.sig",
                         other.sign(StoreTest::readText(server() / "index.json")));
    EXPECT_EQ(formatters.install("prettier").error(),
              StoreFailure::index(IndexFailure::badSignature));

    // The built-in key is not the test's key.
    writeIndex({entry});
    FormatterStore builtin(root(), StoreTest::fileURL(server()));
    EXPECT_EQ(builtin.install("prettier").error(), StoreFailure::index(IndexFailure::badSignature));

    auto unsafe = entry;
    unsafe["scripts"] = {"standalone.js", "../plugins/babel.js"};
    writeIndex({unsafe});
    EXPECT_EQ(formatters.install("prettier").error(),
              StoreFailure::index(IndexFailure::unreadable));

    // One byte short, or another digest.
    for (const char* change : {"size", "sha256"}) {
        SCOPED_TRACE(change);
        auto damaged = entry;
        if (std::string_view(change) == "size")
            damaged["size"] = damaged["size"].get<std::int64_t>() - 1;
        else
            damaged["sha256"] = std::string(64, '0');
        writeIndex({damaged});
        EXPECT_EQ(formatters.install("prettier").error(), StoreFailure::corrupted());
    }
    EXPECT_FALSE(fs::exists(root()));
}

TEST_F(FormatterStoreTest, unpackFailuresKeepTheActiveVersionAndLeaveNoStaging)
{
    auto formatters = store();
    writeIndex({publish(standIn())});
    auto good = formatters.install("prettier");
    ASSERT_TRUE(good) << good.error();

    struct Case
    {
        const char* name;
        std::function<void(Package&)> change;
        std::string expected;
    };
    const Case cases[] = {
        {"a plugin missing",
         [](Package& p) {
             std::erase_if(p.members, [](auto& m) { return m.name == "plugins/yaml.js"; });
         },
         "plugins/yaml.js 없음"},
        {"scripts inside a top folder",
         [](Package& p) {
             for (auto& member : p.members)
                 member.name = "package/" + member.name;
         },
         "standalone.js 없음"},
        {"a script that is a link",
         [](Package& p) {
             p.members.erase(p.members.begin() + 1);
             p.members.emplace_back("standalone.js", "", ZipMember::Kind::symlink, "LICENSE");
         },
         ""},
        {"a member leaving the archive",
         [](Package& p) { p.members.emplace_back("../outside.js", "x"); },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto next = standIn("3.11.0");
        c.change(next);
        writeIndex({publish(next)});
        auto result = formatters.install("prettier");
        ASSERT_FALSE(result);
        if (c.expected.empty())
            EXPECT_TRUE(isUnpack(result.error())) << result.error();
        else
            EXPECT_EQ(result.error(), StoreFailure::unpack(c.expected));
        EXPECT_EQ(formatters.installed("prettier"), *good);
        expectOnlyActiveVersion("3.10.2");
        EXPECT_FALSE(fs::exists(folder.path() / "app.orlune.viewer" / "outside.js"));
    }
}

TEST_F(FormatterStoreTest, concurrentInstallationsOfOneFormatterDownloadOnce)
{
    writeIndex({publish(standIn())});
    auto formatters = store();
    std::optional<EditorCore::Result<FormatterStore::Installed, StoreFailure>> results[4];
    {
        std::vector<std::jthread> threads;
        for (auto& result : results)
            threads.emplace_back([&] { result.emplace(formatters.install("prettier")); });
    }
    for (const auto& result : results) {
        ASSERT_TRUE(*result) << result->error();
        EXPECT_EQ(**result, **results[0]);
    }
    auto downloads = takeFetched();
    EXPECT_EQ(std::count(downloads.begin(), downloads.end(), "prettier-3.10.2.zip"), 1);
    expectOnlyActiveVersion("3.10.2");
}

TEST(FormatterStoreDefaults, liveInTheApplicationsDataFolderAndTheBuildsIndex)
{
    EXPECT_EQ(FormatterStore::defaultRoot(),
              Platform::Folders::applicationSupport() / "Formatters");
    EXPECT_TRUE(FormatterStore::defaultBaseURL().starts_with("file:///"));
    EXPECT_TRUE(FormatterStore::defaultBaseURL().ends_with("/share/orlune-viewer/formatters/"));
    FormatterStore store;
    EXPECT_EQ(store.root(), FormatterStore::defaultRoot());
    EXPECT_EQ(store.baseURL(), FormatterStore::defaultBaseURL());
    EXPECT_EQ(FormatterStore::builtinPublicKey(), GrammarStore::builtinPublicKey());
}

// The real bundle from Prettier's npm tarball, signed, zipped, served and installed, then
// loaded by the engine on the formatter's queue.
TEST_F(FormatterStoreTest, theInstalledPrettierBundleFormats)
{
    const fs::path bundle = OLV_PRETTIER_DIR;
    ASSERT_TRUE(fs::exists(bundle / "standalone.js"))
        << "the Prettier bundle is missing: run ./setup.sh";
    Package prettier;
    prettier.members.emplace_back("plugins/", "", ZipMember::Kind::folder);
    for (const auto& script : prettier.scripts)
        prettier.members.emplace_back(script, StoreTest::readText(bundle / script));
    prettier.members.emplace_back("LICENSE", StoreTest::readText(bundle / "LICENSE"));
    writeIndex({publish(prettier)});
    StoreTest::LoopbackServer http(server());
    FormatterStore formatters(root(), http.url(), signer.publicKey());

    auto installed = formatters.install("prettier");
    ASSERT_TRUE(installed) << installed.error();
    ASSERT_EQ(formatters.installed("prettier"), *installed);

    Platform::SerialQueue queue("app.orlune.viewer.formatter");
    std::optional<EditorCore::Result<std::u16string, PrettierEngine::Failure>> formatted;
    std::optional<PrettierEngine::Failure> loadFailure;
    queue.async([&] {
        auto engine = PrettierEngine::create(installed->directory, installed->entry.scripts);
        if (!engine) {
            loadFailure = engine.error();
            return;
        }
        formatted = (*engine)->format(u"const  a={b:1,\n c:[1,2]}", "babel", 2, false);
    });
    queue.waitUntilIdle();
    ASSERT_FALSE(loadFailure) << *loadFailure;
    ASSERT_TRUE(formatted && *formatted) << formatted->error();
    EXPECT_EQ(**formatted, u"const a = { b: 1, c: [1, 2] };\n");
}
