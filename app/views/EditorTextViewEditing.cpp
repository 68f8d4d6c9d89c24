// Editing, selection, movement, commands and the clipboard of the text view.
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/TextStorage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

namespace EditorViews {

// One replacement of the text with the selections before and after it. Typing and deleting
// merge with the step before while the view has not broken coalescing.
class EditorTextView::ReplaceCommand : public QUndoCommand
{
public:
    ReplaceCommand(EditorTextView* view,
                   TextRange range,
                   QString replacement,
                   TextRange selectionAfter,
                   const QString& name,
                   EditKind kind)
        : QUndoCommand(name)
        , m_view(view)
        , m_location(range.location)
        , m_oldText(view->storage().mid(range.location, range.length))
        , m_newText(std::move(replacement))
        , m_before(view->selectedRange())
        , m_after(selectionAfter)
        , m_kind(kind)
        , m_generation(view->m_coalescingGeneration)
        , m_origin(view->m_pushOrigin)
        , m_corrects(view->m_correctingTyping)
    {}

    int id() const override
    {
        switch (m_kind) {
        case EditKind::typing:
            return 0x4f4c0001;
        case EditKind::deleting:
            return 0x4f4c0002;
        case EditKind::other:
            return -1;
        }
        return -1;
    }

    bool mergeWith(const QUndoCommand* other) override
    {
        auto next = static_cast<const ReplaceCommand*>(other);
        if (next->m_generation != m_generation || next->m_kind != m_kind)
            return false;
        if (m_kind == EditKind::typing && next->m_oldText.isEmpty()
            && next->m_location == m_location + m_newText.size()) {
            m_newText += next->m_newText;
            m_after = next->m_after;
            return true;
        }
        // A substitution as typed (two hyphens becoming a dash) replaces the end of this step.
        if (m_kind == EditKind::typing && next->m_corrects && !next->m_oldText.isEmpty()
            && next->m_location + next->m_oldText.size() == m_location + m_newText.size()
            && m_newText.endsWith(next->m_oldText)) {
            m_newText.chop(next->m_oldText.size());
            m_newText += next->m_newText;
            m_after = next->m_after;
            return true;
        }
        if (m_kind == EditKind::deleting && m_newText.isEmpty() && next->m_newText.isEmpty()) {
            if (next->m_location + next->m_oldText.size() == m_location) {
                m_location = next->m_location;
                m_oldText = next->m_oldText + m_oldText;
                m_after = next->m_after;
                return true;
            }
            if (next->m_location == m_location) {
                m_oldText += next->m_oldText;
                m_after = next->m_after;
                return true;
            }
        }
        return false;
    }

    void redo() override
    {
        if (!m_view)
            return;
        // The first redo is the push itself.
        m_view->m_nextOrigin = m_pushed ? EditOrigin::undoRedo : m_origin;
        m_pushed = true;
        m_view->m_storage->replace({m_location, static_cast<int>(m_oldText.size())}, m_newText);
        m_view->m_nextOrigin.reset();
        // The extra carets followed the storage; they stay.
        m_view->m_settingCarets = true;
        m_view->setSelectedRange(m_after);
        m_view->m_settingCarets = false;
        m_view->scrollRangeToVisible(m_after);
        m_view->didChangeText();
    }

    void undo() override
    {
        if (!m_view)
            return;
        m_view->m_nextOrigin = EditOrigin::undoRedo;
        m_view->m_storage->replace({m_location, static_cast<int>(m_newText.size())}, m_oldText);
        m_view->m_nextOrigin.reset();
        m_view->breakUndoCoalescing();
        m_view->m_settingCarets = true;
        m_view->setSelectedRange(m_before);
        m_view->m_settingCarets = false;
        m_view->scrollRangeToVisible(m_before);
        m_view->didChangeText();
    }

private:
    QPointer<EditorTextView> m_view;
    int m_location;
    QString m_oldText;
    QString m_newText;
    TextRange m_before;
    TextRange m_after;
    EditKind m_kind;
    int m_generation;
    EditOrigin m_origin;
    bool m_corrects = false;
    bool m_pushed = false;
};

EditorTextView::OriginScope::OriginScope(EditorTextView& view, EditOrigin origin)
    : m_view(view)
    , m_saved(view.m_pushOrigin)
{
    m_view.m_pushOrigin = origin;
}

EditorTextView::OriginScope::~OriginScope()
{
    m_view.m_pushOrigin = m_saved;
}

void EditorTextView::setText(QString text,
                             std::optional<EditorCore::LineIndex> lines,
                             std::optional<VisualLineMap> unwrappedLines)
{
    setText(EditorCore::ChunkedText(EditorKit::utf16View(text), m_storage->limits()).snapshot(),
            std::move(lines),
            std::move(unwrappedLines));
}

void EditorTextView::setText(EditorCore::TextSnapshot text,
                             std::optional<EditorCore::LineIndex> lines,
                             std::optional<VisualLineMap> unwrappedLines)
{
    m_nextOrigin = EditOrigin::reload;
    if (lines && lines->length() == text.length())
        m_givenLines = std::move(lines);
    m_givenVisualLines = std::move(unwrappedLines);
    m_storage->setText(std::move(text));
    m_nextOrigin.reset();
    m_givenLines.reset();
    m_givenVisualLines.reset();
}

void EditorTextView::appendText(const QString& text)
{
    if (text.isEmpty())
        return;
    m_nextOrigin = EditOrigin::reload;
    m_storage->replace({m_storage->length(), 0}, text);
    m_nextOrigin.reset();
}

// MARK: edits

void EditorTextView::applyEdit(TextRange range,
                               const QString& replacement,
                               TextRange selectionAfter,
                               const QString& actionName,
                               EditKind kind)
{
    range = clampedRange(range, m_storage->length());
    if (range.length == 0 && replacement.isEmpty())
        return;
    m_undoStack->push(
        new ReplaceCommand(this, range, replacement, selectionAfter, actionName, kind));
}

void EditorTextView::replaceTextAsUndoableStep(TextRange range,
                                               const QString& replacement,
                                               TextRange selectionAfter,
                                               const QString& actionName)
{
    breakUndoCoalescing();
    applyEdit(range, replacement, selectionAfter, actionName, EditKind::other);
    breakUndoCoalescing();
}

void EditorTextView::didChangeText()
{
    if (m_delegate)
        m_delegate->textDidChange(*this);
}

void EditorTextView::insertText(const QString& insertion, TextRange replacementRange)
{
    if (!m_editable)
        return;
    // With extra carets the text goes to every caret as one step, past the typing transforms.
    if (!m_extraCarets.empty() && !hasMarkedText() && !m_insertingAtMain) {
        commitMultiCaretText(insertion);
        return;
    }
    TextRange range = replacementRange.location < 0
                          ? selectedRange()
                          : clampedRange(replacementRange, m_storage->length());
    if (m_delegate && !m_delegate->shouldChangeText(*this, range, insertion))
        return;
    // A replacement somewhere else than at the caret is a step of its own, unless it is a
    // substitution of what was just typed.
    const bool correcting =
        m_correctingTyping && range.end() == m_caret && selectedRange().length == 0;
    if (!correcting && (range.length > 0 || range.location != m_caret))
        breakUndoCoalescing();
    applyEdit(range,
              insertion,
              {range.location + static_cast<int>(insertion.size()), 0},
              EditorKit::localized("입력"),
              EditKind::typing);
}

void EditorTextView::setAutocorrection(Autocorrection autocorrection)
{
    if (autocorrection == m_autocorrection)
        return;
    m_autocorrection = autocorrection;
    viewport()->update();
}

void EditorTextView::setSpellChecker(std::shared_ptr<SpellChecker> checker)
{
    m_spellChecker = std::move(checker);
    viewport()->update();
}

EditorTextView::Substitution EditorTextView::typingSubstitution(const QString& typed) const
{
    Substitution plain{typed, 0};
    const TextRange selection = selectedRange();
    if (typed.size() != 1 || hasMarkedText())
        return plain;
    const QChar c = typed.front();
    const StorageUnits text = units();
    const int at = selection.location;
    const QChar before = at > 0 ? text[at - 1] : QChar();
    if (m_autocorrection.quotes && (c == QLatin1Char('"') || c == QLatin1Char('\''))) {
        // Opening after nothing, a space, a line break, an opening bracket or quote, or a dash.
        static const QString openers = QStringLiteral("([{<\u201C\u2018\u2014\u2013-");
        const bool opening = before.isNull() || before.isSpace() || openers.contains(before);
        if (c == QLatin1Char('"'))
            return {opening ? QStringLiteral("\u201C") : QStringLiteral("\u201D"), 0};
        return {opening ? QStringLiteral("\u2018") : QStringLiteral("\u2019"), 0};
    }
    if (m_autocorrection.dashes && c == QLatin1Char('-') && selection.length == 0
        && before == QLatin1Char('-') && (at < 2 || text[at - 2] != QLatin1Char('-'))) {
        return {QStringLiteral("\u2014"), 1};
    }
    return plain;
}

void EditorTextView::typeText(const QString& typed)
{
    if (!m_extraCarets.empty() && !hasMarkedText()) {
        insertText(typed);
        return;
    }
    const Substitution substitution = typingSubstitution(typed);
    if (substitution.replacesBefore == 0) {
        insertText(substitution.text);
        return;
    }
    m_correctingTyping = true;
    insertText(substitution.text,
               {m_caret - substitution.replacesBefore, substitution.replacesBefore});
    m_correctingTyping = false;
}

void EditorTextView::deleteRange(TextRange range)
{
    if (!m_editable || range.length <= 0)
        return;
    if (m_delegate && !m_delegate->shouldChangeText(*this, range, QString()))
        return;
    applyEdit(
        range, QString(), {range.location, 0}, EditorKit::localized("삭제"), EditKind::deleting);
}

// MARK: selection

TextRange EditorTextView::selectedRange() const
{
    return {std::min(m_anchor, m_caret), std::abs(m_caret - m_anchor)};
}

void EditorTextView::setSelectedRange(TextRange range)
{
    // A single selection set from outside (find, go to line, a jump) leaves one caret.
    if (!m_settingCarets)
        dropExtraCarets();
    range = clampedRange(range, m_storage->length());
    changeSelection(range.location, range.end(), false);
}

void EditorTextView::setSelectedRanges(const std::vector<TextRange>& ranges, bool stillSelecting)
{
    if (ranges.empty())
        return;
    if (ranges.size() >= 2 && !stillSelecting) {
        setCarets(ranges);
        return;
    }
    TextRange last = ranges.front();
    for (const auto& range : ranges) {
        if (range.location >= last.location)
            last = range;
    }
    dropExtraCarets();
    setSelectedRange(last);
}

void EditorTextView::changeSelection(int anchor, int caret, bool userMove)
{
    int length = m_storage->length();
    anchor = std::clamp(anchor, 0, length);
    caret = std::clamp(caret, 0, length);
    bool changed = anchor != m_anchor || caret != m_caret;
    m_anchor = anchor;
    m_caret = caret;
    if (userMove)
        breakUndoCoalescing();
    resetBlink();
    viewport()->update();
    if (m_ruler)
        m_ruler->update();
    if (!changed)
        return;
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    if (m_delegate)
        m_delegate->selectionDidChange(*this);
    emit selectionChanged();
}

void EditorTextView::moveCaret(int position, bool extend)
{
    changeSelection(extend ? m_anchor : position, position, true);
    scrollRangeToVisible({position, 0});
}

void EditorTextView::scrollLineToTop(int line)
{
    line = std::clamp(line, 0, std::max(0, lineCount() - 1));
    updateScrollBars();
    setScrollY(verticalInset
               + static_cast<double>(m_visual.visualLinesBefore(line)) * m_lineHeight);
}

void EditorTextView::scrollRangeToVisible(TextRange range)
{
    range = clampedRange(range, m_storage->length());
    int line = lineOf(range.location);
    LineLayout& entry = layoutFor(line);
    const int column =
        std::min(static_cast<int>(range.location), contentEnd(line)) - lineStart(line);
    const double height = viewport()->height();
    auto textLine = entry.layout->lineForTextPosition(column);
    // A long line's pieces laid out on the way (the range's own, then those the view comes to
    // show around it) correct the line's height: scroll again until it holds.
    // (Each round lays out at least one more piece, so this ends.)
    for (int round = 0; round < 64; ++round) {
        textLine = entry.layout->lineForTextPosition(column);
        if (const int visualLines = std::max(1, entry.layout->lineCount());
            m_visual.count(line) != visualLines || entry.layout->pieceCount() > 1) {
            // (Moving the caret may have laid out pieces without resizing the scroll range.)
            m_visual.setCount(line, visualLines);
            updateScrollBars();
        }
        double y =
            paragraphTop(line) + (textLine.isValid() ? textLine.lineNumber() : 0) * m_lineHeight;
        if (y < 0)
            setScrollY(scrollY() + y - verticalInset * (line == 0 ? 1 : 0));
        else if (y + m_lineHeight > height)
            setScrollY(scrollY() + (y + m_lineHeight - height));
        if (entry.layout->pieceCount() <= 1)
            break;
        const int counted = m_visual.count(line);
        layoutVisiblePart(line, paragraphTop(line));
        if (m_visual.count(line) == counted)
            break;
        updateScrollBars();
    }
    if (!m_display->options.wrapsLines && textLine.isValid()) {
        double x = horizontalInset - horizontalScrollBar()->value()
                   + textLine.cursorToX(std::min(static_cast<int>(range.location), contentEnd(line))
                                        - lineStart(line));
        int width = viewport()->width();
        updateScrollBars();
        if (x < horizontalInset)
            horizontalScrollBar()->setValue(
                static_cast<int>(horizontalScrollBar()->value() + x - horizontalInset));
        else if (x > width - horizontalInset)
            horizontalScrollBar()->setValue(
                static_cast<int>(horizontalScrollBar()->value() + x - width + horizontalInset));
    }
}

// MARK: movement

namespace {

// How far around an offset the grapheme search reads: no cluster in real text is longer.
constexpr int graphemeReach = 256;

bool isWordUnit(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.isMark();
}

} // namespace

int EditorTextView::positionLeft(int offset) const
{
    if (offset <= 0)
        return 0;
    int line = lineOf(offset);
    int start = lineStart(line);
    if (offset <= start)
        return line > 0 ? contentEnd(line - 1) : 0;
    int end = contentEnd(line);
    if (offset > end)
        return end;
    // The stretch of the line around the offset: a cluster is never longer than that.
    const int from = std::max(start, offset - graphemeReach);
    const QString content = m_storage->mid(from, std::min(end, offset + graphemeReach) - from);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, content.data(), content.size());
    finder.setPosition(offset - from);
    qsizetype previous = finder.toPreviousBoundary();
    return from + static_cast<int>(previous < 0 ? 0 : previous);
}

int EditorTextView::positionRight(int offset) const
{
    int line = lineOf(offset);
    int start = lineStart(line);
    int end = contentEnd(line);
    if (offset >= end)
        return line + 1 < lineCount() ? lineStart(line + 1) : m_storage->length();
    const int from = std::max(start, offset - graphemeReach);
    const int to = std::min(end, std::max(offset, from) + graphemeReach);
    const QString content = m_storage->mid(from, to - from);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, content.data(), content.size());
    finder.setPosition(std::max(0, offset - from));
    qsizetype next = finder.toNextBoundary();
    return from + static_cast<int>(next < 0 ? to - from : next);
}

int EditorTextView::wordLeft(int offset) const
{
    int line = lineOf(offset);
    int start = lineStart(line);
    if (offset <= start)
        return positionLeft(offset);
    const StorageUnits all = units();
    int position = std::min(offset, contentEnd(line));
    while (position > start && !isWordUnit(all[position - 1]))
        --position;
    while (position > start && isWordUnit(all[position - 1]))
        --position;
    return position;
}

int EditorTextView::wordRight(int offset) const
{
    int line = lineOf(offset);
    int end = contentEnd(line);
    if (offset >= end)
        return positionRight(offset);
    const StorageUnits all = units();
    int position = offset;
    while (position < end && !isWordUnit(all[position]))
        ++position;
    while (position < end && isWordUnit(all[position]))
        ++position;
    return position;
}

TextRange EditorTextView::wordAround(int offset) const
{
    int line = lineOf(offset);
    int start = lineStart(line);
    int end = contentEnd(line);
    int left = std::min(offset, end);
    int right = left;
    const StorageUnits all = units();
    while (left > start && isWordUnit(all[left - 1]))
        --left;
    while (right < end && isWordUnit(all[right]))
        ++right;
    // Between two words (or on a break), the character under the pointer.
    if (left == right)
        right = positionRight(right);
    return {left, right - left};
}

int EditorTextView::layoutX(int offset)
{
    int line = lineOf(offset);
    int start = lineStart(line);
    LineLayout& entry = layoutFor(line);
    int column = std::min(offset, contentEnd(line)) - start;
    auto textLine = entry.layout->lineForTextPosition(column);
    return textLine.isValid() ? static_cast<int>(std::lround(textLine.cursorToX(column))) : 0;
}

int EditorTextView::verticalMove(int offset, int visualLines)
{
    int line = lineOf(offset);
    int start = lineStart(line);
    LineLayout& entry = layoutFor(line);
    int column = std::min(offset, contentEnd(line)) - start;
    auto textLine = entry.layout->lineForTextPosition(column);
    int sub = textLine.isValid() ? textLine.lineNumber() : 0;
    if (!m_preferredX)
        m_preferredX = textLine.isValid() ? textLine.cursorToX(column) : 0.0;
    long long target = m_visual.visualLinesBefore(line) + sub + visualLines;
    if (target < 0)
        return 0;
    if (target >= m_visual.totalVisualLines())
        return m_storage->length();
    auto located = m_visual.locate(target);
    layoutFor(located.line);
    located = m_visual.locate(target);
    LineLayout& destination = layoutFor(located.line);
    auto destinationLine = destination.layout->lineAt(
        std::clamp(located.subLine, 0, destination.layout->lineCount() - 1));
    int destinationStart = lineStart(located.line);
    if (!destinationLine.isValid())
        return destinationStart;
    int position = destinationLine.xToCursor(*m_preferredX);
    // A wrapped line's last position is the next visual line's first.
    int lineEnd = destinationLine.textStart() + destinationLine.textLength();
    if (position == lineEnd && destinationLine.lineNumber() + 1 < destination.layout->lineCount())
        position = std::max(destinationLine.textStart(), lineEnd - 1);
    return std::min(destinationStart + position, contentEnd(located.line));
}

int EditorTextView::visualLineEdge(int offset, bool end)
{
    int line = lineOf(offset);
    int start = lineStart(line);
    LineLayout& entry = layoutFor(line);
    int column = std::min(offset, contentEnd(line)) - start;
    auto textLine = entry.layout->lineForTextPosition(column);
    if (!textLine.isValid())
        return offset;
    if (!end)
        return start + textLine.textStart();
    int lineEnd = textLine.textStart() + textLine.textLength();
    if (textLine.lineNumber() + 1 < entry.layout->lineCount())
        lineEnd = std::max(textLine.textStart(), lineEnd - 1);
    return std::min(start + lineEnd, contentEnd(line));
}

// MARK: commands

bool EditorTextView::respondsToSelector(const QString& selector) const
{
    static const QStringList selectors = {"moveLeft:",
                                          "moveBackward:",
                                          "moveRight:",
                                          "moveForward:",
                                          "moveUp:",
                                          "moveDown:",
                                          "moveLeftAndModifySelection:",
                                          "moveBackwardAndModifySelection:",
                                          "moveRightAndModifySelection:",
                                          "moveForwardAndModifySelection:",
                                          "moveUpAndModifySelection:",
                                          "moveDownAndModifySelection:",
                                          "moveToBeginningOfLine:",
                                          "moveToLeftEndOfLine:",
                                          "moveToEndOfLine:",
                                          "moveToRightEndOfLine:",
                                          "moveToBeginningOfLineAndModifySelection:",
                                          "moveToLeftEndOfLineAndModifySelection:",
                                          "moveToEndOfLineAndModifySelection:",
                                          "moveToRightEndOfLineAndModifySelection:",
                                          "moveToBeginningOfParagraph:",
                                          "moveToEndOfParagraph:",
                                          "moveWordLeft:",
                                          "moveWordBackward:",
                                          "moveWordRight:",
                                          "moveWordForward:",
                                          "moveWordLeftAndModifySelection:",
                                          "moveWordBackwardAndModifySelection:",
                                          "moveWordRightAndModifySelection:",
                                          "moveWordForwardAndModifySelection:",
                                          "moveToBeginningOfDocument:",
                                          "moveToEndOfDocument:",
                                          "moveToBeginningOfDocumentAndModifySelection:",
                                          "moveToEndOfDocumentAndModifySelection:",
                                          "pageUp:",
                                          "pageDown:",
                                          "pageUpAndModifySelection:",
                                          "pageDownAndModifySelection:",
                                          "deleteBackward:",
                                          "deleteForward:",
                                          "deleteWordBackward:",
                                          "deleteWordForward:",
                                          "insertNewline:",
                                          "insertTab:",
                                          "cancelOperation:",
                                          "copy:",
                                          "cut:",
                                          "paste:",
                                          "selectAll:",
                                          "addNextOccurrence:",
                                          "selectAllOccurrences:",
                                          "addCaretAbove:",
                                          "addCaretBelow:",
                                          "caretsAtLineEnds:",
                                          "singleCaret:",
                                          "toggleContinuousSpellChecking:",
                                          "toggleAutomaticQuoteSubstitution:",
                                          "toggleAutomaticDashSubstitution:"};
    // undo: and redo: belong to the window, which holds the document's stack; the view only
    // takes them from the keyboard when no menu has the keys.
    return selectors.contains(selector);
}

bool EditorTextView::respondsToAction(std::string_view action) const
{
    return respondsToSelector(
        QString::fromUtf8(action.data(), static_cast<qsizetype>(action.size())));
}

bool EditorTextView::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    return validateMenuItem(
        QString::fromUtf8(action.data(), static_cast<qsizetype>(action.size())));
}

void EditorTextView::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    doCommandBySelector(QString::fromUtf8(action.data(), static_cast<qsizetype>(action.size())));
}

bool EditorTextView::validateMenuItem(const QString& selector) const
{
    bool hasSelection = selectedRange().length > 0;
    for (const auto& caret : m_extraCarets)
        hasSelection = hasSelection || caret.length > 0;
    if (selector == QLatin1String("copy:"))
        return hasSelection;
    if (selector == QLatin1String("cut:"))
        return hasSelection && m_editable;
    if (selector == QLatin1String("paste:"))
        return m_editable && !QGuiApplication::clipboard()->text().isEmpty();
    if (selector == QLatin1String("selectAll:"))
        return m_storage->length() > 0;
    if (selector == QLatin1String("undo:"))
        return m_editable && m_undoStack->canUndo();
    if (selector == QLatin1String("redo:"))
        return m_editable && m_undoStack->canRedo();
    if (selector == QLatin1String("singleCaret:"))
        return !m_extraCarets.empty();
    return respondsToSelector(selector);
}

bool EditorTextView::doCommandBySelector(const QString& selector)
{
    if (doCaretSetCommand(selector))
        return true;
    // The autocorrection switches of this view; the settings set them again when they change.
    if (selector == QLatin1String("toggleContinuousSpellChecking:")) {
        Autocorrection next = m_autocorrection;
        next.spelling = !next.spelling;
        setAutocorrection(next);
        return true;
    }
    if (selector == QLatin1String("toggleAutomaticQuoteSubstitution:")) {
        Autocorrection next = m_autocorrection;
        next.quotes = !next.quotes;
        setAutocorrection(next);
        return true;
    }
    if (selector == QLatin1String("toggleAutomaticDashSubstitution:")) {
        Autocorrection next = m_autocorrection;
        next.dashes = !next.dashes;
        setAutocorrection(next);
        return true;
    }
    if (!m_extraCarets.empty() && !hasMarkedText()) {
        if (doMultiCaretCommand(selector))
            return true;
        const bool clipboard = selector == QLatin1String("copy:")
                               || selector == QLatin1String("cut:")
                               || selector == QLatin1String("paste:");
        if (!clipboard)
            dropExtraCarets();
    }
    if (m_delegate && m_delegate->doCommandBySelector(*this, selector))
        return true;
    const TextRange selection = selectedRange();
    const bool extend = selector.endsWith(QLatin1String("AndModifySelection:"));
    const QString base =
        extend ? selector.left(selector.size() - int(sizeof("AndModifySelection:")) + 1) + ":"
               : selector;
    auto is = [&](std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (base == QLatin1String(name))
                return true;
        }
        return false;
    };
    if (!is({"moveUp:", "moveDown:", "pageUp:", "pageDown:"}))
        m_preferredX.reset();

    if (is({"moveLeft:", "moveBackward:"})) {
        if (!extend && selection.length > 0)
            moveCaret(selection.location, false);
        else
            moveCaret(positionLeft(m_caret), extend);
    } else if (is({"moveRight:", "moveForward:"})) {
        if (!extend && selection.length > 0)
            moveCaret(selection.end(), false);
        else
            moveCaret(positionRight(m_caret), extend);
    } else if (is({"moveUp:"})) {
        moveCaret(verticalMove(m_caret, -1), extend);
    } else if (is({"moveDown:"})) {
        moveCaret(verticalMove(m_caret, 1), extend);
    } else if (is({"pageUp:", "pageDown:"})) {
        int rows = std::max(1, static_cast<int>(viewport()->height() / m_lineHeight) - 1);
        int sign = base == QLatin1String("pageUp:") ? -1 : 1;
        setScrollY(scrollY() + sign * rows * m_lineHeight);
        moveCaret(verticalMove(m_caret, sign * rows), extend);
    } else if (is({"moveWordLeft:", "moveWordBackward:"})) {
        moveCaret(wordLeft(m_caret), extend);
    } else if (is({"moveWordRight:", "moveWordForward:"})) {
        moveCaret(wordRight(m_caret), extend);
    } else if (is({"moveToBeginningOfLine:", "moveToLeftEndOfLine:"})) {
        moveCaret(visualLineEdge(m_caret, false), extend);
    } else if (is({"moveToEndOfLine:", "moveToRightEndOfLine:"})) {
        moveCaret(visualLineEdge(m_caret, true), extend);
    } else if (is({"moveToBeginningOfParagraph:"})) {
        moveCaret(lineStart(lineOf(m_caret)), extend);
    } else if (is({"moveToEndOfParagraph:"})) {
        moveCaret(contentEnd(lineOf(m_caret)), extend);
    } else if (is({"moveToBeginningOfDocument:"})) {
        moveCaret(0, extend);
    } else if (is({"moveToEndOfDocument:"})) {
        moveCaret(m_storage->length(), extend);
    } else if (is({"deleteBackward:"})) {
        deleteRange(selection.length > 0
                        ? selection
                        : TextRange{positionLeft(m_caret), m_caret - positionLeft(m_caret)});
    } else if (is({"deleteForward:"})) {
        deleteRange(selection.length > 0 ? selection
                                         : TextRange{m_caret, positionRight(m_caret) - m_caret});
    } else if (is({"deleteWordBackward:"})) {
        deleteRange(selection.length > 0
                        ? selection
                        : TextRange{wordLeft(m_caret), m_caret - wordLeft(m_caret)});
    } else if (is({"deleteWordForward:"})) {
        deleteRange(selection.length > 0 ? selection
                                         : TextRange{m_caret, wordRight(m_caret) - m_caret});
    } else if (is({"insertNewline:"})) {
        insertText(m_newline);
    } else if (is({"insertTab:"})) {
        insertText(QStringLiteral("\t"));
    } else if (is({"cancelOperation:"})) {
        dropExtraCarets();
    } else if (is({"copy:"})) {
        copy();
    } else if (is({"cut:"})) {
        cut();
    } else if (is({"paste:"})) {
        paste();
    } else if (is({"selectAll:"})) {
        selectAll();
    } else if (is({"undo:"})) {
        undo();
    } else if (is({"redo:"})) {
        redo();
    } else {
        return false;
    }
    return true;
}

void EditorTextView::undo()
{
    // A text that takes no input (a followed log, a read-only file) is not changed by its undo
    // steps either: undone, a followed log's edit was saved over the file.
    if (!m_editable)
        return;
    breakUndoCoalescing();
    m_undoStack->undo();
}

void EditorTextView::redo()
{
    if (!m_editable)
        return;
    breakUndoCoalescing();
    m_undoStack->redo();
}

} // namespace EditorViews
