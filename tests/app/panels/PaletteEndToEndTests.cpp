// The palette in the shipped wiring: the application object's windows and tabs, the menu
// shortcut that opens the palette, real key events in its field, and the command arriving in
// the document window of the tab that was in front.
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/panels/CommandPalette.h"
#include "app/shell/Application.h"
#include "app/views/EditorTextView.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "tests/app/panels/PanelTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class SilentPresenter : public EditorKit::Presenter
{
public:
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        ADD_FAILURE() << "an unexpected alert: " << alert.text.toStdString();
        return alert.cancelButton.value_or(0);
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }
};

// What the application delegate does with the palette's action, for this test's palette.
class PaletteOpener
    : public QObject
    , public EditorKit::Responder
{
public:
    explicit PaletteOpener(EditorPanels::CommandPalette& palette)
        : m_palette(palette)
    {}
    bool respondsToAction(std::string_view action) const override
    {
        return action == "showCommandPalette:";
    }
    void performAction(std::string_view, const EditorKit::ActionSender&) override
    {
        m_palette.show();
    }

private:
    EditorPanels::CommandPalette& m_palette;
};

} // namespace

TEST(PaletteEndToEnd, aCommandChosenInThePaletteRunsInTheTabThatWasActive)
{
    const std::filesystem::path folder =
        std::filesystem::path(OLV_TEST_HOME) / "palette-end-to-end";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char* name : {"first.txt", "second.txt"})
        std::ofstream(folder / name) << "one\ntwo\n";

    EditorKit::ActionRouter router;
    int beeps = 0;
    router.setUnhandledHandler([&](std::string_view) { ++beeps; });
    EditorPanels::CommandPalette::Environment environment;
    environment.router = &router;
    EditorPanels::CommandPalette palette(std::move(environment));
    PaletteOpener opener(palette);
    router.setApplicationDelegate(&opener);
    auto services = std::make_shared<EditorDocuments::DocumentServices>(
        *EditorDocuments::DocumentServices::shared());
    auto application = std::make_unique<EditorShell::Application>(
        router, services, std::make_shared<SilentPresenter>());

    auto open = [&](const char* name) {
        EditorDocuments::TextDocument* opened = nullptr;
        application->documentController().openDocumentWithContentsOfURL(
            folder / name, true, [&](EditorDocuments::TextDocument* document, bool, const auto&) {
                opened = document;
            });
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened && opened->editor(); }, 5000));
        return opened;
    };
    auto controllerOf = [](EditorDocuments::TextDocument * document) -> auto&
    {
        return dynamic_cast<EditorWindow::TextDocumentWindow&>(*document->editor()).controller();
    };
    EditorDocuments::TextDocument* first = open("first.txt");
    ASSERT_NE(first, nullptr);
    auto& firstWindow = controllerOf(first);
    firstWindow.showWindow();
    EditorKit::HostWindow* host = firstWindow.hostWindow();
    ASSERT_NE(host, nullptr);
    QApplication::setActiveWindow(host);
    ASSERT_TRUE(QTest::qWaitForWindowActive(host));
    EditorDocuments::TextDocument* second = open("second.txt");
    ASSERT_NE(second, nullptr);
    auto& secondWindow = controllerOf(second);
    secondWindow.showWindow();
    ASSERT_EQ(secondWindow.hostWindow(), host);
    ASSERT_EQ(host->pageCount(), 2);

    // The first tab in front, its text focused.
    host->setCurrentPage(firstWindow.page());
    firstWindow.textView()->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), firstWindow.textView());
    const bool firstShowed = firstWindow.display()->options.showsLineNumbers;
    const bool secondShowed = secondWindow.display()->options.showsLineNumbers;

    // Ctrl+Shift+P, the command's id typed in the field, Return.
    QTest::keyClick(firstWindow.textView(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(palette.panel()->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(palette.panel()));
    EXPECT_EQ(palette.targetWindow(), host);
    ASSERT_EQ(QApplication::focusWidget(), palette.searchField());
    QTest::keyClicks(palette.searchField(), QStringLiteral("view.linenumbers"));
    ASSERT_EQ(palette.rows().size(), 1u);
    QTest::keyClick(palette.searchField(), Qt::Key_Return);

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return firstWindow.display()->options.showsLineNumbers != firstShowed; }, 3000));
    EXPECT_EQ(secondWindow.display()->options.showsLineNumbers, secondShowed);
    EXPECT_FALSE(palette.panel()->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(host));
    EXPECT_EQ(host->currentPage(), firstWindow.page());
    EXPECT_EQ(beeps, 0);

    // The tool band's button opens it too, for the same window.
    auto* button =
        firstWindow.page()->findChild<QToolButton*>(QStringLiteral("app.commandPalette"));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return palette.panel()->isVisible(); }, 2000));
    EXPECT_EQ(palette.targetWindow(), host);
    QTest::keyClick(palette.searchField(), Qt::Key_Escape);
    EXPECT_FALSE(palette.panel()->isVisible());
    EXPECT_EQ(beeps, 0);

    router.setApplicationDelegate(nullptr);
    application.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
