// The one-time take-over from the memo application, on fixture folders; and the program
// entry's switches, with the real editor.

#include "app/shell/MemoMigration.h"
#include "platform/PreferencesDomain.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace MemoMigration = EditorShell::MemoMigration;
using Platform::PreferencesDomain;
using Platform::PreferenceValue;

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

struct Migration : ::testing::Test
{
    TemporaryFolder root;
    MemoMigration::Places places{root / "memo/group-defaults.json",
                                 root / "memo/app-defaults.json",
                                 root / "memo-data",
                                 root / "ours/group-defaults.json",
                                 root / "ours/app-defaults.json",
                                 root / "ours-data"};
    std::vector<std::string> recorded;

    void run()
    {
        MemoMigration::runIfNeeded(places,
                                   [this](EditorStore::ErrorLog::Level,
                                          std::string_view key,
                                          const EditorStore::ErrorLog::Fields& fields) {
                                       std::string line(key);
                                       for (const auto& [name, value] : fields)
                                           line += " " + name + "=" + value;
                                       recorded.push_back(line);
                                   });
    }

    std::optional<PreferenceValue> group(std::string_view key)
    {
        return PreferencesDomain(places.groupPreferences).object(key);
    }
    std::optional<PreferenceValue> own(std::string_view key)
    {
        return PreferencesDomain(places.ownPreferences).object(key);
    }
    bool done() { return group(MemoMigration::doneKey) == PreferenceValue(true); }
};

} // namespace

TEST_F(Migration, withNothingToTakeOverTheFlagIsSetAndNothingRecorded)
{
    // The memo application's own preferences alone do not count.
    writeText(places.memoOwnPreferences, R"({"OLKey": "x"})");
    run();
    EXPECT_TRUE(done());
    EXPECT_TRUE(recorded.empty());
    EXPECT_FALSE(own("OLKey").has_value());
}

TEST_F(Migration, takesOverOnlyWhatIsMissingAndKeepsLinksAsLinks)
{
    writeText(places.memoGroupPreferences,
              R"({"editor.fontSize": 15, "view.theme": "dark", "NSWindow Frame main": "0 0 10 10",
                  "recent": ["a", "b"], "odd": null})");
    writeText(places.groupPreferences, R"({"view.theme": "light", "theirs": 1})");
    writeText(places.memoOwnPreferences,
              R"({"NSNavLastRootDirectory": "~/x", "OLGrammarsURL": "https://memo.example/",
                  "kept": "memo's"})");
    writeText(places.ownPreferences, R"({"kept": "ours"})");
    writeText(places.memoData / "Scratch" / "a.txt", "kept text");
    writeText(places.memoData / "notes.txt", "notes");
    std::filesystem::create_symlink("notes.txt", places.memoData / "link");
    writeText(places.memoData / "taken.txt", "memo's");
    writeText(places.data / "taken.txt", "ours");

    run();
    EXPECT_TRUE(done());
    EXPECT_EQ(recorded, (std::vector<std::string>{"migration.fromMemo"}));
    // Group keys whatever their prefix; ours stay.
    EXPECT_EQ(group("editor.fontSize"), PreferenceValue(std::int64_t{15}));
    EXPECT_EQ(group("view.theme"), PreferenceValue(std::string("light")));
    EXPECT_EQ(group("NSWindow Frame main"), PreferenceValue(std::string("0 0 10 10")));
    EXPECT_EQ(group("recent"), PreferenceValue(std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(group("theirs"), PreferenceValue(std::int64_t{1}));
    // Own keys except the framework's.
    EXPECT_FALSE(own("NSNavLastRootDirectory").has_value());
    EXPECT_EQ(own("OLGrammarsURL"), PreferenceValue(std::string("https://memo.example/")));
    EXPECT_EQ(own("kept"), PreferenceValue(std::string("ours")));
    // Files: whole folders, links as links, nothing of ours replaced or merged.
    EXPECT_EQ(readText(places.data / "Scratch" / "a.txt"), "kept text");
    EXPECT_TRUE(std::filesystem::is_symlink(places.data / "link"));
    EXPECT_EQ(std::filesystem::read_symlink(places.data / "link"), "notes.txt");
    EXPECT_EQ(readText(places.data / "taken.txt"), "ours");

    // Once done, never again.
    writeText(places.memoGroupPreferences, R"({"later": true})");
    recorded.clear();
    run();
    EXPECT_FALSE(group("later").has_value());
    EXPECT_TRUE(recorded.empty());
}

TEST_F(Migration, aFailedCopyIsRecordedAndTheOthersGoOn)
{
    writeText(places.memoData / "a.txt", "a");
    ASSERT_EQ(::mkfifo((places.memoData / "pipe").c_str(), 0600), 0);
    writeText(places.memoData / "z.txt", "z");
    run();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].rfind("migration.copy item=pipe error=", 0), 0u) << recorded[0];
    EXPECT_EQ(recorded[1], "migration.fromMemo");
    EXPECT_EQ(readText(places.data / "a.txt"), "a");
    EXPECT_EQ(readText(places.data / "z.txt"), "z");
    EXPECT_TRUE(done());
}

TEST_F(Migration, unopenableGroupPreferencesLeaveEverythingForTheNextStart)
{
    writeText(places.memoGroupPreferences, R"({"editor.fontSize": 15})");
    writeText(places.memoData / "a.txt", "a");
    writeText(places.groupPreferences, "{not json");
    run();
    EXPECT_EQ(readText(places.groupPreferences), "{not json");
    EXPECT_FALSE(std::filesystem::exists(places.data / "a.txt"));
    EXPECT_TRUE(recorded.empty());

    // An unreadable memo preferences file is skipped; the files still come.
    writeText(places.groupPreferences, "{}");
    writeText(places.memoGroupPreferences, "[1, 2]");
    run();
    EXPECT_TRUE(done());
    EXPECT_EQ(readText(places.data / "a.txt"), "a");
}

namespace {

// Starts the editor with its folders in `root` and `arguments`; ends it once its window has
// shown (or it ended by itself).
void startEditor(const std::filesystem::path& root, const std::vector<std::string>& arguments)
{
    const auto shown = root / "shown.txt";
    std::filesystem::remove(shown);
    const bool measuring =
        std::find(arguments.begin(), arguments.end(), "-OLMeasureOutput") != arguments.end();
    std::vector<std::string> environment = {
        "HOME=" + (root / "home").string(),
        "XDG_DATA_HOME=" + (root / "data").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "XDG_STATE_HOME=" + (root / "state").string(),
        "XDG_RUNTIME_DIR=" + (root / "run").string(),
        "QT_QPA_PLATFORM=offscreen",
        "OLV_SHOWN_REPORT=" + shown.string(),
    };
    pid_t child = ::fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> envp;
        for (auto& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::vector<std::string> words = {OLV_EDITOR_BINARY};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        ::execve(OLV_EDITOR_BINARY, argv.data(), envp.data());
        ::_exit(127);
    }
    for (int i = 0; i < 400; ++i) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return;
        // A measured launch ends by itself once its report is written.
        if (!measuring && std::filesystem::exists(shown) && std::filesystem::file_size(shown) > 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
}

} // namespace

TEST(MemoMigrationAtLaunch, measuringAndOLNoMigrationSkipItAndAPlainStartRunsIt)
{
    TemporaryFolder root;
    for (const char* name : {"home", "data", "config", "state"})
        std::filesystem::create_directories(root / name);
    std::filesystem::create_directories(root / "run");
    std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
    writeText(root / "data" / "app.orlune.memo" / "memo.txt", "from the memo application");
    const auto flag = [&] {
        return PreferencesDomain(root / "config" / "orlune-viewer" / "group-defaults.json")
            .object(MemoMigration::doneKey);
    };
    const auto copied = root / "data" / "app.orlune.viewer" / "memo.txt";

    // Measuring also skips the login item's sync.
    const auto autostart = root / "config" / "autostart" / "app.orlune.viewer.desktop";
    startEditor(root.path(), {"-OLMeasureOutput", (root / "report.txt").string()});
    EXPECT_TRUE(std::filesystem::exists(root / "report.txt")) << "the measured launch ran";
    EXPECT_FALSE(flag().has_value());
    EXPECT_FALSE(std::filesystem::exists(copied));
    EXPECT_FALSE(std::filesystem::exists(autostart));

    startEditor(root.path(), {"-OLNoMigration", "YES"});
    EXPECT_FALSE(flag().has_value());
    EXPECT_FALSE(std::filesystem::exists(copied));
    EXPECT_NE(readText(autostart).find("--login-item"), std::string::npos) << "synced as usual";

    startEditor(root.path(), {});
    EXPECT_EQ(flag(), PreferenceValue(true));
    EXPECT_EQ(readText(copied), "from the memo application");
}
