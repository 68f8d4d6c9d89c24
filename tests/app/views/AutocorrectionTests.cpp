#include "ViewTestSupport.h"
#include "app/views/SpellChecker.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace EditorViews;
using ViewTest::ViewFixture;

namespace {

void type(EditorTextView& view, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&view, &press);
    }
}

EditorTextView::Autocorrection all()
{
    return {true, true, true};
}

} // namespace

TEST(Autocorrection, quotesAndDashesAreSubstitutedAsTyped)
{
    struct Case
    {
        const char* name;
        QString before;
        QString typed;
        QString expected;
    };
    const Case cases[] = {
        {"double quotes around a word", "", "\"hi\"", QString::fromUtf16(u"\u201Chi\u201D")},
        {"apostrophe inside a word", "", "it's", QString::fromUtf16(u"it\u2019s")},
        {"single quotes after a space", "say ", "'x'", QString::fromUtf16(u"say \u2018x\u2019")},
        {"opening after a bracket", "(", "\"", QString::fromUtf16(u"(\u201C")},
        {"two hyphens", "a", "--b", QString::fromUtf16(u"a\u2014b")},
        {"a single hyphen stays", "", "a-b", "a-b"},
        {"three hyphens: only the first two", "", "---", QString::fromUtf16(u"\u2014-")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewFixture f(c.before);
        f.view->setSelectedRange({static_cast<int>(c.before.size()), 0});
        f.view->setAutocorrection(all());
        type(*f.view, c.typed);
        EXPECT_EQ(f.view->text(), c.expected);
    }
}

TEST(Autocorrection, offLeavesTypingAndCallsFromCodeAlone)
{
    ViewFixture f("");
    type(*f.view, "\"a\" --");
    EXPECT_EQ(f.view->text(), "\"a\" --");
    // Text inserted by the program is never substituted.
    ViewFixture on("");
    on.view->setAutocorrection(all());
    on.view->insertText("\"x\"--");
    EXPECT_EQ(on.view->text(), "\"x\"--");
}

TEST(Autocorrection, aSubstitutionIsPartOfTheTypingsUndoStep)
{
    ViewFixture f("start ");
    f.view->setSelectedRange({6, 0});
    f.view->setAutocorrection(all());
    type(*f.view, "a--b \"c\"");
    EXPECT_EQ(f.view->text(), QString::fromUtf16(u"start a\u2014b \u201Cc\u201D"));
    f.view->undo();
    EXPECT_EQ(f.view->text(), "start ") << "one undo takes back the typing with its dash";
    f.view->redo();
    EXPECT_EQ(f.view->text(), QString::fromUtf16(u"start a\u2014b \u201Cc\u201D"));
    EXPECT_EQ(f.view->selectedRange(), (TextRange{f.view->text().size(), 0}));
}

TEST(Autocorrection, theMenuCommandsToggleTheViewsSwitches)
{
    ViewFixture f("");
    ASSERT_TRUE(f.view->respondsToSelector("toggleAutomaticQuoteSubstitution:"));
    ASSERT_TRUE(f.view->validateMenuItem("toggleContinuousSpellChecking:"));
    f.view->doCommandBySelector("toggleAutomaticQuoteSubstitution:");
    f.view->doCommandBySelector("toggleAutomaticDashSubstitution:");
    f.view->doCommandBySelector("toggleContinuousSpellChecking:");
    EXPECT_EQ(f.view->autocorrection(), all());
    type(*f.view, "\"");
    EXPECT_EQ(f.view->text(), QString::fromUtf16(u"\u201C"));
    f.view->doCommandBySelector("toggleAutomaticQuoteSubstitution:");
    EXPECT_FALSE(f.view->autocorrection().quotes);
}

TEST(SpellChecker, marksOnlyWordsOfItsDictionariesScript)
{
    SpellChecker checker({"en_US"});
    if (checker.isEmpty())
        GTEST_SKIP() << "no en_US dictionary installed (setup.sh installs hunspell-en-us)";
    EXPECT_EQ(checker.dictionaries(), QStringList{"en_US"});
    const QString text = QString::fromUtf16(u"The quikc fox, 한국어 낱말, don't x2y teh_var wrld.");
    std::vector<QString> marked;
    for (const auto& range : checker.misspelledWords(text))
        marked.push_back(text.mid(range.location, range.length));
    EXPECT_EQ(marked, (std::vector<QString>{"quikc", "wrld"}));
    // A language without an installed dictionary gives none.
    SpellChecker none({"xx_YY"});
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(none.misspelledWords(text).empty());
}

TEST(Autocorrection, misspelledWordsAreUnderlinedNeverChanged)
{
    auto checker = std::make_shared<SpellChecker>(QStringList{"en_US"});
    if (checker->isEmpty())
        GTEST_SKIP() << "no en_US dictionary installed (setup.sh installs hunspell-en-us)";
    ViewFixture f("good wrng word\nnext");
    f.view->setSpellChecker(checker);
    auto redIn = [&](const QImage& image, const QString& prefix, const QString& word) {
        const QFontMetricsF metrics(f.view->editorFont());
        const int left =
            static_cast<int>(EditorTextView::horizontalInset + metrics.horizontalAdvance(prefix));
        const int right = left + static_cast<int>(metrics.horizontalAdvance(word));
        const auto paragraph = f.view->visibleParagraphs().front();
        int count = 0;
        for (int y = static_cast<int>(paragraph.top);
             y < static_cast<int>(paragraph.top + f.view->lineHeight());
             ++y) {
            for (int x = left; x < right; ++x) {
                QRgb p = image.pixel(x, y);
                count += qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60 ? 1 : 0;
            }
        }
        return count;
    };
    f.view->setSelectedRange({20, 0});
    EXPECT_EQ(redIn(f.grab(), "good ", "wrng"), 0) << "off: nothing drawn";
    f.view->setAutocorrection({true, false, false});
    const QImage image = f.grab();
    EXPECT_GT(redIn(image, "good ", "wrng"), 3);
    EXPECT_EQ(redIn(image, "", "good"), 0);
    EXPECT_EQ(redIn(image, "good wrng ", "word"), 0);
    EXPECT_EQ(f.view->text(), "good wrng word\nnext");
    // The word being typed at the caret waits.
    f.view->setSelectedRange({9, 0});
    EXPECT_EQ(redIn(f.grab(), "good ", "wrng"), 0);
}
