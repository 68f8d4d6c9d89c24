#pragma once

#include "app/window/coloring/SyntaxColoring.h"
#include "app/window/coloring/SyntaxErrorMarks.h"
#include "app/window/WindowFeature.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace EditorWindow {

// The window's syntax colouring and its syntax-error marks: the colouring follows the
// document's language and the settings at every status refresh, every edit and scroll; the
// problems of each current parse become underlined marks some time after typing stops, the
// status bar names their count and the problem under the caret, and "nextSyntaxError:" steps
// through them.
class SyntaxColoringFeature
    : public QObject
    , public WindowFeature
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // How long after the last edit new marks appear.
    static constexpr std::chrono::milliseconds marksDelay{800};

    struct Options
    {
        SyntaxColoring::GrammarSource grammars = SyntaxColoring::GrammarSource::shared();
        // Where the session's jobs run; none: a serial queue of the colouring's own.
        std::function<EditorFeatures::SyntaxSession::JobPoster()> poster;
        Clock now = [] { return std::chrono::steady_clock::now(); };
        std::function<void()> beep;
    };

    SyntaxColoringFeature();
    explicit SyntaxColoringFeature(Options options);
    ~SyntaxColoringFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;
    void settingsDidChange(const std::vector<std::string>& changedKeys) override;
    void visibleAreaDidChange() override;
    void grammarsDidChange() override;
    void contributeStatus(StatusContent::Inputs& inputs) const override;
    // The problems segment goes to the next syntax error.
    bool statusSegmentClicked(StatusBarView::Segment segment, QPushButton* button) override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

    SyntaxColoring* coloring() const { return m_coloring.get(); }

    // The colouring's handler of each parse's problems.
    void syntaxProblemsDidChange(const std::vector<EditorFeatures::SyntaxProblem>& problems);
    // The marks of the problems now (or none when "view.syntaxErrors" is off).
    void refreshSyntaxErrors();
    // When the marks' update waits for typing to pause: how long it still waits.
    std::optional<std::chrono::milliseconds> pendingMarksDelay() const;
    void goToNextSyntaxError();
    // The problems segment of the status bar; none when switched off or without problems.
    std::optional<QString> syntaxProblemsText() const;

    const std::vector<EditorFeatures::SyntaxProblem>& problems() const { return m_problems; }
    void contributeCommandState(CommandStateInputs& inputs) const override;
    const std::vector<SyntaxErrorMarks::Mark>& marks() const { return m_marks; }

private:
    void updateLanguage() const;
    bool marksShown() const;
    void publishMarks();

    Options m_options;
    DocumentWindowController* m_window = nullptr;
    std::unique_ptr<SyntaxColoring> m_coloring;
    std::vector<EditorFeatures::SyntaxProblem> m_problems;
    std::vector<SyntaxErrorMarks::Mark> m_marks;
    std::chrono::steady_clock::time_point m_lastTextEdit{};
    QTimer m_marksTimer;
    std::chrono::steady_clock::time_point m_marksDue{};
};

} // namespace EditorWindow
