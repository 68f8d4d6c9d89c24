// Multi-caret editing of the text view: the caret set, its undoable edits, the commands that
// act at every caret and the commands that build caret sets.
#include "app/kit/Localized.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QUndoStack>

#include <algorithm>

namespace EditorViews {

namespace MC = EditorCore::MultiCursor;

namespace {

std::u16string toEngine(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

QString multiEditName()
{
    return EditorKit::localized("여러 곳 편집");
}

} // namespace

// One multi-caret edit: the edits forwards, their inverses (built with the running shift), and
// the caret sets before and after, restored exactly. Never merges with other steps.
class EditorTextView::MultiEditCommand : public QUndoCommand
{
public:
    MultiEditCommand(EditorTextView* view,
                     std::vector<MC::Edit> edits,
                     std::vector<TextRange> caretsAfter,
                     std::optional<std::size_t> primaryIndex)
        : QUndoCommand(multiEditName())
        , m_view(view)
        , m_edits(std::move(edits))
        , m_caretsAfter(std::move(caretsAfter))
        , m_primaryIndex(primaryIndex)
        , m_mainBefore(view->selectedRange())
        , m_extrasBefore(view->m_extraCarets)
        , m_origin(view->m_pushOrigin)
    {
        const TextStorage& text = view->storage();
        std::int64_t shift = 0;
        m_inverse.reserve(m_edits.size());
        for (const auto& edit : m_edits) {
            const auto m = static_cast<std::int64_t>(edit.text.size());
            m_inverse.push_back({{edit.range.location + shift, m},
                                 toEngine(text.mid(edit.range.location, edit.range.length))});
            shift += m - edit.range.length;
        }
    }

    void redo() override
    {
        if (!m_view)
            return;
        m_view->m_nextOrigin = m_pushed ? EditOrigin::undoRedo : m_origin;
        m_pushed = true;
        m_view->spliceEdits(m_edits);
        std::optional<std::int64_t> primary;
        if (m_primaryIndex && *m_primaryIndex < m_caretsAfter.size())
            primary = m_caretsAfter[*m_primaryIndex].location;
        m_view->setCarets(m_caretsAfter, primary);
        m_view->didChangeText();
    }

    void undo() override
    {
        if (!m_view)
            return;
        m_view->m_nextOrigin = EditOrigin::undoRedo;
        m_view->spliceEdits(m_inverse);
        m_view->breakUndoCoalescing();
        // The caret set from before, its last caret the main selection.
        std::vector<TextRange> before = m_extrasBefore;
        before.push_back(m_mainBefore);
        m_view->setCarets(before);
        m_view->didChangeText();
    }

private:
    QPointer<EditorTextView> m_view;
    std::vector<MC::Edit> m_edits;
    std::vector<MC::Edit> m_inverse;
    std::vector<TextRange> m_caretsAfter;
    std::optional<std::size_t> m_primaryIndex;
    TextRange m_mainBefore;
    std::vector<TextRange> m_extrasBefore;
    EditOrigin m_origin;
    bool m_pushed = false;
};

std::u16string_view EditorTextView::engineText() const
{
    const QString& all = text();
    return {reinterpret_cast<const char16_t*>(all.utf16()), static_cast<std::size_t>(all.size())};
}

std::vector<TextRange> EditorTextView::carets() const
{
    std::vector<TextRange> all = m_extraCarets;
    all.push_back(selectedRange());
    return MC::normalize(std::move(all), m_storage->length());
}

void EditorTextView::setCarets(const std::vector<TextRange>& ranges,
                               std::optional<std::int64_t> primary)
{
    if (ranges.empty())
        return;
    auto normalized = MC::normalize(ranges, m_storage->length());
    std::size_t mainIndex = normalized.size() - 1;
    if (primary) {
        for (std::size_t i = 0; i < normalized.size(); ++i) {
            if (normalized[i].location <= *primary && *primary <= normalized[i].end()) {
                mainIndex = i;
                break;
            }
        }
    }
    const TextRange main = normalized[mainIndex];
    std::vector<TextRange> extras;
    extras.reserve(normalized.size() - 1);
    for (const auto& range : normalized) {
        if (range != main)
            extras.push_back(range);
    }
    restoreCarets(main, extras);
    scrollRangeToVisible(main);
}

void EditorTextView::restoreCarets(TextRange main, const std::vector<TextRange>& extras)
{
    m_settingCarets = true;
    m_extraCarets = extras;
    setSelectedRange(main);
    m_settingCarets = false;
    viewport()->update();
}

void EditorTextView::dropExtraCarets()
{
    if (m_extraCarets.empty())
        return;
    m_extraCarets.clear();
    viewport()->update();
}

void EditorTextView::spliceEdits(const std::vector<MC::Edit>& edits)
{
    if (edits.empty())
        return;
    // One pass over the text, however many carets there are: the storage moves its tail once
    // and reports one replacement.
    std::vector<TextStorage::Piece> pieces;
    pieces.reserve(edits.size());
    for (const auto& edit : edits)
        pieces.push_back(
            {edit.range, QStringView(edit.text.data(), static_cast<qsizetype>(edit.text.size()))});
    m_applyingMultiEdit = true;
    m_storage->splice(pieces);
    m_applyingMultiEdit = false;
}

void EditorTextView::applyMultiEdit(const MC::Result& result,
                                    std::optional<std::size_t> primaryIndex)
{
    if (!m_editable || result.edits.empty())
        return;
    breakUndoCoalescing();
    m_undoStack->push(new MultiEditCommand(this, result.edits, result.carets, primaryIndex));
    breakUndoCoalescing();
}

void EditorTextView::shiftExtraCarets(TextRange editedRange, int changeInLength)
{
    if (m_extraCarets.empty() || m_applyingMultiEdit)
        return;
    const std::int64_t e = editedRange.location;
    const std::int64_t newEnd = editedRange.end();
    const std::int64_t oldEnd = newEnd - changeInLength;
    auto shift = [&](std::int64_t position) {
        if (position >= oldEnd)
            return position + changeInLength;
        if (position > e)
            return newEnd;
        return position;
    };
    for (auto& caret : m_extraCarets) {
        const auto start = shift(caret.location);
        const auto end = shift(caret.end());
        caret = {start, std::max<std::int64_t>(end - start, 0)};
    }
    viewport()->update();
}

void EditorTextView::commitMultiCaretText(const QString& typed)
{
    // The typed text at every caret; the last caret becomes the main selection.
    applyMultiEdit(MC::insert(carets(), {toEngine(typed)}));
}

void EditorTextView::commitCompositionAtCarets(const QString& text, TextRange replacementRange)
{
    if (!m_editable)
        return;
    breakUndoCoalescing();
    m_undoStack->beginMacro(multiEditName());
    m_insertingAtMain = true;
    insertText(text, replacementRange);
    m_insertingAtMain = false;
    // The extra carets followed the main insertion; the text goes to each of them as they stand.
    const MC::Result result = MC::insert(m_extraCarets, {toEngine(text)});
    if (!result.edits.empty()) {
        const TextRange main = selectedRange();
        std::int64_t shift = 0;
        for (const auto& edit : result.edits) {
            if (edit.range.location < main.location)
                shift += static_cast<std::int64_t>(edit.text.size()) - edit.range.length;
        }
        const TextRange mainAfter{main.location + shift, main.length};
        std::vector<TextRange> after = result.carets;
        after.push_back(mainAfter);
        std::sort(after.begin(), after.end(), [](const TextRange& a, const TextRange& b) {
            return a.location < b.location;
        });
        const auto mainIndex = static_cast<std::size_t>(
            std::find(after.begin(), after.end(), mainAfter) - after.begin());
        m_undoStack->push(new MultiEditCommand(this, result.edits, after, mainIndex));
    }
    m_undoStack->endMacro();
    breakUndoCoalescing();
}

// The rows of the selector table; any other selector drops the extra carets and runs with the
// main selection alone.
bool EditorTextView::doMultiCaretCommand(const QString& selector)
{
    struct Row
    {
        const char* selector;
        MC::Movement movement;
        bool extend;
    };
    using M = MC::Movement;
    static const Row moves[] = {
        {"moveLeft:", M::left, false},
        {"moveBackward:", M::left, false},
        {"moveRight:", M::right, false},
        {"moveForward:", M::right, false},
        {"moveUp:", M::up, false},
        {"moveDown:", M::down, false},
        {"moveLeftAndModifySelection:", M::left, true},
        {"moveBackwardAndModifySelection:", M::left, true},
        {"moveRightAndModifySelection:", M::right, true},
        {"moveForwardAndModifySelection:", M::right, true},
        {"moveUpAndModifySelection:", M::up, true},
        {"moveDownAndModifySelection:", M::down, true},
        {"moveToBeginningOfLine:", M::lineStart, false},
        {"moveToLeftEndOfLine:", M::lineStart, false},
        {"moveToBeginningOfParagraph:", M::lineStart, false},
        {"moveToEndOfLine:", M::lineEnd, false},
        {"moveToRightEndOfLine:", M::lineEnd, false},
        {"moveToEndOfParagraph:", M::lineEnd, false},
        {"moveToBeginningOfLineAndModifySelection:", M::lineStart, true},
        {"moveToLeftEndOfLineAndModifySelection:", M::lineStart, true},
        {"moveToEndOfLineAndModifySelection:", M::lineEnd, true},
        {"moveToRightEndOfLineAndModifySelection:", M::lineEnd, true},
        {"moveWordLeft:", M::wordLeft, false},
        {"moveWordBackward:", M::wordLeft, false},
        {"moveWordRight:", M::wordRight, false},
        {"moveWordForward:", M::wordRight, false},
        {"moveWordLeftAndModifySelection:", M::wordLeft, true},
        {"moveWordBackwardAndModifySelection:", M::wordLeft, true},
        {"moveWordRightAndModifySelection:", M::wordRight, true},
        {"moveWordForwardAndModifySelection:", M::wordRight, true},
    };
    for (const auto& row : moves) {
        if (selector == QLatin1String(row.selector)) {
            m_preferredX.reset();
            setCarets(MC::move(carets(),
                               engineText(),
                               row.movement,
                               row.extend ? MC::Selecting::extend : MC::Selecting::move));
            return true;
        }
    }
    if (selector == QLatin1String("deleteBackward:")
        || selector == QLatin1String("deleteForward:")) {
        const auto direction = selector == QLatin1String("deleteBackward:")
                                   ? MC::DeleteDirection::backward
                                   : MC::DeleteDirection::forward;
        applyMultiEdit(MC::deleteBackward(carets(), engineText(), direction));
        return true;
    }
    if (selector == QLatin1String("insertNewline:")) {
        // The document's line ending and the blanks before the caret on its line.
        const auto all = carets();
        const StorageUnits whole = units();
        std::vector<std::u16string> texts;
        texts.reserve(all.size());
        for (const auto& caret : all) {
            const int start = lineStart(lineOf(static_cast<int>(caret.location)));
            int blanks = start;
            while (blanks < caret.location
                   && (whole[blanks] == QLatin1Char(' ') || whole[blanks] == QLatin1Char('\t')))
                ++blanks;
            texts.push_back(toEngine(m_newline + m_storage->mid(start, blanks - start)));
        }
        applyMultiEdit(MC::insert(all, texts));
        return true;
    }
    if (selector == QLatin1String("insertTab:")) {
        applyMultiEdit(MC::insert(carets(), {u"\t"}));
        return true;
    }
    if (selector == QLatin1String("cancelOperation:")) {
        dropExtraCarets();
        return true;
    }
    return false;
}

// The commands that build a caret set, and the clipboard and select-all with extra carets.
bool EditorTextView::doCaretSetCommand(const QString& selector)
{
    if (selector == QLatin1String("singleCaret:")) {
        dropExtraCarets();
        return true;
    }
    if (selector == QLatin1String("addNextOccurrence:")) {
        setCarets(MC::addNextOccurrence(carets(), engineText()));
        return true;
    }
    if (selector == QLatin1String("selectAllOccurrences:")) {
        setCarets(MC::selectAllOccurrences(carets(), engineText()));
        return true;
    }
    if (selector == QLatin1String("caretsAtLineEnds:")) {
        setCarets(MC::caretsPerLine(carets(), engineText()));
        return true;
    }
    if (selector == QLatin1String("addCaretAbove:")) {
        auto result = MC::addCaretVertically(carets(), engineText(), MC::VerticalDirection::above);
        if (!result.empty())
            setCarets(result, result.front().location);
        return true;
    }
    if (selector == QLatin1String("addCaretBelow:")) {
        setCarets(MC::addCaretVertically(carets(), engineText(), MC::VerticalDirection::below));
        return true;
    }
    return false;
}

void EditorTextView::copy()
{
    if (m_extraCarets.empty()) {
        TextRange selection = selectedRange();
        if (selection.length == 0)
            return;
        QGuiApplication::clipboard()->setText(m_storage->mid(selection.location, selection.length));
        return;
    }
    QStringList pieces;
    for (const auto& caret : carets()) {
        if (caret.length > 0)
            pieces.push_back(m_storage->mid(caret.location, caret.length));
    }
    if (pieces.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(pieces.join(m_newline));
}

void EditorTextView::cut()
{
    if (!m_editable)
        return;
    if (m_extraCarets.empty()) {
        TextRange selection = selectedRange();
        if (selection.length == 0)
            return;
        copy();
        if (m_delegate && !m_delegate->shouldChangeText(*this, selection, QString()))
            return;
        breakUndoCoalescing();
        applyEdit(selection,
                  QString(),
                  {selection.location, 0},
                  EditorKit::localized("오려 두기"),
                  EditKind::other);
        return;
    }
    const auto all = carets();
    if (std::none_of(all.begin(), all.end(), [](TextRange r) { return r.length > 0; }))
        return;
    copy();
    applyMultiEdit(MC::insert(all, {u""}));
}

void EditorTextView::paste()
{
    QString pasted = QGuiApplication::clipboard()->text();
    if (pasted.isEmpty() || !m_editable)
        return;
    if (!m_extraCarets.empty()) {
        const auto all = carets();
        applyMultiEdit(MC::insert(
            all, MC::pasteLines(toEngine(pasted), static_cast<std::int64_t>(all.size()))));
        return;
    }
    TextRange selection = selectedRange();
    if (m_delegate && !m_delegate->shouldChangeText(*this, selection, pasted))
        return;
    breakUndoCoalescing();
    applyEdit(selection,
              pasted,
              {selection.location + static_cast<int>(pasted.size()), 0},
              EditorKit::localized("붙이기"),
              EditKind::other);
}

void EditorTextView::selectAll()
{
    dropExtraCarets();
    changeSelection(0, m_storage->length(), true);
}

std::optional<QRectF> EditorTextView::insertionRect(int offset)
{
    int line = lineOf(offset);
    int start = lineStart(line);
    int column = std::min(offset, contentEnd(line)) - start;
    LineLayout& entry = layoutFor(line);
    // A composition shown on this line pushes what follows it.
    if (entry.preeditPosition >= 0 && column > entry.preeditPosition)
        column += static_cast<int>(m_preedit.size());
    auto textLine = entry.layout->lineForTextPosition(column);
    if (!textLine.isValid())
        textLine = entry.layout->lineAt(entry.layout->lineCount() - 1);
    if (!textLine.isValid())
        return std::nullopt;
    double x0 = horizontalInset - horizontalScrollBar()->value();
    double top = paragraphTop(line) + textLine.lineNumber() * m_lineHeight;
    return QRectF(x0 + textLine.cursorToX(column), top, 2.0, std::max(m_lineHeight, 14.0));
}

void EditorTextView::dropSelectedText(int target, bool copying)
{
    const TextRange selection = selectedRange();
    if (!m_editable || selection.length == 0)
        return;
    const QString moved = m_storage->mid(selection.location, selection.length);
    const int length = static_cast<int>(selection.length);
    const QString name = EditorKit::localized("끌어 놓기");
    if (copying) {
        if (m_delegate && !m_delegate->shouldChangeText(*this, {target, 0}, moved))
            return;
        replaceTextAsUndoableStep({target, 0}, moved, {target, length}, name);
        return;
    }
    if (target >= selection.location && target <= selection.end())
        return;
    // One replacement covering the selection and the target, so one step moves the text.
    TextRange range;
    QString replacement;
    TextRange after;
    if (target < selection.location) {
        range = {target, selection.end() - target};
        replacement = moved + m_storage->mid(target, selection.location - target);
        after = {target, length};
    } else {
        range = {selection.location, target - selection.location};
        replacement = m_storage->mid(selection.end(), target - selection.end()) + moved;
        after = {target - length, length};
    }
    if (m_delegate && !m_delegate->shouldChangeText(*this, range, replacement))
        return;
    replaceTextAsUndoableStep(range, replacement, after, name);
}

} // namespace EditorViews
