#include "tests/app/features/GrammarServer.h"

#include "features/SignedIndex.h"

#include <nlohmann/json.hpp>

namespace GrammarTest {

namespace {

const std::string libraryName = "libgrammar.so";

std::string archiveFile(const Package& package)
{
    return "archives/" + package.name + "-" + package.version + ".zip";
}

} // namespace

void GrammarServer::publish(const std::vector<Package>& packages)
{
    nlohmann::json entries = nlohmann::json::array();
    for (const auto& package : packages) {
        std::vector<StoreTest::ZipMember> members;
        if (!package.withoutLibrary)
            members.emplace_back(libraryName,
                                 package.library.empty()
                                     ? StoreTest::readText(OLV_TEST_JSON_LIBRARY)
                                     : package.library);
        members.emplace_back("highlights.scm", StoreTest::readText(OLV_TEST_JSON_HIGHLIGHTS));
        auto archive = StoreTest::makeZip(members);
        StoreTest::writeText(
            server() / archiveFile(package),
            std::string_view(reinterpret_cast<const char*>(archive.data()), archive.size()));
        nlohmann::json entry = {
            {"name", package.name},
            {"version", package.version},
            {"languages", package.languages},
            {"symbol", package.symbol},
            {"abi", 14},
            {"file", archiveFile(package)},
            {"size", archive.size()},
            {"sha256", EditorFeatures::SignedIndex::sha256Hex(archive)},
            {"dylib", libraryName},
        };
        if (package.revision)
            entry["revision"] = *package.revision;
        if (package.requiredGrammars)
            entry["requires"] = *package.requiredGrammars;
        entries.push_back(entry);
    }
    nlohmann::json index = {{"format", 1},
                            {"generated", "2026-12-09T00:00:00Z"},
                            {"notarized", true},
                            {"grammars", entries}};
    const auto document = index.dump(2);
    StoreTest::writeText(server() / "index.json", document);
    StoreTest::writeText(server() / "index.json.sig", m_signer.sign(document) + "\n");
}

void GrammarServer::signWithAnotherKey()
{
    StoreTest::TestSigner other;
    StoreTest::writeText(server() / "index.json.sig",
                         other.sign(StoreTest::readText(server() / "index.json")) + "\n");
}

void GrammarServer::damageArchive(const std::string& name)
{
    for (const auto& entry : StoreTest::listing(server() / "archives")) {
        if (entry.starts_with(name + "-")) {
            auto bytes = StoreTest::readText(server() / "archives" / entry);
            bytes[bytes.size() / 2] ^= 0x5a;
            StoreTest::writeText(server() / "archives" / entry, bytes);
        }
    }
}

EditorFeatures::GrammarStore GrammarServer::store() const
{
    return EditorFeatures::GrammarStore(root(), baseURL(), publicKey());
}

std::vector<Package> GrammarServer::markdownPackages()
{
    Package markdown{"markdown", {"markdown"}};
    markdown.revision = 2;
    markdown.requiredGrammars = std::vector<std::string>{"markdown_inline"};
    return {markdown, Package{"markdown_inline", {}}};
}

} // namespace GrammarTest
