// The close decision of a document's tab, with its questions answered by a script.
#include "app/documents/DocumentController.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorTextView.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "platform/PreferencesDomain.h"
#include "store/ScratchStore.h"
#include "store/Settings.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QInputMethodEvent>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using EditorDocuments::TextDocument;
using EditorWindow::TextDocumentWindow;

namespace {

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Answers every alert with the next scripted button and the save panel with `saveTo`.
struct ScriptedPresenter : EditorKit::Presenter
{
    std::vector<int> answers;
    std::vector<EditorKit::Alert> alerts;
    std::optional<std::filesystem::path> saveTo;
    int panels = 0;

    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert);
        if (answers.empty())
            return alert.cancelButton.value_or(0);
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        ++panels;
        return saveTo;
    }
};

// The password prompt, dismissed by the user.
struct DismissedPrompt : EditorDocuments::AdminWriter::PrivilegeRunner
{
    int runs = 0;
    EditorDocuments::AdminWriter::RunResult run(const std::vector<std::string>&) override
    {
        ++runs;
        EditorDocuments::AdminWriter::RunResult result;
        result.exitStatus = 126;
        return result;
    }
};

struct CloseFixture
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorDocuments::DocumentServices> services =
        std::make_shared<EditorDocuments::DocumentServices>();
    ScriptedPresenter presenter;
    std::shared_ptr<DismissedPrompt> prompt = std::make_shared<DismissedPrompt>();
    bool quitting = false;

    CloseFixture()
    {
        services->largeFileMB = [] { return std::int64_t(100); };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->isWritable = [](const std::filesystem::path&) { return true; };
        services->record = [](auto, auto, const auto&) {};
        services->scratchDirectory = folder / "scratch";
        services->privilegeRunner = prompt;
        std::filesystem::create_directory(folder / "admin-tmp");
        services->adminTemporaryBase = folder / "admin-tmp";
        services->isTerminating = [this] { return quitting; };
        services->chooseSaveLocation = [this](TextDocument& document) {
            return presenter.runSavePanel(nullptr, document.displayName());
        };
        services->makeWindowController = [this](TextDocument& document) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &settings;
            return std::make_unique<TextDocumentWindow>(document, router, environment);
        };
    }

    EditorStore::ScratchStore store() const
    {
        return EditorStore::ScratchStore(folder / "scratch");
    }

    EditorViews::EditorTextView& viewOf(TextDocument& document)
    {
        return *dynamic_cast<TextDocumentWindow&>(*document.editor()).controller().textView();
    }
    QWidget* pageOf(TextDocument& document)
    {
        return dynamic_cast<TextDocumentWindow&>(*document.editor()).controller().page();
    }

    void type(TextDocument& document, const QString& text)
    {
        auto& view = viewOf(document);
        view.setSelectedRange({static_cast<int>(view.text().size()), 0});
        view.insertText(text);
        QCoreApplication::processEvents();
    }

    enum class Kind { memo, admin, changed };
    std::unique_ptr<TextDocument> make(Kind kind)
    {
        auto document = std::make_unique<TextDocument>(services);
        if (kind != Kind::memo) {
            writeBytes(folder / "a.txt", "one\n");
            EXPECT_TRUE(document->readFromURL(folder / "a.txt").has_value());
        }
        document->makeWindowControllers();
        if (kind == Kind::admin) {
            document->setReadOnlyReason(EditorDocuments::ReadOnlyReason::noPermission);
            document->beginAdminEditing();
        }
        type(*document, QStringLiteral("mine"));
        if (kind == Kind::changed)
            writeBytes(folder / "a.txt", "theirs\n");
        return document;
    }

    bool close(TextDocument& document)
    {
        return EditorWindow::decideClose(document, presenter, pageOf(document));
    }
};

TEST(CloseDecision, sheetsShowTheirTextsAndButtons)
{
    struct Row
    {
        CloseFixture::Kind kind;
        QString text;
        QString informative;
        std::vector<QString> buttons;
    };
    const Row rows[] = {
        {CloseFixture::Kind::memo,
         QStringLiteral("이 메모를 어떻게 할까요?"),
         QStringLiteral("닫으면 보관 자리에서도 사라져요."),
         {QStringLiteral("파일로 저장…"), QStringLiteral("지우기"), QStringLiteral("취소")}},
        {CloseFixture::Kind::admin,
         QStringLiteral("「a.txt」 의 고친 것을 저장할까요?"),
         QStringLiteral(
             "관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요."),
         {QStringLiteral("저장…"), QStringLiteral("버리고 닫기"), QStringLiteral("취소")}},
        {CloseFixture::Kind::changed,
         QStringLiteral("「a.txt」 에 저장하지 못한 고침이 있어요"),
         QStringLiteral(
             "바깥에서 바뀌었거나 파일이 없어 저장을 멈췄어요. 닫으면 고친 것이 사라져요."),
         {QStringLiteral("다른 이름으로 저장…"),
          QStringLiteral("버리고 닫기"),
          QStringLiteral("취소")}},
    };
    for (const auto& row : rows) {
        CloseFixture f;
        auto document = f.make(row.kind);
        EXPECT_FALSE(f.close(*document));
        ASSERT_EQ(f.presenter.alerts.size(), 1u);
        const auto& alert = f.presenter.alerts[0];
        EXPECT_EQ(alert.text, row.text);
        EXPECT_EQ(alert.informativeText, row.informative);
        EXPECT_EQ(alert.buttons, row.buttons);
        EXPECT_EQ(alert.destructiveButton, 1);
        EXPECT_EQ(alert.cancelButton, 2);
    }

    // In Korean the administrator sheet says who asks for the password on Linux.
    ASSERT_TRUE(EditorKit::installTranslation(QStringLiteral("ko")));
    CloseFixture f;
    auto document = f.make(CloseFixture::Kind::admin);
    EXPECT_FALSE(f.close(*document));
    EditorKit::installTranslation(QString());
    ASSERT_EQ(f.presenter.alerts.size(), 1u);
    EXPECT_EQ(
        f.presenter.alerts[0].informativeText,
        QStringLiteral("관리자 파일이라 저절로 저장하지 않았어요. 저장하면 관리자 암호를 물어요."));
}

// Every answer of every sheet: whether the tab closes, and what is left of the edits.
TEST(CloseDecision, answersDecideWhatHappensToTheEdits)
{
    using Kind = CloseFixture::Kind;
    struct Row
    {
        Kind kind;
        int answer;
        bool panelSaves;
        bool closes;
        bool stillEdited;
        const char* file; // a.txt afterwards; null: not checked
    };
    const Row rows[] = {
        {Kind::memo, 0, true, true, false, nullptr},
        {Kind::memo, 0, false, false, true, nullptr},
        {Kind::memo, 1, false, true, true, nullptr},
        {Kind::memo, 2, false, false, true, nullptr},
        {Kind::memo, 7, false, false, true, nullptr},
        {Kind::admin, 0, false, false, true, "one\n"}, // the password prompt dismissed
        {Kind::admin, 1, false, true, false, "one\n"},
        {Kind::admin, 2, false, false, true, "one\n"},
        {Kind::changed, 0, true, true, false, "theirs\n"},
        {Kind::changed, 0, false, false, true, "theirs\n"},
        {Kind::changed, 1, false, true, false, "theirs\n"},
        {Kind::changed, 2, false, false, true, "theirs\n"},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(index++);
        CloseFixture f;
        auto document = f.make(row.kind);
        if (row.kind == Kind::memo) {
            ASSERT_TRUE(document->keepScratchText());
        }
        f.type(*document, QStringLiteral(" more"));
        f.presenter.answers = {row.answer};
        if (row.panelSaves)
            f.presenter.saveTo = f.folder / "saved.txt";
        EXPECT_EQ(f.close(*document), row.closes);
        EXPECT_EQ(document->isDocumentEdited(), row.stillEdited);
        EXPECT_EQ(f.presenter.panels, row.answer == 0 && row.kind != Kind::admin ? 1 : 0);
        if (row.panelSaves) {
            EXPECT_EQ(readBytes(f.folder / "saved.txt"),
                      row.kind == Kind::memo ? "mine more" : "one\nmine more");
        }
        if (row.file) {
            EXPECT_EQ(readBytes(f.folder / "a.txt"), row.file);
        }
        if (row.kind == Kind::admin) {
            EXPECT_EQ(f.prompt->runs, row.answer == 0 ? 1 : 0);
        }
        if (row.kind == Kind::memo) {
            // "지우기" and a saved file drop the kept copy; a cancel keeps it.
            const bool keptCopyGone = row.answer == 1 || row.panelSaves;
            EXPECT_EQ(f.store().list().empty(), keptCopyGone);
        }
    }
}

TEST(CloseDecision, quittingKeepsWhatCannotBeSavedWithoutAsking)
{
    using Kind = CloseFixture::Kind;
    for (Kind kind : {Kind::memo, Kind::admin, Kind::changed}) {
        CloseFixture f;
        f.quitting = true;
        auto document = f.make(kind);
        EXPECT_TRUE(f.close(*document));
        EXPECT_TRUE(f.presenter.alerts.empty());
        ASSERT_EQ(f.store().list().size(), 1u);
        const auto entry = f.store().list()[0];
        EXPECT_EQ(*f.store().readText(entry.id), kind == Kind::memo ? u"mine" : u"one\nmine");
        EXPECT_EQ(entry.meta->origin.has_value(), kind != Kind::memo);
        if (kind != Kind::memo) {
            EXPECT_EQ(readBytes(f.folder / "a.txt"), kind == Kind::admin ? "one\n" : "theirs\n");
        }
        EXPECT_EQ(f.prompt->runs, 0);
    }
}

TEST(CloseDecision, aFailedKeepKeepsTheTabOpen)
{
    using Kind = CloseFixture::Kind;
    for (Kind kind : {Kind::memo, Kind::changed}) {
        CloseFixture f;
        f.quitting = true;
        // A file where the keeping place's folder must be (every folder is writable as root).
        writeBytes(f.folder / "scratch", "in the way");
        auto document = f.make(kind);
        EXPECT_FALSE(f.close(*document));
        EXPECT_TRUE(document->isDocumentEdited());
        ASSERT_EQ(f.presenter.alerts.size(), 1u);
        EXPECT_EQ(f.presenter.alerts[0].style, EditorKit::Alert::Style::critical);
    }
    // Without a window for questions the same holds when not quitting.
    CloseFixture f;
    writeBytes(f.folder / "scratch", "in the way");
    auto document = f.make(Kind::changed);
    EXPECT_FALSE(EditorWindow::decideClose(*document, f.presenter, nullptr));
    EXPECT_TRUE(document->isDocumentEdited());
}

TEST(CloseDecision, plainCasesCloseAtOnce)
{
    CloseFixture f;
    // An empty memo closes and forgets its kept copy.
    auto memo = f.make(CloseFixture::Kind::memo);
    ASSERT_TRUE(memo->keepScratchText());
    f.viewOf(*memo).selectAll();
    f.viewOf(*memo).insertText(QString());
    EXPECT_TRUE(f.close(*memo));
    EXPECT_TRUE(f.store().list().empty());

    // An edited file that can be saved is saved in place.
    writeBytes(f.folder / "b.txt", "b\n");
    TextDocument file(f.services);
    ASSERT_TRUE(file.readFromURL(f.folder / "b.txt").has_value());
    file.makeWindowControllers();
    f.type(file, QStringLiteral("c"));
    EXPECT_TRUE(f.close(file));
    EXPECT_EQ(readBytes(f.folder / "b.txt"), "b\nc");

    // An external copy closes with its edits, nothing written or kept.
    auto copy = TextDocument::makeExternalCopy(file, QStringLiteral("outside"));
    copy->updateChangeCount(TextDocument::ChangeType::changeDone);
    EXPECT_TRUE(EditorWindow::decideClose(*copy, f.presenter, nullptr));
    EXPECT_TRUE(f.presenter.alerts.empty());
    EXPECT_TRUE(f.store().list().empty());
}

// Closing right after a save whose bytes are on disk but whose completion has not come back
// (the git message saved and closed at once): our own write is not someone else's change.
TEST(CloseDecision, aSaveInFlightIsWaitedForNotTakenForAnOutsideChange)
{
    CloseFixture f;
    writeBytes(f.folder / "COMMIT_EDITMSG", "\n# Please enter the commit message\n");
    TextDocument document(f.services);
    ASSERT_TRUE(document.readFromURL(f.folder / "COMMIT_EDITMSG").has_value());
    document.makeWindowControllers();
    f.type(document, QStringLiteral("Fix it"));
    ASSERT_TRUE(document.saveDocument());
    f.services->savingQueue->waitUntilIdle();
    const std::string saved = readBytes(f.folder / "COMMIT_EDITMSG");
    ASSERT_NE(saved.find("Fix it"), std::string::npos);
    EXPECT_TRUE(f.close(document));
    EXPECT_TRUE(f.presenter.alerts.empty()) << f.presenter.alerts.front().text.toStdString();
    EXPECT_EQ(readBytes(f.folder / "COMMIT_EDITMSG"), saved);
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST(CloseDecision, aRescueDuringCompositionKeepsTheComposedText)
{
    CloseFixture f;
    f.quitting = true;
    writeBytes(f.folder / "a.txt", "ab");
    TextDocument document(f.services);
    ASSERT_TRUE(document.readFromURL(f.folder / "a.txt").has_value());
    document.makeWindowControllers();
    f.type(document, QStringLiteral("c"));
    auto& view = f.viewOf(document);
    view.setSelectedRange({1, 0});
    QInputMethodEvent compose(QString::fromUtf16(u"하"), {});
    QApplication::sendEvent(&view, &compose);
    ASSERT_TRUE(view.hasMarkedText());

    EXPECT_TRUE(document.isSaveUnsafe()) << "the composition blocks saving";
    EXPECT_TRUE(f.close(document));
    ASSERT_EQ(f.store().list().size(), 1u);
    EXPECT_EQ(*f.store().readText(f.store().list()[0].id), u"a하bc");
    EXPECT_EQ(readBytes(f.folder / "a.txt"), "ab");
}

TEST(CloseDecision, failuresGoToTheBannerOrAnAlert)
{
    CloseFixture f;
    // The presenter the shipped wiring installs with the windows.
    auto presenter = std::make_shared<ScriptedPresenter>();
    EditorWindow::TextDocumentWindow::Installation installation;
    installation.router = &f.router;
    installation.presenter = presenter;
    EditorWindow::TextDocumentWindow::install(*f.services, installation);
    writeBytes(f.folder / "a.txt", "one\n");
    TextDocument document(f.services);
    ASSERT_TRUE(document.readFromURL(f.folder / "a.txt").has_value());
    document.makeWindowControllers();

    emit document.failureOccurred(std::make_error_code(std::errc::no_space_on_device));
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].style, EditorKit::Alert::Style::critical);

    emit document.failureOccurred(
        EditorCore::DocumentError::unencodable(EditorCore::TextEncoding::shiftJIS, {u"한"}));
    EXPECT_EQ(presenter->alerts.size(), 1u) << "no alert for characters the encoding lacks";
    auto& controller = dynamic_cast<TextDocumentWindow&>(*document.editor()).controller();
    EXPECT_NE(controller.banner(QStringLiteral("save.unencodable")), nullptr);
}

} // namespace

// A quit that the review stops leaves the application not quitting: closing an edited
// administrator file afterwards asks again instead of keeping the edits silently.
TEST(CloseDecision, aCancelledQuitEndsQuitting)
{
    CloseFixture f;
    EditorDocuments::DocumentController controller(f.services);
    f.services->isTerminating = [&controller] { return controller.isTerminating; };
    f.services->decideClose = [&f](TextDocument& document) { return f.close(document); };
    int quits = 0;
    controller.quitApplication = [&quits] { ++quits; };
    // The keeping place cannot be written, so the edits cannot be kept and the quit stops.
    writeBytes(f.folder / "scratch", "in the way");
    controller.addDocument(f.make(CloseFixture::Kind::admin));
    TextDocument* document = controller.documents().front();

    controller.terminate();
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(controller.isTerminating);
    ASSERT_TRUE(document->isDocumentEdited());
    ASSERT_EQ(f.presenter.alerts.size(), 1u);
    EXPECT_EQ(f.presenter.alerts[0].style, EditorKit::Alert::Style::critical);

    f.presenter.answers = {2};
    EXPECT_FALSE(f.close(*document));
    ASSERT_EQ(f.presenter.alerts.size(), 2u);
    EXPECT_EQ(f.presenter.alerts[1].text, QStringLiteral("「a.txt」 의 고친 것을 저장할까요?"));
    EXPECT_TRUE(document->isDocumentEdited());
}

// The kept texts reopened at launch come as the tabs of one new window, the first selected,
// also while another window is open.
TEST(CloseDecision, reopenedKeptTextsShareOneNewWindow)
{
    CloseFixture f;
    EditorStore::ScratchStore store = f.store();
    const auto start = std::chrono::system_clock::now();
    for (int i = 0; i < 3; ++i) {
        const std::u16string text = u"kept " + std::u16string(1, char16_t(u'1' + i));
        ASSERT_TRUE(store.save(Platform::Uuid::random(), text, start + std::chrono::seconds(i)));
    }
    TextDocumentWindow::Installation installation;
    installation.router = &f.router;
    installation.presenter = std::shared_ptr<EditorKit::Presenter>(&f.presenter, [](auto*) {});
    TextDocumentWindow::install(*f.services, installation);
    EditorDocuments::DocumentController controller(f.services);
    TextDocument* earlier = controller.makeUntitledDocument(true);
    EditorKit::HostWindow* earlierHost =
        dynamic_cast<TextDocumentWindow&>(*earlier->editor()).controller().hostWindow();
    ASSERT_NE(earlierHost, nullptr);

    const auto reopened = controller.reopenScratchDocuments();
    ASSERT_EQ(reopened.size(), 3u);
    EditorKit::HostWindow* host = nullptr;
    for (TextDocument* document : reopened) {
        auto* window = dynamic_cast<TextDocumentWindow*>(document->editor());
        ASSERT_NE(window, nullptr);
        if (!host)
            host = window->controller().hostWindow();
        EXPECT_EQ(window->controller().hostWindow(), host);
    }
    ASSERT_NE(host, nullptr);
    EXPECT_NE(host, earlierHost);
    EXPECT_EQ(host->pageCount(), 3);
    EXPECT_EQ(earlierHost->pageCount(), 1);
    EXPECT_EQ(host->currentPage(),
              dynamic_cast<TextDocumentWindow&>(*reopened[0]->editor()).controller().page());
    EXPECT_TRUE(host->isVisible());
    for (TextDocument* document : controller.documents())
        controller.removeDocument(document);
    QCoreApplication::processEvents();
}
