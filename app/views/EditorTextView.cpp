#include "app/views/EditorTextView.h"

#include "app/kit/Utf16.h"
#include "app/views/CentimeterRuler.h"
#include "app/views/EditorColors.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/SpellChecker.h"
#include "app/views/TextStorage.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <limits>

namespace EditorViews {
namespace {

// Layouts kept beyond this many are dropped at the next paint; only visible lines come back.
constexpr std::size_t layoutCacheLimit = 2000;

} // namespace

EditorTextView::EditorTextView(std::shared_ptr<EditorDisplayState> display, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_display(std::move(display))
    , m_storage(new TextStorage(this))
    , m_lines(EditorKit::utf16View(QString()))
{
    if (!m_display)
        m_display = std::make_shared<EditorDisplayState>();
    m_ownUndoStack = new QUndoStack(this);
    m_undoStack = m_ownUndoStack;
    connect(m_storage, &TextStorage::didReplace, this, &EditorTextView::storageDidReplace);

    setAttribute(Qt::WA_InputMethodEnabled, true);
    viewport()->setAttribute(Qt::WA_InputMethodEnabled, true);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
    resize(800, 600);
    setEditorFont(EditorViews::editorFont(std::nullopt, std::nullopt, 1.0), {});
}

EditorTextView::~EditorTextView() = default;

const QString& EditorTextView::text() const
{
    return m_storage->text();
}

QChar EditorTextView::StorageUnits::operator[](qsizetype index) const
{
    return storage->at(index);
}

qsizetype EditorTextView::StorageUnits::size() const
{
    return storage->length();
}

void EditorTextView::setUndoStack(QUndoStack* stack)
{
    m_undoStack = stack ? stack : m_ownUndoStack;
}

void EditorTextView::setSuspiciousClassifier(SuspiciousClassifier classify)
{
    m_classify = std::move(classify);
    viewport()->update();
}

void EditorTextView::setLineColorProvider(LineColorProvider provider)
{
    m_lineColors = std::move(provider);
    m_layouts.clear();
    viewport()->update();
}

int EditorTextView::invalidateLineColors(int first,
                                         int last,
                                         const std::function<bool(std::int64_t)>& stale)
{
    const auto dropped = std::erase_if(m_layouts, [&](const auto& entry) {
        return entry.first >= first && (last < 0 || entry.first <= last)
               && stale(entry.second.layout->colorStamp());
    });
    if (dropped > 0)
        viewport()->update();
    return static_cast<int>(dropped);
}

std::pair<int, int> EditorTextView::linesAroundViewport(double margin) const
{
    const double top = std::max(0.0, scrollY() - verticalInset - margin);
    const double bottom = std::max(0.0, scrollY() - verticalInset + viewport()->height() + margin);
    const long long lastVisual = std::max(0LL, m_visual.totalVisualLines() - 1);
    auto lineAt = [&](double y) {
        const auto visual = std::min(static_cast<long long>(y / m_lineHeight), lastVisual);
        return std::min(m_visual.locate(visual).line, std::max(0, lineCount() - 1));
    };
    return {lineAt(top), lineAt(bottom)};
}

void EditorTextView::setEditorFont(const QFont& font, const EditorParagraphStyle& style)
{
    const EditorParagraphStyle applied =
        style.lineHeight > 0 ? style : editorParagraphStyle(font, 4, std::nullopt);
    // The window applies its options again whenever a text arrives: the same font and style
    // leave the layouts and a million lines' wrapping estimates as they are.
    if (m_fontApplied && font == m_font && applied == m_style) {
        viewport()->update();
        return;
    }
    m_fontApplied = true;
    m_font = font;
    m_style = applied;
    QFontMetricsF metrics(m_font);
    m_lineHeight = std::max(1.0, m_style.lineHeight);
    m_ascent = metrics.ascent();
    m_descent = metrics.descent();
    m_zeroWidth = std::max(1.0, metrics.horizontalAdvance(QLatin1Char('0')));
    m_layouts.clear();
    m_widestLine = 0;
    rebuildVisualLines();
    if (m_ruler)
        updateRulerThickness();
    viewport()->update();
}

void EditorTextView::displayOptionsDidChange()
{
    m_layouts.clear();
    m_widestLine = 0;
    // The estimates only depend on wrapping and the width; a million lines are not walked again
    // for a change of another switch.
    if (m_display->options.wrapsLines != m_visualWraps || availableWidth() != m_layoutWidth)
        rebuildVisualLines();
    else
        updateScrollBars();
    layoutRuler();
    viewport()->update();
}

// MARK: line table

int EditorTextView::lineCount() const
{
    return static_cast<int>(m_lines.lineCount());
}

int EditorTextView::lineStart(int line) const
{
    return static_cast<int>(m_lines.lineStart(line + 1));
}

int EditorTextView::contentEnd(int line) const
{
    if (line < 0 || line >= lineCount())
        return m_storage->length();
    const int start = lineStart(line);
    int end = line + 1 < lineCount() ? lineStart(line + 1) : m_storage->length();
    // A line ends in one break: LF, CR, CR LF, NEL, U+2028 or U+2029.
    if (end > start && m_storage->at(end - 1) == QLatin1Char('\n')) {
        --end;
        if (end > start && m_storage->at(end - 1) == QLatin1Char('\r'))
            --end;
    } else if (end > start) {
        const char16_t last = m_storage->at(end - 1).unicode();
        if (last == u'\r' || last == 0x0085 || last == 0x2028 || last == 0x2029)
            --end;
    }
    return end;
}

int EditorTextView::lineOf(int offset) const
{
    return static_cast<int>(m_lines.lineNumber(offset)) - 1;
}

// MARK: storage changes

void EditorTextView::storageDidReplace(int location, int replacedLength, int newLength)
{
    // The indicator pointed at text as it was. (The line table is not yet up to date, so the
    // edit's own repaint clears it.)
    m_indicatorTimer.stop();
    m_indicator.reset();
    const EditOrigin origin = m_nextOrigin.value_or(EditOrigin::typing);
    m_nextOrigin.reset();
    if (location == 0 && replacedLength == m_lines.length()) {
        // The whole text was replaced: building afresh is faster than rescanning as an edit.
        // The carets of the old text mean nothing in the new one.
        if (!m_applyingMultiEdit)
            m_extraCarets.clear();
        if (m_givenLines && m_givenLines->length() == m_storage->length())
            m_lines = std::move(*m_givenLines);
        else
            m_lines = EditorCore::LineIndex(m_storage->current());
        m_givenLines.reset();
        m_layouts.clear();
        m_widestLine = 0;
        if (m_givenVisualLines && !m_display->options.wrapsLines
            && m_givenVisualLines->lineCount() == lineCount()) {
            m_visual = std::move(*m_givenVisualLines);
            m_layoutWidth = availableWidth();
            m_visualWraps = false;
            updateScrollBars();
        } else {
            rebuildVisualLines();
        }
        m_givenVisualLines.reset();
    } else {
        const int oldLines = lineCount();
        const int firstLine = lineOf(location);
        const int lastOldLine = lineOf(location + replacedLength);
        const int oldContentEnd = contentEnd(firstLine);
        const auto stretch =
            EditorCore::LineIndex::updateStretch(location, newLength, m_storage->length());
        m_lines.update(location,
                       replacedLength,
                       newLength,
                       m_storage->length(),
                       EditorKit::utf16View(m_storage->mid(stretch.location, stretch.length)));
        const int lastNewLine = lineOf(location + newLength);
        const int delta = lineCount() - oldLines;
        // A long line edited inside its content keeps its layout: only the pieces the edit
        // touches are laid out again.
        std::optional<LineLayout> edited;
        if (firstLine == lastOldLine && firstLine == lastNewLine && delta == 0
            && location + replacedLength <= oldContentEnd) {
            auto found = m_layouts.find(firstLine);
            if (found != m_layouts.end() && found->second.layout->pieceCount() > 1
                && found->second.preeditPosition < 0) {
                const int start = lineStart(firstLine);
                const QString inserted = m_storage->mid(location, newLength);
                found->second.layout->replace(location - start, replacedLength, inserted);
                found->second.paragraph.replace(location - start, replacedLength, inserted);
                if (found->second.layout->content().size() == contentEnd(firstLine) - start)
                    edited = std::move(found->second);
                m_layouts.erase(found);
            }
        }
        if (lastNewLine - lastOldLine != delta || m_visual.lineCount() != oldLines) {
            m_layouts.clear();
            rebuildVisualLines();
        } else {
            if (delta == 0) {
                for (int line = firstLine; line <= lastNewLine; ++line)
                    m_visual.setCount(line, estimatedVisualLines(line));
                if (edited)
                    m_visual.setCount(firstLine, std::max(1, edited->layout->lineCount()));
            } else if (lastOldLine == oldLines - 1 && delta > 0 && !edited) {
                // Lines added at the end (a followed log, a large file read in steps): the
                // map grows in place instead of being built again for every line.
                for (int line = firstLine; line <= lastOldLine; ++line)
                    m_visual.setCount(line, estimatedVisualLines(line));
                for (int line = lastOldLine + 1; line <= lastNewLine; ++line)
                    m_visual.append(estimatedVisualLines(line));
            } else {
                std::vector<int> counts;
                counts.reserve(static_cast<std::size_t>(lineCount()));
                for (int line = 0; line < firstLine; ++line)
                    counts.push_back(m_visual.count(line));
                for (int line = firstLine; line <= lastNewLine; ++line)
                    counts.push_back(estimatedVisualLines(line));
                for (int line = lastOldLine + 1; line < oldLines; ++line)
                    counts.push_back(m_visual.count(line));
                m_visual.reset(std::move(counts));
            }
            // Layouts of the lines around the edit stay; those after it move with their lines.
            std::unordered_map<int, LineLayout> kept;
            for (auto& [line, layout] : m_layouts) {
                if (line < firstLine)
                    kept.emplace(line, std::move(layout));
                else if (line > lastOldLine) {
                    layout.layout->setLine(line + delta);
                    kept.emplace(line + delta, std::move(layout));
                }
            }
            if (edited)
                kept.emplace(firstLine, std::move(*edited));
            m_layouts = std::move(kept);
        }
    }

    // Positions after the edit move with the text; a position inside the replaced text goes
    // to the end of the new text.
    const int change = newLength - replacedLength;
    auto shift = [&](int position) {
        if (position >= location + replacedLength)
            return position + change;
        if (position > location)
            return location + newLength;
        return position;
    };
    m_anchor = shift(m_anchor);
    m_caret = shift(m_caret);
    shiftExtraCarets({location, newLength}, change);
    updateScrollBars();
    viewport()->update();
    if (m_ruler)
        m_ruler->update();

    if (m_delegate) {
        EditRecord record;
        record.location = location;
        record.oldLength = replacedLength;
        record.text = m_storage->snapshot();
        record.insertedLength = newLength;
        // A long insertion (a whole text read in) is read from the snapshot by whoever needs it.
        if (newLength <= EditRecord::insertedTextLimit)
            record.insertedText = m_storage->mid(location, newLength);
        record.version = m_storage->version();
        record.origin = origin;
        m_delegate->textDidEdit(*this, record);
    }
}

void EditorTextView::rebuildVisualLines()
{
    const auto& starts = m_lines.starts();
    const std::size_t count = starts.size();
    // Into the memory the map holds: a resize and the scroll bar appearing rebuild it again
    // right after a large text arrives, and fresh pages for a million lines cost more than the
    // counting.
    if (m_display->options.wrapsLines) {
        // Estimated from the line's length with its break; a layout corrects it when shown.
        const double columns = std::max(1.0, std::floor(availableWidth() / m_zeroWidth));
        const auto total = static_cast<std::int64_t>(m_storage->length());
        m_visual.rebuild(static_cast<int>(count), [&](int line) {
            const auto at = static_cast<std::size_t>(line);
            const auto length = (at + 1 < count ? starts[at + 1] : total) - starts[at];
            return length > columns
                       ? static_cast<int>(std::ceil(static_cast<double>(length) / columns))
                       : 1;
        });
    } else {
        m_visual.rebuild(static_cast<int>(count), [](int) { return 1; });
    }
    m_layoutWidth = availableWidth();
    m_visualWraps = m_display->options.wrapsLines;
    updateScrollBars();
}

int EditorTextView::estimatedVisualLines(int line) const
{
    if (!m_display->options.wrapsLines)
        return 1;
    int length = contentEnd(line) - lineStart(line);
    double columns = std::max(1.0, std::floor(availableWidth() / m_zeroWidth));
    return std::max(1, static_cast<int>(std::ceil(length / columns)));
}

double EditorTextView::availableWidth() const
{
    return std::max(m_zeroWidth, viewport()->width() - 2 * horizontalInset);
}

// MARK: layout

ParagraphSettings EditorTextView::paragraphSettings() const
{
    ParagraphSettings settings;
    settings.font = m_font;
    settings.tabInterval = m_style.defaultTabInterval;
    settings.wraps = m_display->options.wrapsLines;
    settings.width = availableWidth();
    settings.lineHeight = m_lineHeight;
    settings.ascent = m_ascent;
    settings.descent = m_descent;
    settings.zeroWidth = m_zeroWidth;
    return settings;
}

EditorTextView::LineLayout& EditorTextView::layoutFor(int line)
{
    auto found = m_layouts.find(line);
    if (found != m_layouts.end())
        return found->second;

    int start = lineStart(line);
    int end = contentEnd(line);
    LineLayout entry;
    const int next = line + 1 < lineCount() ? lineStart(line + 1) : m_storage->length();
    entry.paragraph = m_storage->mid(start, next - start);
    entry.layout = std::make_unique<ParagraphLayout>(
        paragraphSettings(), entry.paragraph.left(end - start), m_lineColors, line);
    if (!m_preedit.isEmpty() && lineOf(m_caret) == line) {
        entry.preeditPosition = std::min(m_caret, end) - start;
        entry.layout->setPreedit(entry.preeditPosition, m_preedit, m_preeditFormats);
    }
    const int visualLines = std::max(entry.layout->lineCount(), 1);
    if (m_visual.count(line) != visualLines)
        m_visual.setCount(line, visualLines);
    if (!m_display->options.wrapsLines)
        m_widestLine = std::max(m_widestLine, entry.layout->naturalWidth());
    return m_layouts.emplace(line, std::move(entry)).first->second;
}

void EditorTextView::layoutVisiblePart(int line, double top)
{
    LineLayout& entry = layoutFor(line);
    const double x0 = horizontalInset - horizontalScrollBar()->value();
    entry.layout->layoutArea(QRectF(-x0, -top, viewport()->width(), viewport()->height()));
    const int visualLines = std::max(entry.layout->lineCount(), 1);
    if (m_visual.count(line) != visualLines)
        m_visual.setCount(line, visualLines);
    if (!m_display->options.wrapsLines)
        m_widestLine = std::max(m_widestLine, entry.layout->naturalWidth());
}

void EditorTextView::updatePreeditLayout()
{
    for (auto& [line, entry] : m_layouts) {
        if (entry.preeditPosition >= 0) {
            entry.layout->setPreedit(-1, QString(), {});
            entry.preeditPosition = -1;
            m_visual.setCount(line, std::max(entry.layout->lineCount(), 1));
        }
    }
    if (m_preedit.isEmpty())
        return;
    const int line = lineOf(m_caret);
    auto found = m_layouts.find(line);
    if (found == m_layouts.end())
        return;
    LineLayout& entry = found->second;
    entry.preeditPosition = std::min(m_caret, contentEnd(line)) - lineStart(line);
    entry.layout->setPreedit(entry.preeditPosition, m_preedit, m_preeditFormats);
    m_visual.setCount(line, std::max(entry.layout->lineCount(), 1));
}

double EditorTextView::scrollY() const
{
    return verticalScrollBar()->value();
}

double EditorTextView::paragraphTop(int line) const
{
    return verticalInset + static_cast<double>(m_visual.visualLinesBefore(line)) * m_lineHeight
           - scrollY();
}

void EditorTextView::setScrollY(double y)
{
    verticalScrollBar()->setValue(static_cast<int>(std::lround(y)));
}

void EditorTextView::updateScrollBars()
{
    double contentHeight =
        2 * verticalInset + static_cast<double>(m_visual.totalVisualLines()) * m_lineHeight;
    // Scroll bars count in int; a text taller than that scrolls through its first 2^31 pixels.
    contentHeight = std::min(contentHeight, static_cast<double>(std::numeric_limits<int>::max()));
    int height = viewport()->height();
    verticalScrollBar()->setPageStep(height);
    verticalScrollBar()->setSingleStep(static_cast<int>(std::ceil(m_lineHeight)));
    verticalScrollBar()->setRange(0,
                                  std::max(0, static_cast<int>(std::ceil(contentHeight)) - height));
    int width = viewport()->width();
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(static_cast<int>(std::ceil(m_zeroWidth)));
    int contentWidth =
        m_display->options.wrapsLines
            ? 0
            : static_cast<int>(std::ceil(2 * horizontalInset + m_widestLine + m_zeroWidth));
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - width));
}

void EditorTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_display->options.wrapsLines && std::abs(availableWidth() - m_layoutWidth) > 0.5) {
        // Keep the line at the top of the view where it is while everything rewraps.
        auto top = m_visual.locate(
            static_cast<long long>(std::max(0.0, scrollY() - verticalInset) / m_lineHeight));
        m_layouts.clear();
        rebuildVisualLines();
        setScrollY(static_cast<double>(m_visual.visualLinesBefore(top.line)) * m_lineHeight);
    }
    updateScrollBars();
    layoutRuler();
}

void EditorTextView::scrollContentsBy(int dx, int)
{
    viewport()->update();
    if (m_ruler)
        m_ruler->update();
    if (m_centimeterRuler && dx != 0)
        m_centimeterRuler->update();
}

std::vector<EditorTextView::VisibleParagraph> EditorTextView::visibleParagraphs()
{
    if (m_layouts.size() > layoutCacheLimit)
        m_layouts.clear();
    std::vector<VisibleParagraph> paragraphs;
    const long long totalBefore = m_visual.totalVisualLines();
    const double widestBefore = m_widestLine;
    double y = std::max(0.0, scrollY() - verticalInset);
    auto first = m_visual.locate(static_cast<long long>(y / m_lineHeight));
    const double bottom = viewport()->height();
    for (int line = first.line; line < lineCount(); ++line) {
        double top = paragraphTop(line);
        if (top > bottom)
            break;
        layoutVisiblePart(line, top);
        paragraphs.push_back(
            {line, lineStart(line), top, m_visual.count(line) * m_lineHeight, m_lineHeight});
    }
    if (m_visual.totalVisualLines() != totalBefore || m_widestLine != widestBefore) {
        // Laying out corrected an estimate (or found a wider line): resize the scroll range
        // once this paint is done.
        QMetaObject::invokeMethod(
            this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
    }
    return paragraphs;
}

TextRange EditorTextView::visibleTextRange(const std::vector<VisibleParagraph>& paragraphs)
{
    if (paragraphs.empty())
        return {0, 0};
    int last = paragraphs.back().line;
    int end = last + 1 < lineCount() ? lineStart(last + 1) : m_storage->length();
    return {paragraphs.front().start, end - paragraphs.front().start};
}

template<class Fn>
void EditorTextView::forEachSegment(const std::vector<VisibleParagraph>& paragraphs,
                                    TextRange range,
                                    SegmentType type,
                                    Fn&& fn)
{
    if (range.length <= 0)
        return;
    const double x0 = horizontalInset - horizontalScrollBar()->value();
    for (const auto& paragraph : paragraphs) {
        int line = paragraph.line;
        int start = paragraph.start;
        int next = line + 1 < lineCount() ? lineStart(line + 1) : m_storage->length();
        int a = std::max(static_cast<int>(range.location), start);
        int b = std::min(static_cast<int>(range.end()), next);
        if (a >= b)
            continue;
        int end = contentEnd(line);
        LineLayout& entry = layoutFor(line);
        auto position = [&](int column) {
            if (entry.preeditPosition >= 0 && column > entry.preeditPosition)
                return column + static_cast<int>(m_preedit.size());
            return column;
        };
        int ca = std::min(a, end) - start;
        int cb = std::min(b, end) - start;
        const int lastLine = entry.layout->lineCount() - 1;
        // Only what the viewport shows: a long line is not laid out for a range that runs
        // past the view.
        const auto [shownFrom, shownTo] = shownPositions(paragraph, entry);
        const int pa = std::max(position(ca), shownFrom);
        const int pb = std::min(position(cb), shownTo);
        const bool coversBreak = b > end && position(end - start) <= shownTo;
        if (pa > pb || (pa == pb && !coversBreak))
            continue;
        const int firstShown =
            std::max(0, static_cast<int>(std::floor(-paragraph.top / m_lineHeight)));
        const int lastShown = std::min(
            lastLine,
            static_cast<int>(std::floor((viewport()->height() - paragraph.top) / m_lineHeight)));
        const int firstTouched = entry.layout->lineForTextPosition(pa).lineNumber();
        const int lastTouched =
            coversBreak ? lastLine : entry.layout->lineForTextPosition(pb).lineNumber();
        for (int i = std::max(firstShown, firstTouched); i <= std::min(lastShown, lastTouched);
             ++i) {
            auto textLine = entry.layout->lineAt(i);
            int ls = textLine.textStart();
            int le = ls + textLine.textLength();
            double top = paragraph.top + i * m_lineHeight;
            int s = std::max(pa, ls);
            int e = std::min(pb, le);
            std::optional<std::pair<double, double>> span;
            if (s < e) {
                double x1 = textLine.cursorToX(s);
                double x2 = textLine.cursorToX(e);
                span = std::make_pair(std::min(x1, x2), std::max(x1, x2));
            }
            if (i == lastLine && coversBreak) {
                double bx = textLine.cursorToX(position(end - start));
                double width = type == SegmentType::selection
                                   ? std::max(m_zeroWidth, viewport()->width() - (x0 + bx))
                                   : m_zeroWidth;
                if (span && std::abs(span->second - bx) < 0.5)
                    span->second = bx + width;
                else if (!span)
                    span = std::make_pair(bx, bx + width);
                else
                    fn(QRectF(x0 + bx, top, width, m_lineHeight));
            }
            if (span)
                fn(QRectF(x0 + span->first, top, span->second - span->first, m_lineHeight));
        }
    }
}

std::pair<int, int> EditorTextView::shownPositions(const VisibleParagraph& paragraph,
                                                   LineLayout& entry)
{
    // A line in one piece is laid out whole anyway.
    if (entry.layout->pieceCount() <= 1)
        return {0, std::numeric_limits<int>::max()};
    const int lastLine = entry.layout->lineCount() - 1;
    const int firstShown =
        std::clamp(static_cast<int>(std::floor(-paragraph.top / m_lineHeight)), 0, lastLine);
    const int lastShown = std::clamp(
        static_cast<int>(std::floor((viewport()->height() - paragraph.top) / m_lineHeight)),
        0,
        lastLine);
    const auto first = entry.layout->lineAt(firstShown);
    const auto last = entry.layout->lineAt(lastShown);
    int from = first.textStart();
    int to = last.textStart() + last.textLength();
    if (!m_display->options.wrapsLines) {
        const double x0 = horizontalInset - horizontalScrollBar()->value();
        from = std::max(from, first.xToCursor(-x0) - 2);
        to = std::min(to, first.xToCursor(viewport()->width() - x0) + 2);
    }
    return {std::max(0, from), to};
}

std::optional<QRectF> EditorTextView::currentLineRect()
{
    int line = lineOf(selectedRange().location);
    double top = paragraphTop(line);
    layoutFor(line);
    return QRectF(0, top, viewport()->width(), m_visual.count(line) * m_lineHeight);
}

std::optional<QRectF> EditorTextView::caretRect()
{
    int line = lineOf(m_caret);
    int start = lineStart(line);
    int column = std::min(m_caret, contentEnd(line)) - start;
    LineLayout& entry = layoutFor(line);
    int position = column;
    if (entry.preeditPosition >= 0)
        position = entry.preeditPosition + m_preeditCursor;
    auto textLine = entry.layout->lineForTextPosition(position);
    if (!textLine.isValid())
        return std::nullopt;
    double x0 = horizontalInset - horizontalScrollBar()->value();
    double top = paragraphTop(line) + textLine.lineNumber() * m_lineHeight;
    return QRectF(x0 + textLine.cursorToX(position), top, 2.0, m_lineHeight);
}

std::optional<int> EditorTextView::offsetAt(QPointF point)
{
    if (lineCount() == 0)
        return std::nullopt;
    double y = point.y() + scrollY() - verticalInset;
    long long visual = static_cast<long long>(std::floor(std::max(0.0, y) / m_lineHeight));
    visual = std::min(visual, m_visual.totalVisualLines() - 1);
    auto located = m_visual.locate(visual);
    layoutFor(located.line);
    // Laying the line out may have corrected its estimated height.
    located = m_visual.locate(visual);
    LineLayout& layout = layoutFor(located.line);
    int sub = std::clamp(located.subLine, 0, layout.layout->lineCount() - 1);
    auto textLine = layout.layout->lineAt(sub);
    if (!textLine.isValid())
        return lineStart(located.line);
    double x = point.x() - (horizontalInset - horizontalScrollBar()->value());
    int position = textLine.xToCursor(x);
    if (layout.preeditPosition >= 0 && position > layout.preeditPosition)
        position = std::max(layout.preeditPosition, position - static_cast<int>(m_preedit.size()));
    int start = lineStart(located.line);
    return std::min(start + position, contentEnd(located.line));
}

// MARK: drawing

template<class Matches>
void EditorTextView::drawMatches(QPainter& painter,
                                 const std::vector<VisibleParagraph>& paragraphs,
                                 const Matches& matches,
                                 TextRange viewport)
{
    if (matches.empty())
        return;
    const Appearance appearance = appearanceOf(palette());
    auto first = std::lower_bound(
        matches.begin(), matches.end(), viewport.location, [](FindMatch m, std::int64_t start) {
            return m.end() < start;
        });
    for (auto it = first; it != matches.end(); ++it) {
        if (it->location > viewport.end())
            break;
        bool current = m_display->currentMatch && *m_display->currentMatch == *it;
        QColor color = current ? EditorColors::currentMatchColor(appearance)
                               : EditorColors::findMatchColor(appearance);
        forEachSegment(paragraphs,
                       it->range(),
                       SegmentType::highlight,
                       [&](QRectF rect) {
                           QPainterPath path;
                           path.addRoundedRect(rect.adjusted(-1.0, 1.0, 1.0, -1.0), 2.0, 2.0);
                           painter.fillPath(path, color);
                       });
    }
}

void EditorTextView::showIndicator(TextRange range)
{
    hideIndicator();
    const std::int64_t length = m_storage->length();
    const std::int64_t location = std::clamp<std::int64_t>(range.location, 0, length);
    range = {location, std::clamp<std::int64_t>(range.length, 0, length - location)};
    if (range.length == 0)
        return;
    m_indicator = range;
    m_indicatorTimer.start(static_cast<int>(m_indicatorDuration.count()), this);
    updateIndicatorArea();
}

void EditorTextView::hideIndicator()
{
    m_indicatorTimer.stop();
    if (!m_indicator)
        return;
    updateIndicatorArea();
    m_indicator.reset();
}

// Repaints the indicator's boxes where they are now (the view may have scrolled since).
void EditorTextView::updateIndicatorArea()
{
    if (!m_indicator)
        return;
    const auto paragraphs = visibleParagraphs();
    forEachSegment(paragraphs, *m_indicator, SegmentType::highlight, [&](QRectF rect) {
        viewport()->update(rect.toAlignedRect().adjusted(-4, -4, 4, 4));
    });
}

// A yellow rounded box over the range, with the range's text drawn again on it.
void EditorTextView::drawIndicator(QPainter& painter,
                                   const std::vector<VisibleParagraph>& paragraphs)
{
    if (!m_indicator)
        return;
    QPainterPath box;
    forEachSegment(paragraphs, *m_indicator, SegmentType::highlight, [&](QRectF rect) {
        box.addRoundedRect(rect.adjusted(-2.0, 0.0, 2.0, 0.0), 3.0, 3.0);
    });
    if (box.isEmpty())
        return;
    painter.save();
    painter.fillPath(box, EditorColors::indicatorColor(appearanceOf(palette())));
    painter.setClipPath(box);
    painter.setPen(Qt::black);
    const double x0 = horizontalInset - horizontalScrollBar()->value();
    for (const auto& paragraph : paragraphs) {
        if (paragraph.start > m_indicator->end())
            break;
        layoutFor(paragraph.line)
            .layout->draw(&painter, QPointF(x0, paragraph.top), QRectF(viewport()->rect()));
    }
    painter.restore();
}

void EditorTextView::drawSyntaxErrors(QPainter& painter,
                                      const std::vector<VisibleParagraph>& paragraphs,
                                      TextRange viewport,
                                      const QRectF& dirty)
{
    const auto& errors = m_display->syntaxErrors;
    if (errors.empty())
        return;
    auto first =
        std::lower_bound(errors.begin(),
                         errors.end(),
                         viewport.location,
                         [](const TextRange& m, std::int64_t start) { return m.end() < start; });
    QRectF grown = dirty.adjusted(0, -4.0, 0, 4.0);
    const double baselineOffset = (m_lineHeight - (m_ascent + m_descent)) / 2 + m_ascent;
    QPainterPath path;
    for (auto it = first; it != errors.end(); ++it) {
        if (it->location > viewport.end())
            break;
        TextRange range{it->location, std::max<std::int64_t>(it->length, 1)};
        forEachSegment(paragraphs, range, SegmentType::standard, [&](QRectF rect) {
            if (rect.width() <= 0 || !rect.intersects(grown))
                return;
            double y = std::min(rect.top() + baselineOffset + 2.5, rect.bottom() - 1.5);
            double x = rect.left();
            path.moveTo(x, y);
            bool up = true;
            while (x < rect.right()) {
                x = std::min(x + 2.0, rect.right());
                path.lineTo(x, up ? y - 1.5 : y);
                up = !up;
            }
        });
    }
    if (!path.isEmpty()) {
        painter.setPen(QPen(EditorColors::syntaxErrorUnderlineColor(appearanceOf(palette())), 1.1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
}

// Red dots under the words the spell checker rejects; the word being typed at the caret waits
// until the caret leaves it.
void EditorTextView::drawMisspellings(QPainter& painter,
                                      const std::vector<VisibleParagraph>& paragraphs,
                                      const QRectF& dirty)
{
    const double baselineOffset = (m_lineHeight - (m_ascent + m_descent)) / 2 + m_ascent;
    const QRectF grown = dirty.adjusted(0, -4.0, 0, 4.0);
    QPainterPath path;
    const TextRange selection = selectedRange();
    for (const auto& paragraph : paragraphs) {
        const int length = contentEnd(paragraph.line) - paragraph.start;
        // A very long line (a minified file) is not prose.
        if (length <= 0 || length > 20000)
            continue;
        const QString text = m_storage->mid(paragraph.start, length);
        for (TextRange word : m_spellChecker->misspelledWords(text)) {
            word.location += paragraph.start;
            if (selection.length == 0 && selection.location >= word.location
                && selection.location <= word.end())
                continue;
            forEachSegment(paragraphs, word, SegmentType::standard, [&](QRectF rect) {
                if (rect.width() <= 0 || !rect.intersects(grown))
                    return;
                const double y = std::min(rect.top() + baselineOffset + 3.0, rect.bottom() - 1.0);
                for (double x = rect.left() + 1.0; x < rect.right(); x += 3.0)
                    path.addEllipse(QPointF(x, y), 1.0, 1.0);
            });
        }
    }
    if (!path.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(EditorColors::misspellingColor(appearanceOf(palette())));
        painter.drawPath(path);
        painter.setBrush(Qt::NoBrush);
    }
}

void EditorTextView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QPalette colors = palette();
    const Appearance appearance = appearanceOf(colors);
    const QRectF dirty = event->rect();
    painter.fillRect(dirty, colors.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing, true);

    const auto paragraphs = visibleParagraphs();
    const TextRange visible = visibleTextRange(paragraphs);
    const auto& options = m_display->options;

    if (options.highlightsCurrentLine) {
        if (auto rect = currentLineRect())
            painter.fillRect(rect->intersected(dirty), EditorColors::currentLineColor(appearance));
    }
    drawMatches(painter, paragraphs, m_display->findMatches, visible);
    drawSyntaxErrors(painter, paragraphs, visible, dirty);
    if (m_autocorrection.spelling && m_spellChecker)
        drawMisspellings(painter, paragraphs, dirty);

    const QColor selection = EditorColors::selectionColor(colors);
    auto fillSelection = [&](TextRange range) {
        forEachSegment(paragraphs, range, SegmentType::selection, [&](QRectF rect) {
            painter.fillRect(rect, selection);
        });
    };
    fillSelection(selectedRange());
    for (const auto& caret : m_extraCarets) {
        if (caret.length > 0 && caret.end() >= visible.location && caret.location <= visible.end())
            fillSelection(caret);
    }
    // The current match stays visible above the selection.
    if (m_display->currentMatch)
        drawMatches(painter, paragraphs, std::span(&*m_display->currentMatch, 1), visible);

    const double x0 = horizontalInset - horizontalScrollBar()->value();
    painter.setPen(colors.color(QPalette::Text));
    InvisibleMarkStyle markStyle{m_font,
                                 EditorColors::invisiblesColor(appearance),
                                 EditorColors::suspiciousFillColor(appearance),
                                 EditorColors::suspiciousStrokeColor(appearance),
                                 EditorColors::suspiciousMarkColor(appearance),
                                 m_lineHeight};
    for (const auto& paragraph : paragraphs) {
        LineLayout& entry = layoutFor(paragraph.line);
        QPointF origin(x0, paragraph.top);
        painter.setPen(colors.color(QPalette::Text));
        entry.layout->draw(&painter, origin, dirty);
        MarkedParagraph marked{entry.paragraph,
                               contentEnd(paragraph.line) - paragraph.start,
                               entry.layout.get(),
                               origin,
                               dirty,
                               entry.preeditPosition,
                               static_cast<int>(m_preedit.size())};
        InvisibleMarks::drawMarks(painter, marked, options.showsInvisibles, markStyle, m_classify);
    }
    drawIndicator(painter, paragraphs);

    if (hasFocus() && m_caretVisible && (selectedRange().length == 0 || hasMarkedText())) {
        if (auto rect = caretRect())
            painter.fillRect(*rect, EditorColors::accentColor(colors));
    }
    // Extra insertion points do not blink; neither does the place a dragged text would go.
    auto shown = [&](std::int64_t offset) {
        if (offset < visible.location || offset > visible.end())
            return false;
        const int line = lineOf(static_cast<int>(offset));
        auto paragraph = std::lower_bound(
            paragraphs.begin(), paragraphs.end(), line, [](const VisibleParagraph& p, int l) {
                return p.line < l;
            });
        if (paragraph == paragraphs.end() || paragraph->line != line)
            return false;
        // Positions after a composition are not exact here; a caret beside one still shows.
        const auto [from, to] = shownPositions(*paragraph, layoutFor(line));
        const auto column = offset - paragraph->start;
        return column + m_preedit.size() >= from && column <= to;
    };
    for (const auto& caret : m_extraCarets) {
        if (caret.length == 0 && shown(caret.location)) {
            if (auto rect = insertionRect(static_cast<int>(caret.location)))
                painter.fillRect(*rect, EditorColors::accentColor(colors));
        }
    }
    if (m_dragTarget) {
        if (auto rect = insertionRect(*m_dragTarget))
            painter.fillRect(*rect, EditorColors::accentColor(colors));
    }
}

// MARK: ruler

void EditorTextView::setLineNumberRuler(LineNumberRuler* ruler)
{
    m_ruler = ruler;
    if (ruler && ruler->parentWidget() != this)
        ruler->setParent(this);
    updateRulerThickness();
}

void EditorTextView::updateRulerThickness()
{
    if (m_ruler)
        m_ruler->updateThickness();
    layoutRuler();
}

void EditorTextView::setCentimeterRuler(CentimeterRuler* ruler)
{
    m_centimeterRuler = ruler;
    if (ruler && ruler->parentWidget() != this)
        ruler->setParent(this);
    layoutRuler();
}

void EditorTextView::layoutRuler()
{
    bool shows = m_ruler && m_display->options.showsLineNumbers;
    int thickness = shows ? static_cast<int>(m_ruler->ruleThickness()) : 0;
    bool showsCentimeters = m_centimeterRuler && m_display->options.showsRuler;
    int top = showsCentimeters ? CentimeterRuler::thickness : 0;
    setViewportMargins(thickness, top, 0, 0);
    QRect area = viewport()->geometry();
    if (m_centimeterRuler) {
        m_centimeterRuler->setVisible(showsCentimeters);
        m_centimeterRuler->setGeometry(
            area.left() - thickness, area.top() - top, area.width() + thickness, top);
        m_centimeterRuler->update();
    }
    if (!m_ruler)
        return;
    m_ruler->setVisible(shows);
    m_ruler->setGeometry(area.left() - thickness, area.top(), thickness, area.height());
    m_ruler->update();
}

} // namespace EditorViews
