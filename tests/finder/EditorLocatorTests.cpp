// Finding the installed editor wherever it was installed, and what the extension says when it
// cannot start it.
#include "finder/AppWaker.h"
#include "finder/EditorLocator.h"
#include "finder/FinderTexts.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace OrluneViewerFinder;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// An executable stand-in that notes each start in `<its folder>/started`.
fs::path makeProgram(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "#!/bin/sh\necho started >>\"$(dirname \"$0\")/started\"\n";
    ::chmod(file.c_str(), 0755);
    return file;
}

void writeEntry(const fs::path& dataFolder, const std::string& body)
{
    fs::create_directories(dataFolder / "applications");
    std::ofstream(dataFolder / "applications" / EditorLocator::desktopEntryName)
        << "[Desktop Entry]\nType=Application\nName=Orlune Viewer\n" << body;
}

} // namespace

TEST(EditorLocator, theDesktopEntryThenBesideTheModuleThenPath)
{
    TemporaryFolder root;
    // Installed under a prefix nobody configured, with its module where the install put it.
    const auto prefix = root / "elsewhere";
    const auto application = makeProgram(prefix / "lib/orlune-viewer/orlune-viewer");
    const auto module = prefix / "lib/x86_64-linux-gnu/nautilus/extensions-4";
    fs::create_directories(module);
    const auto spaced = makeProgram(root / "with space/orlune-viewer");
    const auto onPath = makeProgram(root / "bin/orlune-viewer");
    // olv on the path links into an installation whose folder holds the application.
    const auto olvInstall = root / "olv-install/lib/orlune-viewer";
    makeProgram(olvInstall / "olv");
    const auto besideOlv = makeProgram(olvInstall / "orlune-viewer");
    fs::create_directories(root / "olv-bin");
    fs::create_symlink(olvInstall / "olv", root / "olv-bin/olv");

    const auto user = root / "data-home";
    const auto system = root / "data-system";
    const auto empty = root / "data-empty";
    writeEntry(system, "Exec=" + application.string() + " %U\n");
    const fs::path fromModule = "../../../orlune-viewer/orlune-viewer";

    using Source = EditorLocator::Source;
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
        EditorLocator::Places places;
        std::optional<EditorLocator::Found> expected;
    };
    const Case cases[] = {
        {"the system data folder's entry",
         [] {},
         {{empty, system}, std::nullopt, fromModule, {}},
         EditorLocator::Found{application, Source::desktopEntry}},
        {"a quoted, escaped Exec in the user's entry shadows the system's",
         [&] { writeEntry(user, "Exec=\"" + spaced.string() + "\" --new-document\n"); },
         {{user, system}, std::nullopt, fromModule, {}},
         EditorLocator::Found{spaced, Source::desktopEntry}},
        {"a bare name in Exec is looked up on PATH",
         [&] { writeEntry(user, "Exec=orlune-viewer %U\n"); },
         {{user}, std::nullopt, fromModule, {root / "bin"}},
         EditorLocator::Found{onPath, Source::desktopEntry}},
        {"an entry whose program is gone: beside the module",
         [&] { writeEntry(user, "Exec=/nonexistent/orlune-viewer %U\n"); },
         {{user, system}, module, fromModule, {root / "bin"}},
         EditorLocator::Found{application, Source::besideModule}},
        {"a hidden entry counts as none",
         [&] { writeEntry(user, "Hidden=true\nExec=" + spaced.string() + "\n"); },
         {{user}, module, fromModule, {}},
         EditorLocator::Found{application, Source::besideModule}},
        {"no entry, module elsewhere: PATH",
         [] {},
         {{empty}, root / "data-empty", fromModule, {root / "nothing", root / "bin"}},
         EditorLocator::Found{onPath, Source::path}},
        {"only olv on PATH: the application beside it",
         [] {},
         {{empty}, std::nullopt, fromModule, {root / "olv-bin"}},
         EditorLocator::Found{besideOlv, Source::path}},
        {"nowhere", [] {}, {{empty}, std::nullopt, fromModule, {root / "nothing"}}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(user);
        c.arrange();
        auto found = EditorLocator::find(c.places);
        EXPECT_EQ(found.has_value(), c.expected.has_value());
        if (found && c.expected) {
            EXPECT_EQ(found->application, c.expected->application);
            EXPECT_EQ(found->source, c.expected->source);
        }
    }
}

TEST(EditorLocator, theExecLineIsReadAsTheDesktopReadsIt)
{
    TemporaryFolder root;
    const auto entry = root / "applications" / EditorLocator::desktopEntryName;
    struct Case
    {
        const char* name;
        std::string exec;
        std::optional<fs::path> program;
    };
    const Case cases[] = {
        {"plain", "Exec=/opt/ov/orlune-viewer %U", fs::path("/opt/ov/orlune-viewer")},
        {"quoted with a blank", "Exec=\"/opt/o v/orlune-viewer\" %U", fs::path("/opt/o v/orlune-viewer")},
        // The key file's backslash escape comes first, then the quoting's.
        {"escaped quote and dollar",
         "Exec=\"/opt/a\\\\\"b\\\\$c/orlune-viewer\" %U",
         fs::path("/opt/a\"b$c/orlune-viewer")},
        {"a doubled percent sign", "Exec=/opt/100%%/orlune-viewer %U", fs::path("/opt/100%/orlune-viewer")},
        {"an open quote", "Exec=\"/opt/ov/orlune-viewer %U", std::nullopt},
        {"no Exec", "Name=x", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeEntry(root.path(), c.exec + "\n");
        EXPECT_EQ(EditorLocator::desktopEntryProgram(entry, {}), c.program);
    }
}

// The extension's start: the editor found through the desktop entry is started, and when it
// cannot be found or does not answer, the system log says where it looked and the user is
// told that the request waits for the editor's next start.
TEST(EditorLocator, theStartIsLoggedAndAFailureIsToldToTheUser)
{
    TemporaryFolder root;
    const auto application = makeProgram(root / "prefix/lib/orlune-viewer/orlune-viewer");
    writeEntry(root / "data", "Exec=" + application.string() + " %U\n");
    std::vector<std::string> errors, infos;
    std::vector<std::pair<std::string, std::string>> told;
    AppWaker::Report report;
    report.logError = [&](std::string_view m) { errors.emplace_back(m); };
    report.logInfo = [&](std::string_view m) { infos.emplace_back(m); };
    report.tellUser = [&](const std::string& t, const std::string& b) { told.emplace_back(t, b); };
    auto options = [&](const EditorLocator::Places& places) {
        auto result = AppWaker::optionsFor(places, report);
        result.socketPath = root / "orlune-viewer.sock";
        result.startTimeout = 500ms;
        result.pollInterval = 20ms;
        return result;
    };
    const std::string url = "orlune-viewer://request?id=0F0E0D0C-0B0A-4908-8706-050403020100";
    {
        SCOPED_TRACE("found, started, but it never listens");
        AppWaker::wakeOrTell(url, options({{root / "data"}, std::nullopt, {}, {}}), report);
        for (int i = 0; i < 100 && !fs::exists(application.parent_path() / "started"); ++i)
            std::this_thread::sleep_for(20ms);
        EXPECT_TRUE(fs::exists(application.parent_path() / "started"));
        ASSERT_EQ(infos.size(), 1u);
        EXPECT_EQ(infos[0], "started the editor " + application.string() + " (found by desktop entry)");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("never listened"), std::string::npos) << errors[0];
        EXPECT_NE(errors[0].find(url), std::string::npos) << errors[0];
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], AppWaker::failureNotice(AppWaker::WakeError::neverListened));
    }
    errors.clear();
    told.clear();
    {
        SCOPED_TRACE("not found anywhere");
        AppWaker::wakeOrTell(
            url, options({{root / "nothing"}, root.path(), "orlune-viewer", {root / "bin"}}), report);
        ASSERT_EQ(errors.size(), 2u);
        EXPECT_EQ(errors[0].rfind("editor not found; looked in desktop entries " + (root / "nothing").string(), 0), 0u)
            << errors[0];
        EXPECT_NE(errors[0].find("PATH " + (root / "bin").string()), std::string::npos) << errors[0];
        EXPECT_NE(errors[1].find("could not be started"), std::string::npos) << errors[1];
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], AppWaker::failureNotice(AppWaker::WakeError::couldNotStart));
    }
}

TEST(EditorLocator, theNoticeIsTranslated)
{
    const std::vector<std::string> english{"en_GB.UTF-8"}, japanese{"ja"}, german{"de_DE"};
    using namespace FinderTexts;
    EXPECT_EQ(localized(couldNotStartTitle, english), "Could not start Orlune Viewer");
    EXPECT_EQ(localized(couldNotStartTitle, japanese), "Orlune Viewerを起動できません");
    EXPECT_EQ(localized(editorNotFound, german), std::string(editorNotFound));
    EXPECT_NE(localized(editorDidNotAnswer, english), localized(editorNotFound, english));
}
