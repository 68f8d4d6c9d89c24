#pragma once

#include "app/kit/Responder.h"
#include "app/views/CentimeterRuler.h"
#include "app/views/EditRecord.h"
#include "app/views/EditorDisplayState.h"
#include "app/views/EditorFont.h"
#include "app/views/InvisibleMarks.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/ParagraphLayout.h"
#include "app/views/TextRange.h"
#include "app/views/VisualLineMap.h"
#include "core/ChunkedText.h"
#include "core/LineIndex.h"
#include "core/MultiCursor.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextLayout>
#include <QUndoStack>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace EditorViews {

class EditorTextView;
class SpellChecker;
class TextStorage;

// What the window controller answers for its text view. Every hook has a harmless default,
// so a view works on its own.
class EditorTextViewDelegate
{
public:
    virtual ~EditorTextViewDelegate() = default;
    // Asked before the view changes the text itself; false refuses the change.
    virtual bool shouldChangeText(EditorTextView&, TextRange, const QString&) { return true; }
    // True when the delegate handled the command; the view then does nothing more.
    virtual bool doCommandBySelector(EditorTextView&, const QString&) { return false; }
    virtual void textDidChange(EditorTextView&) {}
    // After every change of the storage, once the view's line index followed it.
    virtual void textDidEdit(EditorTextView&, const EditRecord&) {}
    virtual void selectionDidChange(EditorTextView&) {}
    // Files dropped on the view are opened as documents, never inserted as text.
    virtual void openDroppedFiles(EditorTextView&, const QList<QUrl>&) {}
};

// The plain-text view of one tab: its own storage (the text exactly as it is, no separator
// rewriting) and one QTextLayout per logical line, laid out only while visible. As the first
// link of the responder chain it answers the editing actions of the menus ("copy:", "paste:").
class EditorTextView
    : public QAbstractScrollArea
    , public EditorKit::Responder
{
    Q_OBJECT
public:
    // Insets of the text inside the viewport.
    static constexpr double horizontalInset = 11.0;
    static constexpr double verticalInset = 8.0;

    explicit EditorTextView(std::shared_ptr<EditorDisplayState> display, QWidget* parent = nullptr);
    ~EditorTextView() override;

    TextStorage& storage() { return *m_storage; }
    const TextStorage& storage() const { return *m_storage; }
    const QString& text() const;
    EditorDisplayState& display() { return *m_display; }
    // The document's one line index: the ruler and the window's status read this one.
    const EditorCore::LineIndex& lineIndex() const { return m_lines; }
    // Replaces the whole text from outside the editing (opening, reloading): the edit record
    // says `reload`, and undo is not involved. `lines`: the text's line index when the caller
    // built it already (off the interface thread), so that a large text costs the interface
    // thread no scan of it; taken only when it covers the text's length. `unwrappedLines`: its
    // visual lines for a text shown without wrapping, taken when they count its lines.
    void setText(QString text,
                 std::optional<EditorCore::LineIndex> lines = std::nullopt,
                 std::optional<VisualLineMap> unwrappedLines = std::nullopt);
    // The same with a text already in chunks (a file's read): the storage adopts them as they
    // are, without a copy.
    void setText(EditorCore::TextSnapshot text,
                 std::optional<EditorCore::LineIndex> lines = std::nullopt,
                 std::optional<VisualLineMap> unwrappedLines = std::nullopt);
    // Text that arrives after the text already shown (a large file read in steps): not an
    // edit of the user's, no undo step; the edit record says `reload`.
    void appendText(const QString& text);

    // Edits pushed onto the undo stack while it lives carry this origin (their undo and redo
    // say `undoRedo`).
    class OriginScope
    {
    public:
        OriginScope(EditorTextView& view, EditOrigin origin);
        ~OriginScope();
        OriginScope(const OriginScope&) = delete;
        OriginScope& operator=(const OriginScope&) = delete;

    private:
        EditorTextView& m_view;
        EditOrigin m_saved;
    };

    void setDelegate(EditorTextViewDelegate* delegate) { m_delegate = delegate; }
    // The document's undo stack; the view keeps its own until it is given one.
    void setUndoStack(QUndoStack* stack);
    QUndoStack* undoStack() const { return m_undoStack; }
    // A composition in progress when the text stops taking input lands where it was composed;
    // the input method is told either way.
    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }
    // The document's line ending as text, inserted by a line break.
    void setNewlineString(const QString& newline) { m_newline = newline; }
    const QString& newlineString() const { return m_newline; }
    void setSuspiciousClassifier(SuspiciousClassifier classify);

    // Display-only colours (syntax colouring): asked whenever `length` units of line `line`
    // from `start` (an offset in the line) are laid out, it fills in format ranges relative to
    // `start` and returns a stamp the view keeps with that layout. The text is never changed.
    using LineColorProvider = std::function<std::int64_t(
        int line, int start, int length, QList<QTextLayout::FormatRange>& formats)>;
    void setLineColorProvider(LineColorProvider provider);
    // Drops the cached layouts of lines first..last (all lines when last < 0) whose stamp
    // `stale` accepts, so that the next paint lays them out and asks the provider again, and
    // redraws when any went. Returns how many went.
    int invalidateLineColors(int first, int last, const std::function<bool(std::int64_t)>& stale);
    // The lines that lie within `margin` pixels above or below the viewport.
    std::pair<int, int> linesAroundViewport(double margin) const;

    // Font and paragraph style of the text; the window applies them with the display options.
    void setEditorFont(const QFont& font, const EditorParagraphStyle& style);
    const QFont& editorFont() const { return m_font; }
    const EditorParagraphStyle& paragraphStyle() const { return m_style; }
    // Re-reads the display options (wrapping, line numbers) and redraws.
    void displayOptionsDidChange();

    void setCentimeterRuler(CentimeterRuler* ruler);
    CentimeterRuler* centimeterRuler() const { return m_centimeterRuler; }
    void setLineNumberRuler(LineNumberRuler* ruler);
    LineNumberRuler* lineNumberRuler() const { return m_ruler; }
    void updateRulerThickness();
    // Places the line-number ruler in the left margin and the centimetre ruler in the top one
    // (after a thickness or the visibility changed).
    void layoutRuler();

    // Selection: the main selection and the end of it that moves.
    TextRange selectedRange() const;
    int caretPosition() const { return m_caret; }
    void setSelectedRange(TextRange range);
    // A selection change from the platform side: two or more final ranges become carets; a
    // single or still-changing selection drops the extra carets.
    void setSelectedRanges(const std::vector<TextRange>& ranges, bool stillSelecting);

    // Multi-caret editing. The main selection is the one above; the extra carets are the
    // others, never equal to it. Empty when there is one caret.
    const std::vector<TextRange>& extraCarets() const { return m_extraCarets; }
    // The main selection and the extra carets, normalized (sorted, merged, inside the text).
    std::vector<TextRange> carets() const;
    // Replaces the caret set. The main selection is the first range containing `primary`,
    // or the last range.
    void setCarets(const std::vector<TextRange>& ranges,
                   std::optional<std::int64_t> primary = std::nullopt);
    // Applies the edits of a multi-caret result as one splice of the storage and one undo step
    // ("여러 곳 편집"), then sets its carets. With `primaryIndex`, the result's caret of that
    // index stays the main selection.
    void applyMultiEdit(const EditorCore::MultiCursor::Result& result,
                        std::optional<std::size_t> primaryIndex = std::nullopt);
    // Moves the extra carets after an edit that was not a multi-caret edit: editedRange is the
    // new text's range, changeInLength its length minus the replaced length.
    void shiftExtraCarets(TextRange editedRange, int changeInLength);
    // Drops every extra caret; the main selection stays.
    void dropExtraCarets();
    void scrollRangeToVisible(TextRange range);
    // Scrolls so that the logical line (0-based, clamped to the text) starts at the top of the
    // viewport.
    void scrollLineToTop(int line);

    // A brief highlight of range over the text, to show where a step landed. It follows
    // scrolling; an edit or the next indicator replaces it, and it goes by itself after
    // indicatorDuration().
    void showIndicator(TextRange range);
    void hideIndicator();
    std::optional<TextRange> indicatorRange() const { return m_indicator; }
    void setIndicatorDuration(std::chrono::milliseconds duration)
    {
        m_indicatorDuration = duration;
    }
    std::chrono::milliseconds indicatorDuration() const { return m_indicatorDuration; }

    bool hasMarkedText() const { return !m_preedit.isEmpty(); }
    QString markedText() const { return m_preedit; }
    // Puts a composition that something other than the input method ends (a click, a focus
    // change, a menu, a command that takes the text) into the text once, where it was composed.
    void landComposition();

    // What the view corrects as the user types: straight quotes become curly ones, "--" an em
    // dash (each part of the typing's undo step), and words the spell checker rejects are
    // underlined (never changed).
    struct Autocorrection
    {
        bool spelling = false;
        bool quotes = false;
        bool dashes = false;
        bool operator==(const Autocorrection&) const = default;
    };
    void setAutocorrection(Autocorrection autocorrection);
    const Autocorrection& autocorrection() const { return m_autocorrection; }
    // The checker of the spelling underline; none: no underline.
    void setSpellChecker(std::shared_ptr<SpellChecker> checker);
    const std::shared_ptr<SpellChecker>& spellChecker() const { return m_spellChecker; }
    // What typing `typed` at the caret inserts, and the text before the caret it replaces
    // (0 or 1 units), after the quote and dash substitutions.
    struct Substitution
    {
        QString text;
        int replacesBefore = 0;
    };
    Substitution typingSubstitution(const QString& typed) const;
    // Text typed at the keyboard: the substitutions, then insertText.
    void typeText(const QString& typed);

    // Entry points of editing; the command router and the menus call these.
    // A replacement range with location -1 means the selection.
    void insertText(const QString& text, TextRange replacementRange = {-1, 0});
    // Returns whether the selector was handled (by the delegate or by the view).
    bool doCommandBySelector(const QString& selector);
    void copy();
    void cut();
    void paste();
    void selectAll();
    void undo();
    void redo();
    bool respondsToSelector(const QString& selector) const;
    bool validateMenuItem(const QString& selector) const;

    // Responder: the router's actions are the selectors above.
    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;
    void breakUndoCoalescing() { ++m_coalescingGeneration; }
    // Whether the drag of a selection is under way, and where the text would go.
    std::optional<int> dragTarget() const { return m_dragTarget; }
    // A click in viewport coordinates: sets the caret, or extends the selection with Shift;
    // a second click selects a word.
    void mouseDown(QPointF viewportPoint, Qt::KeyboardModifiers modifiers, int clickCount);

    // Replaces text as one undoable step named actionName, without asking the delegate
    // (the window's command edits ask it themselves).
    void replaceTextAsUndoableStep(TextRange range,
                                   const QString& replacement,
                                   TextRange selectionAfter,
                                   const QString& actionName);

    // Geometry in viewport coordinates.
    struct VisibleParagraph
    {
        int line = 0;        // 0-based logical line
        int start = 0;       // UTF-16 offset of its first unit
        double top = 0.0;    // top of its first visual line
        double height = 0.0; // all of its visual lines
        double firstLineHeight = 0.0;
    };
    std::vector<VisibleParagraph> visibleParagraphs();
    std::optional<QRectF> caretRect();
    std::optional<int> offsetAt(QPointF viewportPoint);
    // The rectangle of the caret's paragraph (all its visual lines, full width).
    std::optional<QRectF> currentLineRect();
    double lineHeight() const { return m_lineHeight; }
    // The line's layout as kept since it was last shown, if it is kept.
    const ParagraphLayout* keptLayout(int line) const
    {
        auto found = m_layouts.find(line);
        return found == m_layouts.end() ? nullptr : found->second.layout.get();
    }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    class ReplaceCommand;
    friend class ReplaceCommand;
    class MultiEditCommand;
    friend class MultiEditCommand;
    // The storage's units read by index, as a QString's would be: for scans that look at a few
    // units around a position.
    struct StorageUnits
    {
        const TextStorage* storage;
        QChar operator[](qsizetype index) const;
        qsizetype size() const;
    };
    StorageUnits units() const { return {m_storage}; }

    struct LineLayout
    {
        std::unique_ptr<ParagraphLayout> layout;
        int preeditPosition = -1;
        // The line with its break, as laid out (the marks read the break too).
        QString paragraph;
    };
    enum class EditKind { typing, deleting, other };

    // Line table (0-based lines).
    int lineCount() const;
    int lineStart(int line) const;
    int contentEnd(int line) const;
    int lineOf(int offset) const;

    void storageDidReplace(int location, int replacedLength, int newLength);
    void rebuildVisualLines();
    int estimatedVisualLines(int line) const;
    double availableWidth() const;
    LineLayout& layoutFor(int line);
    ParagraphSettings paragraphSettings() const;
    // Lays out the parts of the line's paragraph that the viewport shows.
    void layoutVisiblePart(int line, double top);
    // Shows or removes the composition in the caret line's layout.
    void updatePreeditLayout();
    double paragraphTop(int line) const;
    double scrollY() const;
    void updateScrollBars();
    void setScrollY(double y);

    // Segments of a range, one rectangle per visual line it touches (viewport coordinates).
    enum class SegmentType { standard, highlight, selection };
    template<class Fn>
    void forEachSegment(const std::vector<VisibleParagraph>& paragraphs,
                        TextRange range,
                        SegmentType type,
                        Fn&& fn);
    // Ascending, not overlapping.
    template<class Matches>
    void drawMatches(QPainter& painter,
                     const std::vector<VisibleParagraph>& paragraphs,
                     const Matches& matches,
                     TextRange viewport);
    void drawIndicator(QPainter& painter, const std::vector<VisibleParagraph>& paragraphs);
    void updateIndicatorArea();
    void drawMisspellings(QPainter& painter,
                          const std::vector<VisibleParagraph>& paragraphs,
                          const QRectF& dirty);
    void drawSyntaxErrors(QPainter& painter,
                          const std::vector<VisibleParagraph>& paragraphs,
                          TextRange viewport,
                          const QRectF& dirty);
    TextRange visibleTextRange(const std::vector<VisibleParagraph>& paragraphs);
    // The layout positions of a shown paragraph that the viewport may show (all of them for a
    // line in one piece).
    std::pair<int, int> shownPositions(const VisibleParagraph& paragraph, LineLayout& entry);

    void applyEdit(TextRange range,
                   const QString& replacement,
                   TextRange selectionAfter,
                   const QString& actionName,
                   EditKind kind);
    void changeSelection(int anchor, int caret, bool userMove);
    void moveCaret(int position, bool extend);
    int layoutX(int offset);
    int positionLeft(int offset) const;
    int positionRight(int offset) const;
    int wordLeft(int offset) const;
    int wordRight(int offset) const;
    TextRange wordAround(int offset) const;
    int verticalMove(int offset, int visualLines);
    int visualLineEdge(int offset, bool end);
    void deleteRange(TextRange range);
    void resetBlink();
    void didChangeText();
    // Drops the composition and lays out again every line that showed it.
    void endComposition();

    // Multi-caret parts: the view's text for the engine, the selector table, the splice.
    std::u16string_view engineText() const;
    bool doMultiCaretCommand(const QString& selector);
    bool doCaretSetCommand(const QString& selector);
    void spliceEdits(const std::vector<EditorCore::MultiCursor::Edit>& edits);
    void restoreCarets(TextRange main, const std::vector<TextRange>& extras);
    std::optional<QRectF> insertionRect(int offset);
    void commitMultiCaretText(const QString& text);
    // A composition's text with extra carets: typed at the main selection through the
    // delegate's checks, then at the extra carets, one undo step; the main selection stays main.
    void commitCompositionAtCarets(const QString& text, TextRange replacementRange);
    // Moves (or, with copy, copies) the main selection's text to the offset as one step.
    void dropSelectedText(int target, bool copy);

    std::shared_ptr<EditorDisplayState> m_display;
    TextStorage* m_storage = nullptr;
    EditorCore::LineIndex m_lines;
    // The index handed in with the next whole text.
    std::optional<EditorCore::LineIndex> m_givenLines;
    // The visual lines handed in with it, for a text shown without wrapping.
    std::optional<VisualLineMap> m_givenVisualLines;
    VisualLineMap m_visual;
    std::unordered_map<int, LineLayout> m_layouts;
    EditorTextViewDelegate* m_delegate = nullptr;
    QPointer<QUndoStack> m_undoStack;
    QUndoStack* m_ownUndoStack = nullptr;
    QPointer<LineNumberRuler> m_ruler;
    QPointer<CentimeterRuler> m_centimeterRuler;
    SuspiciousClassifier m_classify;
    LineColorProvider m_lineColors;
    QFont m_font;
    EditorParagraphStyle m_style;
    double m_lineHeight = 16.0;
    double m_ascent = 12.0;
    double m_descent = 4.0;
    double m_zeroWidth = 8.0;
    double m_widestLine = 0.0;
    double m_layoutWidth = -1.0;
    bool m_visualWraps = true;
    bool m_fontApplied = false;
    QString m_newline = QStringLiteral("\n");
    bool m_editable = true;
    int m_anchor = 0;
    int m_caret = 0;
    std::optional<double> m_preferredX;
    QString m_preedit;
    // The input method's styles, at offsets in the composition.
    QList<QTextLayout::FormatRange> m_preeditFormats;
    int m_preeditCursor = 0;
    // The composition the view put into the text itself: input methods that commit it again
    // when they are reset send it as a commit of its own, which then adds nothing. Cleared by
    // the next composition, the next typed text or any other commit.
    std::optional<QString> m_landedComposition;
    bool m_landing = false;
    int m_coalescingGeneration = 0;
    // What a new undoable edit is stamped with, and what the next storage change reports.
    EditOrigin m_pushOrigin = EditOrigin::typing;
    std::optional<EditOrigin> m_nextOrigin;
    bool m_caretVisible = true;
    QBasicTimer m_blink;
    std::optional<TextRange> m_indicator;
    QBasicTimer m_indicatorTimer;
    std::chrono::milliseconds m_indicatorDuration{1000};
    bool m_mouseSelecting = false;
    int m_mouseAnchor = 0;
    std::vector<TextRange> m_extraCarets;
    Autocorrection m_autocorrection;
    std::shared_ptr<SpellChecker> m_spellChecker;
    // The next typing edit may take back the last unit of the typing step before it.
    bool m_correctingTyping = false;
    bool m_settingCarets = false;
    // A composition committed with extra carets goes in at the main selection first.
    bool m_insertingAtMain = false;
    bool m_applyingMultiEdit = false;
    // A press inside the selection may start dragging it; the target follows the pointer.
    bool m_dragPending = false;
    QPointF m_dragStart;
    std::optional<int> m_dragTarget;
    // Triple-click: a press soon after a double-click at the same place.
    QElapsedTimer m_lastDoubleClick;
    QPointF m_doubleClickPoint;
};

} // namespace EditorViews
