#include "app/documents/DocumentController.h"
#include "tests/app/documents/DocumentFixture.h"

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
    EXPECT_EQ(first->readOnlyReason, ReadOnlyReason::userChose);

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
