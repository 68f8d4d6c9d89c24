// The features every document window gets. A new window feature is a part of its own plus
// one line here.
#include "app/window/disk/DiskStatesFeature.h"
#include "app/window/watcher/FileWatcherFeature.h"
#include "app/window/find/FindReplaceFeature.h"
#include "app/window/sidebar/FolderSession.h"
#include "app/window/sidebar/FolderSidebarFeature.h"
#include "app/window/follow/FollowFeature.h"
#include "app/window/formats/FormatMenusFeature.h"
#include "app/window/gotoline/GoToLineFeature.h"
#include "app/window/grammar/GrammarBannerFeature.h"
#include "app/window/filter/LineFilterFeature.h"
#include "app/window/hex/HexViewFeature.h"
#include "app/window/largefile/LargeFileFeature.h"
#include "app/window/linenumbers/LineNumbersFeature.h"
#include "app/window/preview/PreviewModesFeature.h"
#include "app/window/print/PrintingFeature.h"
#include "app/window/suspicious/SuspiciousMarksFeature.h"
#include "app/window/coloring/SyntaxColoringFeature.h"
#include "app/window/tidy/TidyFeature.h"
#include "app/window/toolband/ToolBandFeature.h"
#include "app/window/WindowFeature.h"

namespace EditorWindow {

WindowFeatureList standardWindowFeatures()
{
    WindowFeatureList features;
    features.push_back(std::make_unique<ToolBandFeature>());
    features.push_back(std::make_unique<LineNumbersFeature>());
    features.push_back(std::make_unique<FileWatcherFeature>());
    features.push_back(std::make_unique<DiskStatesFeature>());
    features.push_back(std::make_unique<SuspiciousMarksFeature>());
    features.push_back(std::make_unique<FormatMenusFeature>());
    features.push_back(std::make_unique<PrintingFeature>());
    features.push_back(std::make_unique<GrammarBannerFeature>());
    features.push_back(std::make_unique<SyntaxColoringFeature>());
    features.push_back(std::make_unique<TidyFeature>());
    features.push_back(std::make_unique<FolderSidebarFeature>());
    features.push_back(std::make_unique<FindReplaceFeature>());
    features.push_back(std::make_unique<GoToLineFeature>());
    features.push_back(std::make_unique<LineFilterFeature>());
    features.push_back(std::make_unique<PreviewModesFeature>());
    features.push_back(std::make_unique<LargeFileFeature>());
    features.push_back(std::make_unique<HexViewFeature>());
    features.push_back(std::make_unique<FollowFeature>());
    return features;
}

void installApplicationFeatures(const ApplicationFeatures& application)
{
    FolderWindows::install(application.documents, application.hosts);
    FolderSession::windowStateSaveRequest() = application.scheduleWindowStateSave;
}

} // namespace EditorWindow
