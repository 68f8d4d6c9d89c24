#pragma once

#include "platform/Uuid.h"
#include "store/CommandRequest.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the file manager's context menus offer and what choosing an item does. The file
// manager's own module (NautilusModule.cpp) only translates between its objects and these.
namespace OrluneViewerFinder {

enum class MenuKind {
    contextualMenuForItems,     // the selected items
    contextualMenuForContainer, // the background of a folder window
    contextualMenuForSidebar,
    toolbarItemMenu,
};

// One selected item as the file manager gives it: a file-system path and whether it is a
// folder. Items without a local path (remote places) are left out by the caller.
struct SelectedItem
{
    std::string path;
    bool isDirectory = false;

    bool operator==(const SelectedItem&) const = default;
};

enum class MenuAction { openInEditor, newTextFile };

// Every menu holds at most this one item.
struct MenuItem
{
    std::string title; // localized
    MenuAction action = MenuAction::openInEditor;

    bool operator==(const MenuItem&) const = default;
};

// Folders never are text; a file is judged by its name (TextFiles).
bool isTextFile(const SelectedItem& item);

// The menu of `kind`: "새 파일 만들기" on a folder background, "Orlune Viewer로 열기" on a
// selection with at least one text file, nothing otherwise (no empty menu).
std::optional<MenuItem> buildMenu(MenuKind kind, std::span<const SelectedItem> selection);

// The request URL that wakes the application for request `id`.
std::string requestUrl(const Platform::Uuid& id);

// Leaves requests in the mailbox and wakes the application with their URL. Runs on any
// thread and blocks it while it writes and wakes: the file manager calls it off its
// interface thread.
class FinderSync
{
public:
    struct Hooks
    {
        // The app-group container; none means no request can be left anywhere.
        std::function<std::optional<std::filesystem::path>()> container;
        std::function<std::chrono::system_clock::time_point()> now;
        std::function<Platform::Uuid()> newIdentifier;
        // A failure to leave a request, for the system log.
        std::function<void(std::string_view message)> log;
        // Starts or wakes the application with the request URL; by default a failure is logged
        // and told to the user, and the request waits in the mailbox for the editor's start.
        std::function<void(const std::string& url)> openUrl;
    };

    // The user's container, the clock, random identifiers, syslog and the application's socket.
    FinderSync();
    // Hooks left empty take the defaults.
    explicit FinderSync(Hooks hooks);

    // The text files of the selection, in selection order; nothing happens without one.
    void openInEditor(std::span<const SelectedItem> selection) const;
    // A "newFile" request for the folder that was clicked in; nothing happens without one.
    void newTextFile(const std::optional<std::string>& targetedFolder) const;

    // Writes <container>/Requests/<id>.json (compact, keys sorted, `wait` false, never a line
    // or column) and then opens the request URL. The identifier of the request left, or none
    // when there is no container or the write failed (then logged, and no URL is opened).
    std::optional<Platform::Uuid> writeRequest(EditorStore::CommandRequest::Kind kind,
                                               std::vector<std::string> paths) const;

private:
    Hooks m_hooks;
};

} // namespace OrluneViewerFinder
