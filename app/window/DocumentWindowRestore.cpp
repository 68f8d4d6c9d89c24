// The tab's part of the saved window state: what the window restorer stores for one tab and
// how a reopened tab gets its view back.
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "platform/FileBookmark.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace EditorWindow {

std::optional<EditorStore::TabRestoreState> DocumentWindowController::makeTabRestoreState() const
{
    const WindowDocument* current = document();
    if (!current || current->isExternalCopy())
        return std::nullopt;

    EditorStore::TabRestoreState state;
    if (auto url = current->fileURL()) {
        EditorStore::TabRestoreState::File file;
        if (auto bookmark = Platform::FileBookmark::make(*url))
            file.bookmark = bookmark->bytes();
        file.path = url->string();
        state.doc = std::move(file);
    } else if (auto id = current->scratchID()) {
        state.doc = EditorStore::TabRestoreState::Scratch{*id};
    } else {
        return std::nullopt;
    }

    const EditorViews::TextRange selection = m_textView->selectedRange();
    state.selectionLocation = selection.location;
    state.selectionLength = selection.length;
    state.scrollTopLine = topVisibleLine();
    const EditorViews::EditorViewOptions& options = m_display->options;
    state.zoom = options.zoom;
    state.wrap = options.wrapsLines;
    state.lineNumbers = options.showsLineNumbers;
    state.currentLine = options.highlightsCurrentLine;
    state.invisibles = options.showsInvisibles;
    state.readOnlyByUser = current->readOnlyReason() == EditorDocuments::ReadOnlyReason::userChose;
    if (auto guess = current->encodingGuess();
        guess && guess->source == EditorCore::EncodingSource::userChoice)
        state.encodingOverride = current->encoding();
    if (options.fontFamily)
        state.fontFamily = options.fontFamily->toStdString();
    state.fontSize = options.fontSize;
    state.lineSpacing = options.lineSpacing;
    state.ruler = options.showsRuler;
    for (const auto& feature : m_features)
        feature->contributeTabRestoreState(state);
    return state;
}

std::int64_t DocumentWindowController::topVisibleLine() const
{
    const auto paragraphs = m_textView->visibleParagraphs();
    if (paragraphs.empty())
        return 1;
    return m_textView->lineIndex().lineNumber(paragraphs.front().start);
}

void DocumentWindowController::applyTabRestoreState(const EditorStore::TabRestoreState& state)
{
    WindowDocument* current = document();
    if (!current)
        return;
    // Until the text is in (a large file's first part, a file read on a worker) the state
    // waits: a caret or an encoding given to the empty text would be lost.
    const auto largeFile = current->largeFileState();
    if ((largeFile && largeFile->loadedBytes == 0) || current->isLoading()) {
        m_pendingRestore = state;
        return;
    }
    m_pendingRestore.reset();

    if (state.encodingOverride && *state.encodingOverride != current->encoding() && !largeFile) {
        // The text is read again in the chosen encoding first (on a worker for a long file);
        // the rest of the state waits for it, as it waits for a text still being read.
        auto rest = state;
        rest.encodingOverride.reset();
        QPointer<DocumentWindowController> self(this);
        current->reopen(*state.encodingOverride, [self, rest](bool) {
            if (self)
                self->applyTabRestoreState(rest);
        });
        return;
    }

    EditorViews::EditorViewOptions options = m_display->options;
    options.zoom = EditorViews::EditorViewOptions::clampedZoom(state.zoom);
    options.showsLineNumbers = state.lineNumbers;
    options.highlightsCurrentLine = state.currentLine;
    if (state.fontFamily)
        options.fontFamily = QString::fromStdString(*state.fontFamily);
    if (state.fontSize)
        options.fontSize = state.fontSize;
    if (state.lineSpacing)
        options.lineSpacing = state.lineSpacing;
    if (state.ruler)
        options.showsRuler = *state.ruler;
    // A large file keeps wrapping and invisibles off: both would walk the whole text.
    if (!largeFile) {
        options.wrapsLines = state.wrap;
        options.showsInvisibles = state.invisibles;
    }
    applyDisplayOptions(options, false);

    if (state.readOnlyByUser && !current->readOnlyReason()) {
        current->chooseReadOnly();
        applyEditability();
    }

    const auto selection = state.clampedSelection(m_textView->storage().length());
    m_textView->setSelectedRange(
        {static_cast<int>(selection.location), static_cast<int>(selection.length)});

    // After this turn, when the restored window has its size.
    // A tab saved while following is placed by following (or, when it can no longer follow,
    // stays where it opened); any other scrolls to its saved line.
    QPointer<DocumentWindowController> self(this);
    QTimer::singleShot(0, this, [self, state] {
        if (!self)
            return;
        for (const auto& feature : self->m_features)
            feature->tabStateRestored(state);
        if (!state.follow)
            self->scrollToSavedTopLine(state.scrollTopLine);
    });
}

void DocumentWindowController::textArrived()
{
    if (m_pendingRestore) {
        const EditorStore::TabRestoreState state = *m_pendingRestore;
        applyTabRestoreState(state);
    }
}

void DocumentWindowController::scrollToSavedTopLine(std::int64_t line)
{
    if (line < 2)
        return;
    const auto& lines = m_textView->lineIndex();
    const std::int64_t clamped = std::clamp<std::int64_t>(line, 1, lines.lineCount());
    m_textView->scrollLineToTop(static_cast<int>(clamped - 1));
    if (m_ruler)
        m_ruler->update();
}

} // namespace EditorWindow
