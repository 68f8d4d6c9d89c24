// The features every document window gets. A new window feature is a part of its own plus
// one line here.
#include "app/window/DiskStatesFeature.h"
#include "app/window/FileWatcherFeature.h"
#include "app/window/FindReplaceFeature.h"
#include "app/window/FolderSidebarFeature.h"
#include "app/window/FollowFeature.h"
#include "app/window/FormatMenusFeature.h"
#include "app/window/GoToLineFeature.h"
#include "app/window/GrammarBannerFeature.h"
#include "app/window/LineFilterFeature.h"
#include "app/window/HexViewFeature.h"
#include "app/window/LargeFileFeature.h"
#include "app/window/LineNumbersFeature.h"
#include "app/window/PreviewModesFeature.h"
#include "app/window/PrintingFeature.h"
#include "app/window/SuspiciousMarksFeature.h"
#include "app/window/SyntaxColoringFeature.h"
#include "app/window/TidyFeature.h"
#include "app/window/ToolBandFeature.h"
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

} // namespace EditorWindow
