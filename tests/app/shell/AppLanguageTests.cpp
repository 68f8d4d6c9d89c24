// The interface language: what the launch writes, what the interface loads, the name for
// "system", the relaunch shell, and the real editor after "en" was chosen.

#include "app/shell/AppLanguage.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace AppLanguage = EditorShell::AppLanguage;
using Platform::PreferencesDomain;
using Platform::PreferenceValue;
using namespace std::chrono_literals;

namespace {

using Strings = std::vector<std::string>;

std::function<QByteArray(const char*)> environment(std::map<std::string, QByteArray> values)
{
    return [values](const char* name) {
        auto found = values.find(name);
        return found == values.end() ? QByteArray() : found->second;
    };
}

std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(AppLanguage, applyAtLaunchWritesOnlyWhatIsNotAlreadyOurs)
{
    TemporaryFolder folder;
    struct Case
    {
        const char* name;
        std::string language;
        std::optional<PreferenceValue> applied, list; // before
        std::optional<PreferenceValue> appliedAfter, listAfter;
        bool rewritten;
    };
    const Case cases[] = {
        {"a first choice",
         "en",
         {},
         {},
         PreferenceValue("en"),
         PreferenceValue(Strings{"en"}),
         true},
        {"the same again",
         "en",
         PreferenceValue("en"),
         PreferenceValue(Strings{"en"}),
         PreferenceValue("en"),
         PreferenceValue(Strings{"en"}),
         false},
        {"changed by someone else",
         "en",
         PreferenceValue("en"),
         PreferenceValue(Strings{"fr", "en"}),
         PreferenceValue("en"),
         PreferenceValue(Strings{"en"}),
         true},
        {"another choice",
         "ja",
         PreferenceValue("en"),
         PreferenceValue(Strings{"en"}),
         PreferenceValue("ja"),
         PreferenceValue(Strings{"ja"}),
         true},
        {"back to system",
         "system",
         PreferenceValue("en"),
         PreferenceValue(Strings{"en"}),
         {},
         {},
         true},
        {"the user's own list survives",
         "system",
         {},
         PreferenceValue(Strings{"de"}),
         {},
         PreferenceValue(Strings{"de"}),
         false},
        {"system with nothing stored", "system", {}, {}, {}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder / "app-defaults.json";
        std::filesystem::remove(file);
        PreferencesDomain own(file);
        ASSERT_TRUE(own.set("other", PreferenceValue(std::int64_t{1})));
        if (c.applied) {
            ASSERT_TRUE(own.set("OLAppliedLanguage", *c.applied));
        }
        if (c.list) {
            ASSERT_TRUE(own.set("AppleLanguages", *c.list));
        }
        const auto before = std::filesystem::last_write_time(file);
        const std::string text = readText(file);
        std::this_thread::sleep_for(10ms);
        AppLanguage::applyAtLaunch(c.language, own);
        PreferencesDomain after(file);
        EXPECT_EQ(after.object("OLAppliedLanguage"), c.appliedAfter);
        EXPECT_EQ(after.object("AppleLanguages"), c.listAfter);
        EXPECT_EQ(after.object("other"), PreferenceValue(std::int64_t{1}));
        if (!c.rewritten) {
            EXPECT_EQ(std::filesystem::last_write_time(file), before);
            EXPECT_EQ(readText(file), text);
        }
    }
}

TEST(AppLanguage, theInterfaceLoadsTheStoredChoiceElseTheEnvironments)
{
    TemporaryFolder folder;
    PreferencesDomain own(folder / "app-defaults.json");
    const auto french = environment({{"LANG", "fr_FR.UTF-8"}});
    const auto japanese = environment({{"LANGUAGE", "de:ja"}, {"LANG", "en_US.UTF-8"}});
    EXPECT_EQ(AppLanguage::interfaceLanguage(own, french), QStringLiteral("ko"));
    EXPECT_EQ(AppLanguage::interfaceLanguage(own, japanese), QStringLiteral("ja"));
    ASSERT_TRUE(own.set("AppleLanguages", Strings{"en"}));
    EXPECT_EQ(AppLanguage::interfaceLanguage(own, japanese), QStringLiteral("en"));
    // Only a one-element list of one of ours decides.
    ASSERT_TRUE(own.set("AppleLanguages", Strings{"en", "ja"}));
    EXPECT_EQ(AppLanguage::interfaceLanguage(own, french), QStringLiteral("ko"));
    ASSERT_TRUE(own.set("AppleLanguages", Strings{"de"}));
    EXPECT_EQ(AppLanguage::interfaceLanguage(own, japanese), QStringLiteral("ja"));
}

TEST(AppLanguage, systemLanguageNameFollowsTheUsersLanguages)
{
    struct Case
    {
        std::map<std::string, QByteArray> variables;
        const char* name;
    };
    const Case cases[] = {
        {{{"LANG", "en_GB.UTF-8"}}, "English"},
        {{{"LANG", "ja_JP.UTF-8"}}, "日本語"},
        {{{"LANG", "ko_KR.UTF-8"}}, "한국어"},
        {{{"LANG", "fr_FR.UTF-8"}}, "한국어"},
        {{{"LANGUAGE", "fr:ja"}, {"LANG", "en_US.UTF-8"}}, "日本語"},
        {{{"LC_ALL", "C"}}, "한국어"},
        {{}, "한국어"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppLanguage::systemLanguageName(environment(c.variables)),
                  QString::fromUtf8(c.name));
}

namespace {

// A process that lives for `lifetime` and is reaped as soon as it ends (a zombie would still
// answer "kill -0").
struct StandIn
{
    pid_t pid = 0;
    std::thread reaper;

    explicit StandIn(std::chrono::milliseconds lifetime)
    {
        pid = ::fork();
        if (pid == 0) {
            std::this_thread::sleep_for(lifetime);
            ::_exit(0);
        }
        reaper = std::thread([id = pid] { ::waitpid(id, nullptr, 0); });
    }
    ~StandIn()
    {
        ::kill(pid, SIGKILL);
        reaper.join();
    }
};

} // namespace

TEST(AppLanguage, theRelaunchShellStartsTheBinaryOnceOnlyAfterTheProcessEnded)
{
    TemporaryFolder folder;
    const auto started = folder / "started.txt";
    const auto binary = folder / "stand-in binary";
    std::ofstream(binary) << "#!/bin/sh\necho started >> '" << started.string() << "'\n";
    std::filesystem::permissions(binary, std::filesystem::perms::owner_all);

    {
        StandIn running(800ms);
        ASSERT_TRUE(AppLanguage::startRelaunchShell(running.pid, binary.string()));
        std::this_thread::sleep_for(400ms);
        EXPECT_FALSE(std::filesystem::exists(started)) << "the process still runs";
        for (int i = 0; i < 60 && !std::filesystem::exists(started); ++i)
            std::this_thread::sleep_for(50ms);
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(readText(started), "started\n");
    }

    // A quit that takes longer than the shell waits (here 5 × 0.1 s) means no relaunch.
    std::filesystem::remove(started);
    StandIn slow(3000ms);
    ASSERT_TRUE(AppLanguage::startRelaunchShell(slow.pid, binary.string(), 5));
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(std::filesystem::exists(started));
    EXPECT_NE(AppLanguage::relaunchScript(42).find("[ $i -lt 100 ]"), std::string::npos);
}

TEST(AppLanguage, theEditorStartedAfterEnglishWasChosenShowsEnglishMenus)
{
    TemporaryFolder root;
    for (const char* name : {"home", "data", "config/orlune-viewer", "state", "run"})
        std::filesystem::create_directories(root / name);
    std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
    std::ofstream(root / "config/orlune-viewer/group-defaults.json")
        << R"({"general.language": "en"})";
    const auto report = root / "menus.txt";
    std::vector<std::string> variables = {
        "HOME=" + (root / "home").string(),
        "XDG_DATA_HOME=" + (root / "data").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "XDG_STATE_HOME=" + (root / "state").string(),
        "XDG_RUNTIME_DIR=" + (root / "run").string(),
        "QT_QPA_PLATFORM=offscreen",
        "LANG=ko_KR.UTF-8",
        "OLV_MENU_REPORT=" + report.string(),
    };
    pid_t child = ::fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> envp;
        for (auto& entry : variables)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(OLV_EDITOR_BINARY), nullptr};
        ::execve(OLV_EDITOR_BINARY, argv, envp.data());
        ::_exit(127);
    }
    std::string menus;
    for (int i = 0; i < 400 && menus.empty(); ++i) {
        std::this_thread::sleep_for(25ms);
        menus = readText(report);
    }
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    EXPECT_NE(menus.find("File\n"), std::string::npos) << menus;
    PreferencesDomain own(root / "config/orlune-viewer/app-defaults.json");
    EXPECT_EQ(own.object("AppleLanguages"), PreferenceValue(Strings{"en"}));
    EXPECT_EQ(own.object("OLAppliedLanguage"), PreferenceValue(std::string("en")));
}
