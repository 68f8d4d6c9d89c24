#pragma once

#include "store/WindowState.h"

#include <QObject>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {
class FolderWatcher;
}

namespace EditorWindow {

// The folder one document window shows in its sidebar, with the sidebar's state. All tabs of
// the window share one session; it watches the folder tree and announces changes through its
// two notifications. Main thread only.
class FolderSession : public QObject
{
    Q_OBJECT
public:
    // The notifications that tie the tabs of a window to their session, by the names they
    // are known under. `contentsNotification` arrives as `contentsDidChange`,
    // `stateNotification` as `stateDidChange`.
    static constexpr std::string_view contentsNotification = "app.orlune.viewer.folder.contents";
    static constexpr std::string_view stateNotification = "app.orlune.viewer.folder.state";

    // Standardizes the root (absolute, without "." and ".." segments or a trailing "/").
    // From a state, takes whether hidden items show, the expanded folders, the width and
    // the visibility (not its bookmark or path). Starts a watcher over the root; a folder
    // that cannot be watched leaves the session without one.
    explicit FolderSession(const std::filesystem::path& root,
                           const std::optional<EditorStore::FolderRestoreState>& state = {},
                           QObject* parent = nullptr);
    ~FolderSession() override;

    // The folder of a saved record, found without asking anything and without mounting: the
    // bookmark's folder when it still exists (wherever it moved within its parent), else
    // the saved path when something is there; else none.
    static std::shared_ptr<FolderSession> restore(const EditorStore::FolderRestoreState& state);
    // The record to save: bookmark (absent when none can be made), path, the expanded
    // folders in code-point order, hidden items, width and visibility.
    EditorStore::FolderRestoreState restoreState() const;

    const std::filesystem::path& root() const { return m_root; }
    // Where the item lies below the root: "" for the root itself, "a/b" two levels down; none
    // outside the root.
    std::optional<std::string> relativePath(const std::filesystem::path& path) const;

    bool showsHidden() const { return m_showsHidden; }
    // Every sidebar lists its tree anew.
    void setShowsHidden(bool showsHidden);
    // Paths relative to the root; never the root itself.
    const std::set<std::string>& expanded() const { return m_expanded; }
    // Collapsing a folder forgets only that folder: what was open inside it opens again with
    // it.
    void setExpanded(const std::string& relativePath, bool expanded);
    double width() const { return m_width; }
    void setWidth(double width);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);

    // Null when the folder could not be watched.
    Platform::FolderWatcher* watcher() const { return m_watcher.get(); }

    // Sends one of the two notifications (`paths` only go with the contents one; none means
    // "reload everything"), then asks for the window state to be saved.
    void post(std::string_view name, std::optional<std::vector<std::string>> paths = {});

    // What asks for the window state to be saved; nothing until windows are restored. Tests
    // put a stub here.
    static std::function<void()>& windowStateSaveRequest();

signals:
    // Null paths: every sidebar reloads its whole tree. Paths name folders and end in "/".
    void contentsDidChange(const std::optional<QStringList>& paths);
    void stateDidChange();

private:
    void requestSave();

    std::filesystem::path m_root;
    bool m_showsHidden = false;
    std::set<std::string> m_expanded;
    double m_width;
    bool m_visible = true;
    std::unique_ptr<Platform::FolderWatcher> m_watcher;
};

} // namespace EditorWindow
