#include "app/window/coloring/SyntaxColoringFeature.h"
#include "app/window/CommandState.h"

#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "store/Settings.h"

#include <QApplication>

#include <algorithm>

namespace EditorWindow {

using EditorStore::SettingKeys;
using namespace std::chrono;

namespace {

EditorStore::Settings& settingsOf(const DocumentWindowController& window)
{
    return window.environment().settings ? *window.environment().settings
                                         : EditorStore::Settings::shared();
}

} // namespace

SyntaxColoringFeature::SyntaxColoringFeature()
    : SyntaxColoringFeature(Options{})
{}

SyntaxColoringFeature::SyntaxColoringFeature(Options options)
    : m_options(std::move(options))
{
    if (!m_options.beep)
        m_options.beep = [] { QApplication::beep(); };
    m_marksTimer.setSingleShot(true);
    connect(&m_marksTimer, &QTimer::timeout, this, [this] { refreshSyntaxErrors(); });
}

SyntaxColoringFeature::~SyntaxColoringFeature() = default;

void SyntaxColoringFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    m_coloring =
        std::make_unique<SyntaxColoring>(*window.textView(), m_options.grammars, m_options.poster);
    m_coloring->onProblems = [this](const std::vector<EditorFeatures::SyntaxProblem>& problems) {
        syntaxProblemsDidChange(problems);
    };
    updateLanguage();
}

void SyntaxColoringFeature::detach()
{
    m_marksTimer.stop();
    if (m_coloring)
        m_coloring->onProblems = nullptr;
    m_coloring.reset();
    m_window = nullptr;
}

void SyntaxColoringFeature::updateLanguage() const
{
    if (!m_window || !m_coloring)
        return;
    EditorStore::Settings& values = settingsOf(*m_window);
    WindowDocument* document = m_window->document();
    const auto language = m_window->languageChoice().value_or(m_window->detectedLanguage());
    m_coloring->setLanguage(language,
                            values.value(SettingKeys::syntaxEnabled),
                            values.value(SettingKeys::syntaxMaxMB),
                            document && document->hasLargeFile());
}

void SyntaxColoringFeature::textDidEdit(const EditorViews::EditRecord& edit)
{
    if (!m_window)
        return;
    if (m_coloring->followsEdits())
        m_coloring->textDidChange(edit.location, edit.oldLength, edit.inserted());
    m_lastTextEdit = m_options.now();
    SyntaxErrorMarks::shift(m_problems, edit);
    if (!m_marks.empty()) {
        SyntaxErrorMarks::shift(m_marks, edit);
        publishMarks();
    }
}

void SyntaxColoringFeature::settingsDidChange(const std::vector<std::string>& changedKeys)
{
    if (!m_window)
        return;
    auto changed = [&](std::string_view key) {
        return std::find(changedKeys.begin(), changedKeys.end(), key) != changedKeys.end();
    };
    if (changed(SettingKeys::viewSyntaxErrors.name))
        refreshSyntaxErrors();
    if (changed(SettingKeys::syntaxEnabled.name) || changed(SettingKeys::syntaxMaxMB.name)) {
        updateLanguage();
        m_window->setNeedsRefresh();
    }
}

void SyntaxColoringFeature::visibleAreaDidChange()
{
    if (m_coloring)
        m_coloring->scheduleRecolor();
}

void SyntaxColoringFeature::grammarsDidChange()
{
    if (!m_coloring)
        return;
    updateLanguage();
    m_coloring->grammarsDidChange();
}

void SyntaxColoringFeature::contributeStatus(StatusContent::Inputs& inputs) const
{
    if (!m_coloring)
        return;
    updateLanguage();
    inputs.syntaxTooLarge = m_coloring->state() == SyntaxColoring::State::tooLarge;
    inputs.problems = syntaxProblemsText();
}

// MARK: marks

bool SyntaxColoringFeature::marksShown() const
{
    return m_window && settingsOf(*m_window).value(SettingKeys::viewSyntaxErrors);
}

void SyntaxColoringFeature::syntaxProblemsDidChange(
    const std::vector<EditorFeatures::SyntaxProblem>& problems)
{
    m_problems = problems;
    const auto elapsed = duration_cast<milliseconds>(m_options.now() - m_lastTextEdit);
    const auto wait = marksDelay - elapsed;
    m_marksTimer.stop();
    if (!problems.empty() && wait.count() >= 0) {
        m_marksDue = m_options.now() + wait;
        m_marksTimer.start(wait);
    } else {
        m_marksDue = {};
        m_marksTimer.start(0);
    }
    if (m_window)
        m_window->setNeedsRefresh();
}

std::optional<milliseconds> SyntaxColoringFeature::pendingMarksDelay() const
{
    if (!m_marksTimer.isActive())
        return std::nullopt;
    return std::max(milliseconds(0), duration_cast<milliseconds>(m_marksDue - m_options.now()));
}

void SyntaxColoringFeature::refreshSyntaxErrors()
{
    m_marksTimer.stop();
    if (!m_window)
        return;
    if (marksShown())
        m_marks = SyntaxErrorMarks::marksFor(m_problems, m_window->textView()->storage().current());
    else
        m_marks.clear();
    publishMarks();
}

void SyntaxColoringFeature::publishMarks()
{
    std::vector<EditorViews::TextRange> ranges;
    ranges.reserve(m_marks.size());
    for (const auto& mark : m_marks)
        ranges.push_back(mark.range);
    m_window->display()->syntaxErrors = std::move(ranges);
    m_window->textView()->viewport()->update();
    m_window->setNeedsRefresh();
}

bool SyntaxColoringFeature::statusSegmentClicked(StatusBarView::Segment segment, QPushButton*)
{
    if (segment != StatusBarView::Segment::problems)
        return false;
    goToNextSyntaxError();
    return true;
}

void SyntaxColoringFeature::goToNextSyntaxError()
{
    if (!m_window)
        return;
    if (m_marksTimer.isActive())
        refreshSyntaxErrors();
    EditorViews::EditorTextView* view = m_window->textView();
    auto next = SyntaxErrorMarks::nextMark(m_marks, view->selectedRange().location);
    if (!next) {
        m_options.beep();
        return;
    }
    view->setSelectedRange(*next);
    view->scrollRangeToVisible(*next);
    view->setFocus();
    m_window->setNeedsRefresh();
}

std::optional<QString> SyntaxColoringFeature::syntaxProblemsText() const
{
    if (!marksShown() || m_problems.empty())
        return std::nullopt;
    return SyntaxErrorMarks::problemsText(
        m_problems.size(), m_marks, m_window->textView()->selectedRange().location);
}

// MARK: actions

bool SyntaxColoringFeature::respondsToAction(std::string_view action) const
{
    return action == "nextSyntaxError:" || action == "toggleSyntaxErrors:";
}

bool SyntaxColoringFeature::validateAction(std::string_view action,
                                           const EditorKit::ActionSender&) const
{
    if (action == "nextSyntaxError:")
        return !m_problems.empty();
    return respondsToAction(action);
}

void SyntaxColoringFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (!m_window)
        return;
    if (action == "nextSyntaxError:") {
        goToNextSyntaxError();
    } else if (action == "toggleSyntaxErrors:") {
        EditorStore::Settings& values = settingsOf(*m_window);
        values.set(!values.value(SettingKeys::viewSyntaxErrors), SettingKeys::viewSyntaxErrors);
    }
}

void SyntaxColoringFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.hasSyntaxProblems = !m_problems.empty();
}

} // namespace EditorWindow
