#pragma once

#include "app/kit/Responder.h"
#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"
#include "core/LineFilter.h"
#include "core/LineIndex.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QMenu;

namespace EditorViews {

class FilterView;

// The rows of the line filter, drawn in one area: only the rows that meet the exposed
// rectangle are drawn, found by arithmetic on the row height. It is the viewport of its
// FilterView; positions below are in its content coordinates (row 0 at the top, the scroll
// offset added). Row texts are read from a text and a line index that the owner keeps alive
// (the window's current snapshot and index, so a list over a huge text copies nothing; a row
// copies only what it shows). Main thread only.
class FilterLinesView
    : public QWidget
    , public EditorKit::Responder
{
    Q_OBJECT
public:
    using Row = EditorCore::LineFilter::Row;
    static constexpr double padding = 8.0;
    // Longer row texts are cut there and end in " …".
    static constexpr int shownLength = 4000;
    // Per search and row.
    static constexpr int maximumHighlights = 200;

    struct Selection
    {
        int anchor = 0;
        int head = 0;
        bool operator==(const Selection&) const = default;
    };

    std::vector<Row> rows;
    std::vector<EditorCore::CompiledSearch> highlights;
    std::optional<QString> message;
    std::optional<Selection> selection;
    std::function<void(const Row&)> onOpen;
    std::function<void(const std::vector<Row>&)> onCopy;
    QFont font;
    // The paragraph's line-height multiple; none: 1.
    std::optional<double> lineHeightMultiple;
    // The editor's tab interval in pixels; 0: the font's default.
    double tabInterval = 0.0;

    // The text and its index the rows refer to; both must outlive the view or be replaced.
    void setSource(const EditorCore::TextSnapshot* text, const EditorCore::LineIndex* index);
    // An own copy (tests, an empty list).
    void setOwnText(const QString& text);
    const EditorCore::TextSnapshot& text() const { return *m_text; }
    const EditorCore::LineIndex& index() const { return *m_index; }

    double lineHeight() const { return m_lineHeight; }
    double digitWidth() const { return m_digitWidth; }
    double widest() const { return m_widest; }
    double gutterWidth() const;
    // The line numbers' font: fixed-pitch, so that their digits line up.
    QFont numberFont() const;
    QRectF rowRect(int row) const;
    // The row at a content y, if any.
    std::optional<int> rowAt(double y) const;
    int rowsPerPage() const;
    // The size of everything the rows need, at least the visible area.
    QSizeF contentSize() const;

    // From font and paragraph: row height, digit width; forgets the widest row.
    void updateMetrics();

    void open(int row);
    void move(int count, bool extending);
    void copySelection();
    // The context menu for a content point; none off the rows.
    std::unique_ptr<QMenu> contextMenu(QPointF point);
    // A selector of the view's own ("moveDown:", "insertNewline:"...); false when it has none.
    bool doCommand(const QString& selector);

    // Responder: copy:, selectAll: and openSelected: while the list has the keyboard.
    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

protected:
    friend class FilterView;
    explicit FilterLinesView(FilterView& owner);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QPointF contentPoint(QPointF viewportPoint) const;
    void updateRowHeight();
    // Draws a row's text at a content point and returns its width.
    double drawRowText(QPainter& painter, const Row& row, QPointF at, bool context) const;
    void scrollRowVisible(int row, double margin);

    FilterView& m_owner;
    EditorCore::TextSnapshot m_ownText;
    EditorCore::LineIndex m_ownIndex;
    const EditorCore::TextSnapshot* m_text = &m_ownText;
    const EditorCore::LineIndex* m_index = &m_ownIndex;
    double m_lineHeight = 18.0;
    double m_digitWidth = 8.0;
    double m_widest = 0.0;
    bool m_relayoutPosted = false;
};

// The result list of the line filter: a scroll area whose viewport is the lines view.
class FilterView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit FilterView(QWidget* parent = nullptr);

    FilterLinesView* lines() const { return m_lines; }

    // Brings the row height and digit width up to date (keeping the widest row) and sizes the
    // scrolled area after the rows.
    void layoutLines();
    void scrollToEnd();
    // Selects the next (or previous) match row, wrapping; beeps without rows.
    void selectAdjacentMatch(bool backward);
    // The list's bottom is within 4 points of its end.
    bool isScrolledToEnd() const;
    // The top-left of the visible area in content coordinates.
    QPointF scrollOffset() const;

    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

protected:
    // The lines view handles its own drawing, mouse and keys; the area keeps the wheel and
    // the layout.
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class FilterLinesView;
    void beep();

    FilterLinesView* m_lines = nullptr;
    std::function<void()> m_beep;
};

} // namespace EditorViews
