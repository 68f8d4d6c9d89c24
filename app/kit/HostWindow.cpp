#include "app/kit/HostWindow.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/TabPage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace EditorKit {

HostWindow::HostWindow(ActionRouter& router, QWidget* parent)
    : QMainWindow(parent)
    , m_router(router)
{
    resize(newWindowSize);
    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(true);
    m_tabs->setTabsClosable(true);
    m_tabs->setMovable(true);
    m_tabs->setTabBarAutoHide(true);
    setCentralWidget(m_tabs);

    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        TabPage* page = currentPage();
        setWindowTitle(page ? page->windowTitle() : QString());
        emit currentPageChanged(page);
    });
    // The close button of a tab closes that tab the way its menu item would.
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, [this](int index) {
        if (auto* page = qobject_cast<TabPage*>(m_tabs->widget(index))) {
            ActionSender sender;
            sender.kind = ActionSender::Kind::button;
            page->performAction("performClose:", sender);
        }
    });

    connect(m_tabs->tabBar(), &QTabBar::tabMoved, this, &HostWindow::pagesChanged);

    m_mainMenu = MenuBuilder::buildMainMenu(menuBar(), this, m_router);
}

HostWindow::~HostWindow()
{
    // The tab widget goes after this window: what it reports on the way is not a tab change.
    m_tabs->disconnect(this);
    m_tabs->tabBar()->disconnect(this);
}

int HostWindow::addPage(TabPage* page)
{
    return insertPage(m_tabs->count(), page);
}

int HostWindow::insertPage(int index, TabPage* page)
{
    int inserted = m_tabs->insertTab(index, page, page->windowTitle());
    connect(page, &QWidget::windowTitleChanged, this, [this, page] { pageTitleChanged(page); });
    emit pagesChanged();
    return inserted;
}

void HostWindow::movePage(TabPage* page, int index)
{
    const int from = m_tabs->indexOf(page);
    if (from < 0)
        return;
    m_tabs->tabBar()->moveTab(from, std::clamp(index, 0, m_tabs->count() - 1));
}

void HostWindow::closePage(TabPage* page)
{
    int index = m_tabs->indexOf(page);
    if (index < 0)
        return;
    m_tabs->removeTab(index);
    disconnect(page, nullptr, this, nullptr);
    page->hide();
    page->setParent(nullptr);
    page->deleteLater();
    emit pagesChanged();
    if (m_tabs->count() == 0)
        close();
}

void HostWindow::closeEvent(QCloseEvent* event)
{
    QList<TabPage*> pages;
    for (int index = 0; index < m_tabs->count(); ++index) {
        if (auto* page = qobject_cast<TabPage*>(m_tabs->widget(index)))
            pages.append(page);
    }
    if (pages.isEmpty()) {
        event->accept();
        return;
    }
    event->ignore();
    for (TabPage* page : pages) {
        if (!page->mayClose())
            return;
    }
    for (TabPage* page : pages)
        page->closeWithoutAsking();
    // Tabs that closed at once leave nothing to wait for; the others close the window later.
    if (m_tabs->count() == 0)
        event->accept();
}

TabPage* HostWindow::currentPage() const
{
    return qobject_cast<TabPage*>(m_tabs->currentWidget());
}

void HostWindow::setCurrentPage(TabPage* page)
{
    if (m_tabs->indexOf(page) >= 0)
        m_tabs->setCurrentWidget(page);
}

QList<TabPage*> HostWindow::pages() const
{
    QList<TabPage*> result;
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto* page = qobject_cast<TabPage*>(m_tabs->widget(i)))
            result.append(page);
    }
    return result;
}

int HostWindow::pageCount() const
{
    return m_tabs->count();
}

void HostWindow::toggleTabBar()
{
    m_tabs->setTabBarAutoHide(!m_tabs->tabBarAutoHide());
}

bool HostWindow::isTabBarAlwaysShown() const
{
    return !m_tabs->tabBarAutoHide();
}

void HostWindow::toggleFullScreen()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

bool HostWindow::sendAction(std::string_view action, const ActionSender& sender)
{
    return m_router.send(action, sender, this);
}

void HostWindow::pageTitleChanged(TabPage* page)
{
    int index = m_tabs->indexOf(page);
    if (index < 0)
        return;
    m_tabs->setTabText(index, page->windowTitle());
    if (page == currentPage())
        setWindowTitle(page->windowTitle());
}

void bringFrontWindowForward()
{
    QWidget* front = QApplication::activeWindow();
    if (!front) {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<HostWindow*>(widget) && widget->isVisible()) {
                front = widget;
                break;
            }
    }
    if (front) {
        front->raise();
        front->activateWindow();
    }
}

namespace {

QPointer<HostWindow>& lastActivated()
{
    static QPointer<HostWindow> window;
    return window;
}

} // namespace

HostWindow* HostWindow::mainWindow()
{
    if (HostWindow* last = lastActivated(); last && last->isVisible())
        return last;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* host = qobject_cast<HostWindow*>(widget); host && host->isVisible())
            return host;
    }
    return nullptr;
}

bool HostWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        lastActivated() = this;
    return QMainWindow::event(event);
}

void bringPageForward(TabPage* page)
{
    HostWindow* host = page ? page->hostWindow() : nullptr;
    if (!host)
        return;
    host->setCurrentPage(page);
    if (host->isMinimized())
        host->setWindowState(host->windowState() & ~Qt::WindowMinimized);
    host->setAttribute(Qt::WA_ShowWithoutActivating, false);
    host->show();
    host->raise();
    host->activateWindow();
}

} // namespace EditorKit
