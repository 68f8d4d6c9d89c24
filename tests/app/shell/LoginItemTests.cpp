// The autostart entry: its text, what counts as ours and enabled, and the sync table.

#include "app/shell/LoginItem.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace LoginItem = EditorShell::LoginItem;

namespace {

std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

} // namespace

TEST(LoginItem, theEntryStartsThisBinaryAsALoginLaunch)
{
    EXPECT_EQ(LoginItem::autostartFile(),
              std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "autostart"
                  / "app.orlune.viewer.desktop");
    // Quoted only when the path needs it: xdg-utils runs the first word as it is.
    const std::filesystem::path binary = "/opt/Orlune Viewer/lib/orlune-viewer";
    EXPECT_EQ(LoginItem::entryText(binary),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Orlune Viewer\n"
              "Exec=\"/opt/Orlune Viewer/lib/orlune-viewer\" --login-item\n"
              "TryExec=/opt/Orlune Viewer/lib/orlune-viewer\n"
              "Terminal=false\n"
              "NoDisplay=true\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_NE(LoginItem::entryText("/usr/lib/orlune-viewer/orlune-viewer")
                  .find("\nExec=/usr/lib/orlune-viewer/orlune-viewer --login-item\n"),
              std::string::npos);
    // Characters the Exec line must escape come back unchanged.
    for (const char* odd : {"/opt/a\"b/viewer",
                            "/opt/100%/viewer",
                            "/opt/$HOME/v",
                            "/opt/a\\b/v",
                            "/opt/a b/v",
                            "/opt/line\nbreak/v"}) {
        EXPECT_EQ(LoginItem::execProgram(LoginItem::entryText(odd)), odd);
        EXPECT_TRUE(LoginItem::isEnabled(LoginItem::entryText(odd), odd)) << odd;
    }
    EXPECT_EQ(LoginItem::execProgram("[Desktop Entry]\nExec=/usr/bin/other --x\n"),
              "/usr/bin/other");
    EXPECT_EQ(LoginItem::execProgram("[Other]\nExec=/usr/bin/other\n"), "");
}

TEST(LoginItem, syncWritesOrRemovesOnlyWhatTheSettingAndTheEntryCallFor)
{
    TemporaryFolder folder;
    const auto file = folder / "autostart" / "app.orlune.viewer.desktop";
    const std::filesystem::path binary = "/usr/lib/orlune-viewer/orlune-viewer";
    const std::string ours = LoginItem::entryText(binary);
    const std::string another = "[Desktop Entry]\nType=Application\nExec=/usr/bin/other\n";
    // Written by the editor of another installation (an older prefix, the build tree).
    const std::string elsewhere = LoginItem::entryText("/opt/old/lib/orlune-viewer/orlune-viewer");
    const std::string hidden = ours + "Hidden=true\n";
    std::string switchedOff = ours;
    switchedOff.replace(switchedOff.find("enabled=true"), 12, "enabled=false");

    struct Case
    {
        const char* name;
        bool setting;
        std::optional<std::string> before;
        std::optional<std::string> after;
    };
    const Case cases[] = {
        {"on, missing: written", true, std::nullopt, ours},
        {"on, present: kept", true, ours + "# mine\n", ours + "# mine\n"},
        {"on, switched off: written again", true, switchedOff, ours},
        {"on, hidden: written again", true, hidden, ours},
        {"on, another program's: ours now", true, another, ours},
        {"off, ours: removed", false, ours, std::nullopt},
        {"off, another program's: kept", false, another, another},
        {"off, switched off: removed", false, switchedOff, std::nullopt},
        {"off, another installation's: removed", false, elsewhere, std::nullopt},
        {"on, another installation's: this one's now", true, elsewhere, ours},
        {"off, missing: nothing", false, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file);
        if (c.before)
            writeText(file, *c.before);
        std::vector<std::string> logged;
        LoginItem::sync(
            c.setting, file, binary, [&](std::string_view m) { logged.emplace_back(m); });
        EXPECT_TRUE(logged.empty());
        EXPECT_EQ(std::filesystem::exists(file), c.after.has_value());
        if (c.after && std::filesystem::exists(file)) {
            EXPECT_EQ(readText(file), *c.after);
        }
    }
}

TEST(LoginItem, aFailureIsLoggedAndNothingElseHappens)
{
    TemporaryFolder folder;
    // A regular file where the autostart folder should be.
    writeText(folder / "autostart", "not a folder");
    std::vector<std::string> logged;
    LoginItem::sync(true,
                    folder / "autostart" / "app.orlune.viewer.desktop",
                    "/usr/bin/orlune-viewer",
                    [&](std::string_view m) { logged.emplace_back(m); });
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind("login item: ", 0), 0u) << logged[0];
    EXPECT_EQ(readText(folder / "autostart"), "not a folder");
}
