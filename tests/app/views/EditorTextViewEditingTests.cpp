#include "ViewTestSupport.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/views/TextStorage.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <QTextCharFormat>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace EditorViews;
using ViewTest::ViewFixture;

namespace {

// Every kind of break and the no-break space, which the view must never rewrite.
const QString oddText = QString::fromUtf16(u"a\r\nb\rc\nd\u2028e\u0085f\u00A0g\r\n");

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

struct RecordingDelegate : EditorTextViewDelegate
{
    int changes = 0;
    bool refuse = false;
    QList<QUrl> opened;
    bool shouldChangeText(EditorTextView&, TextRange, const QString&) override { return !refuse; }
    void textDidChange(EditorTextView&) override { ++changes; }
    void openDroppedFiles(EditorTextView&, const QList<QUrl>& urls) override { opened += urls; }
};

} // namespace

TEST(EditorTextView, typingDeletingAndUndoKeepEveryBreakAsItIs)
{
    ViewFixture f(oddText);
    EditorTextView& view = *f.view;
    EXPECT_EQ(view.text(), oddText);
    EXPECT_EQ(view.lineIndex().lineCount(), 7);

    // Type at the end of every line, then take it back.
    for (int line = 6; line >= 1; --line) {
        auto range =
            view.lineIndex().contentRange(line - 1,
                                          {reinterpret_cast<const char16_t*>(oddText.utf16()),
                                           static_cast<std::size_t>(oddText.size())});
        view.setSelectedRange({static_cast<int>(range.location + range.length), 0});
        view.breakUndoCoalescing();
        type(view, "xy");
    }
    QString expected = QString::fromUtf16(u"axy\r\nbxy\rcxy\ndxy\u2028exy\u0085f\u00A0gxy\r\n");
    EXPECT_EQ(view.text(), expected);
    key(view, Qt::Key_Backspace);
    EXPECT_EQ(view.text(), QString::fromUtf16(u"ax\r\nbxy\rcxy\ndxy\u2028exy\u0085f\u00A0gxy\r\n"));
    while (view.undoStack()->canUndo())
        view.undo();
    EXPECT_EQ(view.text(), oddText);
    while (view.undoStack()->canRedo())
        view.redo();
    EXPECT_EQ(view.text(), QString::fromUtf16(u"ax\r\nbxy\rcxy\ndxy\u2028exy\u0085f\u00A0gxy\r\n"));
}

TEST(EditorTextView, caretNeverStopsInsideACrLfAndBackspaceTakesTheWholeBreak)
{
    ViewFixture f(QString::fromUtf16(u"ab\r\ncd"));
    EditorTextView& view = *f.view;
    view.setSelectedRange({2, 0});
    key(view, Qt::Key_Right);
    EXPECT_EQ(view.caretPosition(), 4);
    key(view, Qt::Key_Left);
    EXPECT_EQ(view.caretPosition(), 2);
    view.setSelectedRange({4, 0});
    key(view, Qt::Key_Backspace);
    EXPECT_EQ(view.text(), "abcd");
    view.undo();
    EXPECT_EQ(view.text(), QString::fromUtf16(u"ab\r\ncd"));
    view.setSelectedRange({2, 0});
    key(view, Qt::Key_Delete);
    EXPECT_EQ(view.text(), "abcd");
}

TEST(EditorTextView, typingCoalescesIntoOneUndoStepUntilTheCaretMoves)
{
    ViewFixture f("");
    EditorTextView& view = *f.view;
    type(view, "hello");
    EXPECT_EQ(view.undoStack()->count(), 1);
    key(view, Qt::Key_Left);
    type(view, "X");
    EXPECT_EQ(view.text(), "hellXo");
    EXPECT_EQ(view.undoStack()->count(), 2);
    view.undo();
    EXPECT_EQ(view.text(), "hello");
    EXPECT_EQ(view.selectedRange(), (TextRange{4, 0}));
    view.undo();
    EXPECT_EQ(view.text(), "");
}

TEST(EditorTextView, lineBreakInsertsTheDocumentsEnding)
{
    ViewFixture f(QString::fromUtf16(u"a\r\nb"));
    EditorTextView& view = *f.view;
    view.setNewlineString("\r\n");
    view.setSelectedRange({1, 0});
    key(view, Qt::Key_Return);
    EXPECT_EQ(view.text(), QString::fromUtf16(u"a\r\n\r\nb"));
    EXPECT_EQ(view.caretPosition(), 3);
}

TEST(EditorTextView, inputMethodCommitInsertsOnceAtTheCaret)
{
    ViewFixture f("ab");
    EditorTextView& view = *f.view;
    view.setSelectedRange({1, 0});

    QInputMethodEvent compose1(QString::fromUtf16(u"ㅎ"), {});
    QApplication::sendEvent(&view, &compose1);
    QInputMethodEvent compose2(QString::fromUtf16(u"하"), {});
    QApplication::sendEvent(&view, &compose2);
    EXPECT_EQ(view.text(), "ab") << "the composition is shown, not stored";
    EXPECT_TRUE(view.hasMarkedText());
    EXPECT_EQ(view.markedText(), QString::fromUtf16(u"하"));

    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf16(u"한"));
    QApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.text(), QString::fromUtf16(u"a한b"));
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(view.caretPosition(), 2);
    EXPECT_EQ(view.undoStack()->count(), 1);

    // A commit that replaces text before the caret (reconversion) replaces just that.
    QInputMethodEvent replace;
    replace.setCommitString(QString::fromUtf16(u"漢"), -1, 1);
    QApplication::sendEvent(&view, &replace);
    EXPECT_EQ(view.text(), QString::fromUtf16(u"a漢b"));

    EXPECT_EQ(view.inputMethodQuery(Qt::ImSurroundingText).toString(), QString::fromUtf16(u"a漢b"));
    EXPECT_EQ(view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    EXPECT_TRUE(view.inputMethodQuery(Qt::ImEnabled).toBool());
}

TEST(EditorTextView, copyGivesTheExactTextAndPasteInsertsIt)
{
    ViewFixture f(oddText);
    EditorTextView& view = *f.view;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("untouched");
    view.setSelectedRange({1, 0});
    view.copy();
    EXPECT_EQ(clipboard->text(), "untouched") << "copying nothing keeps the clipboard";
    EXPECT_FALSE(view.validateMenuItem("copy:"));

    view.selectAll();
    EXPECT_TRUE(view.validateMenuItem("copy:"));
    view.copy();
    EXPECT_EQ(clipboard->text(), oddText);

    view.setSelectedRange({1, 2}); // the CR LF alone
    view.cut();
    EXPECT_EQ(clipboard->text(), "\r\n");
    EXPECT_EQ(view.text(), oddText.left(1) + oddText.mid(3));
    view.setSelectedRange({0, 0});
    view.paste();
    EXPECT_EQ(view.text(), "\r\na" + oddText.mid(3));
    view.undo();
    view.undo();
    EXPECT_EQ(view.text(), oddText);
}

TEST(EditorTextView, delegateCanRefuseAndHearsEveryChange)
{
    ViewFixture f("abc");
    RecordingDelegate delegate;
    EditorTextView& view = *f.view;
    view.setDelegate(&delegate);
    type(view, "x");
    EXPECT_EQ(delegate.changes, 1);
    view.undo();
    EXPECT_EQ(delegate.changes, 2);
    delegate.refuse = true;
    type(view, "y");
    key(view, Qt::Key_Delete);
    EXPECT_EQ(view.text(), "abc");
    EXPECT_EQ(delegate.changes, 2);
    view.setDelegate(nullptr);
}

TEST(EditorTextView, readOnlyViewIgnoresEditsButCopies)
{
    ViewFixture f("abc");
    EditorTextView& view = *f.view;
    view.setEditable(false);
    type(view, "x");
    view.selectAll();
    view.cut();
    view.copy();
    EXPECT_EQ(view.text(), "abc");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
    EXPECT_FALSE(view.validateMenuItem("cut:"));
}

TEST(EditorTextView, droppedFilesOpenAndDroppedTextIsInserted)
{
    ViewFixture f("abc");
    RecordingDelegate delegate;
    EditorTextView& view = *f.view;
    view.setDelegate(&delegate);

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/one.txt"), QUrl::fromLocalFile("/tmp/two.txt")});
    QDragEnterEvent enterFiles(
        QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enterFiles);
    EXPECT_TRUE(enterFiles.isAccepted());
    EXPECT_EQ(enterFiles.dropAction(), Qt::CopyAction);
    QDropEvent dropFiles(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &dropFiles);
    EXPECT_EQ(delegate.opened.size(), 2);
    EXPECT_EQ(view.text(), "abc");

    QMimeData text;
    text.setText("\r\n");
    QDragEnterEvent enterText(QPoint(1, 1), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enterText);
    QDropEvent dropText(QPointF(1, 1), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &dropText);
    EXPECT_EQ(view.text(), "\r\nabc");
    view.setDelegate(nullptr);
}

TEST(EditorTextView, storageEditsFromOutsideMoveTheCaret)
{
    ViewFixture f("hello world");
    EditorTextView& view = *f.view;
    view.setSelectedRange({8, 0});
    view.storage().replace({0, 5}, "hi");
    EXPECT_EQ(view.caretPosition(), 5);
    view.storage().replace({3, 3}, "W");
    EXPECT_EQ(view.caretPosition(), 4) << "a caret inside the replaced text goes to its end";
    EXPECT_EQ(view.lineIndex().lineCount(), 1);
    view.storage().replace({0, 0}, "a\nb\n");
    EXPECT_EQ(view.lineIndex().lineCount(), 3);
}

TEST(EditorTextView, commandsReportWhetherTheyWereHandled)
{
    ViewFixture f("one two\nthree");
    EditorTextView& view = *f.view;
    EXPECT_TRUE(view.doCommandBySelector("moveWordRight:"));
    EXPECT_EQ(view.caretPosition(), 3);
    EXPECT_TRUE(view.doCommandBySelector("moveToEndOfLineAndModifySelection:"));
    EXPECT_EQ(view.selectedRange(), (TextRange{3, 4}));
    EXPECT_TRUE(view.doCommandBySelector("moveDown:"));
    EXPECT_EQ(view.lineIndex().lineNumber(view.caretPosition()), 2);
    EXPECT_FALSE(view.doCommandBySelector("noSuchCommand:"));
    EXPECT_FALSE(view.validateMenuItem("singleCaret:"));
}

TEST(EditorTextView, answersTheRoutersEditingActionsAndLeavesUndoToTheWindow)
{
    EditorKit::ActionRouter router;
    router.setUnhandledHandler([](std::string_view) {});
    EditorKit::HostWindow window(router);
    auto* page = new EditorKit::TabPage;
    auto display = std::make_shared<EditorDisplayState>();
    auto* view = new EditorTextView(display, page);
    QUndoStack stack;
    view->setUndoStack(&stack);
    page->setUndoStack(&stack);
    window.addPage(page);
    view->setFocus();
    view->storage().setText("one\r\ntwo");

    EXPECT_EQ(router.target("copy:", &window), static_cast<EditorKit::Responder*>(view));
    EXPECT_FALSE(router.validate("copy:", {}, &window)) << "nothing selected";
    EXPECT_TRUE(router.send("selectAll:", {}, &window));
    EXPECT_EQ(view->selectedRange(), (TextRange{0, 8}));
    EXPECT_TRUE(router.send("copy:", {}, &window));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "one\r\ntwo");

    view->insertText("x");
    EXPECT_EQ(router.target("undo:", &window), static_cast<EditorKit::Responder*>(page));
    EXPECT_TRUE(router.send("undo:", {}, &window));
    EXPECT_EQ(view->text(), "one\r\ntwo");
}

TEST(EditorTextView, everyChangePublishesOneRecordAfterTheLineIndexFollowed)
{
    ViewFixture f(QStringLiteral("one\r\ntwo"));
    EditorTextView& view = *f.view;
    struct Recorder : EditorTextViewDelegate
    {
        std::vector<EditRecord> records;
        bool indexWasFresh = true;
        void textDidEdit(EditorTextView& v, const EditRecord& record) override
        {
            records.push_back(record);
            const QString& text = v.text();
            indexWasFresh = indexWasFresh
                            && v.lineIndex()
                                   == EditorCore::LineIndex(std::u16string_view(
                                       reinterpret_cast<const char16_t*>(text.utf16()),
                                       static_cast<std::size_t>(text.size())));
        }
    } recorder;
    view.setDelegate(&recorder);
    const std::uint64_t start = view.storage().version();

    view.setSelectedRange({3, 0});
    type(view, QStringLiteral("ab")); // merged into one undo step, two records
    view.undo();
    view.redo();
    {
        EditorTextView::OriginScope scope(view, EditOrigin::command);
        view.replaceTextAsUndoableStep({0, 3}, QStringLiteral("1\n2"), {0, 0}, QStringLiteral("x"));
    }
    view.setSelectedRange({3, 0});
    key(view, Qt::Key_Backspace);
    view.setText(QStringLiteral("fresh"));
    view.setDelegate(nullptr);

    struct Expected
    {
        int location;
        int oldLength;
        const char* inserted;
        EditOrigin origin;
    };
    const Expected expected[] = {
        {3, 0, "a", EditOrigin::typing},
        {4, 0, "b", EditOrigin::typing},
        {3, 2, "", EditOrigin::undoRedo},
        {3, 0, "ab", EditOrigin::undoRedo},
        {0, 3, "1\n2", EditOrigin::command},
        {2, 1, "", EditOrigin::typing},
        {0, 9, "fresh", EditOrigin::reload},
    };
    ASSERT_EQ(recorder.records.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const EditRecord& record = recorder.records[i];
        EXPECT_EQ(record.location, expected[i].location);
        EXPECT_EQ(record.oldLength, expected[i].oldLength);
        EXPECT_EQ(record.insertedText, QString::fromUtf8(expected[i].inserted));
        EXPECT_EQ(record.origin, expected[i].origin);
        EXPECT_EQ(record.version, start + i + 1);
    }
    EXPECT_TRUE(recorder.indexWasFresh);
}

TEST(EditorTextView, aClickEndsTheCompositionWhereItWasShown)
{
    const QString start = QStringLiteral("AB\nCD\n");
    ViewFixture f(start);
    EditorTextView& view = *f.view;
    view.setSelectedRange({2, 0});
    const QPointF endOfFirstLine = view.caretRect()->center();
    view.setSelectedRange({6, 0});
    for (const char16_t* step : {u"ㅎ", u"하", u"한"}) {
        QInputMethodEvent compose(QString::fromUtf16(step), {});
        QApplication::sendEvent(&view, &compose);
    }
    ASSERT_TRUE(view.hasMarkedText());
    f.grab(); // the composition is laid out in line 3

    // The offscreen platform has no input method, so commit() does nothing, as with input
    // methods that keep composing: the view ends the composition itself.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, endOfFirstLine.toPoint());
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(view.text(), QString::fromUtf16(u"AB\nCD\n한"));
    EXPECT_EQ(view.caretPosition(), 2);
    type(view, QStringLiteral(" "));
    EXPECT_EQ(view.text(), QString::fromUtf16(u"AB \nCD\n한"));

    // Nothing of the composition is left drawn: the view looks as one that was given the text.
    ViewFixture fresh(QString::fromUtf16(u"AB \nCD\n한"));
    fresh.view->setSelectedRange({3, 0});
    EXPECT_EQ(f.grab(), fresh.grab());
}

// What ends a composition from outside (a click, the focus leaving) and what the input
// method sends after it: fcitx5 and ibus commit the syllable again when they are reset, as a
// commit of its own, with or without an empty preedit before it, or forget it silently. The
// syllable lands once, where it was composed, in every order.
TEST(EditorTextView, aCompositionEndedFromOutsideLandsExactlyOnce)
{
    struct Step
    {
        const char16_t* preedit;
        const char16_t* commit;
    };
    enum class Ender { click, rightClick, focusToOtherWidget, windowDeactivated, menu };
    const std::vector<Step> gaNaDa = {{u"ㄱ", u""}, {u"가", u""}, {u"ㄴ", u"가"}, {u"나", u""},
                                      {u"ㄷ", u"나"}, {u"다", u""}};
    const std::vector<Step> anNyeong = {{u"ㅇ", u""}, {u"아", u""}, {u"안", u""},
                                        {u"ㄴ", u"안"}, {u"녀", u""}, {u"녕", u""}};
    struct Case
    {
        const char* name;
        std::vector<Step> typed;
        Ender ender;
        std::vector<Step> afterwards;
        const char16_t* expected;
    };
    const std::vector<Case> cases = {
        {"commit on reset", gaNaDa, Ender::click, {{u"", u"다"}}, u"AB\nCD\n가나다"},
        {"empty preedit, then the commit", gaNaDa, Ender::click, {{u"", u""}, {u"", u"다"}},
         u"AB\nCD\n가나다"},
        {"the input method forgets", gaNaDa, Ender::click, {}, u"AB\nCD\n가나다"},
        {"only an empty preedit", anNyeong, Ender::click, {{u"", u""}}, u"AB\nCD\n안녕"},
        {"안녕 and a click", anNyeong, Ender::click, {{u"", u"녕"}}, u"AB\nCD\n안녕"},
        {"right click", anNyeong, Ender::rightClick, {{u"", u"녕"}}, u"AB\nCD\n안녕"},
        {"focus to another widget", gaNaDa, Ender::focusToOtherWidget, {{u"", u"다"}},
         u"AB\nCD\n가나다"},
        {"window deactivated", gaNaDa, Ender::windowDeactivated, {{u"", u"다"}},
         u"AB\nCD\n가나다"},
        {"a menu opens", gaNaDa, Ender::menu, {{u"", u""}, {u"", u"다"}}, u"AB\nCD\n가나다"},
        // After the echo, the same syllable composed again is new text.
        {"then composed again", gaNaDa, Ender::click,
         {{u"", u"다"}, {u"ㄷ", u""}, {u"다", u""}, {u"", u"다"}}, u"AB다\nCD\n가나다"},
        // Without an echo, the next composition of the same syllable is new text too.
        {"composed again without an echo", gaNaDa, Ender::click,
         {{u"ㄷ", u""}, {u"다", u""}, {u"", u"다"}}, u"AB다\nCD\n가나다"},
        // Another commit is not the echo: it is typed at the caret.
        {"a different commit", gaNaDa, Ender::click, {{u"", u"."}}, u"AB.\nCD\n가나다"},
    };
    auto send = [](EditorTextView& view, const Step& step) {
        QInputMethodEvent event(QString::fromUtf16(step.preedit), {});
        if (*step.commit)
            event.setCommitString(QString::fromUtf16(step.commit));
        QApplication::sendEvent(&view, &event);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewFixture f(QStringLiteral("AB\nCD\n"));
        EditorTextView& view = *f.view;
        view.setSelectedRange({2, 0});
        const QPoint endOfFirstLine = view.caretRect()->center().toPoint();
        view.setSelectedRange({6, 0});
        for (const Step& step : c.typed)
            send(view, step);
        ASSERT_TRUE(view.hasMarkedText());
        switch (c.ender) {
        case Ender::click:
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, endOfFirstLine);
            break;
        case Ender::rightClick:
            QTest::mousePress(view.viewport(), Qt::RightButton, {}, endOfFirstLine);
            view.setSelectedRange({2, 0});
            break;
        case Ender::focusToOtherWidget:
        case Ender::windowDeactivated:
        case Ender::menu: {
            const Qt::FocusReason reason = c.ender == Ender::menu ? Qt::PopupFocusReason
                                           : c.ender == Ender::windowDeactivated
                                               ? Qt::ActiveWindowFocusReason
                                               : Qt::TabFocusReason;
            QFocusEvent out(QEvent::FocusOut, reason);
            QApplication::sendEvent(&view, &out);
            view.setSelectedRange({2, 0});
            break;
        }
        }
        EXPECT_FALSE(view.hasMarkedText());
        for (const Step& step : c.afterwards)
            send(view, step);
        EXPECT_EQ(view.text(), QString::fromUtf16(c.expected));
    }
}

// The text stops taking input (its file is followed, it is made read-only) while a syllable
// is being composed: the syllable lands where it was composed, as at a click, and nothing of
// the composition stays drawn; what the input method sends the read-only text changes
// nothing. Taking text again, a composition ended by a click lands where it was composed.
TEST(EditorTextView, aCompositionLandsWhereItWasComposedWhenTheTextStopsTakingInput)
{
    ViewFixture f(QStringLiteral("AB\nCD\n"));
    EditorTextView& view = *f.view;
    auto send = [&](const char16_t* preedit, const char16_t* commit) {
        QInputMethodEvent event(QString::fromUtf16(preedit), {});
        if (*commit)
            event.setCommitString(QString::fromUtf16(commit));
        QApplication::sendEvent(&view, &event);
    };
    for (const char16_t* step : {u"ㄱ", u"가", u"갑", u"값"})
        send(step, u"");
    ASSERT_TRUE(view.hasMarkedText());
    f.grab(); // the composition is laid out in line 1

    view.setEditable(false);
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(view.text(), QString::fromUtf16(u"값AB\nCD\n"));
    EXPECT_EQ(view.caretPosition(), 1);
    // fcitx5 commits the syllable again when it is reset; a new composition goes nowhere.
    send(u"", u"값");
    send(u"ㅎ", u"");
    send(u"", u"하");
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(view.text(), QString::fromUtf16(u"값AB\nCD\n"));
    ViewFixture fresh(QString::fromUtf16(u"값AB\nCD\n"));
    fresh.view->setSelectedRange({1, 0});
    EXPECT_EQ(f.grab(), fresh.grab());

    view.setEditable(true);
    view.setSelectedRange({3, 0});
    const QPoint endOfFirstLine = view.caretRect()->center().toPoint();
    view.setSelectedRange({6, 0});
    for (const char16_t* step : {u"ㅎ", u"하", u"한"})
        send(step, u"");
    ASSERT_TRUE(view.hasMarkedText());
    f.grab();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, endOfFirstLine);
    EXPECT_FALSE(view.hasMarkedText());
    EXPECT_EQ(view.text(), QString::fromUtf16(u"값AB\nCD한\n"));
    EXPECT_EQ(view.caretPosition(), 3);
}

// A text that takes no input (its file followed, read-only) is not changed by undo or redo
// either, from the keyboard or from a menu: undone, an edit of a followed log was saved over
// the file, which the follower then took for a new log and read again from its start.
TEST(EditorTextView, undoAndRedoLeaveATextThatTakesNoInputAsItIs)
{
    ViewFixture f(QStringLiteral("log\n"));
    EditorTextView& view = *f.view;
    view.setSelectedRange({4, 0});
    type(view, QStringLiteral("x"));
    ASSERT_EQ(view.text(), QStringLiteral("log\nx"));

    view.setEditable(false);
    EXPECT_FALSE(view.validateMenuItem(QStringLiteral("undo:")));
    key(view, Qt::Key_Z, Qt::ControlModifier);
    view.doCommandBySelector(QStringLiteral("undo:"));
    view.undo();
    EXPECT_EQ(view.text(), QStringLiteral("log\nx"));

    view.setEditable(true);
    EXPECT_TRUE(view.validateMenuItem(QStringLiteral("undo:")));
    key(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("log\n"));

    view.setEditable(false);
    EXPECT_FALSE(view.validateMenuItem(QStringLiteral("redo:")));
    key(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    view.doCommandBySelector(QStringLiteral("redo:"));
    view.redo();
    EXPECT_EQ(view.text(), QStringLiteral("log\n"));
}

TEST(EditorTextView, theCompositionIsDrawnWithTheInputMethodsStyles)
{
    auto drawn = [](QList<QInputMethodEvent::Attribute> attributes) {
        ViewFixture f(QStringLiteral("ab"));
        f.view->setSelectedRange({2, 0});
        QInputMethodEvent compose(QString::fromUtf16(u"한글"), attributes);
        QApplication::sendEvent(f.view.get(), &compose);
        return f.grab();
    };
    auto redPixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                QRgb p = image.pixel(x, y);
                count += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60 ? 1 : 0;
            }
        }
        return count;
    };
    QTextCharFormat highlighted;
    highlighted.setBackground(Qt::red);
    const QImage styled =
        drawn({QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, 1, 1, highlighted)});
    EXPECT_GT(redPixels(styled), 20) << "the second syllable has the asked background";
    const QImage plain = drawn({});
    EXPECT_EQ(redPixels(plain), 0);
    EXPECT_NE(plain,
              drawn({QInputMethodEvent::Attribute(
                  QInputMethodEvent::TextFormat, 0, 2, QTextCharFormat())}))
        << "an empty style is not the default underline";
}

