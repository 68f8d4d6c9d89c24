// Go to line (the caret placement, the typed text, the popup) and character information.
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LineSelection.h"
#include "app/window/gotoline/GoToLineFeature.h"
#include "app/window/hosting/HostWindows.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using EditorWindow::DocumentWindowController;
using EditorWindow::GoToLineFeature;
using WindowTest::FakeDocument;

namespace {

constexpr std::int64_t maximum = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t minimum = std::numeric_limits<std::int64_t>::min();

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

std::int64_t offsetFor(const QString& text, std::int64_t line, std::optional<std::int64_t> column)
{
    return EditorWindow::caretOffsetForLine(view(text), EditorCore::LineIndex(view(text)), line, column);
}

// A window with only the go-to-line feature.
struct Window
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder.path() / "group-defaults.json"),
        {}};
    EditorKit::ActionRouter router;
    std::unique_ptr<FakeDocument> document;
    std::unique_ptr<DocumentWindowController> controller;
    int beeps = 0;

    explicit Window(const QString& text)
        : document(std::make_unique<FakeDocument>(text))
    {
        EditorWindow::WindowEnvironment environment;
        environment.settings = &settings;
        environment.hosts = std::make_shared<EditorWindow::HostWindows>(router);
        environment.features = [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<GoToLineFeature>());
            return list;
        };
        controller = std::make_unique<DocumentWindowController>(*document, router, environment);
        controller->showWindow();
        feature().setBeep([this] { ++beeps; });
        QApplication::setActiveWindow(controller->hostWindow());
        QCoreApplication::processEvents();
    }
    ~Window()
    {
        controller.reset();
        QCoreApplication::processEvents();
    }

    GoToLineFeature& feature() { return *controller->feature<GoToLineFeature>(); }
    std::int64_t caret() const { return controller->textView()->selectedRange().location; }
    void placeCaret(std::int64_t offset) { controller->textView()->setSelectedRange({offset, 0}); }
};

} // namespace

TEST(GoToLine, typedTextIsReadAsLineAndColumn)
{
    using EditorWindow::TypedLine;
    struct Case
    {
        const char* typed;
        std::optional<TypedLine> expected;
    };
    const Case cases[] = {
        {"12", TypedLine{12, {}}},
        {"0", TypedLine{0, {}}},
        {"-3", TypedLine{-3, {}}},
        {"+4", TypedLine{4, {}}},
        {"4a", std::nullopt},
        {"3:0", TypedLine{3, 0}},
        {"3:-2", TypedLine{3, -2}},
        {" 12 :\t5 ", TypedLine{12, 5}},
        {"12:5:9", TypedLine{12, 5}},
        {"x:7", TypedLine{7, {}}},
        {"::", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"1 2", std::nullopt},
        {"\u00a012\u3000", TypedLine{12, {}}},
        {"12\n", std::nullopt},
        {"9223372036854775807", TypedLine{maximum, {}}},
        {"-9223372036854775808", TypedLine{minimum, {}}},
        {"9223372036854775808", std::nullopt},
        {"1:9223372036854775808:4", TypedLine{1, 4}},
        {"١٢", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        auto parsed = EditorWindow::parseTypedLine(QString::fromUtf8(c.typed));
        EXPECT_EQ(parsed.has_value(), c.expected.has_value());
        if (parsed && c.expected) {
            EXPECT_EQ(parsed->line, c.expected->line);
            EXPECT_EQ(parsed->column, c.expected->column);
        }
    }
}

TEST(GoToLine, caretLandsOnTheLineClampedToItsBreak)
{
    // Lines: "ab\n" at 0, "cdef\n" at 3, "g" at 8.
    const QString text = QStringLiteral("ab\ncdef\ng");
    struct Case
    {
        const char* name;
        std::int64_t line;
        std::optional<std::int64_t> column;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"line 1", 1, {}, 0},
        {"line 0 is line 1", 0, {}, 0},
        {"a negative line is line 1", -3, {}, 0},
        {"line 2", 2, {}, 3},
        {"past the last line", 12, {}, 8},
        {"column 1", 2, 1, 3},
        {"column 0 counts as 1", 2, 0, 3},
        {"negative column counts as 1", 2, -2, 3},
        {"column 3", 2, 3, 5},
        {"a long column on a middle line goes to the next line", 2, 9, 8},
        {"the column just after the break", 2, 6, 8},
        {"a long column on the last line goes to the end", 3, 5, 9},
        {"line 2^63-1", maximum, {}, 8},
        {"column 2^63-1", 1, maximum, 3},
        {"both 2^63-1", maximum, maximum, 9},
        {"most negative", minimum, minimum, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(offsetFor(text, c.line, c.column), c.expected);
    }
}

// Was: a column could end between CR and LF, or inside a surrogate pair, where typing splits
// the break or the character.
TEST(GoToLine, caretNeverSplitsABreakOrACharacter)
{
    struct Case
    {
        const char* name;
        QString text;
        std::int64_t line;
        std::int64_t column;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"between CR and LF", QStringLiteral("ab\r\ncd"), 1, 4, 4},
        {"before CR", QStringLiteral("ab\r\ncd"), 1, 3, 2},
        {"past a CRLF line", QStringLiteral("ab\r\ncd"), 1, 99, 4},
        {"inside a pair", QString::fromUtf16(u"a\U0001F600b"), 1, 3, 3},
        {"before a pair", QString::fromUtf16(u"a\U0001F600b"), 1, 2, 1},
        {"after a pair", QString::fromUtf16(u"a\U0001F600b"), 1, 4, 3},
        {"a lone CR stays a break of its own", QStringLiteral("ab\rcd"), 1, 9, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(offsetFor(c.text, c.line, c.column), c.expected);
    }
}

TEST(GoToLine, typedLinesMoveTheCaretOfTheWindow)
{
    Window window(QStringLiteral("one\ntwo\nthree\nfour\n"));
    struct Case
    {
        const char* typed;
        bool moves;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"3", true, 8},      {"0", true, 0},     {"-3", true, 0},    {"+4", true, 14},
        {"4a", false, 0},    {"3:0", true, 8},   {"3:-2", true, 8},  {"12:5", true, 19},
        {"::", false, 0},    {"2:3", true, 6},   {"2:99", true, 8},  {"9223372036854775807", true, 19},
        {"1:9223372036854775807", true, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        window.placeCaret(2);
        EXPECT_EQ(EditorWindow::goToTypedLine(*window.controller, QString::fromUtf8(c.typed)),
                  c.moves);
        EXPECT_EQ(window.caret(), c.moves ? c.expected : 2);
    }
    EXPECT_EQ(QApplication::focusWidget(), window.controller->textView());
}

// A request from outside the window (the command line's "file:line:column") finds the line
// through the frame, without naming the feature: in this window and in the shipped one.
TEST(GoToLine, aRequestFromOutsideReachesTheLineThroughTheFrame)
{
    Window window(QStringLiteral("one\ntwo\nthree\nfour\n"));
    auto* selection = window.controller->service<EditorWindow::LineSelection>();
    ASSERT_NE(selection, nullptr);
    window.placeCaret(0);
    selection->selectLine(3, 2);
    EXPECT_EQ(window.caret(), 9);
    EXPECT_EQ(QApplication::focusWidget(), window.controller->textView());

    FakeDocument shipped(QStringLiteral("a\n"));
    EditorWindow::WindowEnvironment environment;
    environment.settings = &window.settings;
    environment.hosts = std::make_shared<EditorWindow::HostWindows>(window.router);
    DocumentWindowController standard(shipped, window.router, environment);
    EXPECT_NE(standard.service<EditorWindow::LineSelection>(), nullptr);
}

TEST(GoToLine, thePopupTakesTheLineAndCloses)
{
    Window window(QStringLiteral("one\ntwo\nthree"));
    window.controller->performAction("goToLine:", {});
    QFrame* popup = window.feature().goToLinePopover();
    ASSERT_NE(popup, nullptr);
    QLineEdit* field = window.feature().goToLineField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->placeholderText(), QStringLiteral("줄 또는 줄:칸"));
    EXPECT_EQ(field->width(), 180);
    auto labels = popup->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("1 ~ 3"));
    EXPECT_TRUE(popup->isVisible());

    QTest::keyClicks(field, QStringLiteral("2:2"));
    QTest::keyClick(field, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.caret(), 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.feature().goToLinePopover(); }, 2000));

    // Nothing to read: closes without moving.
    window.controller->performAction("goToLine:", {});
    field = window.feature().goToLineField();
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, QStringLiteral("abc"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.feature().goToLinePopover(); }, 2000));
    EXPECT_EQ(window.caret(), 5);

    // Escape only closes.
    window.controller->performAction("goToLine:", {});
    field = window.feature().goToLineField();
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, QStringLiteral("1"));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.feature().goToLinePopover(); }, 2000));
    EXPECT_EQ(window.caret(), 5);
}

TEST(GoToLine, theLabelOfAnEmptyDocumentReadsOneToOne)
{
    Window window{QString()};
    window.controller->performAction("goToLine:", {});
    ASSERT_NE(window.feature().goToLinePopover(), nullptr);
    auto labels = window.feature().goToLinePopover()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("1 ~ 1"));
}

TEST(CharacterInformation, linesOfScalarsBytesAndClass)
{
    using EditorCore::TextEncoding;
    struct Case
    {
        const char* name;
        std::u16string character;
        TextEncoding encoding;
        QStringList expected;
    };
    const Case cases[] = {
        {"a no-break space", u"\u00a0", TextEncoding::utf8,
         {"U+00A0  NO-BREAK SPACE", "UTF-8: C2 A0", QStringLiteral("⚠ 줄 안 바뀌는 공백")}},
        {"an emoji sequence is one character", u"\U0001F44D\U0001F3FD", TextEncoding::utf8,
         {"U+1F44D  THUMBS UP SIGN", "U+1F3FD  EMOJI MODIFIER FITZPATRICK TYPE-4",
          "UTF-8: F0 9F 91 8D F0 9F 8F BD"}},
        {"Shift_JIS cannot hold it", u"한", TextEncoding::shiftJIS,
         {"U+D55C  HANGUL SYLLABLE HAN", QStringLiteral("Shift_JIS: 이 인코딩으로 쓸 수 없음")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EditorCore::CharacterInfo info(c.character, c.encoding);
        EXPECT_EQ(EditorWindow::characterInfoLines(info, c.encoding), c.expected);
    }
}

TEST(CharacterInformation, thePopupShowsTheWholeClusterAtTheCaret)
{
    Window window(QString::fromUtf16(u"a\U0001F44D\U0001F3FD"));
    window.document->textEncoding = EditorCore::TextEncoding::utf8;
    // At the end of the text: the last character, all of its cluster.
    window.placeCaret(5);
    window.controller->textView()->setFocus();
    window.controller->performAction("showCharacterInfo:", {});
    QFrame* popup = window.feature().characterInfoPopover();
    ASSERT_NE(popup, nullptr);
    auto* character = popup->findChild<QLabel*>(QStringLiteral("character"));
    auto* lines = popup->findChild<QLabel*>(QStringLiteral("lines"));
    ASSERT_NE(character, nullptr);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(character->text(), QString::fromUtf16(u"\U0001F44D\U0001F3FD"));
    EXPECT_TRUE(lines->text().startsWith(QStringLiteral("U+1F44D  THUMBS UP SIGN\nU+1F3FD")));
    EXPECT_EQ(QApplication::focusWidget(), window.controller->textView()) << "the text keeps the keyboard";

    // Inside the pair: the same character.
    window.placeCaret(2);
    window.controller->performAction("showCharacterInfo:", {});
    popup = window.feature().characterInfoPopover();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->findChild<QLabel*>(QStringLiteral("character"))->text(),
              QString::fromUtf16(u"\U0001F44D\U0001F3FD"));
    // The next key in the text closes it.
    QTest::keyClick(window.controller->textView(), Qt::Key_Right);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.feature().characterInfoPopover(); }, 2000));
    EXPECT_EQ(window.beeps, 0);
}

TEST(CharacterInformation, anEmptyTextOnlyBeeps)
{
    Window window{QString()};
    window.controller->performAction("showCharacterInfo:", {});
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(window.feature().characterInfoPopover(), nullptr);
}

// The tool band and the menus reach the feature through the responder chain.
TEST(GoToLine, theCommandsAreAnsweredByTheWindow)
{
    Window window(QStringLiteral("x"));
    for (const char* action : {"goToLine:", "showCharacterInfo:"}) {
        SCOPED_TRACE(action);
        EXPECT_TRUE(window.controller->respondsToAction(action));
        EXPECT_TRUE(window.controller->validateAction(action, {}));
    }
}
