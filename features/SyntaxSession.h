#pragma once

#include "core/ChunkedText.h"
#include "features/SyntaxEdit.h"
#include "features/SyntaxGrammars.h"
#include "features/SyntaxLayer.h"
#include "features/SyntaxParser.h"
#include "features/SyntaxProblem.h"
#include "features/SyntaxTree.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// One parse delivered by a session.
struct SyntaxParsed
{
    // A copy of the host tree made for the receiver; the session never edits it. Null when
    // needsWholeText is set.
    std::shared_ptr<const SyntaxTree> tree;
    // In ascending order of language name.
    std::vector<SyntaxLayer> layers;
    // Embedded languages found in the text for which the session holds no grammar.
    std::set<std::string> missing;
    // The version of the request whose job produced this result.
    std::int64_t version = 0;
    // Wall-clock time of the host parse, the layers and the tree copy (not the problem walk).
    double seconds = 0;
    // Of the host tree and of the layers' trees, ordered by start.
    std::vector<SyntaxProblem> problems;
    // The session's copy of the text has fallen out of step with the owner's (an edit reached
    // past its end): nothing else here is filled in, and nothing will be until the owner sends
    // the whole text again.
    bool needsWholeText = false;
};

// Keeps one text parsed in the background with one grammar. The owner (one text view's
// colouring) hands it the whole text (a snapshot, taken in O(1)), then every edit as it
// happens (the session's copy of the text is a tree of chunks sharing the snapshot's, so an edit
// costs O(log n) on the queue and the parser reads the chunks in place), and the grammars for
// embedded languages; every request carries a version from one counter that grows by one per
// request. Jobs run one at a time on the session's queue, and only the newest request parses:
// older jobs still bring the copy of the text and the tree up to date.
//
// The owner's thread calls setText, applyEdit, setInjectedGrammars and cancel; each returns at
// once. onParsed runs on the queue and must not wait for the owner's thread.
class SyntaxSession : public std::enable_shared_from_this<SyntaxSession>
{
public:
    // The label of the serial queue the owner gives each session.
    static constexpr std::string_view queueLabel = "app.orlune.viewer.syntax";

    using Job = std::function<void()>;
    // Runs each job after every job posted before it, one at a time, away from the caller's
    // thread. The owner keeps the queue behind it alive until the posted jobs have run.
    using JobPoster = std::function<void(Job)>;
    using ParsedHandler = std::function<void(SyntaxParsed)>;
    using Grammars = std::map<std::string, SyntaxGrammar, std::less<>>;

    // None when no parser can be made for the grammar's language.
    static std::shared_ptr<SyntaxSession>
    make(SyntaxGrammar grammar, ParsedHandler onParsed, JobPoster post);

    SyntaxSession(const SyntaxSession&) = delete;
    SyntaxSession& operator=(const SyntaxSession&) = delete;

    // The whole text; the next parse starts from nothing. The view is copied before this
    // returns; the snapshot is shared.
    void setText(std::u16string_view text, std::int64_t version);
    void setText(EditorCore::TextSnapshot text, std::int64_t version);
    // The oldLength units at location were replaced by `replacement`. Never negative.
    void applyEdit(std::int64_t location,
                   std::int64_t oldLength,
                   std::u16string_view replacement,
                   std::int64_t version);
    // Grammars for embedded languages, by canonical name (canonicalInjectionName).
    void setInjectedGrammars(Grammars grammars, std::int64_t version);

    // From the moment it returns, nothing more is delivered: jobs queued or running finish
    // without a result. Not from onParsed.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    // Waits for the queue to reach this call. Not from the queue itself.
    std::size_t unitCount();

    const SyntaxGrammar& grammar() const { return m_grammar; }

    // The tree-sitter edit of replacing oldLength units at location of `units` by `replacement`
    // (rows count line feeds only). location + oldLength must lie within units.
    static SyntaxEdit editFor(std::u16string_view units,
                              std::int64_t location,
                              std::int64_t oldLength,
                              std::u16string_view replacement);
    static SyntaxEdit editFor(const EditorCore::TextSnapshot& text,
                              std::int64_t location,
                              std::int64_t oldLength,
                              std::u16string_view replacement);

private:
    SyntaxSession(SyntaxGrammar grammar,
                  SyntaxParser parser,
                  ParsedHandler onParsed,
                  JobPoster post);

    void raiseLatest(std::int64_t version);
    void enqueue(Job job);
    void replaceText(EditorCore::ChunkedText text, std::int64_t version);
    void edit(std::int64_t location,
              std::int64_t oldLength,
              std::u16string replacement,
              std::int64_t version);
    void replaceGrammars(Grammars grammars, std::int64_t version);
    void parseNow(std::int64_t version);
    std::vector<SyntaxProblem> problemsOf(const SyntaxLayers& layers) const;
    void deliver(SyntaxParsed parsed);

    const SyntaxGrammar m_grammar;
    const JobPoster m_post;
    const ParsedHandler m_onParsed;

    // Guards m_latest only.
    std::mutex m_lock;
    std::int64_t m_latest = 0;

    // Held while a result is handed over, so that cancel() waits for a delivery under way.
    std::mutex m_deliveryLock;
    std::atomic<bool> m_cancelled = false;

    // Used only by jobs on the queue.
    SyntaxParser m_parser;
    EditorCore::ChunkedText m_text;
    std::optional<SyntaxTree> m_tree;
    // An edit did not fit m_text: it no longer mirrors the owner's text.
    bool m_outOfStep = false;
    SyntaxInjectionState m_injection;
};

} // namespace EditorFeatures
