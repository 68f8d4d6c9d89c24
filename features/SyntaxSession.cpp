#include "features/SyntaxSession.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <utility>

namespace EditorFeatures {
namespace {

// Markup is forgiving by design: its trees are full of error nodes a reader never sees as such.
bool reportsProblems(std::string_view languageName)
{
    return languageName != "markdown" && languageName != "markdown_inline";
}

constexpr std::size_t problemLimitPerTree = 500;

struct LineFeeds
{
    std::int64_t count = 0;
    // The index just after the last line feed, if any.
    std::optional<std::int64_t> lastLineStart;
};

LineFeeds lineFeeds(std::u16string_view units, std::int64_t base)
{
    LineFeeds result;
    for (std::size_t index = 0; index < units.size(); ++index) {
        if (units[index] == u'\n') {
            ++result.count;
            result.lastLineStart = base + static_cast<std::int64_t>(index) + 1;
        }
    }
    return result;
}

// The edit's points from the line feeds before it and in the replaced stretch: rows count line
// feeds only.
SyntaxEdit editFrom(std::int64_t location,
                    std::int64_t oldLength,
                    std::u16string_view replacement,
                    const LineFeeds& before,
                    const LineFeeds& replaced)
{
    auto oldEnd = location + oldLength;
    SyntaxEdit edit;
    edit.start = location;
    edit.oldEnd = oldEnd;
    edit.newEnd = location + static_cast<std::int64_t>(replacement.size());
    edit.startPoint = {before.count, location - before.lastLineStart.value_or(0)};

    edit.oldEndPoint.row = edit.startPoint.row + replaced.count;
    edit.oldEndPoint.column = replaced.lastLineStart ? oldEnd - *replaced.lastLineStart
                                                     : edit.startPoint.column + oldLength;

    auto inserted = lineFeeds(replacement, 0);
    auto newLength = static_cast<std::int64_t>(replacement.size());
    edit.newEndPoint.row = edit.startPoint.row + inserted.count;
    edit.newEndPoint.column = inserted.lastLineStart ? newLength - *inserted.lastLineStart
                                                     : edit.startPoint.column + newLength;
    return edit;
}

} // namespace

std::shared_ptr<SyntaxSession>
SyntaxSession::make(SyntaxGrammar grammar, ParsedHandler onParsed, JobPoster post)
{
    auto parser = SyntaxParser::make(grammar.language);
    if (!parser)
        return nullptr;
    return std::shared_ptr<SyntaxSession>(new SyntaxSession(
        std::move(grammar), std::move(*parser), std::move(onParsed), std::move(post)));
}

SyntaxSession::SyntaxSession(SyntaxGrammar grammar,
                             SyntaxParser parser,
                             ParsedHandler onParsed,
                             JobPoster post)
    : m_grammar(std::move(grammar))
    , m_post(std::move(post))
    , m_onParsed(std::move(onParsed))
    , m_parser(std::move(parser))
{}

SyntaxEdit SyntaxSession::editFor(std::u16string_view units,
                                  std::int64_t location,
                                  std::int64_t oldLength,
                                  std::u16string_view replacement)
{
    auto before = lineFeeds(units.substr(0, static_cast<std::size_t>(location)), 0);
    auto replaced = lineFeeds(
        units.substr(static_cast<std::size_t>(location), static_cast<std::size_t>(oldLength)),
        location);
    return editFrom(location, oldLength, replacement, before, replaced);
}

SyntaxEdit SyntaxSession::editFor(const EditorCore::TextSnapshot& text,
                                  std::int64_t location,
                                  std::int64_t oldLength,
                                  std::u16string_view replacement)
{
    auto feedsIn = [&text](std::int64_t from, std::int64_t length) {
        LineFeeds result;
        std::int64_t at = from;
        text.visit(from, length, [&](std::u16string_view piece) {
            const LineFeeds found = lineFeeds(piece, at);
            result.count += found.count;
            if (found.lastLineStart)
                result.lastLineStart = found.lastLineStart;
            at += static_cast<std::int64_t>(piece.size());
            return true;
        });
        return result;
    };
    return editFrom(
        location, oldLength, replacement, feedsIn(0, location), feedsIn(location, oldLength));
}

void SyntaxSession::raiseLatest(std::int64_t version)
{
    std::lock_guard guard(m_lock);
    m_latest = std::max(m_latest, version);
}

void SyntaxSession::enqueue(Job job)
{
    m_post(std::move(job));
}

void SyntaxSession::setText(std::u16string_view text, std::int64_t version)
{
    raiseLatest(version);
    enqueue([self = shared_from_this(), units = std::u16string(text), version]() mutable {
        self->replaceText(EditorCore::ChunkedText(units), version);
    });
}

void SyntaxSession::setText(EditorCore::TextSnapshot text, std::int64_t version)
{
    raiseLatest(version);
    enqueue([self = shared_from_this(), text = std::move(text), version]() mutable {
        self->replaceText(EditorCore::ChunkedText(std::move(text)), version);
    });
}

void SyntaxSession::applyEdit(std::int64_t location,
                              std::int64_t oldLength,
                              std::u16string_view replacement,
                              std::int64_t version)
{
    raiseLatest(version);
    enqueue([self = shared_from_this(),
             location,
             oldLength,
             units = std::u16string(replacement),
             version]() mutable { self->edit(location, oldLength, std::move(units), version); });
}

void SyntaxSession::setInjectedGrammars(Grammars grammars, std::int64_t version)
{
    raiseLatest(version);
    enqueue([self = shared_from_this(), grammars = std::move(grammars), version]() mutable {
        self->replaceGrammars(std::move(grammars), version);
    });
}

void SyntaxSession::cancel()
{
    std::lock_guard guard(m_deliveryLock);
    m_cancelled = true;
}

std::size_t SyntaxSession::unitCount()
{
    std::promise<std::size_t> count;
    auto counted = count.get_future();
    enqueue([self = shared_from_this(), &count] {
        count.set_value(static_cast<std::size_t>(self->m_text.length()));
    });
    return counted.get();
}

void SyntaxSession::replaceText(EditorCore::ChunkedText text, std::int64_t version)
{
    m_text = std::move(text);
    m_tree.reset();
    m_outOfStep = false;
    parseNow(version);
}

void SyntaxSession::edit(std::int64_t location,
                         std::int64_t oldLength,
                         std::u16string replacement,
                         std::int64_t version)
{
    // Once out of step, applying further edits would only build on a wrong text.
    if (!m_outOfStep) {
        if (location < 0 || oldLength < 0 || location + oldLength > m_text.length()) {
            m_outOfStep = true;
            m_tree.reset();
        } else {
            auto change = editFor(m_text.current(), location, oldLength, replacement);
            m_text.replace(location, oldLength, replacement);
            if (m_tree)
                m_tree->edit(change);
        }
    }
    parseNow(version);
}

void SyntaxSession::replaceGrammars(Grammars grammars, std::int64_t version)
{
    m_injection.replaceGrammars(std::move(grammars));
    parseNow(version);
}

void SyntaxSession::parseNow(std::int64_t version)
{
    if (isCancelled())
        return;
    {
        std::lock_guard guard(m_lock);
        // A newer request waits behind this job; it parses instead.
        if (version < m_latest)
            return;
    }
    if (m_outOfStep) {
        SyntaxParsed parsed;
        parsed.version = version;
        parsed.needsWholeText = true;
        deliver(std::move(parsed));
        return;
    }

    auto started = std::chrono::steady_clock::now();
    auto parsedTree = m_parser.parse(m_text.current(), m_tree ? &*m_tree : nullptr);
    if (!parsedTree)
        return;
    m_tree = std::move(parsedTree);
    // The embedded languages' queries and parses read one string: flattened here, on the queue,
    // and only for a grammar that embeds others.
    SyntaxLayers layers;
    if (m_grammar.injections)
        layers = parseLayers(m_grammar, *m_tree, m_text.current().text(), m_injection);
    auto copy = std::make_shared<const SyntaxTree>(m_tree->copy());
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;

    SyntaxParsed parsed;
    parsed.tree = std::move(copy);
    parsed.version = version;
    parsed.seconds = elapsed.count();
    parsed.problems = problemsOf(layers);
    parsed.layers = std::move(layers.layers);
    parsed.missing = std::move(layers.missing);
    deliver(std::move(parsed));
}

std::vector<SyntaxProblem> SyntaxSession::problemsOf(const SyntaxLayers& layers) const
{
    std::vector<SyntaxProblem> result;
    if (reportsProblems(m_grammar.language.name()))
        result = m_tree->problems(0, problemLimitPerTree);
    for (const auto& layer : layers.layers) {
        if (!reportsProblems(layer.grammar.language.name()))
            continue;
        for (const auto* piece : layer.pieces()) {
            auto found = piece->tree->problems(piece->offset, problemLimitPerTree);
            result.insert(result.end(), found.begin(), found.end());
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const auto& a, const auto& b) {
        return a.range.start < b.range.start;
    });
    return result;
}

void SyntaxSession::deliver(SyntaxParsed parsed)
{
    std::lock_guard guard(m_deliveryLock);
    if (isCancelled())
        return;
    m_onParsed(std::move(parsed));
}

} // namespace EditorFeatures
