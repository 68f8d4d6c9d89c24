#pragma once

#include "features/CodeLanguage.h"
#include "features/SyntaxGrammars.h"
#include "features/SyntaxLayer.h"
#include "features/SyntaxProblem.h"
#include "features/SyntaxSession.h"
#include "features/SyntaxTree.h"

#include <QList>
#include <QObject>
#include <QTextLayout>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Platform {
class SerialQueue;
}

namespace EditorViews {
class EditorTextView;
}

namespace EditorWindow {

// Colours the text of one editor view by syntax role. A session parses the text in the
// background; the view asks for a line's colours whenever it lays the line out, and they are
// display-only format ranges of that layout, so colouring never changes the text, the undo
// stack or the edited state. While edits wait for their parse, the previous tree is used with
// positions mapped through them. Main thread only.
class SyntaxColoring : public QObject
{
public:
    enum class State { off, noGrammar, tooLarge, on };

    // An edit sent to the session that no applied parse covers yet.
    struct PendingEdit
    {
        std::int64_t version = 0;
        std::int64_t location = 0;
        std::int64_t oldLength = 0;
        std::int64_t newLength = 0;
    };

    // Where grammars come from; by default the application's grammar center.
    struct GrammarSource
    {
        std::function<std::optional<EditorFeatures::SyntaxGrammar>(EditorFeatures::CodeLanguage)>
            grammar;
        std::function<EditorFeatures::SyntaxSession::Grammars()> injectionGrammars;
        std::function<void(const std::set<std::string>&)> loadInjected;

        static GrammarSource shared();
    };

    // `poster` makes where a new session's jobs run; by default the colouring's own serial
    // queue.
    explicit SyntaxColoring(EditorViews::EditorTextView& view,
                            GrammarSource grammars = GrammarSource::shared(),
                            std::function<EditorFeatures::SyntaxSession::JobPoster()> poster = {});
    ~SyntaxColoring() override;

    State state() const { return m_state; }
    EditorFeatures::CodeLanguage language() const { return m_language; }
    bool hasSession() const { return m_session != nullptr; }
    bool hasTree() const { return m_tree != nullptr; }
    std::int64_t version() const { return m_version; }
    std::int64_t treeVersion() const { return m_treeVersion; }
    const std::vector<PendingEdit>& pending() const { return m_pending; }
    // Lines dropped by the last pass over the visible area (the next paint colours them).
    int lastRecolorCount() const { return m_lastRecolorCount; }

    // Chooses the state from the settings, the grammar and the text's length; nothing happens
    // when neither the state nor the language changes.
    void setLanguage(EditorFeatures::CodeLanguage language,
                     bool enabled,
                     std::int64_t limitMB,
                     bool forceTooLarge);
    // One change of the text, after the view's storage took it.
    void textDidChange(std::int64_t location, std::int64_t oldLength, const QString& inserted);
    // Whether textDidChange reads its inserted text (a text read in whole is not copied
    // otherwise).
    bool followsEdits() const;
    // Installed grammars changed (after setLanguage was called again for the same change).
    void grammarsDidChange();
    // The visible area changed: one repaint pass per turn of the event loop.
    void scheduleRecolor();
    // Drops the layouts around the viewport that are not coloured with the current tree
    // (every cached layout when forced).
    void recolorVisible(bool force);

    // Receives the problems of each parse that matches the current text, and an empty list
    // when colouring stops.
    std::function<void(const std::vector<EditorFeatures::SyntaxProblem>&)> onProblems;

    // The colours of `length` units of line `line` from `start` in it, relative to `start`;
    // returns the tree version they were made with, -1 while edits are pending.
    std::int64_t
    colorLine(int line, int start, int length, QList<QTextLayout::FormatRange>& formats);

    // Positions of the applied tree and of the current text, through the pending edits.
    static std::int64_t mapBack(std::int64_t position, const std::vector<PendingEdit>& pending);
    static std::int64_t mapForward(std::int64_t position, const std::vector<PendingEdit>& pending);

    // A parse result of the session made in `generation` (applied on the main thread).
    void applyParsed(std::uint64_t generation, EditorFeatures::SyntaxParsed parsed);

private:
    void start();
    void stop();
    void sendWholeText();
    std::int64_t textLength() const;

    EditorViews::EditorTextView& m_view;
    GrammarSource m_grammars;
    std::function<EditorFeatures::SyntaxSession::JobPoster()> m_poster;
    std::unique_ptr<Platform::SerialQueue> m_queue;

    State m_state = State::off;
    EditorFeatures::CodeLanguage m_language = EditorFeatures::CodeLanguage::plainText;
    std::shared_ptr<EditorFeatures::SyntaxSession> m_session;
    // Counts sessions made; a result from any other session than the current one is dropped.
    std::uint64_t m_generation = 0;
    std::optional<EditorFeatures::SyntaxGrammar> m_grammar;
    std::shared_ptr<const EditorFeatures::SyntaxTree> m_tree;
    std::vector<EditorFeatures::SyntaxLayer> m_layers;
    std::int64_t m_treeVersion = 0;
    std::int64_t m_version = 0;
    std::vector<PendingEdit> m_pending;
    bool m_recolorScheduled = false;
    int m_lastRecolorCount = 0;
};

} // namespace EditorWindow
