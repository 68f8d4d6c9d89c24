#pragma once

#include <QDBusConnection>

#include <filesystem>

namespace EditorWindow {

// Shows the file selected in the file manager (org.freedesktop.FileManager1.ShowItems on
// `bus`); when no file manager answers there, the file's folder is opened with the desktop's
// default handler instead. Returns at once; main thread only.
void revealInFileManager(const std::filesystem::path& file,
                         const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace EditorWindow
