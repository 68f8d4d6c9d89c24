#include "features/SyntaxSession.h"
#include "tests/features/MarkdownGrammars.h"
#include "tests/features/TestQueues.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

using namespace EditorFeatures;

namespace {

// Records what a session delivers; safe to read once its queue is idle.
class Results
{
public:
    SyntaxSession::ParsedHandler handler()
    {
        return [this](SyntaxParsed parsed) {
            std::function<void(const SyntaxParsed&)> then;
            {
                std::lock_guard guard(m_mutex);
                m_parsed.push_back(parsed);
                then = std::move(m_then);
            }
            if (then)
                then(parsed);
        };
    }

    // Runs once, inside the next delivery.
    void onNextDelivery(std::function<void(const SyntaxParsed&)> then)
    {
        std::lock_guard guard(m_mutex);
        m_then = std::move(then);
    }

    std::vector<SyntaxParsed> take()
    {
        std::lock_guard guard(m_mutex);
        return std::exchange(m_parsed, {});
    }

    std::vector<std::int64_t> takeVersions()
    {
        std::vector<std::int64_t> versions;
        for (const auto& parsed : take())
            versions.push_back(parsed.version);
        return versions;
    }

private:
    std::mutex m_mutex;
    std::vector<SyntaxParsed> m_parsed;
    std::function<void(const SyntaxParsed&)> m_then;
};

std::string freshParse(const SyntaxGrammar& grammar, std::u16string_view text)
{
    auto parser = SyntaxParser::make(grammar.language);
    return parser->parse(text)->sExpression();
}

// The jobs wait until the test runs them, so a test sets exactly which requests come before
// which job.
class SyntaxSessionHeld : public ::testing::Test
{
protected:
    std::shared_ptr<SyntaxSession> start(const SyntaxGrammar& grammar)
    {
        auto session = SyntaxSession::make(grammar, m_results.handler(), m_queue.poster());
        EXPECT_TRUE(session);
        return session;
    }

    Results m_results;
    TestQueues::HeldQueue m_queue;
};

SyntaxSession::Grammars markdownEmbeds()
{
    return {{"markdown_inline", TestGrammars::markdownInline()}, {"json", TestGrammars::json()}};
}

} // namespace

TEST(SyntaxSessionEdit, pointsOfAnEdit)
{
    struct Case
    {
        const char* name;
        std::u16string units;
        std::int64_t location;
        std::int64_t oldLength;
        std::u16string replacement;
        SyntaxEdit expected;
    };
    const std::vector<Case> cases = {
        {"line feed inserted at the start", u"ab", 0, 0, u"\n", {0, 0, 1, {0, 0}, {0, 0}, {1, 0}}},
        {"stretch over a line feed replaced by one unit",
         u"ab\ncd",
         1,
         3,
         u"X",
         {1, 4, 2, {0, 1}, {1, 1}, {0, 2}}},
        {"stretch that ends with a line feed",
         u"ab\ncd",
         1,
         2,
         u"",
         {1, 3, 1, {0, 1}, {1, 0}, {0, 1}}},
        {"replacement that ends with a line feed",
         u"x\nab",
         3,
         1,
         u"yz\n",
         {3, 4, 6, {1, 1}, {1, 2}, {2, 0}}},
        {"carriage returns never start a row",
         u"a\rb\r\nc",
         5,
         0,
         u"\rd",
         {5, 5, 7, {1, 0}, {1, 0}, {1, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto edit = SyntaxSession::editFor(c.units, c.location, c.oldLength, c.replacement);
        EXPECT_EQ(edit, c.expected);
        // Read from a snapshot's chunks, a border between every two units.
        for (std::int64_t size : {1, 2, 4096}) {
            const EditorCore::ChunkedText chunks(c.units, {size, size, size});
            EXPECT_EQ(
                SyntaxSession::editFor(chunks.current(), c.location, c.oldLength, c.replacement),
                c.expected)
                << "chunks of " << size;
        }
        // The same edit as the general form computes it from both texts.
        auto after = c.units;
        after.replace(static_cast<std::size_t>(c.location),
                      static_cast<std::size_t>(c.oldLength),
                      c.replacement);
        EXPECT_EQ(edit,
                  SyntaxEdit::make(c.location,
                                   c.location + c.oldLength,
                                   static_cast<std::int64_t>(c.replacement.size()),
                                   c.units,
                                   after));
    }
}

TEST_F(SyntaxSessionHeld, onlyTheNewestRequestParses)
{
    auto session = start(TestGrammars::json());
    session->setText(u"[1]", 1);
    session->setText(u"[1, 2]", 2);
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].version, 2);
    EXPECT_EQ(results[0].tree->sExpression(), freshParse(TestGrammars::json(), u"[1, 2]"));

    // A skipped job still applies its change: the edit of version 4 is made to the text that
    // version 3 set.
    session->setText(u"[7]", 3);
    session->applyEdit(2, 0, u", 8", 4);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].version, 4);
    EXPECT_EQ(results[0].tree->sExpression(), freshParse(TestGrammars::json(), u"[7, 8]"));
    EXPECT_FALSE(results[0].tree->hasError());
}

TEST_F(SyntaxSessionHeld, editDuringAParseIsParsedAfterIt)
{
    auto session = start(TestGrammars::json());
    session->setText(u"[1]", 4);
    // The delivery of version 4 comes after its version check: the edit arrives while its
    // job runs.
    m_results.onNextDelivery([&](const SyntaxParsed&) { session->applyEdit(2, 0, u", 2", 5); });
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].version, 4);
    EXPECT_EQ(results[0].tree->sExpression(), freshParse(TestGrammars::json(), u"[1]"));
    EXPECT_EQ(results[1].version, 5);
    EXPECT_EQ(results[1].tree->sExpression(), freshParse(TestGrammars::json(), u"[1, 2]"));
    EXPECT_GE(results[1].seconds, 0.0);
}

TEST_F(SyntaxSessionHeld, editsKeepTheTreeInStep)
{
    // Typing into the middle of a document, one unit at a time, with every edit parsed
    // incrementally on the edited tree, ends with the tree a fresh parse gives.
    auto session = start(TestGrammars::json());
    std::u16string text = u"{\n  \"a\": [1, 2],\n  \"b\": \"x\"\n}";
    session->setText(text, 1);
    std::int64_t version = 1;
    const std::u16string typed = u"\"c\": {\"d\": null},\n  ";
    std::int64_t at = static_cast<std::int64_t>(text.find(u"\"b\""));
    for (auto unit : typed) {
        session->applyEdit(at, 0, std::u16string(1, unit), ++version);
        text.insert(static_cast<std::size_t>(at), 1, unit);
        ++at;
        m_queue.runAll();
    }
    // Then a replacement across a line feed.
    auto from = text.find(u"[1, 2]");
    session->applyEdit(static_cast<std::int64_t>(from), 10, u"true", ++version);
    text.replace(from, 10, u"true");
    m_queue.runAll();

    auto results = m_results.take();
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.back().version, version);
    EXPECT_EQ(results.back().tree->sExpression(), freshParse(TestGrammars::json(), text));
}

// The owner hands over a snapshot of its text and goes on editing its own; the session follows
// the edits in its copy, which shares the snapshot's chunks, and parses it in place.
TEST_F(SyntaxSessionHeld, aSnapshotHandedOverFollowsTheOwnersEdits)
{
    auto session = start(TestGrammars::json());
    std::u16string start = u"[";
    for (int i = 0; i < 2000; ++i)
        start += u"{\"k\u00E9y\": \"\U0001F600\"}, ";
    start += u"0]";
    EditorCore::ChunkedText owner(start, {64, 128, 256});
    session->setText(owner.snapshot(), 1);
    // Edits made before the queue ran: the snapshot handed over does not see them, the
    // session's copy gets them in order.
    std::int64_t version = 1;
    const std::vector<std::tuple<std::int64_t, std::int64_t, std::u16string>> edits = {
        {1, 0, u"null, "}, {500, 3, u"\n"}, {owner.length() / 2, 40, u"[true]"}, {3, 1, u"\u00E9"}};
    for (const auto& [location, oldLength, inserted] : edits) {
        session->applyEdit(location, oldLength, inserted, ++version);
        owner.replace(location, oldLength, inserted);
    }
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.back().version, version);
    EXPECT_FALSE(results.back().needsWholeText);
    EXPECT_EQ(results.back().tree->sExpression(),
              freshParse(TestGrammars::json(), owner.current().text()));
}

TEST_F(SyntaxSessionHeld, anEditPastTheTextAsksForTheWholeText)
{
    auto session = start(TestGrammars::json());
    session->setText(u"[1]", 1);
    m_queue.runAll();
    ASSERT_EQ(m_results.takeVersions(), (std::vector<std::int64_t>{1}));

    // Reaches past the 3 units held: the session's text is no longer the owner's.
    session->applyEdit(2, 5, u"x", 2);
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].version, 2);
    EXPECT_TRUE(results[0].needsWholeText);
    EXPECT_FALSE(results[0].tree);
    EXPECT_TRUE(results[0].problems.empty());
    EXPECT_TRUE(results[0].layers.empty());

    // Later edits that happen to fit the stale copy give no tree of it either, nor do grammars.
    session->applyEdit(0, 1, u"{", 3);
    session->setInjectedGrammars({}, 4);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].version, 4);
    EXPECT_TRUE(results[0].needsWholeText);
    EXPECT_FALSE(results[0].tree);

    // The whole text puts the session back in step, parsed from nothing.
    session->setText(u"[1, 2]", 5);
    session->applyEdit(5, 0, u", 3", 6);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].version, 6);
    EXPECT_FALSE(results[0].needsWholeText);
    ASSERT_TRUE(results[0].tree);
    EXPECT_EQ(results[0].tree->sExpression(), freshParse(TestGrammars::json(), u"[1, 2, 3]"));
}

TEST_F(SyntaxSessionHeld, aCancelledSessionDeliversNothing)
{
    auto session = start(TestGrammars::json());
    session->setText(u"[1]", 1);
    session->cancel();
    session->applyEdit(0, 0, u" ", 2);
    m_queue.runAll();
    EXPECT_TRUE(m_results.take().empty());
    EXPECT_TRUE(session->isCancelled());

    // Jobs queued before the cancel and those posted after it alike; a job already running
    // is covered by SyntaxSessionWorker.cancelWhileParsing.
}

TEST_F(SyntaxSessionHeld, markdownHostReportsOnlyTheProblemsOfItsJsonBlocks)
{
    auto session = start(TestGrammars::markdown());
    session->setInjectedGrammars(markdownEmbeds(), 1);
    const std::u16string block = u"{\"a\": [1,, 2}\n";
    const std::u16string text =
        u"# Title **bold *nested\n\n[broken](link `code\n\n> quote\n```json\n" + block
        + u"```\n\n_unclosed __strong\n";
    session->setText(text, 2);
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    const auto& parsed = results[0];

    auto blockStart = static_cast<std::int64_t>(text.find(block));
    auto jsonParser = SyntaxParser::make(TestGrammars::json().language);
    auto expected = jsonParser->parse(block)->problems(blockStart, 500);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(parsed.problems, expected);
    for (const auto& problem : parsed.problems) {
        EXPECT_GE(problem.range.start, blockStart);
        EXPECT_LE(problem.range.end, blockStart + static_cast<std::int64_t>(block.size()));
    }
    EXPECT_TRUE(parsed.missing.empty());

    // Without the JSON block, markup alone reports nothing.
    session->setText(u"**a *b [c](d `e\n\n> f\n\n| g |\n|--\n", 3);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].problems.empty());
}

TEST_F(SyntaxSessionHeld, layersFollowTheEmbeddedGrammars)
{
    auto session = start(TestGrammars::markdown());
    const std::u16string text = u"Some *text*.\n\n```yml\nkey: value\n```\n\n```json\n[1]\n```\n";
    session->setText(text, 1);
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].layers.empty());
    EXPECT_EQ(results[0].missing, (std::set<std::string>{"json", "markdown_inline", "yaml"}));

    session->setInjectedGrammars(markdownEmbeds(), 2);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].missing, (std::set<std::string>{"yaml"}));
    ASSERT_EQ(results[0].layers.size(), 2u);
    EXPECT_EQ(results[0].layers[0].grammar.language.name(), "json");
    EXPECT_EQ(results[0].layers[1].grammar.language.name(), "markdown_inline");
    EXPECT_TRUE(results[0].layers[1].isMarkdownInline());

    // The fence says "yml"; the grammar goes by the language's identifier.
    auto embeds = markdownEmbeds();
    embeds.emplace("yaml", *SyntaxGrammars::grammar(CodeLanguage::yaml));
    session->setInjectedGrammars(embeds, 3);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].missing.empty());
    ASSERT_EQ(results[0].layers.size(), 3u);
    const auto& yaml = results[0].layers[2];
    EXPECT_EQ(yaml.grammar.language.name(), "yaml");
    ASSERT_EQ(yaml.singles.size(), 1u);
    auto keyAt = static_cast<std::int64_t>(text.find(u"key: value"));
    EXPECT_EQ(yaml.singles[0].offset, keyAt);
    auto spans = yaml.spans(0, static_cast<std::int64_t>(text.size()));
    ASSERT_FALSE(spans.empty());
    EXPECT_EQ(spans.front().range.start, keyAt);

    // No grammars: every embedded language is missing again.
    session->setInjectedGrammars({}, 4);
    m_queue.runAll();
    results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].layers.empty());
    EXPECT_EQ(results[0].missing, (std::set<std::string>{"json", "markdown_inline", "yaml"}));
}

TEST_F(SyntaxSessionHeld, anEditInOneBlockReparsesOnlyThatBlock)
{
    auto session = start(TestGrammars::markdown());
    session->setInjectedGrammars(markdownEmbeds(), 1);
    std::u16string text = u"```json\n[1]\n```\n\n```json\n[2]\n```\n\n```json\n[3]\n```\n";
    session->setText(text, 2);
    m_queue.runAll();
    auto edit = static_cast<std::int64_t>(text.find(u"[2]")) + 1;
    session->applyEdit(edit, 1, u"22", 3);
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 2u);

    auto jsonLayer = [](const SyntaxParsed& parsed) -> const SyntaxLayer& {
        return parsed.layers.front();
    };
    const auto& before = jsonLayer(results[0]);
    const auto& after = jsonLayer(results[1]);
    ASSERT_EQ(before.grammar.language.name(), "json");
    ASSERT_EQ(after.grammar.language.name(), "json");
    ASSERT_EQ(before.singles.size(), 3u);
    ASSERT_EQ(after.singles.size(), 3u);
    EXPECT_EQ(after.singles[0].tree, before.singles[0].tree);
    EXPECT_NE(after.singles[1].tree, before.singles[1].tree);
    EXPECT_EQ(after.singles[2].tree, before.singles[2].tree);
    // The third block moved by one unit; its piece says where it is now.
    EXPECT_EQ(after.singles[2].offset, before.singles[2].offset + 1);
    EXPECT_EQ(after.singles[1].tree->sExpression(), freshParse(TestGrammars::json(), u"[22]\n"));
}

TEST_F(SyntaxSessionHeld, hostWithoutInjectionsHasNoLayers)
{
    auto session = start(TestGrammars::json());
    session->setInjectedGrammars(markdownEmbeds(), 1);
    session->setText(u"{\"a\": \"```json\\n[1]\\n```\"}", 2);
    m_queue.runAll();
    auto results = m_results.take();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].layers.empty());
    EXPECT_TRUE(results[0].missing.empty());
}

// The jobs run on a thread of their own, as in the editor. These also run under
// ThreadSanitizer in CI.
class SyntaxSessionWorker : public ::testing::Test
{
protected:
    Results m_results;
    TestQueues::WorkerQueue m_queue;
};

TEST_F(SyntaxSessionWorker, typingWhileParsingEndsInStep)
{
    auto session =
        SyntaxSession::make(TestGrammars::markdown(), m_results.handler(), m_queue.poster());
    ASSERT_TRUE(session);
    session->setInjectedGrammars(markdownEmbeds(), 1);
    std::u16string text = u"# Notes\n\n```json\n{\"a\": 1}\n```\n\nEnd *here*.\n";
    session->setText(text, 2);
    std::int64_t version = 2;
    const std::u16string typed = u"Some **more** text.\n\n```json\n[true, null]\n```\n\n";
    std::int64_t at = static_cast<std::int64_t>(text.find(u"End"));
    std::vector<SyntaxParsed> results;
    std::size_t spansRead = 0;
    for (int round = 0; round < 5; ++round) {
        for (auto unit : typed) {
            session->applyEdit(at, 0, std::u16string(1, unit), ++version);
            text.insert(static_cast<std::size_t>(at), 1, unit);
            ++at;
            // What the colouring does with each result while the session goes on parsing:
            // read the host tree's and the layers' spans on this thread.
            auto arrived = m_results.take();
            if (!arrived.empty()) {
                const auto& newest = arrived.back();
                spansRead += TestGrammars::markdown().query->spans(*newest.tree, 0, at).size();
                for (const auto& layer : newest.layers)
                    spansRead += layer.spans(0, at).size();
            }
            results.insert(results.end(), arrived.begin(), arrived.end());
        }
    }
    m_queue.waitUntilIdle();
    EXPECT_EQ(session->unitCount(), text.size());

    auto rest = m_results.take();
    results.insert(results.end(), rest.begin(), rest.end());
    ASSERT_FALSE(results.empty());
    // Versions only grow, and the newest request always parses.
    for (std::size_t index = 1; index < results.size(); ++index)
        EXPECT_LT(results[index - 1].version, results[index].version);
    const auto& last = results.back();
    EXPECT_EQ(last.version, version);
    EXPECT_EQ(last.tree->sExpression(), freshParse(TestGrammars::markdown(), text));
    ASSERT_FALSE(last.layers.empty());
    EXPECT_EQ(last.layers.front().grammar.language.name(), "json");
    EXPECT_EQ(last.layers.front().singles.size(), 6u);
    EXPECT_TRUE(last.problems.empty());
}

TEST_F(SyntaxSessionWorker, cancelWhileParsing)
{
    std::u16string text;
    for (int index = 0; index < 2000; ++index)
        text += u"{\"key\": [1, 2, {\"x\": \"y\"}], \"other\": null},\n";
    text = u"[" + text + u"0]";
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> cancelled = false;
        std::atomic<bool> deliveredAfterCancel = false;
        auto session = SyntaxSession::make(
            TestGrammars::json(),
            [&](SyntaxParsed) {
                if (cancelled)
                    deliveredAfterCancel = true;
            },
            m_queue.poster());
        session->setText(text, 1);
        session->applyEdit(1, 0, u"7, ", 2);
        // Lets the job reach the parse on some rounds and not on others.
        if (round % 2)
            std::this_thread::yield();
        session->cancel();
        cancelled = true;
        m_queue.waitUntilIdle();
        EXPECT_FALSE(deliveredAfterCancel);
    }
}

TEST_F(SyntaxSessionWorker, sessionOutlivesItsOwner)
{
    std::atomic<int> delivered = 0;
    {
        auto session = SyntaxSession::make(
            TestGrammars::json(), [&](SyntaxParsed) { ++delivered; }, m_queue.poster());
        session->setText(u"[1, 2, 3]", 1);
    }
    m_queue.waitUntilIdle();
    EXPECT_EQ(delivered, 1);
}
