// The application object as main() drives it: files of the command line and of hand-overs.

#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/shell/Application.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

TEST(Application, theStartFilesWindowHoldsJustThemAndTakesTheKeyboard)
{
    TemporaryFolder folder;
    std::ofstream(folder / "notes.txt") << std::string(1024, 'n');
    EditorKit::ActionRouter router;
    {
        EditorShell::Application application(router,
                                             std::make_shared<EditorDocuments::DocumentServices>(
                                                 *EditorDocuments::DocumentServices::shared()),
                                             std::make_shared<EditorKit::WidgetPresenter>());
        application.openArguments({(folder / "notes.txt").string()});
        QCoreApplication::processEvents();
        auto documents = application.documentController().documents();
        ASSERT_EQ(documents.size(), 1u) << "no untitled document besides the file";
        auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(documents[0]->editor());
        ASSERT_NE(window, nullptr);
        EditorKit::HostWindow* host = window->controller().hostWindow();
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->pageCount(), 1);
        ASSERT_TRUE(QTest::qWaitForWindowActive(host));
        EXPECT_TRUE(router.validate("selectAll:", {}, host));
        QTest::keyClick(host->windowHandle(), 'k');
        QCoreApplication::processEvents();
        EXPECT_EQ(window->text().left(2), QStringLiteral("kn"));

        // A hand-over without files, or with a file that cannot be opened, adds nothing.
        application.openArguments({});
        application.openArguments({(folder / "missing.txt").string()});
        EXPECT_EQ(application.documentController().documents().size(), 1u);
        documents[0]->undoStack()->setClean();
    }
    QCoreApplication::processEvents();
}
