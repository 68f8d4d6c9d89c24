#pragma once

#include "app/kit/MenuBuilder.h"
#include "app/kit/Responder.h"

#include <QMainWindow>
#include <QSize>

#include <string_view>

class QTabWidget;

namespace EditorKit {

class ActionRouter;
class TabPage;

// A top-level window holding document pages as tabs, with its own menu bar built from the
// command catalog. Every action of its menus, shortcuts and tool bands travels the chain of
// this window's current page (see ActionRouter).
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr QSize newWindowSize{1180, 640};
    // The document window the user worked in last: the last one activated that is still shown,
    // else the first shown one; none without a shown window.
    static HostWindow* mainWindow();

    explicit HostWindow(ActionRouter& router, QWidget* parent = nullptr);
    ~HostWindow() override;

    ActionRouter& router() const { return m_router; }
    const MenuBuilder::MainMenu& mainMenu() const { return m_mainMenu; }

    // The page takes its tab title from its window title. Returns the tab index.
    int addPage(TabPage* page);
    int insertPage(int index, TabPage* page);
    // Moves one of this window's tabs to `index` of the tab bar.
    void movePage(TabPage* page, int index);
    // Removes the page and deletes it later; the window closes with its last page.
    void closePage(TabPage* page);

    TabPage* currentPage() const;
    void setCurrentPage(TabPage* page);
    // In tab order.
    QList<TabPage*> pages() const;
    int pageCount() const;

    // By default the tab bar shows only with two tabs or more; toggling makes it always shown,
    // and back.
    void toggleTabBar();
    bool isTabBarAlwaysShown() const;
    void toggleFullScreen();

    // Sends an action along this window's chain (tool-band buttons and the like).
    bool sendAction(std::string_view action, const ActionSender& sender);

signals:
    void currentPageChanged(EditorKit::TabPage* page);
    // A tab was added, moved (by the user too) or closed.
    void pagesChanged();

protected:
    // Closing the window closes its tabs the way their close buttons would, each document
    // first reviewing its unsaved edits; the window goes with its last tab.
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void pageTitleChanged(TabPage* page);

    ActionRouter& m_router;
    QTabWidget* m_tabs = nullptr;
    MenuBuilder::MainMenu m_mainMenu;
};

// Brings the application forward: its active window, else the first visible host window.
void bringFrontWindowForward();
// Selects the page's tab and brings its window in front, active (a question about the page is
// then shown over it).
void bringPageForward(TabPage* page);

} // namespace EditorKit
