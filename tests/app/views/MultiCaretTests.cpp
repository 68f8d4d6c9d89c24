#include "ViewTestSupport.h"
#include "core/MultiCursor.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <random>

using namespace EditorViews;
using ViewTest::ViewFixture;
namespace MC = EditorCore::MultiCursor;

namespace {

using Carets = std::vector<TextRange>;

void type(EditorTextView& view, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&view, &press);
    }
}

void key(EditorTextView& view, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers);
    QApplication::sendEvent(&view, &press);
}

// Where a click puts the caret at the offset (viewport coordinates); the selection is kept.
QPoint pointOf(EditorTextView& view, int offset)
{
    const TextRange main = view.selectedRange();
    const Carets extras = view.extraCarets();
    view.setSelectedRange({offset, 0});
    QPoint point = view.caretRect()->center().toPoint();
    Carets all = extras;
    all.push_back(main);
    view.setCarets(all, main.location);
    return point;
}

std::u16string engine(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

} // namespace

TEST(MultiCaret, typingAtTwoCaretsIsOneUndoStepThatRestoresTheCarets)
{
    ViewFixture f("abcdefghijk");
    EditorTextView& view = *f.view;
    QUndoStack& undo = *view.undoStack();
    // Earlier typing must stay a step of its own.
    view.setSelectedRange({11, 0});
    type(view, "z");
    view.setCarets({{0, 0}, {5, 0}});
    EXPECT_EQ(view.selectedRange(), (TextRange{5, 0}));
    EXPECT_EQ(view.extraCarets(), (Carets{{0, 0}}));

    type(view, "x");
    EXPECT_EQ(view.text(), "xabcdexfghijkz");
    EXPECT_EQ(view.carets(), (Carets{{1, 0}, {7, 0}}));
    EXPECT_EQ(view.selectedRange(), (TextRange{7, 0}));
    EXPECT_EQ(undo.undoText(), QString::fromUtf16(u"여러 곳 편집"));

    undo.undo();
    EXPECT_EQ(view.text(), "abcdefghijkz");
    EXPECT_EQ(view.selectedRange(), (TextRange{5, 0}));
    EXPECT_EQ(view.extraCarets(), (Carets{{0, 0}}));

    undo.redo();
    EXPECT_EQ(view.text(), "xabcdexfghijkz");
    EXPECT_EQ(view.selectedRange(), (TextRange{7, 0}));

    // Two more letters are two more steps, never merged into the typing before.
    type(view, "yy");
    EXPECT_EQ(view.text(), "xyyabcdexyyfghijkz");
    undo.undo();
    undo.undo();
    undo.undo();
    EXPECT_EQ(view.text(), "abcdefghijkz");
    EXPECT_EQ(undo.undoText(), QString::fromUtf16(u"입력"));
}

TEST(MultiCaret, copyCutAndPasteActAtEveryCaret)
{
    ViewFixture f("x\r\ny\r\nz");
    EditorTextView& view = *f.view;
    view.setNewlineString("\r\n");

    QGuiApplication::clipboard()->setText("kept");
    view.setCarets({{0, 0}, {3, 0}});
    view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept") << "only insertion points";

    view.setCarets({{0, 1}, {3, 1}});
    EXPECT_TRUE(view.validateMenuItem("copy:"));
    view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "x\r\ny");

    view.cut();
    EXPECT_EQ(view.text(), "\r\n\r\nz");
    EXPECT_EQ(view.carets(), (Carets{{0, 0}, {2, 0}}));

    // A three-line text on three carets: one line each; on two carets: the whole text each.
    struct Case
    {
        Carets carets;
        QString expected;
    };
    const Case cases[] = {
        {{{0, 0}, {1, 0}, {2, 0}}, "1a2b3c"},
        {{{0, 0}, {2, 0}}, "1\n2\n3ab1\n2\n3c"},
    };
    for (const auto& c : cases) {
        ViewFixture g("abc");
        g.view->setCarets(c.carets);
        QGuiApplication::clipboard()->setText("1\n2\n3");
        g.view->paste();
        EXPECT_EQ(g.view->text(), c.expected) << c.carets.size() << " carets";
    }
}

TEST(MultiCaret, returnCarriesEachLinesIndentationAndTabIsATab)
{
    ViewFixture f("\tab\n    cd");
    EditorTextView& view = *f.view;
    view.setNewlineString("\r\n");
    view.setCarets({{3, 0}, {10, 0}});
    key(view, Qt::Key_Return);
    EXPECT_EQ(view.text(), "\tab\r\n\t\n    cd\r\n    ");
    key(view, Qt::Key_Tab);
    EXPECT_EQ(view.text(), "\tab\r\n\t\t\n    cd\r\n    \t");
    EXPECT_EQ(view.carets().size(), 2u);

    // Blanks after the caret are not copied.
    ViewFixture g("  x  y");
    g.view->setCarets({{1, 0}, {6, 0}});
    key(*g.view, Qt::Key_Return);
    EXPECT_EQ(g.view->text(), " \n  x  y\n  ");
}

TEST(MultiCaret, escapeDropsTheExtrasAndOtherKeysDropThemFirst)
{
    QString lines;
    for (int i = 0; i < 100; ++i)
        lines += QString("line %1\n").arg(i);
    ViewFixture f(lines);
    EditorTextView& view = *f.view;
    view.setCarets({{0, 0}, {7, 2}});
    EXPECT_TRUE(view.validateMenuItem("singleCaret:"));
    key(view, Qt::Key_Escape);
    EXPECT_TRUE(view.extraCarets().empty());
    EXPECT_EQ(view.selectedRange(), (TextRange{7, 2}));
    EXPECT_EQ(view.text(), lines);
    EXPECT_FALSE(view.validateMenuItem("singleCaret:"));

    view.setCarets({{0, 0}, {7, 0}});
    key(view, Qt::Key_PageDown);
    EXPECT_TRUE(view.extraCarets().empty());
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    EXPECT_GT(view.caretPosition(), 7);

    // Movement moves every caret; select-all and the menu command drop them.
    view.setCarets({{1, 0}, {8, 0}});
    key(view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.carets(), (Carets{{1, 1}, {8, 1}}));
    view.doCommandBySelector("singleCaret:");
    EXPECT_EQ(view.carets(), (Carets{{8, 1}}));
    view.setCarets({{1, 0}, {8, 0}});
    view.selectAll();
    EXPECT_TRUE(view.extraCarets().empty());
    EXPECT_EQ(view.selectedRange(), (TextRange{0, lines.size()}));
}

TEST(MultiCaret, ctrlClickAddsRemovesAndLeavesTheOnlyCaret)
{
    ViewFixture f("abcdef\nghijkl");
    EditorTextView& view = *f.view;
    const QPoint at2 = pointOf(view, 2);
    const QPoint at9 = pointOf(view, 9);

    view.setSelectedRange({2, 0});
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, at2);
    EXPECT_EQ(view.carets(), (Carets{{2, 0}})) << "the only caret stays";

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, at9);
    EXPECT_EQ(view.carets(), (Carets{{2, 0}, {9, 0}}));
    EXPECT_EQ(view.selectedRange(), (TextRange{9, 0})) << "the new caret is the main one";

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, at2);
    EXPECT_EQ(view.carets(), (Carets{{9, 0}}));

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, at2);
    QTest::mouseClick(
        view.viewport(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, at9);
    EXPECT_TRUE(view.extraCarets().empty()) << "Shift+Ctrl is an ordinary click";
}

TEST(MultiCaret, aCommittedSyllableGoesToEveryCaretAndOneUndoTakesIt)
{
    ViewFixture f("ab\ncd");
    EditorTextView& view = *f.view;
    view.setCarets({{1, 0}, {4, 0}});
    QInputMethodEvent compose(QString::fromUtf16(u"하"), {});
    QApplication::sendEvent(&view, &compose);
    EXPECT_TRUE(view.hasMarkedText());
    EXPECT_EQ(view.text(), "ab\ncd") << "the composition stays out of the text";
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf16(u"한"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.text(), QString::fromUtf16(u"a한b\nc한d"));
    EXPECT_EQ(view.selectedRange(), (TextRange{6, 0}));
    view.undoStack()->undo();
    EXPECT_EQ(view.text(), "ab\ncd");
    EXPECT_EQ(view.carets(), (Carets{{1, 0}, {4, 0}}));
}

TEST(MultiCaret, otherEditsMoveTheExtraCarets)
{
    ViewFixture f("aaaa bbbb cccc dddd");
    EditorTextView& view = *f.view;
    view.setCarets({{2, 0}, {7, 0}, {12, 3}, {17, 0}});
    // A command's replacement before and around carets: after it they move by the change,
    // inside it they go to its end, at its start they stay.
    view.replaceTextAsUndoableStep({5, 4}, "XY", {0, 0}, "바꾸기");
    EXPECT_EQ(view.text(), "aaaa XY cccc dddd");
    EXPECT_EQ(view.extraCarets(), (Carets{{2, 0}, {7, 0}, {10, 3}}));
    // A pure insertion exactly at an extra caret moves it.
    view.storage().replace({2, 0}, "--");
    EXPECT_EQ(view.extraCarets(), (Carets{{4, 0}, {9, 0}, {12, 3}}));

    // Dropped text goes in once, where it was dropped.
    QMimeData dropped;
    dropped.setText("D");
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    EXPECT_EQ(view.text(), "Daa--aa XY cccc dddd");
    EXPECT_TRUE(view.extraCarets().empty());

    // A reloaded text drops them.
    view.setCarets({{1, 0}, {3, 0}});
    view.setText("other");
    EXPECT_TRUE(view.extraCarets().empty());
}

TEST(MultiCaret, caretCommandsChooseTheMainCaret)
{
    ViewFixture f("one\ntwo\nthree\nfour");
    EditorTextView& view = *f.view;
    view.setSelectedRange({9, 0});
    view.doCommandBySelector("addCaretAbove:");
    EXPECT_EQ(view.carets(), (Carets{{5, 0}, {9, 0}}));
    EXPECT_EQ(view.selectedRange(), (TextRange{5, 0})) << "above: the topmost is main";
    view.doCommandBySelector("addCaretBelow:");
    EXPECT_EQ(view.selectedRange().location, view.carets().back().location)
        << "below: the bottom one is main";
    EXPECT_EQ(view.carets().size(), 3u);

    ViewFixture g("ab x ab y ab");
    g.view->setSelectedRange({0, 2});
    EXPECT_TRUE(g.view->respondsToAction("addNextOccurrence:"));
    g.view->doCommandBySelector("addNextOccurrence:");
    EXPECT_EQ(g.view->carets(), (Carets{{0, 2}, {5, 2}}));
    g.view->doCommandBySelector("selectAllOccurrences:");
    EXPECT_EQ(g.view->carets(), (Carets{{0, 2}, {5, 2}, {10, 2}}));
    type(*g.view, "Q");
    EXPECT_EQ(g.view->text(), "Q x Q y Q");

    // Two final ranges from outside become carets; one drops them.
    g.view->setSelectedRanges({{0, 1}, {4, 1}}, false);
    EXPECT_EQ(g.view->carets(), (Carets{{0, 1}, {4, 1}}));
    g.view->setSelectedRanges({{2, 0}}, false);
    EXPECT_TRUE(g.view->extraCarets().empty());
}

TEST(MultiCaret, readOnlyViewMovesAndCopiesButDoesNotEdit)
{
    ViewFixture f("ab ab");
    EditorTextView& view = *f.view;
    view.setEditable(false);
    view.setCarets({{0, 2}, {3, 2}});
    type(view, "x");
    view.doCommandBySelector("deleteBackward:");
    EXPECT_EQ(view.text(), "ab ab");
    EXPECT_EQ(view.undoStack()->count(), 0);
    view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ab\nab");
}

// Random caret sets and commands through the view give what the engine gives on a plain string,
// and undo brings back the text and the carets exactly.
TEST(MultiCaret, viewAgreesWithTheEngineAndUndoRestores)
{
    std::mt19937 random(20261210);
    const QString alphabet = QString::fromUtf16(u"ab \n\t😀한");
    for (int round = 0; round < 200; ++round) {
        QString text;
        const int length = std::uniform_int_distribution<int>(0, 30)(random);
        for (int i = 0; i < length; ++i) {
            QChar c = alphabet[std::uniform_int_distribution<int>(0, alphabet.size() - 1)(random)];
            if (c.isHighSurrogate())
                text += QString::fromUtf16(u"😀");
            else if (!c.isLowSurrogate())
                text += c;
        }
        ViewFixture f(text);
        EditorTextView& view = *f.view;
        Carets carets;
        const int count = std::uniform_int_distribution<int>(2, 5)(random);
        for (int i = 0; i < count; ++i) {
            int a = std::uniform_int_distribution<int>(0, text.size())(random);
            int b = std::uniform_int_distribution<int>(0, 2)(random) == 0
                        ? std::uniform_int_distribution<int>(a, text.size())(random)
                        : a;
            carets.push_back({a, b - a});
        }
        carets = MC::normalize(carets, text.size());
        // Carets inside a surrogate pair are the engine's business, not this test's.
        view.setCarets(carets);
        const Carets before = view.carets();
        const TextRange mainBefore = view.selectedRange();
        if (before.size() < 2)
            continue;

        const int command = std::uniform_int_distribution<int>(0, 4)(random);
        const std::u16string plain = engine(text);
        MC::Result expected;
        switch (command) {
        case 0:
            type(view, "q");
            expected = MC::insert(before, {u"q"});
            break;
        case 1:
            view.doCommandBySelector("deleteBackward:");
            expected = MC::deleteBackward(before, plain, MC::DeleteDirection::backward);
            break;
        case 2:
            view.doCommandBySelector("deleteForward:");
            expected = MC::deleteBackward(before, plain, MC::DeleteDirection::forward);
            break;
        case 3:
            view.doCommandBySelector("insertTab:");
            expected = MC::insert(before, {u"\t"});
            break;
        case 4: {
            view.doCommandBySelector("moveWordRightAndModifySelection:");
            EXPECT_EQ(view.carets(),
                      MC::move(before, plain, MC::Movement::wordRight, MC::Selecting::extend));
            continue;
        }
        }
        std::u16string edited = plain;
        for (auto edit = expected.edits.rbegin(); edit != expected.edits.rend(); ++edit)
            edited.replace(edit->range.location, edit->range.length, edit->text);
        ASSERT_EQ(engine(view.text()), edited) << "round " << round << " command " << command;
        if (expected.edits.empty())
            continue;
        EXPECT_EQ(view.carets(), MC::normalize(expected.carets, edited.size()));
        view.undoStack()->undo();
        ASSERT_EQ(view.text(), text) << "round " << round;
        EXPECT_EQ(view.carets(), before);
        EXPECT_EQ(view.selectedRange(), mainBefore);
    }
}

TEST(MultiCaret, extraCaretsAreDrawnAsSteadyBars)
{
    ViewFixture f("abcdef\nabcdef");
    EditorTextView& view = *f.view;
    const QPoint at9 = pointOf(view, 9);
    view.setCarets({{9, 0}, {12, 0}});
    const QColor accent = EditorColors::accentColor(view.palette());
    QImage image = f.grab();
    EXPECT_TRUE(ViewTest::near(image.pixel(at9.x(), at9.y()), accent.rgb(), 40))
        << "the extra caret is drawn without focus or blinking";
    view.doCommandBySelector("singleCaret:");
    image = f.grab();
    EXPECT_FALSE(ViewTest::near(image.pixel(at9.x(), at9.y()), accent.rgb(), 40));
}

TEST(MultiCaret, tripleClickSelectsTheLineAndDraggingMovesTheSelection)
{
    ViewFixture f("one two\r\nthree\nfour");
    EditorTextView& view = *f.view;
    const QPoint inOne = pointOf(view, 1);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, inOne);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, inOne);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, inOne);
    EXPECT_EQ(view.selectedRange(), (TextRange{0, 9})) << "the line with its CR LF";

    // Drag "two" to the start of "four": one step, undone at once.
    const QPoint inTwo = pointOf(view, 5);
    const QPoint fourStart = pointOf(view, 15);
    const auto drag = [&](Qt::KeyboardModifiers atDrop) {
        view.setSelectedRange({4, 3});
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, inTwo);
        QMouseEvent move(QEvent::MouseMove,
                         fourStart,
                         view.viewport()->mapToGlobal(fourStart),
                         Qt::NoButton,
                         Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        EXPECT_EQ(view.dragTarget(), std::optional<int>(15));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, atDrop, fourStart);
    };
    drag(Qt::NoModifier);
    EXPECT_EQ(view.text(), "one \r\nthree\ntwofour");
    EXPECT_EQ(view.selectedRange(), (TextRange{12, 3}));
    view.undoStack()->undo();
    EXPECT_EQ(view.text(), "one two\r\nthree\nfour");

    drag(Qt::ControlModifier);
    EXPECT_EQ(view.text(), "one two\r\nthree\ntwofour") << "Ctrl copies";

    // A press on the selection without dragging places the caret.
    view.setSelectedRange({4, 3});
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, inTwo);
    EXPECT_EQ(view.selectedRange(), (TextRange{5, 0}));
}

// The splice moves the text in place when every piece grows or every piece shrinks, and aside
// when they differ; each is one reported replacement.
TEST(MultiCaret, storageSpliceIsOneReplacementEitherWay)
{
    struct Case
    {
        std::vector<std::pair<TextRange, QString>> pieces;
        QString expected;
        int location, oldLength, newLength;
    };
    const Case cases[] = {
        {{{{1, 0}, "XX"}, {{4, 0}, "Y"}}, "aXXbcdYefgh", 1, 3, 6},
        {{{{0, 2}, ""}, {{5, 1}, "Z"}, {{7, 1}, ""}}, "cdeZg", 0, 8, 5},
        {{{{0, 2}, "Q"}, {{3, 0}, "RR"}, {{8, 0}, "!"}}, "QcRRdefgh!", 0, 8, 10},
        {{{{2, 3}, "😀"}}, "ab😀fgh", 2, 3, 2},
    };
    for (const auto& c : cases) {
        TextStorage storage;
        storage.setText("abcdefgh");
        std::vector<int> reported;
        QObject::connect(&storage, &TextStorage::didReplace, [&](int l, int o, int n) {
            reported = {l, o, n};
        });
        std::vector<TextStorage::Piece> pieces;
        for (const auto& [range, text] : c.pieces)
            pieces.push_back({range, text});
        storage.splice(pieces);
        EXPECT_EQ(storage.text(), c.expected);
        EXPECT_EQ(reported, (std::vector<int>{c.location, c.oldLength, c.newLength}));
    }
}

TEST(MultiCaret, aSingleSelectionSetFromCodeLeavesOneCaret)
{
    ViewFixture f("one two one two");
    EditorTextView& view = *f.view;
    view.setCarets({{0, 0}, {8, 0}});
    ASSERT_EQ(view.extraCarets().size(), 1u);
    // A find step, go to line or a jump selects one range: the next letter lands only there.
    view.setSelectedRange({4, 3});
    EXPECT_TRUE(view.extraCarets().empty());
    type(view, "X");
    EXPECT_EQ(view.text(), "one X one two");
}

TEST(MultiCaret, typingMakesTheLastCaretMainAndUndoRestoresItSo)
{
    ViewFixture f("abc\nabc\nabc");
    EditorTextView& view = *f.view;
    // The first caret is the main one (as after adding a caret above).
    view.setCarets({{1, 0}, {9, 0}}, 1);
    ASSERT_EQ(view.selectedRange(), (TextRange{1, 0}));
    type(view, "x");
    EXPECT_EQ(view.text(), "axbc\nabc\naxbc");
    EXPECT_EQ(view.selectedRange(), (TextRange{11, 0}));
    EXPECT_EQ(view.extraCarets(), (Carets{{2, 0}}));
    view.undoStack()->undo();
    EXPECT_EQ(view.text(), "abc\nabc\nabc");
    EXPECT_EQ(view.selectedRange(), (TextRange{9, 0}));
    EXPECT_EQ(view.extraCarets(), (Carets{{1, 0}}));
}

namespace {

// Takes typed text as the window does: a closing bracket may be typed in its own way.
struct CheckingDelegate : EditorTextViewDelegate
{
    std::vector<std::pair<TextRange, QString>> asked;
    bool shouldChangeText(EditorTextView&, TextRange range, const QString& text) override
    {
        asked.emplace_back(range, text);
        return true;
    }
};

} // namespace

TEST(MultiCaret, aCommittedCompositionPassesTheTypingChecksAtTheMainCaret)
{
    ViewFixture f("ab\ncd");
    EditorTextView& view = *f.view;
    CheckingDelegate delegate;
    view.setDelegate(&delegate);
    view.setCarets({{1, 0}, {4, 0}}, 1);
    ASSERT_EQ(view.selectedRange(), (TextRange{1, 0}));
    QInputMethodEvent compose(QString::fromUtf16(u"하"), {});
    QApplication::sendEvent(&view, &compose);
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf16(u"한"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.text(), QString::fromUtf16(u"a한b\nc한d"));
    ASSERT_EQ(delegate.asked.size(), 1u);
    EXPECT_EQ(delegate.asked[0].first, (TextRange{1, 0}));
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 0})) << "the main caret stays main";
    EXPECT_EQ(view.extraCarets(), (Carets{{6, 0}}));
    view.undoStack()->undo();
    EXPECT_EQ(view.text(), "ab\ncd");
    view.setDelegate(nullptr);
}
