#include "app/window/StatusContent.h"

#include <gtest/gtest.h>

using EditorCore::IndentStyle;
using EditorCore::LineEnding;
using EditorCore::LineEndingSummary;
using EditorCore::LineIndex;
using EditorCore::TextEncoding;
using EditorWindow::StatusBarView;
namespace StatusContent = EditorWindow::StatusContent;

namespace {

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString lines(int count)
{
    QString text;
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("line %1 text\n").arg(i);
    return text;
}

} // namespace

TEST(StatusContent, positionCountsUserPerceivedCharacters)
{
    struct Case
    {
        const char* name;
        QString text;
        EditorCore::TextRange selection;
        QString expected;
    };
    const QString twelve = lines(11) + QStringLiteral("abcdefghij\n");
    const int line12 = static_cast<int>(lines(11).size());
    const Case cases[] = {
        {"start of the file", QStringLiteral("hello"), {0, 0}, QStringLiteral("1:1")},
        {"e with a combining accent on line 3",
         QStringLiteral("a\nb\ne\u0301x"),
         {6, 0},
         QStringLiteral("3:2")},
        {"a surrogate pair is one character",
         QStringLiteral("a\U0001F600b"),
         {3, 0},
         QStringLiteral("1:3")},
        {"three selected from line 12 column 5",
         twelve,
         {line12 + 4, 3},
         QStringLiteral("12:5 · 선택 3")},
        {"selection of a combining sequence counts one",
         QStringLiteral("e\u0301"),
         {0, 2},
         QStringLiteral("1:1 · 선택 1")},
        {"crlf is one break", QStringLiteral("ab\r\ncd"), {5, 0}, QStringLiteral("2:2")},
        {"caret at the end after a final break",
         QStringLiteral("ab\n"),
         {3, 0},
         QStringLiteral("2:1")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LineIndex index(view(c.text));
        EXPECT_EQ(StatusContent::positionText(c.text, index, c.selection).toStdString(),
                  c.expected.toStdString());
    }
}

TEST(StatusContent, staleIndexNeverGivesANegativeColumn)
{
    // The index lags one edit behind: it still describes a longer text.
    LineIndex stale(u"abcdef\nxyz\n");
    EXPECT_EQ(StatusContent::positionText(QStringLiteral("ab"), stale, {9, 0}),
              QStringLiteral("1:3"));
    EXPECT_EQ(StatusContent::positionText(QString(), stale, {5, 2}), QStringLiteral("1:1"));
}

TEST(StatusContent, fieldsFromTheDocumentAndTheWindow)
{
    struct Case
    {
        const char* name;
        std::function<void(StatusContent::Inputs&)> change;
        std::function<void(const StatusBarView::Content&)> check;
    };
    const Case cases[] = {
        {"UTF-16 LE with a mark and CRLF",
         [](auto& in) {
             in.encoding = TextEncoding::utf16LE;
             in.hasByteOrderMark = true;
             in.lineEndings = LineEndingSummary(u"a\r\nb\r\n");
         },
         [](const auto& out) {
             EXPECT_EQ(out.encoding, QStringLiteral("UTF-16 LE BOM"));
             EXPECT_EQ(out.lineEnding, QStringLiteral("CRLF"));
             EXPECT_FALSE(out.lineEndingWarning);
         }},
        {"CP949 has no mark",
         [](auto& in) { in.encoding = TextEncoding::cp949; },
         [](const auto& out) { EXPECT_EQ(out.encoding, QStringLiteral("CP949")); }},
        {"mixed endings",
         [](auto& in) { in.lineEndings = LineEndingSummary(u"a\nb\r\nc"); },
         [](const auto& out) {
             EXPECT_EQ(out.lineEnding, QStringLiteral("섞임"));
             EXPECT_TRUE(out.lineEndingWarning);
         }},
        {"no breaks shows what the window inserts",
         [](auto& in) {
             in.lineEndings = LineEndingSummary(u"one line");
             in.effectiveLineEnding = LineEnding::crlf;
         },
         [](const auto& out) {
             EXPECT_EQ(out.lineEnding, QStringLiteral("CRLF"));
             EXPECT_FALSE(out.lineEndingWarning);
         }},
        {"tabs of width 4",
         [](auto& in) { in.indentStyle = IndentStyle(true, 4); },
         [](const auto& out) { EXPECT_EQ(out.indentation, QStringLiteral("탭 4")); }},
        {"two spaces",
         [](auto& in) { in.indentStyle = IndentStyle(false, 2); },
         [](const auto& out) { EXPECT_EQ(out.indentation, QStringLiteral("공백 2")); }},
        {"too large to colour",
         [](auto& in) {
             in.languageName = QStringLiteral("Markdown");
             in.syntaxTooLarge = true;
         },
         [](const auto& out) {
             EXPECT_EQ(out.language, QStringLiteral("Markdown · 크기 때문에 색 끔"));
         }},
        {"no suspicious characters, no segment",
         [](auto& in) { in.suspiciousTotal = 0; },
         [](const auto& out) { EXPECT_FALSE(out.suspicious); }},
        {"suspicious characters counted",
         [](auto& in) { in.suspiciousTotal = 3; },
         [](const auto& out) { EXPECT_EQ(out.suspicious, QStringLiteral("수상한 글자 3")); }},
        {"read-only",
         [](auto& in) { in.editable = false; },
         [](const auto& out) { EXPECT_EQ(out.readOnly, QStringLiteral("읽기 전용")); }},
        {"untitled has no path",
         [](auto& in) { in.filePath.reset(); },
         [](const auto& out) {
             EXPECT_FALSE(out.path);
             EXPECT_FALSE(out.readOnly);
         }},
        {"home folder written ~",
         [](auto& in) {
             in.filePath = QStringLiteral("/home/me/notes/a.txt");
             in.homeFolder = QStringLiteral("/home/me");
         },
         [](const auto& out) { EXPECT_EQ(out.path, QStringLiteral("~/notes/a.txt")); }},
        {"a sibling of the home folder is not abbreviated",
         [](auto& in) {
             in.filePath = QStringLiteral("/home/meow/a.txt");
             in.homeFolder = QStringLiteral("/home/me/");
         },
         [](const auto& out) { EXPECT_EQ(out.path, QStringLiteral("/home/meow/a.txt")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusContent::Inputs inputs;
        inputs.text = EditorCore::ChunkedText(u"x").snapshot();
        inputs.languageName = QStringLiteral("일반 텍스트");
        c.change(inputs);
        c.check(StatusContent::compute(inputs));
    }
}
