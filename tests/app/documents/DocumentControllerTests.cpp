#include "app/documents/DocumentController.h"
#include "app/kit/ActionRouter.h"
#include "store/ScratchStore.h"
#include "tests/app/documents/DocumentFixture.h"

#include <QCoreApplication>

#include <map>

using namespace EditorDocuments;

TEST_F(DocumentTest, controllerOpensEachFileOnceByItsResolvedPath)
{
    std::filesystem::create_directory(folder / "docs");
    writeBytes(folder / "docs" / "real.txt", "text\n");
    std::filesystem::create_symlink("docs/real.txt", folder / "link.txt");

    DocumentController controller(services);
    std::set<std::filesystem::path> seenWhileOpening;
    services->isWritable = [&](const std::filesystem::path&) {
        seenWhileOpening = controller.openingPaths();
        return true;
    };

    TextDocument* first = nullptr;
    controller.openDocumentWithContentsOfURL(folder / "link.txt",
                                             true,
                                             [&](TextDocument* document,
                                                 bool alreadyOpen,
                                                 const std::optional<DocumentFailure>& failure) {
                                                 first = document;
                                                 EXPECT_FALSE(alreadyOpen);
                                                 EXPECT_FALSE(failure.has_value());
                                             });
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(
        seenWhileOpening,
        std::set<std::filesystem::path>{std::filesystem::canonical(folder / "docs" / "real.txt")});
    EXPECT_TRUE(controller.openingPaths().empty());
    EXPECT_EQ(first->fileURL(), folder / "link.txt") << "opened as given";
    EXPECT_NE(first->editor(), nullptr);

    controller.openURL(
        folder / "docs" / "real.txt",
        false,
        [&](TextDocument* document, bool alreadyOpen, const std::optional<DocumentFailure>&) {
            EXPECT_EQ(document, first);
            EXPECT_TRUE(alreadyOpen);
        });
    EXPECT_EQ(controller.documents().size(), 1u);

    controller.openReadOnly(folder / "link.txt", true);
    EXPECT_EQ(first->readOnlyReason(), ReadOnlyReason::userChose);

    std::optional<DocumentFailure> missing;
    controller.openURL(
        folder / "missing.txt",
        false,
        [&](TextDocument* document, bool, const std::optional<DocumentFailure>& failure) {
            EXPECT_EQ(document, nullptr);
            missing = failure;
        });
    EXPECT_TRUE(missing.has_value());
    EXPECT_TRUE(controller.openingPaths().empty());
}

TEST_F(DocumentTest, controllerHandsFoldersOnAsCancelled)
{
    DocumentController controller(services);
    std::filesystem::path opened;
    controller.openFolder = [&](const std::filesystem::path& p) { opened = p; };
    std::optional<DocumentFailure> result;
    controller.openURL(
        folder.path(), true, [&](TextDocument*, bool, const std::optional<DocumentFailure>& f) {
            result = f;
        });
    EXPECT_EQ(opened, folder.path());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(std::get<std::error_code>(*result),
              std::make_error_code(std::errc::operation_canceled));
    EXPECT_TRUE(controller.documents().empty());

    auto* untitled = controller.makeUntitledDocument(true);
    EXPECT_EQ(controller.documents().size(), 1u);
    EXPECT_NE(untitled->editor(), nullptr);
    controller.removeDocument(untitled);
    EXPECT_TRUE(controller.documents().empty());
}

// Both open panels open every chosen file, in the panel's order, and show it; the read-only
// panel also makes it read-only, an open document included. A cancelled panel opens nothing.
TEST_F(DocumentTest, controllerOpenPanelsOpenTheChosenFilesInOrder)
{
    for (const char* action : {"openDocument:", "openDocumentReadOnly:"}) {
        SCOPED_TRACE(action);
        const bool readOnly = std::string_view(action) == "openDocumentReadOnly:";
        writeBytes(folder / "b.txt", "b\n");
        writeBytes(folder / "a.txt", "a\n");
        DocumentController controller(services);
        TextDocument* alreadyOpen = nullptr;
        controller.openURL(
            folder / "a.txt", false, [&](TextDocument* d, bool, const auto&) { alreadyOpen = d; });
        ASSERT_NE(alreadyOpen, nullptr);

        std::vector<std::filesystem::path> chosen;
        int panels = 0;
        services->chooseFilesToOpen = [&] {
            ++panels;
            return chosen;
        };
        std::vector<std::pair<std::filesystem::path, DocumentFailure>> failures;
        services->presentOpenFailure = [&](const std::filesystem::path& file,
                                           const DocumentFailure& failure) {
            failures.emplace_back(file, failure);
        };

        ASSERT_TRUE(controller.respondsToAction(action));
        controller.performAction(action, {});
        EXPECT_EQ(panels, 1);
        EXPECT_EQ(controller.documents().size(), 1u) << "a cancelled panel opens nothing";

        chosen = {folder / "b.txt", folder / "missing.txt", folder / "a.txt"};
        controller.performAction(action, {});
        const auto documents = controller.documents();
        ASSERT_EQ(documents.size(), 2u);
        EXPECT_EQ(documents[0], alreadyOpen);
        EXPECT_EQ(documents[1]->fileURL(), folder / "b.txt");
        ASSERT_EQ(failures.size(), 1u) << "the missing file is reported, the others open";
        EXPECT_EQ(failures[0].first, folder / "missing.txt");
        for (TextDocument* document : documents) {
            auto* shown = dynamic_cast<FakeWindow*>(document->editor());
            ASSERT_NE(shown, nullptr);
            EXPECT_TRUE(shown->called("showWindow"));
            EXPECT_EQ(document->readOnlyReason() == ReadOnlyReason::userChose, readOnly);
            EXPECT_EQ(shown->called("applyEditability"), readOnly);
        }
        for (TextDocument* document : documents)
            controller.removeDocument(document);
    }
}

// While the windows of the last run are restored, an opened document goes to the restorer,
// which places its window; the controller does not bring it to the front.
TEST_F(DocumentTest, controllerHandsDocumentsOpenedDuringRestoreToTheRestorer)
{
    writeBytes(folder / "a.txt", "a\n");
    writeBytes(folder / "b.txt", "b\n");
    DocumentController controller(services);
    bool restoring = true;
    std::vector<TextDocument*> handedOver;
    controller.restorer.isRestoring = [&] { return restoring; };
    controller.restorer.openedDuringRestore = [&](TextDocument* d) { handedOver.push_back(d); };

    TextDocument* a = nullptr;
    controller.openURL(folder / "a.txt", true, [&](TextDocument* d, bool, const auto&) { a = d; });
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(handedOver, std::vector<TextDocument*>{a});
    EXPECT_FALSE(dynamic_cast<FakeWindow*>(a->editor())->called("showWindow"));

    restoring = false;
    TextDocument* b = nullptr;
    controller.openURL(folder / "b.txt", true, [&](TextDocument* d, bool, const auto&) { b = d; });
    EXPECT_EQ(handedOver.size(), 1u);
    EXPECT_TRUE(dynamic_cast<FakeWindow*>(b->editor())->called("showWindow"));
    // Opening it again brings it forward again; without display it stays where it is.
    auto* aWindow = dynamic_cast<FakeWindow*>(a->editor());
    controller.openURL(folder / "a.txt", false, {});
    EXPECT_FALSE(aWindow->called("showWindow"));
    controller.openURL(folder / "a.txt", true, {});
    EXPECT_TRUE(aWindow->called("showWindow"));
}

namespace {

// The parts of a quit the review touches, recorded in the order they happen.
struct QuitScript
{
    std::vector<std::string> steps;
    // The close decision's answer per document display name; missing: yes.
    std::map<QString, bool> answers;
};

} // namespace

// The review keeps every memo and rescues every unsafe edit before any question; then each
// edited document is asked in turn, and one "no" stops the quit and ends the quitting state.
TEST_F(DocumentTest, controllerQuitReviewKeepsBeforeAskingAndStopsOnNo)
{
    services->scratchDirectory = folder / "scratch";
    writeBytes(folder / "changed.txt", "one\n");
    writeBytes(folder / "plain.txt", "one\n");
    writeBytes(folder / "refuses.txt", "one\n");
    const EditorStore::ScratchStore store(folder / "scratch");

    for (bool refuse : {true, false}) {
        SCOPED_TRACE(refuse ? "one document refuses" : "all may close");
        DocumentController controller(services);
        QuitScript script;
        services->isTerminating = [&] { return controller.isTerminating; };
        services->decideClose = [&](TextDocument& document) {
            script.steps.push_back("ask " + document.displayName().toStdString() + " kept "
                                   + std::to_string(store.list().size()));
            EXPECT_TRUE(controller.isTerminating);
            auto answer = script.answers.find(document.displayName());
            return answer == script.answers.end() || answer->second;
        };
        controller.restorer.saveAndFreeze = [&] { script.steps.push_back("freeze"); };
        controller.restorer.releaseFreeze = [&] { script.steps.push_back("release"); };
        controller.quitApplication = [&] { script.steps.push_back("quit"); };

        auto* memo = controller.makeUntitledDocument(true);
        dynamic_cast<FakeWindow*>(memo->editor())->shownText = QStringLiteral("memo");
        memo->updateChangeCount(TextDocument::ChangeType::changeDone);
        std::vector<TextDocument*> files;
        for (const char* name : {"changed.txt", "plain.txt", "refuses.txt"}) {
            controller.openURL(folder / name, true, [&](TextDocument* d, bool, const auto&) {
                files.push_back(d);
            });
            dynamic_cast<FakeWindow*>(files.back()->editor())->shownText = QStringLiteral("mine");
            files.back()->updateChangeCount(TextDocument::ChangeType::changeDone);
        }
        writeBytes(folder / "changed.txt", "theirs, longer\n");
        if (refuse)
            script.answers[QStringLiteral("refuses.txt")] = false;

        controller.terminate();
        const std::vector<std::string> asked = {
            "freeze", "ask plain.txt kept 2", "ask refuses.txt kept 2"};
        std::vector<std::string> expected = asked;
        expected.push_back(refuse ? "release" : "quit");
        EXPECT_EQ(script.steps, expected);
        EXPECT_FALSE(memo->isDocumentEdited()) << "kept";
        EXPECT_FALSE(files[0]->isDocumentEdited()) << "rescued";
        EXPECT_EQ(controller.isTerminating, !refuse);
        EXPECT_EQ(controller.documents().size(), refuse ? 4u : 0u);
        QCoreApplication::processEvents();
        for (auto& entry : store.list())
            (void)store.remove(entry.id);
        writeBytes(folder / "changed.txt", "one\n");
    }
}

// "terminate:" sent through the router reaches the document controller's review before the
// application's own quit.
TEST_F(DocumentTest, controllerAnswersTerminateThroughTheRouter)
{
    DocumentController controller(services);
    int quits = 0;
    int asked = 0;
    controller.quitApplication = [&] { ++quits; };
    services->decideClose = [&](TextDocument&) {
        ++asked;
        return false;
    };
    auto* document = controller.makeUntitledDocument(false);
    document->setLoadedText(QStringLiteral("x"));
    services->scratchDirectory = folder / "scratch";
    writeBytes(folder / "scratch", "in the way"); // the memo cannot be kept, so it is asked about
    document->updateChangeCount(TextDocument::ChangeType::changeDone);

    EditorKit::ActionRouter router;
    router.setDocumentController(&controller);
    EXPECT_TRUE(router.send("terminate:", {}, nullptr));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(controller.isTerminating);

    services->decideClose = {};
    EXPECT_TRUE(router.send("terminate:", {}, nullptr));
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(controller.documents().empty());
}

// Launch reopens the kept texts that are not restored, not open and not empty, oldest first,
// all in one new window.
TEST_F(DocumentTest, controllerReopensKeptTextsInOneWindow)
{
    services->scratchDirectory = folder / "scratch";
    EditorStore::ScratchStore store(folder / "scratch");
    const auto start = std::chrono::system_clock::now();
    std::vector<Platform::Uuid> ids;
    const std::u16string texts[] = {u"open", u"emptied", u"first", u"restored", u"second"};
    for (int i = 0; i < 5; ++i) {
        ids.push_back(Platform::Uuid::random());
        ASSERT_TRUE(store.save(ids.back(), texts[i], start + std::chrono::seconds(i)));
    }
    // The store never keeps an empty text, but a text file emptied outside may be left.
    for (const auto& file : std::filesystem::directory_iterator(folder / "scratch")) {
        const auto bytes = readBytes(file.path());
        if (file.path().extension() == ".txt"
            && std::string(bytes.begin(), bytes.end()) == "emptied")
            std::filesystem::resize_file(file.path(), 0);
    }
    ASSERT_EQ(store.list().size(), 5u);
    ASSERT_EQ(*store.readText(ids[1]), u"");

    DocumentController controller(services);
    auto open = TextDocument::makeScratch(ids[0], QStringLiteral("open"), services);
    controller.addDocument(std::move(open));

    int groups = 0;
    std::vector<TextDocument*> madeInGroup;
    services->inOneNewWindow = [&](const std::function<void()>& makeWindows) {
        ++groups;
        makeWindows();
        for (TextDocument* document : controller.documents()) {
            if (document->editor())
                madeInGroup.push_back(document);
        }
    };
    const auto reopened = controller.reopenScratchDocuments({ids[3]});
    ASSERT_EQ(reopened.size(), 2u);
    EXPECT_EQ(reopened[0]->scratchID(), ids[2]);
    EXPECT_EQ(reopened[1]->scratchID(), ids[4]);
    EXPECT_EQ(groups, 1);
    EXPECT_EQ(madeInGroup, reopened);
    EXPECT_EQ(store.list().size(), 5u) << "skipped entries stay";

    groups = 0;
    EXPECT_TRUE(controller.reopenScratchDocuments({ids[3]}).empty()) << "all open now";
    EXPECT_EQ(groups, 0) << "no window for nothing";
}
