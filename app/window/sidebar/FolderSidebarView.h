#pragma once

#include "store/FolderListing.h"

#include <QAbstractItemModel>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class QToolButton;
class QTreeView;

namespace EditorKit {
class Presenter;
}

namespace EditorWindow {

class FolderSession;
class FolderTreeModel;

// One row of the folder tree. A folder's children are listed the first time they are needed.
struct FolderNode
{
    EditorStore::FolderEntry entry;
    std::optional<std::vector<std::shared_ptr<FolderNode>>> children;
    FolderNode* parent = nullptr;
};

// The folder tree at the left of one tab: a header with the folder's name and its buttons, and
// the outline of the folder's items, listed lazily. All tabs of a window share the session and
// follow its contents notification. Main thread only.
class FolderSidebarView : public QWidget
{
    Q_OBJECT
public:
    // What the sidebar asks of its tab; each may be empty.
    struct Hooks
    {
        // Opens a file picked in the tree as a tab of the window.
        std::function<void(const std::filesystem::path&)> openFile;
        // The files of the open documents (the trash question mentions open tabs).
        std::function<std::vector<std::filesystem::path>()> openDocumentFiles;
        // The file of the tab's document, revealed after every reload.
        std::function<std::optional<std::filesystem::path>()> currentFile;
        // Shows the item in the file manager; none: the desktop's file manager.
        std::function<void(const std::filesystem::path&)> revealInFileManager;
    };

    FolderSidebarView(std::shared_ptr<FolderSession> session,
                      std::shared_ptr<EditorKit::Presenter> presenter,
                      Hooks hooks,
                      QWidget* parent = nullptr);
    ~FolderSidebarView() override;

    const std::shared_ptr<FolderSession>& session() const { return m_session; }

    // Lists the whole tree anew.
    void reload();
    // Lists one folder again (null: the top level), keeping the nodes that are still there.
    void refresh(FolderNode* node);
    // Null paths: reload everything.
    void contentsDidChange(const std::optional<QStringList>& paths);
    // Selects the file's row when its folder is listed and open; otherwise nothing is
    // selected. Folders are never expanded for it.
    void revealFile(const std::optional<std::filesystem::path>& file);

    // A file opens, a folder is expanded or collapsed.
    void openNode(FolderNode* node);
    // A new file ("새 파일.txt") or folder ("새 폴더") beside or inside the row (null: the
    // root), then renamed in place.
    void createItem(bool folder, FolderNode* row);
    void beginRename(FolderNode* node, bool openAfterRename);
    // Ends the rename in progress; `commit` false restores the old name.
    void finishRename(bool commit, const QString& newName);
    bool isRenaming() const { return m_renaming != nullptr; }
    void trashItem(FolderNode* node);
    void copyPath(FolderNode* node);
    void revealInFileManager(FolderNode* node);
    void toggleHidden();

    // The context menu for the clicked row (null: no row); the caller owns it.
    QMenu* makeContextMenu(FolderNode* clicked);

    QTreeView* outline() const { return m_outline; }
    QLabel* titleLabel() const { return m_title; }
    // The title as drawn at the label's present width: cut in the middle when it does not fit.
    QString shownTitle() const;
    QToolButton* newFileButton() const { return m_newFile; }
    QToolButton* newFolderButton() const { return m_newFolder; }
    QToolButton* hiddenButton() const { return m_hidden; }
    const std::vector<std::shared_ptr<FolderNode>>& rootNodes() const { return m_rootNodes; }
    // The listed node of a path (the root's top level is not a node), or null.
    FolderNode* nodeForPath(const std::filesystem::path& path) const;
    bool isLoaded(const std::filesystem::path& folder) const;
    QModelIndex indexOf(FolderNode* node) const;
    FolderNode* nodeAt(const QModelIndex& index) const;
    FolderNode* selectedNode() const;

    // The children of a folder node, listed when first asked.
    std::vector<std::shared_ptr<FolderNode>>& childrenOf(FolderNode& node);

protected:
    // The tabs of a window share one folder session: a view coming back into sight takes the
    // expanded folders as the session has them now.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::shared_ptr<FolderNode>> listFolder(const std::filesystem::path& folder,
                                                        FolderNode* parent) const;
    void reapplyExpansion(const std::vector<std::shared_ptr<FolderNode>>& nodes);
    void resetOutline();
    void updateTitle(bool vanished);
    void updateHiddenButton();
    void showError(const QString& message);
    void itemExpanded(const QModelIndex& index);
    void itemCollapsed(const QModelIndex& index);
    void showContextMenu(const QPoint& position);
    FolderNode* findIn(const std::vector<std::shared_ptr<FolderNode>>& nodes,
                       const std::filesystem::path& path) const;

    std::shared_ptr<FolderSession> m_session;
    std::shared_ptr<EditorKit::Presenter> m_presenter;
    Hooks m_hooks;
    FolderTreeModel* m_model = nullptr;
    QTreeView* m_outline = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_newFile = nullptr;
    QToolButton* m_newFolder = nullptr;
    QToolButton* m_hidden = nullptr;
    std::vector<std::shared_ptr<FolderNode>> m_rootNodes;
    std::map<std::string, std::weak_ptr<FolderNode>> m_loaded;
    std::shared_ptr<FolderNode> m_renaming;
    bool m_changedWhileRenaming = false;
    bool m_restoringExpansion = false;
    bool m_openAfterRename = false;
    QString m_pendingName;

    friend class FolderTreeModel;
    friend class FolderRenameDelegate;
};

} // namespace EditorWindow
