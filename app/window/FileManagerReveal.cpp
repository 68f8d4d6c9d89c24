#include "app/window/FileManagerReveal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace EditorWindow {

namespace {

void openFolderOf(const std::filesystem::path& file)
{
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
}

} // namespace

void revealInFileManager(const std::filesystem::path& file, const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        openFolderOf(file);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QString::fromStdString(file.string()))
                            .toString(QUrl::FullyEncoded)}
         << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher,
                     &QDBusPendingCallWatcher::finished,
                     watcher,
                     [file](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             openFolderOf(file);
                         finished->deleteLater();
                     });
}

} // namespace EditorWindow
