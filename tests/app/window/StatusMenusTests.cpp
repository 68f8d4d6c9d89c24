#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/features/GrammarCenter.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DisplayNames.h"
#include "app/window/formats/EncodingChooserSheet.h"
#include "app/window/formats/FormatMenusFeature.h"
#include "app/window/suspicious/SuspiciousMarksFeature.h"
#include "app/window/suspicious/SuspiciousScan.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "features/CodeLanguage.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/features/GrammarServer.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCollator>
#include <QCoreApplication>
#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

using EditorCore::LineEnding;
using EditorCore::SuspiciousKind;
using EditorCore::TextEncoding;
using EditorDocuments::TextDocument;
using EditorWindow::DocumentWindowController;
using EditorWindow::EncodingChooserSheet;
using EditorWindow::FormatMenusFeature;
using EditorWindow::SuspiciousMarksFeature;
using EditorWindow::SuspiciousScan;
using EditorWindow::TextDocumentWindow;

namespace {

// Answers alerts from a script; `during` runs while an alert is up (the user is still reading
// it), as another event of the window would.
class ScriptedPresenter : public EditorKit::Presenter
{
public:
    std::deque<int> answers;
    std::vector<EditorKit::Alert> asked;
    std::function<void()> during;

    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        asked.push_back(alert);
        if (during)
            during();
        if (answers.empty()) {
            ADD_FAILURE() << "an unexpected alert: " << alert.text.toStdString();
            return alert.cancelButton.value_or(0);
        }
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

// A file of the documents module in a window with the status menus and the suspicious count.
struct StatusMenus : ::testing::Test
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<ScriptedPresenter> presenter = std::make_shared<ScriptedPresenter>();
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::unique_ptr<TextDocument> document;

    StatusMenus()
    {
        services->largeFileMB = [] { return std::int64_t(100); };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->makeWindowController = [this](TextDocument& opened) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            environment.presenter = presenter;
            environment.features = [] {
                EditorWindow::WindowFeatureList features;
                features.push_back(std::make_unique<SuspiciousMarksFeature>());
                features.push_back(std::make_unique<FormatMenusFeature>());
                return features;
            };
            return std::make_unique<TextDocumentWindow>(opened, router, environment);
        };
    }
    ~StatusMenus() override
    {
        if (document)
            document->close();
    }

    std::filesystem::path write(const std::string& name, const std::string& bytes)
    {
        auto path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    DocumentWindowController& open(const std::string& bytes, const std::string& name = "file.txt")
    {
        document = std::make_unique<TextDocument>(services);
        EXPECT_TRUE(document->readFromURL(write(name, bytes)).has_value());
        document->makeWindowControllers();
        QCoreApplication::processEvents();
        settle();
        return window();
    }

    DocumentWindowController& window()
    {
        return dynamic_cast<TextDocumentWindow*>(document->editor())->controller();
    }
    FormatMenusFeature& menus() { return *window().feature<FormatMenusFeature>(); }
    SuspiciousMarksFeature& suspicious() { return *window().feature<SuspiciousMarksFeature>(); }
    QString text() { return window().textView()->text(); }
    QUndoStack& undo() { return *document->undoStack(); }

    // Lets the pending count run and come back.
    void settle()
    {
        QCoreApplication::processEvents();
        ASSERT_TRUE(waitFor([&] { return !suspicious().isCounting(); }));
    }
};

QStringList titles(const QMenu& menu)
{
    QStringList result;
    for (QAction* action : menu.actions())
        result << (action->isSeparator() ? QStringLiteral("—") : action->text());
    return result;
}

QAction* item(const QMenu& menu, const QString& title)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == title)
            return action;
    }
    ADD_FAILURE() << "no item " << title.toStdString();
    static QAction none(nullptr);
    return &none;
}

std::vector<std::uint8_t> bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

} // namespace

TEST_F(StatusMenus, theEncodingMenuListsThirteenToReopenAndFourteenToConvert)
{
    open("\xef\xbb\xbf"
         "abc");
    auto menu = menus().encodingMenu();
    ASSERT_GE(menu->actions().size(), 6);
    EXPECT_EQ(menu->actions()[0]->text(),
              QStringLiteral("지금: %1")
                  .arg(EditorWindow::DisplayNames::displayName(TextEncoding::utf8)));
    EXPECT_FALSE(menu->actions()[0]->isEnabled());

    QMenu* reopen = menu->actions()[1]->menu();
    QMenu* convert = menu->actions()[2]->menu();
    ASSERT_TRUE(reopen && convert);
    EXPECT_EQ(reopen->actions().size(), 13);
    EXPECT_EQ(convert->actions().size(), 14);
    const QString eucKR = EditorWindow::DisplayNames::displayName(TextEncoding::eucKR);
    EXPECT_FALSE(titles(*reopen).contains(eucKR));
    EXPECT_TRUE(titles(*convert).contains(eucKR));
    for (QMenu* submenu : {reopen, convert}) {
        for (QAction* action : submenu->actions())
            EXPECT_EQ(action->isChecked(),
                      action->text() == EditorWindow::DisplayNames::displayName(TextEncoding::utf8))
                << action->text().toStdString();
    }
    // UTF-8 with its mark: the mark item is on and may be turned off.
    QAction* mark = item(*menu, QStringLiteral("BOM 넣기"));
    EXPECT_TRUE(mark->isChecked());
    EXPECT_TRUE(mark->isEnabled());

    // CP949 has no mark to put in.
    menus().convertEncoding(TextEncoding::cp949);
    menu = menus().encodingMenu();
    mark = item(*menu, QStringLiteral("BOM 넣기"));
    EXPECT_FALSE(mark->isEnabled());
    EXPECT_FALSE(mark->isChecked());
}

TEST_F(StatusMenus, anUntitledTextCannotBeReopenedNorChosenFor)
{
    document = std::make_unique<TextDocument>(services);
    document->makeWindowControllers();
    QCoreApplication::processEvents();
    auto menu = menus().encodingMenu();
    EXPECT_FALSE(menu->actions()[1]->isEnabled());
    for (QAction* action : menu->actions()[1]->menu()->actions())
        EXPECT_FALSE(action->isEnabled());
    EXPECT_FALSE(item(*menu, QStringLiteral("인코딩 고르기 창…"))->isEnabled());
    EXPECT_TRUE(menu->actions()[2]->isEnabled());
}

TEST_F(StatusMenus, theLineEndingMenuShowsMixedCountsAndConvertsInOneUndoStep)
{
    open("a\r\nb\r\nc\nd\re");
    auto menu = menus().lineEndingMenu();
    EXPECT_EQ(titles(*menu),
              (QStringList{QStringLiteral("섞임 — LF 1 · CRLF 2 · CR 1"),
                           QStringLiteral("—"),
                           QStringLiteral("모두 LF 로"),
                           QStringLiteral("모두 CRLF 로"),
                           QStringLiteral("모두 CR 로")}));
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    for (int index = 2; index < 5; ++index) {
        EXPECT_FALSE(menu->actions()[index]->isChecked());
        EXPECT_TRUE(menu->actions()[index]->isEnabled());
    }

    menus().convertLineEndings(LineEnding::lf);
    EXPECT_EQ(text(), QStringLiteral("a\nb\nc\nd\ne"));
    EXPECT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(), QStringLiteral("줄끝 바꾸기"));
    menu = menus().lineEndingMenu();
    EXPECT_EQ(titles(*menu), (QStringList{"LF", "CRLF", "CR"}));
    EXPECT_TRUE(menu->actions()[0]->isChecked());

    // The ending already used: nothing replaced, no step.
    menus().convertLineEndings(LineEnding::lf);
    EXPECT_EQ(undo().count(), 1);

    undo().undo();
    EXPECT_EQ(text(), QStringLiteral("a\r\nb\r\nc\nd\re"));
    settle();
    EXPECT_TRUE(document->lineEndings().isMixed());
}

TEST_F(StatusMenus, aChosenEndingOfATextWithoutBreaksOutlivesTheNextCount)
{
    auto& controller = open("one line");
    menus().convertLineEndings(LineEnding::crlf);
    EXPECT_EQ(undo().count(), 0);
    EXPECT_EQ(controller.effectiveLineEnding(), LineEnding::crlf);

    // A keystroke, then the count that follows it.
    controller.textView()->setSelectedRange({8, 0});
    controller.textView()->insertText(QStringLiteral("!"));
    settle();
    EXPECT_EQ(document->lineEndings().total(), 0);
    EXPECT_EQ(controller.effectiveLineEnding(), LineEnding::crlf);
    controller.refreshNow();
    EXPECT_EQ(controller.statusBar()->content().lineEnding, QStringLiteral("CRLF"));
    EXPECT_TRUE(menus().lineEndingMenu()->actions()[1]->isChecked());

    controller.textView()->insertText(QStringLiteral("\n"));
    EXPECT_EQ(text(), QStringLiteral("one line!\r\n"));
}

TEST_F(StatusMenus, convertingTheEncodingSetsTheByteOrderMarkByTarget)
{
    struct Case
    {
        std::string bytes;
        TextEncoding target;
        bool mark;
    };
    const std::vector<Case> cases = {
        {"abc", TextEncoding::utf16LE, true},
        {"abc", TextEncoding::utf32BE, true},
        {"\xff\xfe"
         "a\0",
         TextEncoding::utf8,
         false},
        {"\xef\xbb\xbf"
         "abc",
         TextEncoding::utf8,
         true},
        {"abc", TextEncoding::utf8, false},
        {"\xef\xbb\xbf"
         "abc",
         TextEncoding::windows1252,
         false},
    };
    for (const auto& entry : cases) {
        open(std::string(entry.bytes.data(), entry.bytes.size()));
        menus().convertEncoding(entry.target);
        EXPECT_EQ(document->format().encoding, entry.target);
        EXPECT_EQ(document->format().hasByteOrderMark, entry.mark)
            << entry.bytes << " to " << EditorCore::rawValue(entry.target);
        document->close();
        document.reset();
    }
}

TEST_F(StatusMenus, aKoreanTextConvertsToCP949AsAFormatOnlyStep)
{
    open("가나다\n");
    menus().convertEncoding(TextEncoding::cp949);
    EXPECT_TRUE(presenter->asked.empty());
    EXPECT_EQ(text(), QStringLiteral("가나다\n"));
    EXPECT_EQ(document->format().encoding, TextEncoding::cp949);
    EXPECT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(), QStringLiteral("인코딩 바꾸기"));
    undo().undo();
    EXPECT_EQ(document->format().encoding, TextEncoding::utf8);
}

TEST_F(StatusMenus, unencodableCharactersAreRemovedWithTheEncodingChangeInOneStep)
{
    open("a가b가c나\n");
    presenter->answers = {0};
    menus().convertEncoding(TextEncoding::isoLatin1);
    ASSERT_EQ(presenter->asked.size(), 1u);
    EXPECT_EQ(presenter->asked[0].text,
              QStringLiteral("%1 로 쓸 수 없는 글자가 3개 있어요.")
                  .arg(EditorWindow::DisplayNames::displayName(TextEncoding::isoLatin1)));
    EXPECT_EQ(presenter->asked[0].informativeText,
              QStringLiteral("「가나」 — 지우고 바꾸거나 그대로 두세요."));
    EXPECT_EQ(text(), QStringLiteral("abc\n"));
    EXPECT_EQ(document->format().encoding, TextEncoding::isoLatin1);
    EXPECT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(), QStringLiteral("그 글자 지우고 바꾸기"));

    undo().undo();
    EXPECT_EQ(text(), QStringLiteral("a가b가c나\n"));
    EXPECT_EQ(document->format().encoding, TextEncoding::utf8);

    // "취소" changes nothing.
    presenter->answers = {1};
    menus().convertEncoding(TextEncoding::isoLatin1);
    EXPECT_EQ(text(), QStringLiteral("a가b가c나\n"));
    EXPECT_EQ(document->format().encoding, TextEncoding::utf8);
}

TEST_F(StatusMenus, theRemovalCleansTheTextAsItIsWhenTheAlertIsAnswered)
{
    open("가 a\n");
    // While the alert is up the whole text is replaced (a reload from disk), longer than before.
    presenter->during = [this] {
        window().replaceAllText(QStringLiteral("first 가 line\nsecond 나 line\n"));
    };
    presenter->answers = {0};
    menus().convertEncoding(TextEncoding::isoLatin1);
    EXPECT_EQ(text(), QStringLiteral("first  line\nsecond  line\n"));
    EXPECT_EQ(window().textView()->lineIndex().lineCount(), 3);
    EXPECT_EQ(document->format().encoding, TextEncoding::isoLatin1);
    undo().undo();
    EXPECT_EQ(text(), QStringLiteral("first 가 line\nsecond 나 line\n"));
}

TEST_F(StatusMenus, reopeningAsksOnlyWithUnsavedEditsAndAFailureKeepsTextAndFormat)
{
    // "가" in CP949.
    auto& controller = open("\xb0\xa1 x\n");
    const TextEncoding first = document->format().encoding;
    ASSERT_NE(first, TextEncoding::utf8);

    // Not a UTF-8 file: the failure is told and nothing changes.
    presenter->answers = {0};
    const QString before = text();
    menus().confirmDiscardAndReopen(TextEncoding::utf8);
    ASSERT_EQ(presenter->asked.size(), 1u);
    EXPECT_EQ(presenter->asked[0].text,
              QStringLiteral("이 파일은 %1 로 읽히지 않아요.")
                  .arg(EditorWindow::DisplayNames::displayName(TextEncoding::utf8)));
    EXPECT_EQ(presenter->asked[0].informativeText, QStringLiteral("다른 인코딩을 골라 보세요."));
    EXPECT_EQ(text(), before);
    EXPECT_EQ(document->format().encoding, first);

    // Unedited: reopened at once.
    menus().confirmDiscardAndReopen(TextEncoding::isoLatin1);
    EXPECT_EQ(presenter->asked.size(), 1u);
    EXPECT_EQ(text(), QStringLiteral("\u00b0\u00a1 x\n"));
    EXPECT_EQ(document->format().encoding, TextEncoding::isoLatin1);

    // Edited: asked first; "취소" keeps the edit, the first button reopens.
    controller.textView()->setSelectedRange({0, 0});
    controller.textView()->insertText(QStringLiteral("z"));
    presenter->answers = {1};
    menus().confirmDiscardAndReopen(TextEncoding::cp949);
    ASSERT_EQ(presenter->asked.size(), 2u);
    EXPECT_EQ(presenter->asked[1].text, QStringLiteral("저장 안 된 고침이 있어요."));
    EXPECT_EQ(presenter->asked[1].destructiveButton, std::optional<int>(0))
        << "discarding the edits is marked as such";
    EXPECT_TRUE(text().startsWith(QLatin1Char('z')));
    presenter->answers = {0};
    menus().confirmDiscardAndReopen(TextEncoding::cp949);
    EXPECT_EQ(text(), QStringLiteral("가 x\n"));
    EXPECT_EQ(document->format().encoding, TextEncoding::cp949);
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(StatusMenus, theIndentationMenuMarksTheStyleAndRewritesIndentation)
{
    open("a\n    b\n        c\n");
    auto menu = menus().indentationMenu();
    EXPECT_EQ(titles(*menu),
              (QStringList{"탭 문자",
                           "공백 2칸",
                           "공백 4칸",
                           "공백 8칸",
                           "—",
                           "파일에 맞춤",
                           "들여쓰기를 모두 탭으로",
                           "들여쓰기를 모두 공백으로"}));
    EXPECT_EQ(menu->actions()[2]->isChecked(), true);
    EXPECT_FALSE(menu->actions()[0]->isChecked());

    menus().convertIndentation(true);
    EXPECT_EQ(text(), QStringLiteral("a\n\tb\n\t\tc\n"));
    EXPECT_EQ(undo().undoText(), QStringLiteral("들여쓰기 바꾸기"));
    menu = menus().indentationMenu();
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    EXPECT_FALSE(menu->actions()[2]->isChecked());
}

TEST_F(StatusMenus, theLanguageMenuPutsPlainTextFirstAndSortsTheRest)
{
    open("x", "notes.md");
    auto menu = menus().languageMenu();
    const auto actions = menu->actions();
    const auto languageItems = 2 + static_cast<qsizetype>(EditorFeatures::allCodeLanguages.size());
    // Markdown has no grammar here: a separator and its download come after the languages.
    ASSERT_EQ(actions.size(), languageItems + 2);
    EXPECT_TRUE(actions[languageItems]->isSeparator());
    EXPECT_EQ(actions.back()->text(), QStringLiteral("「Markdown」 색칠 문법 받기"));
    EXPECT_TRUE(actions[0]->text().startsWith(QStringLiteral("자동 (")));
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_EQ(
        actions[2]->text(),
        EditorKit::localized(EditorFeatures::displayName(EditorFeatures::CodeLanguage::plainText)));
    // The file browser's order: numbers by value, case and accents second.
    QCollator collator;
    collator.setNumericMode(true);
    for (qsizetype index = 4; index < languageItems; ++index)
        EXPECT_LE(collator.compare(actions[index - 1]->text(), actions[index]->text()), 0)
            << actions[index - 1]->text().toStdString() << " / "
            << actions[index]->text().toStdString();

    actions[5]->trigger();
    ASSERT_TRUE(window().languageChoice().has_value());
    EXPECT_TRUE(menus().languageMenu()->actions()[5]->isChecked());
}

TEST(EncodingChooser, offersTheCandidatesThenTheCommonEncodingsWithoutEucKR)
{
    EXPECT_EQ(FormatMenusFeature::chooserOffer({TextEncoding::cp949, TextEncoding::eucKR},
                                               TextEncoding::cp949),
              (std::vector<TextEncoding>{TextEncoding::cp949,
                                         TextEncoding::utf8,
                                         TextEncoding::shiftJIS,
                                         TextEncoding::eucJP,
                                         TextEncoding::gb18030,
                                         TextEncoding::big5}));
    EXPECT_EQ(FormatMenusFeature::chooserOffer({}, TextEncoding::macRoman).front(),
              TextEncoding::macRoman);
}

TEST(EncodingChooser, previewsTheFirstThreeLinesOfTheSample)
{
    struct Case
    {
        std::string bytes;
        TextEncoding encoding;
        QString preview;
    };
    const std::vector<Case> cases = {
        // The mark is dropped, not shown as a stray character.
        {std::string("\xff\xfe"
                     "a\0b\0",
                     6),
         TextEncoding::utf16LE,
         QStringLiteral("ab")},
        // A cut three-byte character at the end is forgiven.
        {"ab\xea\xb0\x80\xea\xb0", TextEncoding::utf8, QStringLiteral("ab가")},
        // CR and LF each split: an empty piece between the lines.
        {"one\r\ntwo\r\nthree", TextEncoding::utf8, QStringLiteral("one\n\ntwo")},
        {"single", TextEncoding::utf8, QStringLiteral("single")},
        {"\xff\xfe\xfd", TextEncoding::utf8, QStringLiteral("(이 인코딩으로는 읽히지 않아요)")},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(EncodingChooserSheet::previewText(bytes(entry.bytes), entry.encoding),
                  entry.preview)
            << entry.bytes;
}

TEST(EncodingChooser, answersOnceAndNoneWithoutAChoice)
{
    const auto data = bytes("abc");
    std::vector<std::optional<TextEncoding>> answers;
    EncodingChooserSheet sheet(
        data, {TextEncoding::utf8, TextEncoding::cp949}, TextEncoding::cp949, TextEncoding::cp949);
    EXPECT_TRUE(sheet.choices()[1].second->isChecked());
    EXPECT_TRUE(sheet.choices()[1].second->text().endsWith(QStringLiteral(" — 판별이 고른 것")));
    sheet.onChoose = [&answers](std::optional<TextEncoding> answer) { answers.push_back(answer); };
    sheet.choices()[0].second->setChecked(true);
    EXPECT_FALSE(sheet.choices()[1].second->isChecked());
    sheet.choose();
    sheet.choose();
    EXPECT_EQ(answers, (std::vector<std::optional<TextEncoding>>{TextEncoding::utf8}));

    EncodingChooserSheet none(data, {TextEncoding::utf8}, std::nullopt, std::nullopt);
    none.onChoose = [&answers](std::optional<TextEncoding> answer) { answers.push_back(answer); };
    none.choose();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1], std::nullopt);
}

TEST(EncodingChooser, previewsUseTheEditorsFontFromTheSettings)
{
    const auto data = bytes("abc");
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QStringLiteral("DejaVu Sans Mono");
    fonts.fontSize = 20.0;
    EncodingChooserSheet sheet(
        data, {TextEncoding::utf8}, std::nullopt, std::nullopt, nullptr, fonts);
    const QFont expected = EditorViews::editorFont(std::nullopt, std::nullopt, 0.9, fonts);
    EXPECT_EQ(sheet.previewFont(), expected);
    EXPECT_EQ(sheet.previewFont().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_NE(sheet.previewFont(), EditorViews::editorFont(std::nullopt, std::nullopt, 0.9));
}

TEST_F(StatusMenus, theChooserReadsOnlyTheStartOfAHugeFile)
{
    open("first\nsecond\n");
    // The file grows to a terabyte on disk (sparse): reading it whole cannot work.
    std::filesystem::resize_file(folder / "file.txt", std::uintmax_t(1) << 40);
    menus().presentEncodingChooser();
    ASSERT_NE(menus().activeSheet(), nullptr);
    EncodingChooserSheet& sheet = *menus().activeSheet();
    EXPECT_EQ(sheet.choices().front().first, TextEncoding::utf8);
    EXPECT_TRUE(sheet.choices().front().second->isChecked());
    // "취소": nothing else happens.
    sheet.cancel();
    QCoreApplication::processEvents();
    EXPECT_EQ(menus().activeSheet(), nullptr);
    EXPECT_EQ(text(), QStringLiteral("first\nsecond\n"));
}

TEST_F(StatusMenus, theChooserReopensInThePickedEncoding)
{
    open("\xb0\xa1\n");
    menus().presentEncodingChooser();
    ASSERT_NE(menus().activeSheet(), nullptr);
    for (const auto& [encoding, button] : menus().activeSheet()->choices())
        button->setChecked(encoding == TextEncoding::cp949);
    menus().activeSheet()->choose();
    EXPECT_EQ(text(), QStringLiteral("가\n"));
    EXPECT_EQ(document->format().guess->source, EditorCore::EncodingSource::userChoice);
}

// MARK: suspicious characters

TEST_F(StatusMenus, theCountIsExactWhileTheListStopsAtItsLimit)
{
    std::string spaces;
    for (int index = 0; index < 10'001; ++index)
        spaces += "\xc2\xa0";
    open(spaces);
    ASSERT_TRUE(waitFor([this] { return suspicious().report().total() == 10'001; }));
    EXPECT_EQ(suspicious().report().occurrences.size(), 10'000u);
    auto menu = suspicious().suspiciousMenu();
    EXPECT_EQ(menu->actions()[0]->text(),
              EditorWindow::DisplayNames::displayName(SuspiciousKind::noBreakSpace)
                  + QStringLiteral(" 10001"));
}

TEST_F(StatusMenus, steppingGoesToTheNextAtOrAfterTheSelectionEndAndWraps)
{
    // NBSP at 1, ZWSP at 3, NBSP at 5.
    auto& controller = open("a\xc2\xa0"
                            "b\xe2\x80\x8b"
                            "c\xc2\xa0"
                            "d");
    ASSERT_TRUE(waitFor([this] { return suspicious().report().total() == 3; }));
    auto* textView = controller.textView();
    struct Step
    {
        EditorViews::TextRange from;
        std::optional<SuspiciousKind> kind;
        std::int64_t to;
    };
    const std::vector<Step> steps = {
        {{0, 0}, std::nullopt, 1},
        {{1, 1}, std::nullopt, 3}, // covering one: the next after it
        {{1, 0}, std::nullopt, 1}, // at the caret counts
        {{4, 0}, SuspiciousKind::noBreakSpace, 5},
        {{6, 0}, std::nullopt, 1}, // after the last: wraps
        {{6, 0}, SuspiciousKind::zeroWidth, 3},
    };
    for (const auto& step : steps) {
        textView->setSelectedRange(step.from);
        suspicious().selectNextSuspicious(step.kind);
        EXPECT_EQ(textView->selectedRange().location, step.to) << step.from.location;
        EXPECT_EQ(textView->selectedRange().length, 1);
        // The step is shown with the view's brief indicator, not with the find state.
        ASSERT_TRUE(textView->indicatorRange());
        EXPECT_EQ(textView->indicatorRange()->location, step.to);
        EXPECT_EQ(textView->indicatorRange()->length, 1);
        EXPECT_FALSE(textView->display().currentMatch);
    }
    // A kind that does not occur: silently nothing.
    textView->setSelectedRange({2, 0});
    suspicious().selectNextSuspicious(SuspiciousKind::bidiControl);
    EXPECT_EQ(textView->selectedRange().location, 2);
}

TEST_F(StatusMenus, normalisingMakesOneStepAndKeepsReplacementCharacters)
{
    open("a\xc2\xa0"
         "b\xc2\xad"
         "c");
    ASSERT_TRUE(waitFor([this] { return suspicious().report().total() == 2; }));
    EXPECT_TRUE(
        item(*suspicious().suspiciousMenu(), QStringLiteral("모두 보통 글자로"))->isEnabled());
    suspicious().normalizeSuspicious();
    EXPECT_EQ(text(), QStringLiteral("a bc"));
    EXPECT_EQ(undo().count(), 1);
    EXPECT_EQ(undo().undoText(), QStringLiteral("모두 보통 글자로"));
    ASSERT_TRUE(waitFor([this] { return suspicious().report().total() == 0; }));

    // An unchanged result makes no step.
    suspicious().normalizeSuspicious();
    EXPECT_EQ(undo().count(), 1);
}

TEST_F(StatusMenus, onlyReplacementCharactersLeaveNothingToNormalise)
{
    open("x\xef\xbf\xbdy");
    ASSERT_TRUE(waitFor([this] { return suspicious().report().total() == 1; }));
    auto menu = suspicious().suspiciousMenu();
    EXPECT_FALSE(item(*menu, QStringLiteral("모두 보통 글자로"))->isEnabled());
    EXPECT_FALSE(
        item(*menu, QStringLiteral("깨진 글자는 바꾸지 않아요 — 다른 인코딩으로 다시 열어 보세요"))
            ->isEnabled());
    suspicious().normalizeSuspicious();
    EXPECT_EQ(undo().count(), 0);
}

TEST_F(StatusMenus, aLineSeparatorBecomesTheDocumentsEnding)
{
    open("a\r\nb\xe2\x80\xa8"
         "c");
    ASSERT_TRUE(waitFor([this] { return suspicious().report().total() == 1; }));
    suspicious().normalizeSuspicious();
    EXPECT_EQ(text(), QStringLiteral("a\r\nb\r\nc"));
}

TEST(SuspiciousScanTests, aCountOfATextEditedSinceItsCopyIsDropped)
{
    std::uint64_t version = 1;
    QString text = QStringLiteral("a\u00a0b");
    std::vector<std::int64_t> applied;
    bool editDuringCount = true;
    int copies = 0;
    SuspiciousScan scan(
        [&]() -> std::pair<EditorCore::TextSnapshot, std::uint64_t> {
            ++copies;
            auto copy = std::make_pair(
                EditorCore::ChunkedText(
                    std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                        static_cast<std::size_t>(text.size())))
                    .snapshot(),
                version);
            if (editDuringCount) {
                // An edit lands right after the copy was taken.
                text += QChar(0x00a0);
                ++version;
            }
            return copy;
        },
        [&] { return version; },
        [&](SuspiciousScan::Result result) { applied.push_back(result.report.total()); });
    scan.schedule(std::chrono::milliseconds(0));
    // The count came back for a text edited since its copy.
    ASSERT_TRUE(waitFor([&] { return copies >= 1 && !scan.isCounting(); }));
    EXPECT_TRUE(applied.empty());

    // The count that edit scheduled applies.
    editDuringCount = false;
    scan.schedule(std::chrono::milliseconds(0));
    ASSERT_TRUE(waitFor([&] { return !applied.empty(); }));
    EXPECT_EQ(applied, (std::vector<std::int64_t>{2}));
}

TEST_F(StatusMenus, theCountRefreshesTheLineEndingSummaryAfterTyping)
{
    auto& controller = open("a\nb");
    controller.textView()->setSelectedRange({3, 0});
    controller.textView()->insertText(QStringLiteral("\n"));
    controller.textView()->insertText(QStringLiteral("\u00a0"));
    // Nothing before the pause.
    EXPECT_EQ(controller.feature<SuspiciousMarksFeature>()->report().total(), 0);
    ASSERT_TRUE(waitFor(
        [&] { return controller.feature<SuspiciousMarksFeature>()->report().total() == 1; }));
    EXPECT_EQ(document->lineEndings().lf, 2);
}

TEST_F(StatusMenus, theLanguageMenuDownloadsTheGrammarOfALanguageWithoutOne)
{
    GrammarTest::GrammarServer server;
    server.publish({GrammarTest::Package{"python", {"python"}}});
    auto previous = AppFeatures::GrammarCenter::replaceShared(
        std::make_unique<AppFeatures::GrammarCenter>(server.store(), [](auto...) {}));
    auto& center = AppFeatures::GrammarCenter::shared();

    open("{}", "data.json");
    EXPECT_FALSE(menus().languageMenu()->actions().back()->isSeparator());
    EXPECT_FALSE(menus().languageMenu()->actions().back()->text().contains("색칠 문법 받기"))
        << "JSON is built in";

    window().setLanguageChoice(EditorFeatures::CodeLanguage::python);
    auto menu = menus().languageMenu();
    ASSERT_EQ(menu->actions().back()->text(), QStringLiteral("「Python」 색칠 문법 받기"));
    menu->actions().back()->trigger();
    EXPECT_EQ(center.phase(EditorFeatures::CodeLanguage::python).kind,
              AppFeatures::GrammarCenter::Phase::Kind::downloading);
    for (int round = 0; round < 4; ++round) {
        center.waitForBackgroundWork();
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(center.grammar(EditorFeatures::CodeLanguage::python));
    EXPECT_FALSE(menus().languageMenu()->actions().back()->text().contains("색칠 문법 받기"));
    AppFeatures::GrammarCenter::replaceShared(std::move(previous));
}

// MARK: the interface's language

namespace {

bool hasHangul(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x1100 && u <= 0x11FF)
            || (u >= 0x3130 && u <= 0x318F))
            return true;
    }
    return false;
}

// Every item text of a menu and its child menus, each opened as the user would.
void collect(QMenu& menu, QStringList& texts)
{
    emit menu.aboutToShow();
    for (QAction* action : menu.actions()) {
        texts << action->text() << action->toolTip();
        if (action->menu())
            collect(*action->menu(), texts);
    }
}

} // namespace

TEST_F(StatusMenus, inEnglishTheMenusTheChooserAndTheQuestionShowNoKorean)
{
    ASSERT_TRUE(EditorKit::installTranslation(QStringLiteral("en")));
    // Mixed line endings, an invisible character and a character Latin-1 cannot hold; the
    // file's own text has no Hangul, so any on screen is the interface's.
    open("a\xe6\xbc\xa2" "b\r\nc\xe2\x80\x8b\n\tc\n");
    QStringList texts;
    collect(*menus().encodingMenu(), texts);
    collect(*menus().lineEndingMenu(), texts);
    collect(*menus().indentationMenu(), texts);
    collect(*menus().languageMenu(), texts);
    collect(*suspicious().suspiciousMenu(), texts);
    EXPECT_GT(texts.size(), 40);
    EXPECT_TRUE(texts.contains(QStringLiteral("Reopen with Encoding"))) << texts.join('|').toStdString();

    menus().presentEncodingChooser();
    ASSERT_NE(menus().activeSheet(), nullptr);
    QWidget* sheet = menus().activeSheet();
    texts << sheet->windowTitle();
    for (QLabel* label : sheet->findChildren<QLabel*>())
        texts << label->text();
    for (QAbstractButton* button : sheet->findChildren<QAbstractButton*>())
        texts << button->text();
    static_cast<QDialog*>(menus().activeSheet())->reject();

    presenter->answers = {1};
    menus().convertEncoding(TextEncoding::isoLatin1);
    ASSERT_EQ(presenter->asked.size(), 1u);
    const EditorKit::Alert& question = presenter->asked[0];
    texts << question.text << question.informativeText;
    for (const QString& button : question.buttons)
        texts << button;
    EXPECT_EQ(question.text,
              QStringLiteral("2 characters cannot be written in %1.") // 漢 and U+200B
                  .arg(EditorWindow::DisplayNames::displayName(TextEncoding::isoLatin1)));

    QStringList korean;
    for (const QString& text : texts) {
        if (hasHangul(text))
            korean << text;
    }
    EditorKit::installTranslation(QString()); // back to the keys, as the other tests expect
    EXPECT_TRUE(korean.isEmpty()) << korean.join('\n').toStdString();
}
