#pragma once

#include "app/window/DocumentWindowController.h"
#include "app/window/watcher/FileWatcherFeature.h"
#include "platform/FileWatcher.h"

namespace WindowTest {

// The file watcher of the window's watcher feature; none while nothing is watched or the
// window has no such feature.
inline Platform::FileWatcher* fileWatcherOf(const EditorWindow::DocumentWindowController& window)
{
    auto* feature = window.feature<EditorWindow::FileWatcherFeature>();
    return feature ? feature->watcher() : nullptr;
}

} // namespace WindowTest
