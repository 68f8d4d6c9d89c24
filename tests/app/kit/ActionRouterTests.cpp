#include "KitTestSupport.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"

#include <QApplication>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <memory>

using namespace EditorKit;

namespace {

class IncrementCommand : public QUndoCommand
{
public:
    explicit IncrementCommand(int& value)
        : m_value(value)
    {}
    void redo() override { ++m_value; }
    void undo() override { --m_value; }

private:
    int& m_value;
};

// A host window with one page whose chain is filled with recording links; the router records
// what it could not deliver.
class RouterFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        router.setUnhandledHandler(
            [this](std::string_view action) { unhandled.emplace_back(action); });
        window = std::make_unique<HostWindow>(router);
        page = new TabPage;
        page->setWindowTitle("첫 탭");
        view = new RecordingView(page);
        window->addPage(page);
        page->setWindowController(&controller);
        page->setDocument(&document);
        router.setDocumentController(&documentController);
        router.setApplicationDelegate(&delegate);
        view->setFocus();
    }

    void TearDown() override { window.reset(); }

    // Shortcuts are window shortcuts: the window must be the active one.
    void activate()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        view->setFocus();
    }

    ActionRouter router;
    std::vector<std::string> unhandled;
    std::unique_ptr<HostWindow> window;
    TabPage* page = nullptr;
    RecordingView* view = nullptr;
    RecordingResponder controller{"controller"};
    RecordingResponder document{"document"};
    RecordingResponder documentController{"documentController"};
    RecordingResponder delegate{"delegate"};
};

} // namespace

TEST_F(RouterFixture, chainRunsFromTheFocusedViewToTheApplication)
{
    auto links = router.chain(window.get());
    ASSERT_EQ(links.size(), 7u);
    EXPECT_EQ(links[0], static_cast<Responder*>(view));
    EXPECT_EQ(links[1], static_cast<Responder*>(page));
    EXPECT_EQ(links[2], static_cast<Responder*>(&controller));
    EXPECT_EQ(links[3], static_cast<Responder*>(&document));
    EXPECT_EQ(links[4], static_cast<Responder*>(&documentController));
    EXPECT_EQ(links[5], static_cast<Responder*>(&delegate));

    // Without a window only the application-wide links remain.
    auto bare = router.chain(nullptr);
    ASSERT_EQ(bare.size(), 3u);
    EXPECT_EQ(bare[0], static_cast<Responder*>(&documentController));
}

TEST_F(RouterFixture, theFirstLinkThatAnswersGetsTheAction)
{
    for (auto* link : {&controller, &document, &documentController, &delegate})
        link->answer("probe:");
    EXPECT_TRUE(router.send("probe:", {}, window.get()));
    EXPECT_EQ(controller.received.size(), 1u);
    EXPECT_TRUE(document.received.empty());

    view->answer("probe:");
    EXPECT_TRUE(router.send("probe:", {}, window.get()));
    EXPECT_EQ(view->received, std::vector<std::string>{"probe:"});
    EXPECT_EQ(controller.received.size(), 1u);

    // A link that answers but disables the action stops it there: nothing further gets it.
    delegate.answer("later:");
    document.answer("later:", false);
    EXPECT_FALSE(router.send("later:", {}, window.get()));
    EXPECT_FALSE(router.validate("later:", {}, window.get()));
    EXPECT_TRUE(delegate.received.empty());
    EXPECT_EQ(unhandled, std::vector<std::string>{"later:"});
}

TEST_F(RouterFixture, anActionWithoutResponderDoesNothing)
{
    activate();
    EXPECT_FALSE(router.send("toggleWrap:", {}, window.get()));
    // view.wrap's chord, Ctrl+Alt+L: nothing answers, so the router only beeps.
    QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(unhandled, (std::vector<std::string>{"toggleWrap:", "toggleWrap:"}));
    for (auto* link : {&controller, &document, &documentController, &delegate})
        EXPECT_TRUE(link->received.empty()) << link->name().toStdString();
    EXPECT_EQ(window->pageCount(), 1);
}

TEST_F(RouterFixture, tabShortcutsReachTheWindowControllerWithTheirTag)
{
    controller.answer("selectTabByNumber:");
    activate();
    QTest::keyClick(view, Qt::Key_9, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_1, Qt::ControlModifier);
    ASSERT_EQ(controller.received.size(), 2u);
    EXPECT_EQ(controller.received[0].action, "selectTabByNumber:");
    EXPECT_EQ(controller.received[0].sender.kind, ActionSender::Kind::menuItem);
    EXPECT_EQ(controller.received[0].sender.tag, 9);
    EXPECT_EQ(controller.received[0].sender.identifier, "window.selectTab9");
    EXPECT_EQ(controller.received[1].sender.tag, 1);
    EXPECT_TRUE(unhandled.empty());
}

TEST_F(RouterFixture, menuShortcutsReachTheirLinks)
{
    controller.answer("toggleWrap:");
    documentController.answer("openDocument:");
    delegate.answer("showSettings:");
    view->answer("addCaretAbove:");
    activate();
    QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier);
    ASSERT_EQ(controller.received.size(), 1u);
    EXPECT_EQ(controller.received[0].sender.identifier, "view.wrap");
    EXPECT_EQ(documentController.received.size(), 1u);
    EXPECT_EQ(delegate.received.size(), 1u);
    EXPECT_EQ(view->received, std::vector<std::string>{"addCaretAbove:"});
    EXPECT_TRUE(unhandled.empty());
}

TEST_F(RouterFixture, pageUndoesThroughItsStackAndClosesItself)
{
    int value = 0;
    QUndoStack stack;
    page->setUndoStack(&stack);
    activate();

    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(unhandled, std::vector<std::string>{"undo:"}); // nothing to undo yet
    stack.push(new IncrementCommand(value));
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(value, 0);
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(value, 1);

    QTest::keyClick(view, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window->isTabBarAlwaysShown());

    // With a close handler the document decides; without one the page goes.
    int closeRequests = 0;
    page->setCloseHandler([&] { ++closeRequests; });
    QTest::keyClick(view, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(window->pageCount(), 1);

    page->setCloseHandler({});
    QPointer<TabPage> closing = page;
    QTest::keyClick(view, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(window->pageCount(), 0);
    EXPECT_FALSE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
}

TEST_F(RouterFixture, linksAreHeldWeaklyAndMustBeResponders)
{
    auto transient = std::make_unique<RecordingResponder>("transient");
    transient->answer("showAbout:");
    router.setApplicationDelegate(transient.get());
    EXPECT_TRUE(router.validate("showAbout:", {}, window.get()));
    transient.reset();
    EXPECT_FALSE(router.validate("showAbout:", {}, window.get()));
    EXPECT_EQ(router.chain(window.get()).size(), 6u);

    QObject plain;
    page->setDocument(&plain); // not a responder: ignored
    EXPECT_EQ(page->documentResponder(), nullptr);
}

TEST_F(RouterFixture, focusOutsideTheCurrentPageIsNotInTheChain)
{
    auto* second = new TabPage;
    auto* otherView = new RecordingView(second);
    otherView->answer("probe:");
    window->addPage(second);
    otherView->setFocus();
    // The first page is still current: its chain starts at the page itself.
    ASSERT_EQ(window->currentPage(), page);
    auto links = router.chain(window.get());
    EXPECT_EQ(links.front(), static_cast<Responder*>(page));
    EXPECT_EQ(router.target("probe:", window.get()), nullptr);

    window->setCurrentPage(second);
    otherView->setFocus();
    EXPECT_EQ(router.target("probe:", window.get()), static_cast<Responder*>(otherView));
    // The second page has no window controller or document of its own.
    EXPECT_EQ(router.chain(window.get()).size(), 5u);
}

// Escape out of a menu leaves the keys with the menu bar; the next menu still validates and
// sends to the view that had the focus, so Select All or Paste are not greyed out.
TEST_F(RouterFixture, theMenuBarHoldingTheKeysKeepsTheFocusedViewFirst)
{
    activate();
    view->answer("probe:");
    window->menuBar()->setFocus(Qt::MenuBarFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->menuBar()->hasFocus(); }));
    EXPECT_EQ(router.chain(window.get()).front(), static_cast<Responder*>(view));
    EXPECT_EQ(router.target("probe:", window.get()), static_cast<Responder*>(view));
}
