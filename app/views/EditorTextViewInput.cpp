// Keyboard, mouse, input methods, caret blinking and drops of the text view.
#include "app/views/EditorTextView.h"
#include "app/views/KeySelectors.h"
#include "app/views/TextStorage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyleHints>
#include <QTextFormat>
#include <QTextLayout>

#include <algorithm>

namespace EditorViews {

// MARK: keyboard

bool EditorTextView::focusNextPrevChild(bool)
{
    // Tab and Backtab are text commands here, never focus moves.
    return false;
}

void EditorTextView::keyPressEvent(QKeyEvent* event)
{
    const QString selector = keySelector(*event);
    if (!selector.isEmpty()) {
        doCommandBySelector(selector);
        event->accept();
        return;
    }
    const auto modifiers = event->modifiers() & ~(Qt::KeypadModifier);
    const QString typed = event->text();
    if (!typed.isEmpty() && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))
        && typed.front().unicode() >= 0x20 && typed.front().unicode() != 0x7F) {
        m_landedComposition.reset();
        typeText(typed);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// MARK: mouse

void EditorTextView::mouseDown(QPointF point, Qt::KeyboardModifiers modifiers, int clickCount)
{
    auto offset = offsetAt(point);
    if (!offset)
        return;
    m_preferredX.reset();
    m_dragPending = false;
    m_dragTarget.reset();
    modifiers &= ~Qt::KeypadModifier;
    // Ctrl and one click: adds a caret there, or removes the extra insertion point there.
    if (modifiers == Qt::ControlModifier && clickCount == 1) {
        auto all = carets();
        auto at = std::find(all.begin(), all.end(), TextRange{*offset, 0});
        if (at != all.end() && all.size() >= 2) {
            all.erase(at);
            setCarets(all, *offset);
        } else {
            all.push_back({*offset, 0});
            setCarets(all, *offset);
        }
        return;
    }
    dropExtraCarets();
    if (clickCount >= 3) {
        // The logical line with its break.
        const int line = lineOf(*offset);
        const int end = line + 1 < lineCount() ? lineStart(line + 1) : m_storage->length();
        changeSelection(lineStart(line), end, true);
        return;
    }
    if (clickCount == 2) {
        TextRange word = wordAround(*offset);
        int left = static_cast<int>(word.location);
        int right = static_cast<int>(word.end());
        changeSelection(left, right, true);
        return;
    }
    const TextRange selection = selectedRange();
    if (!(modifiers & Qt::ShiftModifier) && selection.length > 0 && *offset >= selection.location
        && *offset <= selection.end()) {
        // A press on the selection may start dragging it; a release without a drag places
        // the caret.
        m_dragPending = true;
        m_dragStart = point;
        m_mouseAnchor = *offset;
        return;
    }
    if (modifiers & Qt::ShiftModifier) {
        changeSelection(m_anchor, *offset, true);
    } else {
        changeSelection(*offset, *offset, true);
    }
    m_mouseAnchor = m_anchor;
    m_mouseSelecting = true;
}

void EditorTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        landComposition();
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    landComposition();
    // A press soon after a double-click at about the same place is the third click.
    int clicks = 1;
    if (m_lastDoubleClick.isValid()
        && m_lastDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval()
        && (event->position() - m_doubleClickPoint).manhattanLength()
               < QGuiApplication::styleHints()->startDragDistance())
        clicks = 3;
    m_lastDoubleClick.invalidate();
    mouseDown(event->position(), event->modifiers(), clicks);
}

void EditorTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_lastDoubleClick.start();
        m_doubleClickPoint = event->position();
        mouseDown(event->position(), event->modifiers(), 2);
    }
}

void EditorTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (m_dragPending) {
        if (!m_dragTarget
            && (event->position() - m_dragStart).manhattanLength()
                   < QGuiApplication::styleHints()->startDragDistance())
            return;
        if (auto offset = offsetAt(event->position())) {
            m_dragTarget = *offset;
            scrollRangeToVisible({*offset, 0});
            viewport()->update();
        }
        return;
    }
    if (!m_mouseSelecting)
        return;
    if (auto offset = offsetAt(event->position())) {
        changeSelection(m_mouseAnchor, *offset, true);
        scrollRangeToVisible({*offset, 0});
    }
}

void EditorTextView::mouseReleaseEvent(QMouseEvent* event)
{
    m_mouseSelecting = false;
    if (m_dragPending) {
        m_dragPending = false;
        auto target = m_dragTarget;
        m_dragTarget.reset();
        viewport()->update();
        if (target) {
            // With Ctrl held at the drop, the text is copied instead of moved.
            const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
            dropSelectedText(*target, modifiers == Qt::ControlModifier);
        } else {
            changeSelection(m_mouseAnchor, m_mouseAnchor, true);
        }
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

// MARK: input methods

void EditorTextView::setEditable(bool editable)
{
    if (editable == m_editable)
        return;
    // A syllable being composed lands where it was composed while the text still takes it
    // (following a file, or making it read-only, ends the composition as a click does).
    if (!editable)
        landComposition();
    m_editable = editable;
    // Qt keeps whether the focus object takes input methods from the last focus change. Told
    // nothing, it would go on handing the keys of a read-only view to the input method (the
    // syllables composed for nothing), or keep the input method off for a view that takes
    // text again (Korean then typed as the layout's Latin letters).
    if (QGuiApplication::focusObject() == this)
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImQueryInput);
}

void EditorTextView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!m_editable) {
        event->ignore();
        return;
    }
    const bool replaces = event->replacementLength() > 0 || event->replacementStart() != 0;
    if (m_landedComposition && !m_landing) {
        if (!event->preeditString().isEmpty() || replaces) {
            m_landedComposition.reset();
        } else if (!event->commitString().isEmpty()) {
            const bool again = event->commitString() == *m_landedComposition;
            m_landedComposition.reset();
            if (again) {
                event->accept();
                return;
            }
        }
    }
    if (!event->commitString().isEmpty() || replaces) {
        endComposition();
        TextRange range{-1, 0};
        if (replaces)
            range = {m_caret + event->replacementStart(), event->replacementLength()};
        // The whole commit is one insertion at the caret (or over the selection).
        if (!m_extraCarets.empty())
            commitCompositionAtCarets(event->commitString(), range);
        else
            insertText(event->commitString(), range);
    }
    QString preedit = event->preeditString();
    int cursor = static_cast<int>(preedit.size());
    // The styles the input method asks for; without any, the composition is underlined.
    QList<QTextLayout::FormatRange> formats;
    for (const auto& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor)
            cursor = attribute.start;
        if (attribute.type == QInputMethodEvent::TextFormat) {
            QTextCharFormat format = attribute.value.value<QTextFormat>().toCharFormat();
            if (format.isValid() && attribute.length > 0)
                formats.append({attribute.start, attribute.length, format});
        }
    }
    if (formats.isEmpty() && !preedit.isEmpty()) {
        QTextCharFormat underline;
        underline.setFontUnderline(true);
        formats.append({0, static_cast<int>(preedit.size()), underline});
    }
    if (preedit != m_preedit || cursor != m_preeditCursor || formats != m_preeditFormats) {
        // The line that showed the composition is laid out again, wherever the caret is now.
        endComposition();
        m_preedit = preedit;
        m_preeditFormats = formats;
        m_preeditCursor = std::clamp(cursor, 0, static_cast<int>(preedit.size()));
        updatePreeditLayout();
        if (!m_preedit.isEmpty())
            scrollRangeToVisible({m_caret, 0});
    }
    event->accept();
}

void EditorTextView::landComposition()
{
    if (!hasMarkedText() || m_landing)
        return;
    const QString composed = m_preedit;
    m_landedComposition.reset();
    // Only the focused view may ask the input method to commit: the commit goes to the focus
    // object. With no focus object (the window lost the focus) it is still told to forget.
    QObject* focus = QGuiApplication::focusObject();
    const bool asks = focus == this;
    if (asks) {
        m_landing = true;
        QGuiApplication::inputMethod()->commit();
        m_landing = false;
    }
    // From here a commit of the same text is the input method's repeat of it: fcitx5 sends it
    // from within reset(), ibus later.
    const bool composing = hasMarkedText();
    m_landedComposition = composed;
    if (composing) {
        // The input method keeps composing (or cannot be asked): the composition is taken as
        // typed where it shows, and the input method forgets it.
        endComposition();
        insertText(composed);
        if (asks || !focus)
            QGuiApplication::inputMethod()->reset();
    }
}

void EditorTextView::endComposition()
{
    m_preedit.clear();
    m_preeditFormats.clear();
    m_preeditCursor = 0;
    updatePreeditLayout();
    viewport()->update();
}

QVariant EditorTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    auto self = const_cast<EditorTextView*>(this);
    int line = lineOf(m_caret);
    int start = lineStart(line);
    int end = contentEnd(line);
    if (end - start > ParagraphLayout::pieceBound) {
        // A long line offers the input method the text around the caret, not a megabyte.
        constexpr int reach = 1024;
        const StorageUnits all = units();
        const int from = std::max(start, m_caret - reach);
        const int to = std::min(end, m_caret + reach);
        start = from > start && all[from].isLowSurrogate() ? from - 1 : from;
        end = to < end && all[to].isLowSurrogate() ? to + 1 : to;
    }
    switch (query) {
    case Qt::ImEnabled:
        return m_editable;
    case Qt::ImCursorRectangle: {
        auto rect = self->caretRect();
        if (!rect)
            return QRectF();
        return rect->translated(viewport()->geometry().topLeft());
    }
    case Qt::ImFont:
        return m_font;
    case Qt::ImCursorPosition:
        return m_caret - start;
    case Qt::ImAnchorPosition:
        return std::clamp(m_anchor - start, 0, end - start);
    case Qt::ImSurroundingText:
        return m_storage->mid(start, end - start);
    case Qt::ImCurrentSelection: {
        TextRange selection = selectedRange();
        return m_storage->mid(selection.location, selection.length);
    }
    case Qt::ImAbsolutePosition:
        return m_caret;
    case Qt::ImHints:
        return QVariant(static_cast<int>(Qt::ImhMultiLine));
    case Qt::ImMaximumTextLength:
        return QVariant();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// MARK: focus and caret blinking

void EditorTextView::resetBlink()
{
    m_caretVisible = true;
    int interval = QGuiApplication::styleHints()->cursorFlashTime() / 2;
    if (hasFocus() && interval > 0)
        m_blink.start(interval, this);
    else
        m_blink.stop();
}

void EditorTextView::focusInEvent(QFocusEvent* event)
{
    resetBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void EditorTextView::focusOutEvent(QFocusEvent* event)
{
    // Whatever takes the focus (another view, a menu, another window), the syllable being
    // composed stays in this text.
    landComposition();
    m_blink.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

void EditorTextView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretVisible = !m_caretVisible;
        if (auto rect = caretRect())
            viewport()->update(rect->toAlignedRect().adjusted(-1, -1, 1, 1));
        return;
    }
    if (event->timerId() == m_indicatorTimer.timerId()) {
        hideIndicator();
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

// MARK: drops

namespace {

QList<QUrl> fileUrls(const QMimeData* data)
{
    QList<QUrl> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.push_back(url);
    }
    return files;
}

} // namespace

void EditorTextView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!fileUrls(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else if (event->mimeData()->hasText() && m_editable) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void EditorTextView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!fileUrls(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else if (event->mimeData()->hasText() && m_editable) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void EditorTextView::dropEvent(QDropEvent* event)
{
    QList<QUrl> files = fileUrls(event->mimeData());
    if (!files.isEmpty()) {
        if (m_delegate)
            m_delegate->openDroppedFiles(*this, files);
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    if (!event->mimeData()->hasText() || !m_editable) {
        event->ignore();
        return;
    }
    dropExtraCarets();
    if (auto offset = offsetAt(event->position()))
        changeSelection(*offset, *offset, true);
    breakUndoCoalescing();
    insertText(event->mimeData()->text());
    breakUndoCoalescing();
    event->acceptProposedAction();
}

} // namespace EditorViews
