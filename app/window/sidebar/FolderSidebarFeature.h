#pragma once

#include "app/window/CommandState.h"
#include "app/window/sidebar/FolderSidebarView.h"
#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <vector>

namespace EditorDocuments {
class DocumentController;
class TextDocument;
} // namespace EditorDocuments

namespace EditorWindow {

class FolderSession;
class HostWindows;

// One tab's part of the window's folder: its sidebar view over the session all tabs of the
// window share, the two toggles, and opening the files picked in the sidebar as tabs of the
// same window.
class FolderSidebarFeature
    : public QObject
    , public WindowFeature
{
    Q_OBJECT
public:
    void attach(DocumentWindowController& window) override;
    void detach() override;
    void windowBecameKey() override;

    const std::shared_ptr<FolderSession>& session() const { return m_session; }
    FolderSidebarView* sidebar() const { return m_sidebar; }

    // Gives this tab the session (nothing when it has this very session already).
    void updateFolderSidebar(std::shared_ptr<FolderSession> session);
    // A tab without a session takes the one of the first tab of its window that has one.
    void adoptFolderFromTabGroup();
    void toggleFolderSidebar();
    void toggleHiddenFiles();
    // Raises the file's open tab, or opens it as a tab of this window (replacing a blank
    // untitled only tab).
    void openFileFromFolder(const std::filesystem::path& file);
    // No file, no unsaved changes and no text.
    bool isBlankUntitled() const;

    void contributeCommandState(CommandStateInputs& inputs) const override;

    bool respondsToAction(std::string_view action) const override;
    // Both switches need a folder: without one their menu items are greyed out.
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    void folderStateDidChange();

    DocumentWindowController* m_window = nullptr;
    std::shared_ptr<FolderSession> m_session;
    QPointer<FolderSidebarView> m_sidebar;
};

// The application's windows as the folder commands see them.
namespace FolderWindows {

// Installs the application's windows (see ApplicationWindows) and the controller's
// `openFolder`.
void install(EditorDocuments::DocumentController* documents, std::shared_ptr<HostWindows> hosts);

// A window showing the folder is raised; otherwise the key window without a folder gets it
// in all its tabs; otherwise a new untitled window shows it.
void openFolder(const std::filesystem::path& folder);
// A new untitled document in a window of its own, with the session.
DocumentWindowController* openUntitledWindow(std::shared_ptr<FolderSession> session);

} // namespace FolderWindows

} // namespace EditorWindow
