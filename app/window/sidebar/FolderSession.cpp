#include "app/window/sidebar/FolderSession.h"

#include "app/window/DocumentContentView.h"
#include "platform/FileBookmark.h"
#include "platform/FolderWatcher.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <system_error>

namespace EditorWindow {
namespace {

// Absolute, without "." and ".." segments and without a trailing "/", as a standardized file
// URL's path. Symbolic links stay as they are.
std::filesystem::path standardized(const std::filesystem::path& path)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    absolute = absolute.lexically_normal();
    if (absolute.filename().empty() && absolute.has_relative_path())
        absolute = absolute.parent_path();
    return absolute;
}

bool somethingIsAt(const std::filesystem::path& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

} // namespace

FolderSession::FolderSession(const std::filesystem::path& root,
                             const std::optional<EditorStore::FolderRestoreState>& state,
                             QObject* parent)
    : QObject(parent)
    , m_root(standardized(root))
    , m_width(DocumentContentView::defaultSidebarWidth)
{
    if (state) {
        m_showsHidden = state->showsHidden;
        for (const auto& path : state->expanded) {
            if (!path.empty())
                m_expanded.insert(path);
        }
        m_width = state->width;
        m_visible = state->visible;
    }
    QPointer<FolderSession> weak(this);
    m_watcher = Platform::FolderWatcher::create(
        m_root,
        [weak](const std::vector<std::string>& paths) {
            if (weak)
                weak->post(contentsNotification, paths);
        },
        [](std::function<void()> task) {
            // From the watcher's thread; the application object lives on the main thread.
            if (auto* application = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    application, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
        });
}

FolderSession::~FolderSession() = default;

std::shared_ptr<FolderSession> FolderSession::restore(const EditorStore::FolderRestoreState& state)
{
    std::optional<std::filesystem::path> folder;
    if (state.bookmark) {
        if (auto bookmark = Platform::FileBookmark::fromBytes(*state.bookmark)) {
            auto resolved = bookmark->resolve();
            if (resolved && somethingIsAt(*resolved))
                folder = *resolved;
        }
    }
    if (!folder && somethingIsAt(state.path))
        folder = std::filesystem::path(state.path);
    if (!folder)
        return nullptr;
    return std::make_shared<FolderSession>(*folder, state);
}

EditorStore::FolderRestoreState FolderSession::restoreState() const
{
    std::optional<std::vector<std::uint8_t>> bookmark;
    if (auto made = Platform::FileBookmark::make(m_root))
        bookmark = made->bytes();
    // A set of byte strings in UTF-8 is already in code-point order.
    std::vector<std::string> expanded(m_expanded.begin(), m_expanded.end());
    return {std::move(bookmark),
            m_root.native(),
            std::move(expanded),
            m_showsHidden,
            m_width,
            m_visible};
}

std::optional<std::string> FolderSession::relativePath(const std::filesystem::path& path) const
{
    const std::string& rootPath = m_root.native();
    std::string prefix = rootPath.ends_with('/') ? rootPath : rootPath + '/';
    std::string standardPath = standardized(path).native();
    if (standardPath == rootPath)
        return std::string();
    if (standardPath.starts_with(prefix))
        return standardPath.substr(prefix.size());
    return std::nullopt;
}

void FolderSession::setShowsHidden(bool showsHidden)
{
    if (showsHidden == m_showsHidden)
        return;
    m_showsHidden = showsHidden;
    post(contentsNotification);
}

void FolderSession::setExpanded(const std::string& relativePath, bool expanded)
{
    if (relativePath.empty())
        return;
    bool changed =
        expanded ? m_expanded.insert(relativePath).second : m_expanded.erase(relativePath) > 0;
    if (changed)
        requestSave();
}

void FolderSession::setWidth(double width)
{
    if (width == m_width)
        return;
    m_width = width;
    post(stateNotification);
}

void FolderSession::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    post(stateNotification);
}

void FolderSession::post(std::string_view name, std::optional<std::vector<std::string>> paths)
{
    if (name == contentsNotification) {
        std::optional<QStringList> list;
        if (paths) {
            list.emplace();
            list->reserve(static_cast<qsizetype>(paths->size()));
            for (const auto& path : *paths)
                list->append(QFile::decodeName(QByteArray::fromStdString(path)));
        }
        emit contentsDidChange(list);
    } else if (name == stateNotification) {
        emit stateDidChange();
    } else {
        return;
    }
    requestSave();
}

std::function<void()>& FolderSession::windowStateSaveRequest()
{
    static std::function<void()> request;
    return request;
}

void FolderSession::requestSave()
{
    if (auto& request = windowStateSaveRequest())
        request();
}

} // namespace EditorWindow
