// The editor started for real, offscreen with a home of its own: the launch report, the
// untitled document of a launch and of a reopen, the options of the desktop entry and the
// crash record.

#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> readLines(const std::filesystem::path& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s)
{
    for (auto end = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(25ms))
        if (condition())
            return true;
    return condition();
}

// One home for the editors a test starts; they end with the test.
struct Home
{
    TemporaryFolder root;
    std::vector<pid_t> running;

    Home()
    {
        for (const char* name : {"home", "data", "config", "state", "run"})
            std::filesystem::create_directories(root.path() / name);
        std::filesystem::permissions(root.path() / "run", std::filesystem::perms::owner_all);
    }

    ~Home()
    {
        for (pid_t child : running) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    std::filesystem::path path() const { return root.path(); }
    std::filesystem::path shown() const { return root.path() / "shown.txt"; }
    std::filesystem::path socket() const { return root.path() / "run" / "orlune-viewer.sock"; }
    std::filesystem::path eventLog() const
    {
        return root.path() / "state" / "Orlune Viewer" / "editor.log";
    }

    pid_t start(const std::vector<std::string>& arguments,
                const std::vector<std::string>& extraEnvironment = {})
    {
        std::vector<std::string> environment = {
            "HOME=" + (path() / "home").string(),
            "XDG_DATA_HOME=" + (path() / "data").string(),
            "XDG_CONFIG_HOME=" + (path() / "config").string(),
            "XDG_STATE_HOME=" + (path() / "state").string(),
            "XDG_RUNTIME_DIR=" + (path() / "run").string(),
            "PATH=/usr/bin:/bin",
            "LANG=en_US.UTF-8",
            "QT_QPA_PLATFORM=offscreen",
            "OLV_SHOWN_REPORT=" + shown().string(),
        };
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        pid_t child = ::fork();
        if (child == 0) {
            int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            std::vector<char*> envp;
            for (auto& entry : environment)
                envp.push_back(entry.data());
            envp.push_back(nullptr);
            std::vector<std::string> copies = arguments;
            std::vector<char*> argv{const_cast<char*>(OLV_EDITOR_BINARY)};
            for (auto& argument : copies)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::execve(OLV_EDITOR_BINARY, argv.data(), envp.data());
            ::_exit(127);
        }
        running.push_back(child);
        return child;
    }

    // The wait status once the process has ended, or none within the limit.
    std::optional<int> waitForExit(pid_t child, std::chrono::milliseconds limit = 30s)
    {
        std::optional<int> ended;
        waitFor(
            [&] {
                int status = 0;
                if (::waitpid(child, &status, WNOHANG) == child)
                    ended = status;
                return ended.has_value();
            },
            limit);
        if (ended)
            std::erase(running, child);
        return ended;
    }

    // The names of the documents shown so far, in the order their windows showed.
    std::vector<std::string> shownDocuments() const { return readLines(shown()); }
};

bool exitedWith(const std::optional<int>& status, int code)
{
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

} // namespace

TEST(Launch, measurementWritesOneReportWithThePhasesInLaunchOrderAndExits)
{
    struct Case
    {
        const char* name;
        bool withFile;
        std::vector<std::string> phases;
    };
    const std::vector<std::string> start = {
        "main", "m.language", "m.nsapp", "m.delegate", "willFinish", "menu", "requests", "theme"};
    // The document window's construction, in the order it is built.
    const std::vector<std::string> window = {"window",
                                             "w.nswindow",
                                             "w.toolbar",
                                             "w.textview",
                                             "w.views",
                                             "w.text",
                                             "w.options",
                                             "window.built",
                                             "window.status"};
    auto join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    // A file opens while the launch finishes; the untitled document comes after the question.
    const Case cases[] = {{"a file", true, join({start, window, {"didFinish", "restored"}})},
                          {"no file: the untitled question",
                           false,
                           join({start, {"didFinish", "restored", "askUntitled"}, window})}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Home home;
        auto file = home.path() / "notes.txt";
        std::ofstream(file) << "notes\n";
        auto report = home.path() / "report.txt";
        std::vector<std::string> arguments = {"-OLMeasureOutput", report.string()};
        if (c.withFile)
            arguments.push_back(file.string());
        auto ended = home.waitForExit(home.start(arguments));
        ASSERT_TRUE(exitedWith(ended, 0));
        std::string text = readText(report);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(
            text,
            match,
            std::regex(
                R"(firstWindowMs=(\d+) footprintMB=(\d+\.\d) phases=((?:[a-zA-Z.]+:\d+,)*[a-zA-Z.]+:\d+)\n)")))
            << text;
        EXPECT_GT(std::stod(match[2]), 1.0);
        std::vector<std::string> names;
        std::vector<long> times;
        std::string phases = match[3];
        std::regex phase(R"(([a-zA-Z.]+):(\d+))");
        for (auto it = std::sregex_iterator(phases.begin(), phases.end(), phase);
             it != std::sregex_iterator();
             ++it) {
            names.push_back((*it)[1]);
            times.push_back(std::stol((*it)[2]));
        }
        EXPECT_EQ(names, c.phases);
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
        EXPECT_GE(std::stol(match[1]), times.back());
    }
}

TEST(Launch, aFailedReportWriteStillExitsZero)
{
    Home home;
    auto report = home.path() / "no such folder" / "report.txt";
    auto ended = home.waitForExit(home.start({"-OLMeasureOutput", report.string()}));
    EXPECT_TRUE(exitedWith(ended, 0));
    EXPECT_FALSE(std::filesystem::exists(report));
}

TEST(Launch, aSettingThatFailsItsCheckIsLoggedOnce)
{
    Home home;
    // The launch report ends the run cleanly, with the log written.
    auto report = home.path() / "report.txt";
    auto ended =
        home.waitForExit(home.start({"-OLMeasureOutput", report.string(), "-view.theme", "sepia"}));
    ASSERT_TRUE(exitedWith(ended, 0));
    std::string log = readText(home.eventLog());
    const std::string line = "WARN settings.invalid key=view.theme";
    auto first = log.find(line);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("settings.invalid", first + line.size()), std::string::npos) << log;
}

TEST(Launch, aLoginLaunchOpensNothingUntilTheFirstReopen)
{
    Home home;
    home.start({"--login-item"});
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(home.socket()); }));
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(home.shownDocuments().empty()) << "neither an untitled nor a kept document";

    // A start without arguments is the reopen: the application has no window, so an untitled
    // document comes.
    auto second = home.start({});
    EXPECT_TRUE(exitedWith(home.waitForExit(second), 0)) << "handed over";
    ASSERT_TRUE(waitFor([&] { return home.shownDocuments().size() == 1; }));
    EXPECT_TRUE(home.shownDocuments()[0].starts_with("Untitled")) << home.shownDocuments()[0];

    // With a window visible, a reopen adds nothing.
    EXPECT_TRUE(exitedWith(home.waitForExit(home.start({})), 0));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(home.shownDocuments().size(), 1u);
}

TEST(Launch, newDocumentMakesAnUntitledDocumentAtLaunchAndOnHandOver)
{
    Home home;
    auto file = home.path() / "notes.txt";
    std::ofstream(file) << "notes\n";
    // The desktop entry hands files over as URLs.
    home.start({"--new-document", "file://" + file.string()});
    ASSERT_TRUE(waitFor([&] { return home.shownDocuments().size() == 2; }))
        << ::testing::PrintToString(home.shownDocuments());
    auto shown = home.shownDocuments();
    EXPECT_TRUE(shown[0].starts_with("Untitled")) << shown[0];
    EXPECT_EQ(shown[1], "notes.txt");

    EXPECT_TRUE(exitedWith(home.waitForExit(home.start({"--new-document"})), 0));
    ASSERT_TRUE(waitFor([&] { return home.shownDocuments().size() == 3; }));
    EXPECT_TRUE(home.shownDocuments()[2].starts_with("Untitled")) << home.shownDocuments()[2];
    EXPECT_FALSE(std::filesystem::exists(home.path() / "--new-document"));
}

TEST(Launch, anUncaughtExceptionIsRecordedInTheEventLog)
{
    Home home;
    auto file = home.path() / "notes.txt";
    std::ofstream(file) << "notes\n";
    auto ended = home.waitForExit(home.start({file.string()}, {"OLV_TEST_UNCAUGHT=1"}));
    ASSERT_TRUE(ended.has_value());
    // abort(), which the JavaScript engine's allocator may turn into a fault of its own.
    EXPECT_TRUE(WIFSIGNALED(*ended)) << *ended;
    EXPECT_NE(readText(home.eventLog()).find("ERROR crash.exception name=std::runtime_error"),
              std::string::npos)
        << readText(home.eventLog());
}
