#include "finder/FinderSync.h"

#include "finder/AppWaker.h"
#include "finder/FinderTexts.h"
#include "finder/TextFiles.h"
#include "platform/Folders.h"
#include "platform/SystemLog.h"
#include "store/AppGroup.h"
#include "store/RequestBox.h"

#include <algorithm>

namespace OrluneViewerFinder {
namespace {

constexpr std::string_view requestUrlPrefix = "orlune-viewer://request?id=";
constexpr std::string_view failedRequestMessage = "Orlune Viewer Finder: 요청을 남기지 못함 ";

FinderSync::Hooks defaultHooks()
{
    FinderSync::Hooks hooks;
    hooks.container = []() -> std::optional<std::filesystem::path> {
        auto container = Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier);
        if (!container.is_absolute())
            return std::nullopt;
        return container;
    };
    hooks.now = [] { return std::chrono::system_clock::now(); };
    hooks.newIdentifier = [] { return Platform::Uuid::random(); };
    hooks.log = [](std::string_view message) {
        Platform::SystemLog::write(
            "app.orlune.viewer", "finder", Platform::SystemLog::Level::error, message);
    };
    hooks.openUrl = [](const std::string& url) {
        const auto report = AppWaker::defaultReport();
        AppWaker::wakeOrTell(url, AppWaker::defaultOptions(report), report);
    };
    return hooks;
}

} // namespace

bool isTextFile(const SelectedItem& item)
{
    if (item.isDirectory)
        return false;
    auto name = std::filesystem::path(item.path).filename().string();
    return TextFiles::isTextFileName(name);
}

std::optional<MenuItem> buildMenu(MenuKind kind, std::span<const SelectedItem> selection)
{
    switch (kind) {
    case MenuKind::contextualMenuForContainer:
        return MenuItem{FinderTexts::localized(FinderTexts::newTextFile), MenuAction::newTextFile};
    case MenuKind::contextualMenuForItems:
        if (std::none_of(selection.begin(), selection.end(), isTextFile))
            return std::nullopt;
        return MenuItem{FinderTexts::localized(FinderTexts::openInEditor),
                        MenuAction::openInEditor};
    case MenuKind::contextualMenuForSidebar:
    case MenuKind::toolbarItemMenu:
        return std::nullopt;
    }
    return std::nullopt;
}

std::string requestUrl(const Platform::Uuid& id)
{
    return std::string(requestUrlPrefix) + id.text();
}

FinderSync::FinderSync()
    : m_hooks(defaultHooks())
{}

FinderSync::FinderSync(Hooks hooks)
    : m_hooks(std::move(hooks))
{
    auto defaults = defaultHooks();
    if (!m_hooks.container)
        m_hooks.container = std::move(defaults.container);
    if (!m_hooks.now)
        m_hooks.now = std::move(defaults.now);
    if (!m_hooks.newIdentifier)
        m_hooks.newIdentifier = std::move(defaults.newIdentifier);
    if (!m_hooks.log)
        m_hooks.log = std::move(defaults.log);
    if (!m_hooks.openUrl)
        m_hooks.openUrl = std::move(defaults.openUrl);
}

void FinderSync::openInEditor(std::span<const SelectedItem> selection) const
{
    std::vector<std::string> paths;
    for (const auto& item : selection) {
        if (isTextFile(item))
            paths.push_back(item.path);
    }
    if (paths.empty())
        return;
    (void)writeRequest(EditorStore::CommandRequest::Kind::openFiles, std::move(paths));
}

void FinderSync::newTextFile(const std::optional<std::string>& targetedFolder) const
{
    if (!targetedFolder)
        return;
    (void)writeRequest(EditorStore::CommandRequest::Kind::newFile, {*targetedFolder});
}

std::optional<Platform::Uuid> FinderSync::writeRequest(EditorStore::CommandRequest::Kind kind,
                                                       std::vector<std::string> paths) const
{
    auto container = m_hooks.container();
    if (!container)
        return std::nullopt;
    EditorStore::RequestBox box(*container / "Requests");
    auto id = m_hooks.newIdentifier();
    EditorStore::CommandRequest request(id,
                                        kind,
                                        std::move(paths),
                                        std::nullopt,
                                        std::nullopt,
                                        false,
                                        std::chrono::floor<std::chrono::seconds>(m_hooks.now()));
    if (auto written = box.write(request); !written) {
        m_hooks.log(std::string(failedRequestMessage) + written.error().message());
        return std::nullopt;
    }
    m_hooks.openUrl(requestUrl(id));
    return id;
}

} // namespace OrluneViewerFinder
