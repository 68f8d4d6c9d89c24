#include "app/views/FilterView.h"

#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorColors.h"
#include "app/views/KeySelectors.h"
#include "app/views/SnapshotLines.h"
#include "app/views/TextStorage.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace EditorViews {

namespace {

using Kind = EditorCore::LineFilter::Row::Kind;

int decimalDigits(std::int64_t value)
{
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

QColor secondaryLabelColor(const QPalette& palette)
{
    QColor color = palette.color(QPalette::Text);
    color.setAlphaF(0.55);
    return color;
}

} // namespace

// MARK: - Lines view

// The system's fixed-pitch font, so that the digits of the numbers line up.
QFont FilterLinesView::numberFont() const
{
    QFont numbers = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    numbers.setWeight(QFont::Normal);
    if (font.pixelSize() > 0)
        numbers.setPixelSize(std::max(9, static_cast<int>(std::lround(font.pixelSize() * 0.85))));
    else
        numbers.setPointSizeF(std::max(font.pointSizeF() * 0.85, 9.0));
    return numbers;
}

FilterLinesView::FilterLinesView(FilterView& owner)
    : m_owner(owner)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    m_ownIndex = EditorCore::LineIndex(std::u16string_view());
}

void FilterLinesView::setSource(const EditorCore::TextSnapshot* text,
                                const EditorCore::LineIndex* index)
{
    m_text = text ? text : &m_ownText;
    m_index = index ? index : &m_ownIndex;
}

void FilterLinesView::setOwnText(const QString& text)
{
    m_ownText = EditorCore::ChunkedText(EditorKit::utf16View(text)).snapshot();
    m_ownIndex = EditorCore::LineIndex(EditorKit::utf16View(text));
    m_text = &m_ownText;
    m_index = &m_ownIndex;
}

void FilterLinesView::updateRowHeight()
{
    const QFontMetricsF metrics(font);
    const double multiple = std::max(lineHeightMultiple.value_or(1.0), 1.0);
    m_lineHeight =
        std::ceil(multiple * (metrics.ascent() + metrics.descent() + metrics.leading()) + 3.0);
    m_digitWidth = metrics.horizontalAdvance(QLatin1Char('0'));
}

void FilterLinesView::updateMetrics()
{
    updateRowHeight();
    m_widest = 0.0;
}

double FilterLinesView::gutterWidth() const
{
    int digits = 1;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (row->line >= 0) {
            digits = decimalDigits(row->line + 1);
            break;
        }
    }
    return m_digitWidth * std::max(3, digits) + 20.0;
}

QRectF FilterLinesView::rowRect(int row) const
{
    const double width = std::max(contentSize().width(), static_cast<double>(this->width()));
    return QRectF(0.0, padding + row * m_lineHeight, width, m_lineHeight);
}

std::optional<int> FilterLinesView::rowAt(double y) const
{
    const double index = std::trunc((y - padding) / m_lineHeight);
    if (index < 0.0 || index >= static_cast<double>(rows.size()))
        return std::nullopt;
    return static_cast<int>(index);
}

int FilterLinesView::rowsPerPage() const
{
    return std::max(static_cast<int>(std::trunc(height() / m_lineHeight)) - 1, 1);
}

QSizeF FilterLinesView::contentSize() const
{
    const double rowCount = static_cast<double>(std::max<std::size_t>(rows.size(), 1));
    return QSizeF(std::max(static_cast<double>(width()), gutterWidth() + m_widest + 16.0),
                  std::max(static_cast<double>(height()), m_lineHeight * rowCount + 16.0));
}

QPointF FilterLinesView::contentPoint(QPointF viewportPoint) const
{
    return viewportPoint + m_owner.scrollOffset();
}

// MARK: Drawing

void FilterLinesView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QPointF offset = m_owner.scrollOffset();
    const QRectF dirty = QRectF(event->rect()).translated(offset);
    painter.translate(-offset);
    painter.fillRect(dirty, palette().color(QPalette::Base));

    if (rows.empty()) {
        if (message) {
            QFont system = QApplication::font();
            system.setPixelSize(13);
            painter.setFont(system);
            painter.setPen(secondaryLabelColor(palette()));
            const QFontMetricsF metrics(system);
            painter.drawText(QPointF(20.0, 16.0 + metrics.ascent()), *message);
        }
        return;
    }

    const int last = static_cast<int>(rows.size()) - 1;
    const int first =
        std::max(0, static_cast<int>(std::trunc((dirty.top() - padding) / m_lineHeight)));
    const int end =
        std::min(last, static_cast<int>(std::trunc((dirty.bottom() - padding) / m_lineHeight)) + 1);
    if (first > end)
        return;

    const Appearance appearance = appearanceOf(palette());
    const QFont numbers = numberFont();
    const QFontMetricsF numberMetrics(numbers);
    const double gutter = gutterWidth();
    const double viewWidth = std::max(contentSize().width(), dirty.right());
    double widestDrawn = 0.0;
    for (int i = first; i <= end; ++i) {
        const Row& row = rows[static_cast<std::size_t>(i)];
        const QRectF rect(0.0, padding + i * m_lineHeight, viewWidth, m_lineHeight);
        if (selection && std::min(selection->anchor, selection->head) <= i
            && i <= std::max(selection->anchor, selection->head))
            painter.fillRect(rect, EditorColors::selectionColor(palette()));
        painter.setFont(numbers);
        if (row.kind == Kind::gap) {
            painter.fillRect(QRectF(gutter, rect.center().y(), viewWidth - gutter, 1.0),
                             palette().color(QPalette::Mid));
            painter.setPen(EditorColors::lineNumberColor(appearance));
            painter.drawText(QRectF(0.0, rect.top(), gutter - 14.0, m_lineHeight),
                             Qt::AlignRight | Qt::AlignVCenter,
                             QString(QChar(0x22EF)));
            continue;
        }
        const bool context = row.kind == Kind::context;
        const double numberTop =
            rect.top() + (m_lineHeight - numberMetrics.ascent() - numberMetrics.descent()) / 2.0
            - 1.0;
        painter.setPen(context ? EditorColors::lineNumberColor(appearance)
                               : EditorColors::currentLineNumberColor(appearance));
        painter.drawText(QRectF(0.0, numberTop, gutter - 14.0, m_lineHeight),
                         Qt::AlignRight | Qt::AlignTop,
                         QString::number(row.line + 1));
        const double width =
            drawRowText(painter, row, QPointF(gutter + 8.0, rect.top() + 1.0), context);
        widestDrawn = std::max(widestDrawn, width);
    }

    if (widestDrawn > m_widest + 1.0) {
        m_widest = widestDrawn;
        if (!m_relayoutPosted) {
            m_relayoutPosted = true;
            QPointer<FilterLinesView> self = this;
            QTimer::singleShot(0, this, [self] {
                if (!self)
                    return;
                self->m_relayoutPosted = false;
                self->m_owner.layoutLines();
            });
        }
    }
}

double
FilterLinesView::drawRowText(QPainter& painter, const Row& row, QPointF at, bool context) const
{
    std::int64_t start = 0;
    std::int64_t length = 0;
    if (row.part) {
        start = row.part->location;
        length = row.part->length;
    } else {
        if (row.line >= m_index->lineCount())
            return 0.0;
        const auto range = contentRange(*m_index, row.line, *m_text);
        start = range.location;
        length = range.length;
    }
    if (start < 0 || length < 0 || start + length > m_text->length())
        return 0.0;
    const std::int64_t shown = std::min<std::int64_t>(length, shownLength);
    QString string = snapshotText(*m_text, start, shown);
    if (length > shownLength)
        string += QStringLiteral(" \u2026");

    QTextLayout layout(string, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    if (tabInterval > 0)
        option.setTabStopDistance(tabInterval);
    layout.setTextOption(option);
    QList<QTextLayout::FormatRange> formats;
    const QColor matchColor = EditorColors::findMatchColor(appearanceOf(palette()));
    auto highlight = [&](std::int64_t from, std::int64_t count) {
        QTextLayout::FormatRange range;
        range.start = static_cast<int>(from);
        range.length = static_cast<int>(count);
        range.format.setBackground(matchColor);
        formats.append(range);
    };
    if (row.part && !context) {
        highlight(0, shown);
    } else if (!context) {
        for (const EditorCore::CompiledSearch& search : highlights) {
            int found = 0;
            // The shown stretch's ends act as the text's ends, as they would over the whole.
            search.enumerateMatches(EditorKit::utf16View(string),
                                    0,
                                    shown,
                                    false,
                                    [&](const EditorCore::SearchMatch& match) {
                                        highlight(match.location, match.length);
                                        return ++found < maximumHighlights;
                                    });
        }
    }
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setPosition(QPointF(0.0, 0.0));
    layout.endLayout();
    painter.setPen(context ? secondaryLabelColor(palette()) : palette().color(QPalette::Text));
    layout.draw(&painter, at);
    return line.isValid() ? line.naturalTextWidth() : 0.0;
}

// MARK: Mouse

void FilterLinesView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const auto row = rowAt(contentPoint(event->position()).y());
    if (!row) {
        selection.reset();
        update();
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && selection)
        selection->head = *row;
    else
        selection = Selection{*row, *row};
    update();
}

void FilterLinesView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const auto row = rowAt(contentPoint(event->position()).y()))
        open(*row);
}

void FilterLinesView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || !selection || rows.empty())
        return;
    const double y = contentPoint(event->position()).y();
    const double index = std::trunc((y - padding) / m_lineHeight);
    selection->head =
        static_cast<int>(std::clamp(index, 0.0, static_cast<double>(rows.size()) - 1.0));
    // Autoscroll: keep the dragged-to row in view.
    scrollRowVisible(selection->head, 0.0);
    update();
}

void FilterLinesView::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu = contextMenu(contentPoint(event->pos()));
    if (menu)
        menu->exec(event->globalPos());
}

std::unique_ptr<QMenu> FilterLinesView::contextMenu(QPointF point)
{
    const auto row = rowAt(point.y());
    if (!row)
        return nullptr;
    if (!selection || *row < std::min(selection->anchor, selection->head)
        || *row > std::max(selection->anchor, selection->head)) {
        selection = Selection{*row, *row};
        update();
    }
    auto menu = std::make_unique<QMenu>(this);
    QPointer<FilterLinesView> self = this;
    menu->addAction(EditorKit::localized("원래 자리로 가기"), this, [self] {
        if (self)
            self->doCommand(QStringLiteral("openSelected:"));
    });
    menu->addAction(EditorKit::localized("복사"), this, [self] {
        if (self)
            self->copySelection();
    });
    return menu;
}

// MARK: Keys and commands

void FilterLinesView::keyPressEvent(QKeyEvent* event)
{
    const QString selector = keySelector(*event);
    if (!selector.isEmpty() && doCommand(selector)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FilterLinesView::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

bool FilterLinesView::doCommand(const QString& selector)
{
    const int count = static_cast<int>(rows.size());
    // Home and End on this desktop are the line's ends; a row list has no lines to walk, so
    // they go to the list's ends as the document ends do.
    static const std::pair<const char*, int> moves[] = {
        {"moveUp:", -1},
        {"moveDown:", 1},
        {"pageUp:", -2},
        {"scrollPageUp:", -2},
        {"pageDown:", 2},
        {"scrollPageDown:", 2},
        {"moveToBeginningOfDocument:", -3},
        {"scrollToBeginningOfDocument:", -3},
        {"moveToBeginningOfLine:", -3},
        {"moveToEndOfDocument:", 3},
        {"scrollToEndOfDocument:", 3},
        {"moveToEndOfLine:", 3},
    };
    for (const auto& [name, kind] : moves) {
        if (selector != QLatin1String(name))
            continue;
        const int step = std::abs(kind) == 1 ? 1 : std::abs(kind) == 2 ? rowsPerPage() : count;
        move(kind < 0 ? -step : step, false);
        return true;
    }
    if (selector == QLatin1String("moveUpAndModifySelection:")) {
        move(-1, true);
        return true;
    }
    if (selector == QLatin1String("moveDownAndModifySelection:")) {
        move(1, true);
        return true;
    }
    if (selector == QLatin1String("insertNewline:") || selector == QLatin1String("openSelected:")) {
        if (selection)
            open(selection->head);
        return true;
    }
    if (selector == QLatin1String("selectAll:")) {
        if (!rows.empty()) {
            selection = Selection{0, count - 1};
            update();
        }
        return true;
    }
    if (selector == QLatin1String("copy:")) {
        copySelection();
        return true;
    }
    return false;
}

void FilterLinesView::open(int row)
{
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return;
    if (rows[static_cast<std::size_t>(row)].kind == Kind::gap
        && row + 1 < static_cast<int>(rows.size()))
        ++row;
    if (onOpen)
        onOpen(rows[static_cast<std::size_t>(row)]);
}

void FilterLinesView::move(int count, bool extending)
{
    if (rows.empty())
        return;
    int head = 0;
    if (selection)
        head = selection->head + count;
    else
        head = count > 0 ? 0 : static_cast<int>(rows.size()) - 1;
    head = std::clamp(head, 0, static_cast<int>(rows.size()) - 1);
    const int anchor = extending && selection ? selection->anchor : head;
    selection = Selection{anchor, head};
    scrollRowVisible(head, 0.0);
    update();
}

void FilterLinesView::copySelection()
{
    if (rows.empty() || !onCopy)
        return;
    if (!selection) {
        onCopy(rows);
        return;
    }
    const auto low = static_cast<std::size_t>(std::min(selection->anchor, selection->head));
    const auto high = static_cast<std::size_t>(std::max(selection->anchor, selection->head));
    onCopy(std::vector<Row>(rows.begin() + static_cast<std::ptrdiff_t>(low),
                            rows.begin() + static_cast<std::ptrdiff_t>(high) + 1));
}

void FilterLinesView::scrollRowVisible(int row, double margin)
{
    const double top = padding + row * m_lineHeight - margin;
    const double bottom = padding + (row + 1) * m_lineHeight + margin;
    QScrollBar* bar = m_owner.verticalScrollBar();
    const double visibleTop = bar->value();
    const double visibleBottom = visibleTop + height();
    if (top < visibleTop)
        bar->setValue(static_cast<int>(std::floor(std::max(top, 0.0))));
    else if (bottom > visibleBottom)
        bar->setValue(static_cast<int>(std::ceil(bottom - height())));
}

bool FilterLinesView::respondsToAction(std::string_view action) const
{
    return action == "copy:" || action == "selectAll:" || action == "openSelected:";
}

bool FilterLinesView::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    if (action == "copy:")
        return !rows.empty() && onCopy;
    if (action == "openSelected:")
        return selection.has_value();
    return !rows.empty();
}

void FilterLinesView::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    doCommand(QString::fromLatin1(action.data(), static_cast<qsizetype>(action.size())));
}

// MARK: - Scroll view

FilterView::FilterView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    m_lines = new FilterLinesView(*this);
    setViewport(m_lines);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The keyboard goes to the lines view itself, so it is the responder of copy and the
    // moves.
    m_lines->setFocusProxy(nullptr);
    setFocusProxy(m_lines);
    m_beep = [] { QApplication::beep(); };
    m_lines->updateMetrics();
}

QPointF FilterView::scrollOffset() const
{
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void FilterView::layoutLines()
{
    m_lines->updateRowHeight();
    const QSizeF size = m_lines->contentSize();
    const QSize visible = m_lines->size();
    horizontalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(size.width())) - visible.width()));
    horizontalScrollBar()->setPageStep(visible.width());
    horizontalScrollBar()->setSingleStep(static_cast<int>(m_lines->digitWidth()));
    verticalScrollBar()->setRange(
        0, std::max(0, static_cast<int>(std::ceil(size.height())) - visible.height()));
    verticalScrollBar()->setPageStep(visible.height());
    verticalScrollBar()->setSingleStep(static_cast<int>(m_lines->lineHeight()));
    m_lines->update();
}

void FilterView::scrollToEnd()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

bool FilterView::isScrolledToEnd() const
{
    const double bottom = verticalScrollBar()->value() + m_lines->height();
    return bottom >= m_lines->contentSize().height() - 4.0;
}

void FilterView::beep()
{
    if (m_beep)
        m_beep();
}

void FilterView::selectAdjacentMatch(bool backward)
{
    FilterLinesView& lines = *m_lines;
    const int count = static_cast<int>(lines.rows.size());
    if (count == 0) {
        beep();
        return;
    }
    const int start = lines.selection ? lines.selection->head : (backward ? count : -1);
    std::vector<int> candidates;
    if (!backward) {
        for (int i = start + 1; i < count; ++i)
            candidates.push_back(i);
        for (int i = 0; i <= start && i < count; ++i)
            candidates.push_back(i);
    } else {
        for (int i = std::min(start - 1, count - 1); i >= 0; --i)
            candidates.push_back(i);
        for (int i = count - 1; i > start; --i)
            candidates.push_back(i);
    }
    for (int i : candidates) {
        if (lines.rows[static_cast<std::size_t>(i)].kind != Kind::match)
            continue;
        lines.selection = FilterLinesView::Selection{i, i};
        lines.scrollRowVisible(i, 2.0 * lines.lineHeight());
        lines.update();
        return;
    }
}

bool FilterView::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::ContextMenu:
        return false;
    default:
        return QAbstractScrollArea::viewportEvent(event);
    }
}

void FilterView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutLines();
}

void FilterView::scrollContentsBy(int, int)
{
    m_lines->update();
}

} // namespace EditorViews
