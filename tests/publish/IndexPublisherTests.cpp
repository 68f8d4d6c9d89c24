#include "features/ArchiveInstall.h"
#include "features/SyntaxGrammars.h"
#include "features/SyntaxParser.h"
#include "features/SyntaxQuery.h"
#include "publish/IndexPublisher.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorFeatures;
namespace fs = std::filesystem;

namespace {

const void* jsonLanguage()
{
    static const auto grammar = SyntaxGrammars::builtin(CodeLanguage::json);
    return grammar->language.raw();
}

} // namespace

TEST(IndexPublisher, highlightPatternsLoseTheirPredicatesAndTurnAround)
{
    struct Case
    {
        std::string name;
        std::string source;
        std::string kept;
    };
    const std::vector<Case> cases = {
        {"no predicates",
         "; head\n(string) @string\n(number) @number\n",
         "; head\n(number) @number\n(string) @string\n"},
        {"a match in the middle",
         "(string) @string\n((pair key: (_) @keyword) (#match? @keyword \"^x\"))\n(number) "
         "@number\n",
         "(number) @number\n(string) @string\n"},
        {"an eq at the end",
         "(null) @keyword\n((string) @type (#eq? @type \"\\\"a\\\"\"))\n",
         "(null) @keyword\n"},
        {"an alternation stays whole",
         "[(true) (false)] @boolean\n(null) @keyword",
         "(null) @keyword\n[(true) (false)] @boolean\n"},
        {"every pattern", "((string) @a (#match? @a \"b\"))", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto kept = Publisher::highlightsWithoutPredicates(jsonLanguage(), c.source);
        ASSERT_TRUE(kept) << kept.error();
        EXPECT_EQ(*kept, c.kept);
    }
    auto broken = Publisher::highlightsWithoutPredicates(jsonLanguage(), "(no_such_node) @x\n");
    ASSERT_FALSE(broken);
    EXPECT_NE(broken.error().find("line 1"), std::string::npos) << broken.error();
}

// The packages' queries let the first pattern of a node win; turned around, the editor's
// colouring (the last capture of one range wins) gives the same colour.
TEST(IndexPublisher, theFirstPatternOfANodeKeepsWinning)
{
    const auto grammar = SyntaxGrammars::builtin(CodeLanguage::json);
    ASSERT_TRUE(grammar);
    auto turned = Publisher::highlightsWithoutPredicates(
        jsonLanguage(), "(pair key: (string) @property)\n(string) @string\n");
    ASSERT_TRUE(turned) << turned.error();
    auto query = SyntaxQuery::make(grammar->language, *turned);
    ASSERT_TRUE(query);
    const std::u16string text = u"{\"k\": \"v\"}";
    auto tree = SyntaxParser::make(grammar->language)->parse(text);
    ASSERT_TRUE(tree);
    std::vector<SyntaxSpan> spans =
        (*query)->spans(*tree, 0, static_cast<std::int64_t>(text.size()));
    const auto roleOf = [&](std::int64_t start, std::int64_t end) {
        std::optional<SyntaxRole> role;
        for (const auto& span : spans) {
            if (span.range == SyntaxRange{start, end})
                role = span.role;
        }
        return role;
    };
    EXPECT_EQ(roleOf(1, 4), SyntaxRole::property) << "the key";
    EXPECT_EQ(roleOf(6, 9), SyntaxRole::string) << "the value";
}

TEST(IndexPublisher, manifestBlocksAndTheirMistakes)
{
    auto manifest =
        Publisher::readManifest("grammar md\nversion 1\nrevision 2\nsymbol tree_sitter_md\n"
                                "library /l/libmd.so\nlanguage markdown\n"
                                "highlights /q/a b.scm\nhighlights /q/c.scm\n"
                                "requires md_inline\nend\n"
                                "formatter prettier\nversion 3\nfolder /p\n"
                                "script standalone.js\nfile LICENSE\nend\n");
    ASSERT_TRUE(manifest) << manifest.error();
    ASSERT_EQ(manifest->grammars.size(), 1u);
    const auto& grammar = manifest->grammars.front();
    EXPECT_EQ(grammar.revision, 2);
    EXPECT_EQ(grammar.languages, std::vector<std::string>{"markdown"});
    EXPECT_EQ(grammar.highlights, (std::vector<fs::path>{"/q/a b.scm", "/q/c.scm"}));
    EXPECT_EQ(grammar.requiredGrammars, std::vector<std::string>{"md_inline"});
    ASSERT_EQ(manifest->formatters.size(), 1u);
    EXPECT_EQ(manifest->formatters.front().files, std::vector<std::string>{"LICENSE"});

    struct Case
    {
        std::string name;
        std::string text;
        std::string says;
    };
    const std::vector<Case> mistakes = {
        {"no end", "grammar a\nversion 1\n", "no \"end\""},
        {"an unknown key", "grammar a\ncolour red\nend\n", "line 2: unknown key"},
        {"a stray end", "end\n", "line 1"},
        {"a grammar without a library",
         "grammar a\nversion 1\nsymbol s\nhighlights h\nend\n",
         "needs a version, symbol"},
        {"a name that is no folder name",
         "grammar ../a\nversion 1\nsymbol s\nlibrary l\nhighlights h\nend\n",
         "cannot name a folder"},
        {"a revision of zero", "grammar a\nrevision 0\nend\n", "line 2"},
    };
    for (const auto& c : mistakes) {
        SCOPED_TRACE(c.name);
        auto read = Publisher::readManifest(c.text);
        ASSERT_FALSE(read);
        EXPECT_NE(read.error().find(c.says), std::string::npos) << read.error();
    }
}

TEST(IndexPublisher, archivesAreTheSameForTheSameFilesAndUnpackAsWritten)
{
    const std::vector<Publisher::ZipFile> files = {
        {"libx.so", StoreTest::bytes(std::string(5000, 'x'))},
        {"plugins/a.js", StoreTest::bytes("a")},
        {"empty", {}},
    };
    auto first = Publisher::zip(files);
    auto second = Publisher::zip(files);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, *second);
    EXPECT_LT(first->size(), 5000u) << "members are compressed";

    StoreTest::TemporaryFolder folder;
    const auto archive = folder.path() / "a.zip";
    StoreTest::writeText(archive, std::string(first->begin(), first->end()));
    ASSERT_TRUE(ArchiveInstall::extractZip(archive, folder.path() / "out"));
    EXPECT_EQ(StoreTest::readText(folder.path() / "out" / "libx.so"), std::string(5000, 'x'));
    EXPECT_EQ(StoreTest::readText(folder.path() / "out" / "plugins" / "a.js"), "a");
    EXPECT_EQ(fs::file_size(folder.path() / "out" / "empty"), 0u);
}
