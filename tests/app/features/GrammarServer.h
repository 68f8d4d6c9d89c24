#pragma once

#include "features/GrammarStore.h"
#include "tests/features/StoreTestSupport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace GrammarTest {

// One grammar as the publisher offers it.
struct Package
{
    Package(std::string name_, std::vector<std::string> languages_)
        : name(std::move(name_))
        , languages(std::move(languages_))
    {}

    std::string name;
    std::vector<std::string> languages;
    // The library's exported entry function.
    std::string symbol = "tree_sitter_json";
    // The library's bytes; empty: the test build of the JSON grammar.
    std::string library;
    std::string version = "1.0";
    std::optional<int> revision;
    std::optional<std::vector<std::string>> requiredGrammars;
    // Leaves the library out of the archive.
    bool withoutLibrary = false;
};

// A download server in a folder, reached by a file URL, and an empty grammar folder, with an
// index signed by a key made for the test. The grammars' libraries are test builds of the JSON
// grammar (whatever their names), so they load and parse.
class GrammarServer
{
public:
    std::filesystem::path server() const { return m_folder.path() / "server"; }
    std::filesystem::path root() const { return m_folder.path() / "Grammars"; }
    std::string baseURL() const { return StoreTest::fileURL(server()); }
    std::string publicKey() const { return m_signer.publicKey(); }

    // Publishes the packages (archives and a signed index listing them, in order).
    void publish(const std::vector<Package>& packages);
    // Replaces the index's signature by one of another key.
    void signWithAnotherKey();
    // Changes the published archive of a package after the index was signed.
    void damageArchive(const std::string& name);

    EditorFeatures::GrammarStore store() const;

    // "markdown" (revision 2, requiring "markdown_inline") and "markdown_inline": a Markdown
    // grammar that needs no newer edition.
    static std::vector<Package> markdownPackages();

private:
    StoreTest::TemporaryFolder m_folder;
    StoreTest::TestSigner m_signer;
};

} // namespace GrammarTest
