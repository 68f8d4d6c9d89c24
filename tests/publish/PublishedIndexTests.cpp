// The index this build published, installed with the editor's stores and the key the editor
// is built with: every offered language colours, and tampered files are refused.
#include "features/FormatterStore.h"
#include "features/GrammarStore.h"
#include "features/PublishedIndex.h"
#include "features/SyntaxGrammarLoad.h"
#include "features/SyntaxParser.h"
#include "features/SyntaxQuery.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace EditorFeatures;
namespace fs = std::filesystem;

namespace {

// A store over the published index as the editor has it by default, into a fresh folder.
struct Installation
{
    StoreTest::TemporaryFolder folder;
    GrammarStore store{folder.path() / "Grammars", GrammarStore::defaultBaseURL()};
};

struct Sample
{
    CodeLanguage language;
    std::u16string text;
    // A piece of the text and the role its first occurrence must be coloured with.
    std::u16string piece;
    SyntaxRole role;
};

std::optional<SyntaxRole> roleOf(const SyntaxGrammar& grammar, const Sample& sample)
{
    auto parser = SyntaxParser::make(grammar.language);
    if (!parser)
        return std::nullopt;
    auto tree = parser->parse(sample.text);
    if (!tree)
        return std::nullopt;
    const auto start = static_cast<std::int64_t>(sample.text.find(sample.piece));
    const SyntaxRange range{start, start + static_cast<std::int64_t>(sample.piece.size())};
    std::optional<SyntaxRole> role;
    for (const auto& span :
         grammar.query->spans(*tree, 0, static_cast<std::int64_t>(sample.text.size()))) {
        if (span.range == range)
            role = span.role;
    }
    return role;
}

} // namespace

TEST(PublishedIndex, everyOfferedLanguageInstallsLoadsAndColours)
{
    const std::vector<Sample> samples = {
        {CodeLanguage::shell, u"if [ -f x ]; then echo hi; fi\n", u"then", SyntaxRole::keyword},
        {CodeLanguage::c, u"int main(void) { return 0; }\n", u"return", SyntaxRole::keyword},
        {CodeLanguage::cpp, u"class A { public: int x; };\n", u"class", SyntaxRole::keyword},
        {CodeLanguage::css, u"a { color: red; }\n", u"color", SyntaxRole::property},
        {CodeLanguage::go, u"package main\nfunc main() {}\n", u"func", SyntaxRole::keyword},
        {CodeLanguage::html, u"<p class=\"x\">hi</p>\n", u"p", SyntaxRole::type},
        {CodeLanguage::java, u"class A { void f() { return; } }\n", u"return", SyntaxRole::keyword},
        {CodeLanguage::javascript, u"const a = 1;\n", u"const", SyntaxRole::keyword},
        {CodeLanguage::typescript,
         u"interface A { b: string }\n",
         u"interface",
         SyntaxRole::keyword},
        {CodeLanguage::tsx, u"const a = <div>hi</div>;\n", u"const", SyntaxRole::keyword},
        {CodeLanguage::php,
         u"<?php function f() { return 1; }\n",
         u"function",
         SyntaxRole::keyword},
        {CodeLanguage::python, u"def f():\n    return 1\n", u"def", SyntaxRole::keyword},
        // The package's method-call pattern comes before its attribute pattern and wins.
        {CodeLanguage::python, u"obj.run()\n", u"run", SyntaxRole::function},
        {CodeLanguage::python, u"obj.size\n", u"size", SyntaxRole::property},
        {CodeLanguage::ruby, u"def f\n  1\nend\n", u"def", SyntaxRole::keyword},
        {CodeLanguage::rust, u"fn main() { let x = 1; }\n", u"let", SyntaxRole::keyword},
        {CodeLanguage::toml, u"[a]\nb = \"c\"\n", u"\"c\"", SyntaxRole::string},
        {CodeLanguage::xml, u"<a b=\"c\"/>\n", u"\"c\"", SyntaxRole::string},
        {CodeLanguage::sql, u"SELECT a FROM b;\n", u"SELECT", SyntaxRole::keyword},
        {CodeLanguage::kotlin, u"fun main() { val a = 1 }\n", u"fun", SyntaxRole::keyword},
        {CodeLanguage::swift, u"func f() { return }\n", u"func", SyntaxRole::keyword},
        {CodeLanguage::make, u"all:\n\techo hi\n# note\n", u"# note", SyntaxRole::comment},
        {CodeLanguage::markdown, u"# Title\n", u"Title", SyntaxRole::property},
    };
    Installation installation;
    for (const auto& sample : samples) {
        SCOPED_TRACE(std::string(rawValue(sample.language)));
        auto record = installation.store.install(sample.language);
        ASSERT_TRUE(record) << record.error();
        auto grammar = SyntaxGrammars::load(*record, installation.store.versionDirectory(*record));
        ASSERT_TRUE(grammar) << grammar.error();
        EXPECT_EQ(roleOf(*grammar, sample), sample.role);
    }
    // Markdown brought its inline grammar along.
    const auto installed = installation.store.installed();
    EXPECT_TRUE(std::any_of(installed.begin(), installed.end(), [](const auto& r) {
        return r.name == "markdown_inline";
    }));
    for (const auto& record : installed) {
        SCOPED_TRACE(record.name);
        EXPECT_FALSE(GrammarStore::needsUpdate(record, installed));
    }
}

TEST(PublishedIndex, languagesWithoutAGrammarAreNotOffered)
{
    Installation installation;
    for (auto language : {CodeLanguage::ini, CodeLanguage::dotenv, CodeLanguage::dockerfile}) {
        SCOPED_TRACE(std::string(rawValue(language)));
        auto record = installation.store.install(language);
        ASSERT_FALSE(record);
        EXPECT_EQ(record.error(), StoreFailure::notAvailable());
    }
}

namespace {

// A copy of the published folders whose files a case may change.
struct TamperedServer
{
    StoreTest::TemporaryFolder folder;
    TamperedServer()
    {
        const fs::path published = fs::path(OLV_PUBLISHED_INDEX_DIR);
        fs::copy(published, folder.path() / "server", fs::copy_options::recursive);
    }
    fs::path file(const std::string& path) const { return folder.path() / "server" / path; }
    std::string url(const std::string& kind) const
    {
        return StoreTest::fileURL(folder.path() / "server" / kind) + "/";
    }
};

void flipByte(const fs::path& path, std::size_t at)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(at));
    char byte = 0;
    file.get(byte);
    file.seekp(static_cast<std::streamoff>(at));
    file.put(static_cast<char>(byte ^ 0x01));
}

void truncateBy(const fs::path& path, std::uintmax_t bytes)
{
    fs::resize_file(path, fs::file_size(path) - bytes);
}

struct Tampering
{
    std::string name;
    std::function<void(const TamperedServer&)> change;
    StoreFailure failure;
};

} // namespace

TEST(PublishedIndex, aTamperedIndexSignatureOrArchiveIsRefused)
{
    const auto anotherKeysSignature = [](const TamperedServer& server, const std::string& kind) {
        StoreTest::TestSigner other;
        StoreTest::writeText(server.file(kind + "/index.json.sig"),
                             other.sign(StoreTest::readText(server.file(kind + "/index.json"))));
    };
    const auto badSignature = StoreFailure::index(IndexFailure::badSignature);
    const std::vector<Tampering> grammarCases = {
        {"a changed byte of the index",
         [](auto& s) { flipByte(s.file("grammars/index.json"), 40); },
         badSignature},
        {"a blank added to the index",
         [](auto& s) { std::ofstream(s.file("grammars/index.json"), std::ios::app) << " "; },
         badSignature},
        {"a changed byte of the signature",
         [](auto& s) { flipByte(s.file("grammars/index.json.sig"), 10); },
         badSignature},
        {"a signature of another key",
         [&](auto& s) { anotherKeysSignature(s, "grammars"); },
         badSignature},
        {"no signature",
         [](auto& s) { fs::remove(s.file("grammars/index.json.sig")); },
         StoreFailure::download("")},
        {"a changed byte of the archive",
         [](auto& s) { flipByte(s.file("grammars/python-0.25.0.zip"), 5000); },
         StoreFailure::corrupted()},
        {"a shortened archive",
         [](auto& s) { truncateBy(s.file("grammars/python-0.25.0.zip"), 1); },
         StoreFailure::corrupted()},
    };
    for (const auto& c : grammarCases) {
        SCOPED_TRACE(c.name);
        TamperedServer server;
        c.change(server);
        StoreTest::TemporaryFolder root;
        GrammarStore store(root.path(), server.url("grammars"));
        auto record = store.install(CodeLanguage::python);
        ASSERT_FALSE(record);
        if (std::holds_alternative<StoreFailure::Download>(c.failure.value))
            EXPECT_TRUE(std::holds_alternative<StoreFailure::Download>(record.error().value))
                << record.error();
        else
            EXPECT_EQ(record.error(), c.failure);
        EXPECT_TRUE(store.installed().empty());
    }

    const std::vector<Tampering> formatterCases = {
        {"a changed byte of the index",
         [](auto& s) { flipByte(s.file("formatters/index.json"), 20); },
         badSignature},
        {"a signature of another key",
         [&](auto& s) { anotherKeysSignature(s, "formatters"); },
         badSignature},
        {"a changed byte of the archive",
         [](auto& s) { flipByte(s.file("formatters/prettier-3.10.2.zip"), 5000); },
         StoreFailure::corrupted()},
    };
    for (const auto& c : formatterCases) {
        SCOPED_TRACE("formatter: " + c.name);
        TamperedServer server;
        c.change(server);
        StoreTest::TemporaryFolder root;
        FormatterStore store(root.path(), server.url("formatters"));
        auto installed = store.install("prettier");
        ASSERT_FALSE(installed);
        EXPECT_EQ(installed.error(), c.failure);
        EXPECT_FALSE(store.installed("prettier"));
    }
}

TEST(PublishedIndex, thePrettierBundleInstallsWithAllItsScripts)
{
    StoreTest::TemporaryFolder root;
    FormatterStore store(root.path(), FormatterStore::defaultBaseURL());
    auto installed = store.install("prettier");
    ASSERT_TRUE(installed) << installed.error();
    EXPECT_EQ(installed->entry.version, "3.10.2");
    EXPECT_EQ(installed->entry.scripts.front(), "standalone.js");
    EXPECT_TRUE(fs::exists(installed->directory / "LICENSE"));
}

TEST(PublishedIndex, anInstalledEditorTakesTheIndexInstalledBesideIt)
{
    StoreTest::TemporaryFolder prefix;
    const fs::path program = prefix.path() / "lib" / "orlune-viewer" / "orlune-viewer";
    const fs::path buildTree = OLV_PUBLISHED_INDEX_DIR;
    EXPECT_EQ(PublishedIndex::folder(program), buildTree) << "nothing installed yet";

    const fs::path share = prefix.path() / "share" / "orlune-viewer";
    fs::create_directories(share / "grammars");
    EXPECT_EQ(PublishedIndex::folder(program), buildTree) << "a folder without an index";
    StoreTest::writeText(share / "grammars" / "index.json", "{}");
    EXPECT_EQ(PublishedIndex::folder(program), share);
    EXPECT_EQ(PublishedIndex::folder(prefix.path() / "bin" / "olv"), buildTree)
        << "only the program folder's own prefix counts";
}
