// The editor as it starts for a user: its menus in the language of the environment.

#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

struct Shown
{
    std::vector<std::string> menus;
    std::string status; // the first status line: name, position, encoding, ending, indent, language
};

// Starts the editor with `environment` and `file`, reads its menu titles and status once its
// window shows and ends it.
Shown shownByTheEditor(const std::vector<std::string>& environment,
                       const std::filesystem::path& root,
                       const std::filesystem::path& file)
{
    auto report = root / "menus.txt";
    auto status = root / "status.txt";
    std::filesystem::remove(report);
    std::filesystem::remove(status);
    std::vector<std::string> entries = environment;
    entries.push_back("OLV_MENU_REPORT=" + report.string());
    entries.push_back("OLV_STATUS_REPORT=" + status.string());
    pid_t child = ::fork();
    if (child == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> envp;
        for (const auto& entry : entries)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        std::string path = file.string();
        char* argv[] = {const_cast<char*>(OLV_EDITOR_BINARY), path.data(), nullptr};
        ::execve(OLV_EDITOR_BINARY, argv, envp.data());
        ::_exit(127);
    }
    Shown shown;
    for (int i = 0; i < 400 && (shown.menus.empty() || shown.status.empty()); ++i) {
        std::this_thread::sleep_for(25ms);
        shown.menus.clear();
        std::ifstream in(report);
        for (std::string line; std::getline(in, line);)
            shown.menus.push_back(line);
        std::ifstream statusIn(status);
        std::getline(statusIn, shown.status);
    }
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    return shown;
}

} // namespace

TEST(InterfaceLanguage, theEditorsMenusFollowTheEnvironment)
{
    TemporaryFolder root;
    for (const char* name : {"home", "data", "config", "state", "run"})
        std::filesystem::create_directories(root.path() / name);
    auto file = root.path() / "notes.txt";
    std::ofstream(file) << "notes\n";
    const std::vector<std::string> base = {
        "HOME=" + (root.path() / "home").string(),
        "XDG_DATA_HOME=" + (root.path() / "data").string(),
        "XDG_CONFIG_HOME=" + (root.path() / "config").string(),
        "XDG_STATE_HOME=" + (root.path() / "state").string(),
        "XDG_RUNTIME_DIR=" + (root.path() / "run").string(),
        "PATH=/usr/bin:/bin",
        "QT_QPA_PLATFORM=offscreen",
    };
    struct Case
    {
        std::vector<std::string> locale;
        const char* fileMenu;
        const char* editMenu;
        const char* language; // the status bar's
    };
    const Case cases[] = {
        {{"LANG=en_US.UTF-8"}, "File", "Edit", "Plain Text"},
        {{"LANG=ja_JP.UTF-8"}, "ファイル", "編集", "標準テキスト"},
        {{"LANG=ko_KR.UTF-8"}, "파일", "편집", "일반 텍스트"},
        {{"LANG=en_US.UTF-8", "LC_MESSAGES=ja_JP.UTF-8"}, "ファイル", "編集", "標準テキスト"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.back());
        auto environment = base;
        environment.insert(environment.end(), c.locale.begin(), c.locale.end());
        auto shown = shownByTheEditor(environment, root.path(), file);
        ASSERT_GE(shown.menus.size(), 3u);
        EXPECT_EQ(shown.menus[1], c.fileMenu);
        EXPECT_EQ(shown.menus[2], c.editMenu);
        EXPECT_TRUE(shown.status.ends_with(std::string("\t") + c.language)) << shown.status;
    }
}
