// olv run as a program against a stand-in application that serves the socket and the mailbox.

#include "platform/AppSocket.h"
#include "tests/platform/TemporaryFolder.h"
#include "tool/OlvLaunch.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <variant>

using namespace std::chrono_literals;

namespace {

struct ProgramRun
{
    int status = -1;
    std::string standardOutput;
    std::string standardError;
    std::chrono::steady_clock::duration took{};
};

// The standard input of a program run: bytes through a pipe, /dev/null, or a terminal.
struct Terminal
{};
using Input = std::variant<std::monostate, std::string, Terminal>;

// Runs `arguments` (through PATH when the program has no slash) with exactly `environment`,
// in `folder`, feeding it `input` (none: /dev/null).
ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment,
                      const std::filesystem::path& folder,
                      const Input& input = {})
{
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return {};
    auto start = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0) {
        if (std::holds_alternative<std::string>(input)) {
            ::dup2(in[0], STDIN_FILENO);
        } else if (std::holds_alternative<Terminal>(input)) {
            int primary = ::posix_openpt(O_RDWR | O_NOCTTY);
            if (primary < 0 || ::grantpt(primary) != 0 || ::unlockpt(primary) != 0)
                ::_exit(125);
            int secondary = ::open(::ptsname(primary), O_RDWR | O_NOCTTY);
            ::dup2(secondary, STDIN_FILENO);
        } else {
            int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, STDIN_FILENO);
        }
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> argv, envp;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        for (const auto& entry : environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        // execvpe looks through this process's PATH, not the one given.
        for (const auto& entry : environment) {
            if (entry.starts_with("PATH="))
                ::setenv("PATH", entry.c_str() + 5, 1);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (const auto* bytes = std::get_if<std::string>(&input))
        (void)!::write(in[1], bytes->data(), bytes->size());
    ::close(in[1]);
    ProgramRun run;
    pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&run.standardOutput, &run.standardError};
    int open = 2;
    while (open > 0) {
        if (::poll(streams, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd < 0 || streams[i].revents == 0)
                continue;
            char buffer[4096];
            ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(got));
            } else {
                ::close(streams[i].fd);
                streams[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.took = std::chrono::steady_clock::now() - start;
    return run;
}

std::string contentOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

const std::string usageEnglish =
    "Usage: olv [-w] file[:line[:column]]…\n"
    "       command | olv\n"
    "  -w         wait until the tab is closed (as git's editor: git config --global "
    "core.editor \"olv -w\")\n"
    "  --version  version\n"
    "  --help     this help\n";

class OlvEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"home", "data", "config", "run", "install", "work"})
            std::filesystem::create_directories(m_root / name);
        m_olv = m_root / "install" / "olv";
        std::filesystem::copy_file(OLV_BINARY, m_olv);
        std::filesystem::permissions(m_olv, std::filesystem::perms::owner_all);
        std::filesystem::create_symlink(OLV_STAND_IN_BINARY, m_root / "install" / "orlune-viewer");
        std::ofstream(m_root / "install" / "Info.json")
            << R"({"identifier":"app.orlune.viewer","shortVersion":"3.2.1"})";
        std::ofstream(work("notes.txt")) << "notes\n";
        std::ofstream(work("other.txt")) << "other\n";
        std::filesystem::create_directory(work("folder"));
        m_environment = {
            "HOME=" + (m_root / "home").string(),
            "XDG_DATA_HOME=" + (m_root / "data").string(),
            "XDG_CONFIG_HOME=" + (m_root / "config").string(),
            "XDG_RUNTIME_DIR=" + (m_root / "run").string(),
            "PATH=/usr/local/bin:/usr/bin:/bin",
            "LANGUAGE=en",
            "STANDIN_LOG=" + (m_root / "stand-in.log").string(),
            "STANDIN_PIDFILE=" + (m_root / "stand-in.pid").string(),
        };
    }

    // Ends a stand-in that is still serving, but only when the recorded process is ours.
    void TearDown() override
    {
        for (pid_t child : m_children) {
            ::kill(child, SIGTERM);
            ::waitpid(child, nullptr, 0);
        }
        auto text = contentOf(m_root / "stand-in.pid");
        if (text.empty())
            return;
        pid_t pid = std::stoi(text);
        std::error_code error;
        auto exe = std::filesystem::read_symlink("/proc/" + text + "/exe", error);
        if (!error && exe == std::filesystem::canonical(OLV_STAND_IN_BINARY))
            ::kill(pid, SIGTERM);
    }

    std::filesystem::path work(const std::string& name) const { return m_root / "work" / name; }
    std::filesystem::path mailbox() const
    {
        return m_root / "data" / "K7QZ2MRT4W.app.orlune.viewer" / "Requests";
    }
    std::vector<std::string> mailboxFiles() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(mailbox(), error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void setEnvironment(const std::string& name, const std::string& value)
    {
        removeEnvironment(name);
        m_environment.push_back(name + "=" + value);
    }
    void removeEnvironment(const std::string& name)
    {
        std::erase_if(m_environment,
                      [&](const std::string& entry) { return entry.starts_with(name + "="); });
    }
    void setGroupLanguage(const std::string& jsonValue)
    {
        std::filesystem::create_directories(m_root / "config" / "orlune-viewer");
        std::ofstream(m_root / "config" / "orlune-viewer" / "group-defaults.json")
            << R"({"general.language":)" << jsonValue << "}";
    }

    // A stand-in that already runs, as one started earlier would: olv hands over to it
    // instead of starting one with the arguments.
    void startStandIn()
    {
        pid_t child = ::fork();
        if (child == 0) {
            int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            std::vector<char*> envp;
            for (const auto& entry : m_environment)
                envp.push_back(const_cast<char*>(entry.c_str()));
            envp.push_back(nullptr);
            char* argv[] = {const_cast<char*>(OLV_STAND_IN_BINARY), nullptr};
            ::execve(OLV_STAND_IN_BINARY, argv, envp.data());
            ::_exit(127);
        }
        m_children.push_back(child);
        auto socket = m_root / "run" / "orlune-viewer.sock";
        for (int i = 0; i < 200 && !std::filesystem::is_socket(socket); ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(std::filesystem::is_socket(socket));
    }

    ProgramRun olv(std::vector<std::string> arguments, const Input& input = {})
    {
        arguments.insert(arguments.begin(), m_olv.string());
        return runProgram(arguments, m_environment, m_root / "work", input);
    }

    // What the stand-in was handed and read, one entry per line of its log.
    std::vector<nlohmann::json> standInLog() const
    {
        std::vector<nlohmann::json> entries;
        std::ifstream in(m_root / "stand-in.log");
        for (std::string line; std::getline(in, line);)
            entries.push_back(nlohmann::json::parse(line));
        return entries;
    }
    std::vector<nlohmann::json> requests() const
    {
        std::vector<nlohmann::json> found;
        for (const auto& entry : standInLog()) {
            if (entry.contains("request"))
                found.push_back(entry["request"]);
        }
        return found;
    }

    TemporaryFolder m_root;
    std::filesystem::path m_olv;
    std::vector<std::string> m_environment;
    std::vector<pid_t> m_children;
};

} // namespace

TEST_F(OlvEndToEnd, aPlainFileIsHandedOverWithoutARequest)
{
    auto run = olv({"notes.txt", "folder"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    auto log = standInLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["handOver"],
              nlohmann::json({work("notes.txt").string(), work("folder").string()}));
    EXPECT_EQ(log[0]["activate"], true);
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});

    setEnvironment("OLV_BACKGROUND", "");
    EXPECT_EQ(olv({"other.txt"}).status, 0);
    EXPECT_EQ(standInLog().back()["activate"], false);
}

TEST_F(OlvEndToEnd, theFirstFilesLineAndColumnTravelInTheRequest)
{
    auto run = olv({"notes.txt:12:5", "other.txt:3"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    auto log = standInLog();
    ASSERT_EQ(log.size(), 3u);
    // The files first, then the request URL.
    EXPECT_EQ(log[0]["handOver"],
              nlohmann::json({work("notes.txt").string(), work("other.txt").string()}));
    ASSERT_EQ(log[1]["handOver"].size(), 1u);
    EXPECT_TRUE(
        log[1]["handOver"][0].get<std::string>().starts_with("orlune-viewer://request?id="));
    auto request = log[2]["request"];
    EXPECT_EQ("orlune-viewer://request?id=" + request["id"].get<std::string>(),
              log[1]["handOver"][0]);
    EXPECT_EQ(request["kind"], "open");
    EXPECT_EQ(request["paths"], log[0]["handOver"]);
    EXPECT_EQ(request["line"], 12);
    EXPECT_EQ(request["column"], 5);
    EXPECT_EQ(request["wait"], false);
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{}) << "the application removed it";

    // The largest line and column pass unchanged; one more is no number but part of the name.
    run = olv({"notes.txt:9223372036854775807:9223372036854775807"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    request = requests().back();
    EXPECT_EQ(request["line"].get<std::int64_t>(), INT64_MAX);
    EXPECT_EQ(request["column"].get<std::int64_t>(), INT64_MAX);
    run = olv({"notes.txt:9223372036854775808"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError,
              "olv: No such file: " + work("notes.txt:9223372036854775808").string() + "\n");
}

TEST_F(OlvEndToEnd, waitEndsWhenTheApplicationIsDone)
{
    auto run = olv({"-w", "notes.txt", "other.txt"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    auto request = requests().at(0);
    EXPECT_EQ(request["wait"], true);
    EXPECT_FALSE(request.contains("line"));
    EXPECT_EQ(request["paths"].size(), 2u);
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{}) << "olv removed .done and .ack";
}

TEST_F(OlvEndToEnd, aWaitedFolderIsFinishedAtOnce)
{
    auto run = olv({"--wait", "folder"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_LT(run.took, 10s);
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});
}

TEST_F(OlvEndToEnd, anApplicationThatQuitsEndsTheWait)
{
    for (const char* scenario : {"quit", "otherDone"}) {
        SCOPED_TRACE(scenario);
        setEnvironment("STANDIN_SCENARIO", scenario);
        auto run = olv({"-w", "notes.txt"});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.standardError, "olv: The app quit\n");
        for (const auto& name : mailboxFiles())
            EXPECT_FALSE(name.ends_with(".ack")) << name;
    }
    // The other request's answer is left to its own waiter.
    auto files = mailboxFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].ends_with(".done"));
}

TEST_F(OlvEndToEnd, aFileTheApplicationCouldNotOpenFailsTheWait)
{
    std::ofstream(work("never-opens.txt")) << "x";
    struct Case
    {
        const char* language;
        const char* message;
    };
    const Case cases[] = {{"\"ko\"", "olv: 앱이 파일을 열지 못했어요\n"},
                          {"\"en\"", "olv: The app couldn’t open the file\n"},
                          {"\"ja\"", "olv: アプリがファイルを開けませんでした\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        setGroupLanguage(c.language);
        auto run = olv({"-w", "never-opens.txt"});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.standardError, c.message);
        EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});
    }
}

TEST_F(OlvEndToEnd, noAcknowledgementGivesUpAfterThirtySeconds)
{
    // The stand-in writes its process identifier followed by a line feed: no acknowledgement.
    setEnvironment("STANDIN_SCENARIO", "ackLineFeed");
    auto run = olv({"-w", "notes.txt"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.standardError, "olv: The app didn’t accept the request\n");
    EXPECT_GT(run.took, 30s);
    EXPECT_LT(run.took, 40s);
}

TEST_F(OlvEndToEnd, standardInputBecomesAStdinRequest)
{
    auto run = olv({"-w"}, std::string("hi\n"));
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_LT(run.took, 10s);
    auto request = requests().at(0);
    EXPECT_EQ(request["kind"], "stdin");
    EXPECT_EQ(request["stdin"], "hi\n");
    EXPECT_EQ(request["wait"], false);
    EXPECT_EQ(request["paths"], nlohmann::json::array());

    run = olv({}, std::string());
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_EQ(requests().back()["stdin"], "");
}

TEST_F(OlvEndToEnd, atATerminalWithoutFilesOnlyTheApplicationIsOpened)
{
    auto run = olv({}, Terminal{});
    EXPECT_EQ(run.status, 0) << run.standardError;
    auto log = standInLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["handOver"], nlohmann::json::array());
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});
}

TEST_F(OlvEndToEnd, withoutARuntimeFolderTheSocketLivesInTheContainer)
{
    removeEnvironment("XDG_RUNTIME_DIR");
    auto run = olv({"-w", "notes.txt:2"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_EQ(requests().at(0)["line"], 2);
    EXPECT_TRUE(std::filesystem::is_socket(mailbox().parent_path() / "orlune-viewer.sock"));
    EXPECT_FALSE(std::filesystem::exists(m_root / "run" / "orlune-viewer.sock"));
}

TEST_F(OlvEndToEnd, handOverFailures)
{
    setEnvironment("STANDIN_SCENARIO", "refuse");
    startStandIn();
    auto run = olv({"notes.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError, "olv: Couldn’t open the file\n");

    // No installation beside olv: nothing to start.
    auto lonely = m_root / "work" / "olv";
    std::filesystem::copy_file(m_olv, lonely);
    setEnvironment("XDG_RUNTIME_DIR", (m_root / "home").string());
    for (const auto& [language, files, message] :
         {std::tuple{"\"en\"", true, "olv: Couldn’t open the file\n"},
          std::tuple{"\"ko\"", true, "olv: 열지 못했어요\n"},
          std::tuple{"\"ja\"", false, "olv: アプリを開けませんでした\n"},
          std::tuple{"\"ko\"", false, "olv: 앱을 열지 못했어요\n"},
          std::tuple{"\"en\"", false, "olv: Couldn’t open the app\n"}}) {
        SCOPED_TRACE(std::string(language) + message);
        setGroupLanguage(language);
        std::vector<std::string> arguments = {lonely.string()};
        if (files)
            arguments.push_back("notes.txt");
        run = runProgram(arguments, m_environment, m_root / "work", std::string("x"));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.standardError, message);
    }
}

TEST_F(OlvEndToEnd, anUnwritableMailboxStopsBeforeAnythingIsOpened)
{
    std::ofstream(m_root / "data" / "K7QZ2MRT4W.app.orlune.viewer") << "not a folder";
    removeEnvironment("XDG_RUNTIME_DIR");
    setEnvironment("XDG_RUNTIME_DIR", (m_root / "run").string());
    auto run = olv({}, std::string("input"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError, "olv: Couldn’t pass standard input: Not a directory\n");
    run = olv({"-w", "notes.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError, "olv: Couldn’t write the request: Not a directory\n");
    setGroupLanguage("\"ja\"");
    run = olv({"notes.txt:3"});
    EXPECT_EQ(run.standardError, "olv: 依頼を書き込めませんでした: Not a directory\n");
    setGroupLanguage("\"ko\"");
    run = olv({}, std::string("input"));
    EXPECT_EQ(run.standardError, "olv: 표준 입력을 넘기지 못했어요: Not a directory\n");
    EXPECT_EQ(standInLog().size(), 0u);
}

TEST_F(OlvEndToEnd, messagesFollowTheApplicationsLanguage)
{
    struct Case
    {
        const char* name;
        std::optional<std::string> groupLanguage; // JSON value
        const char* systemLanguage;
        const char* unknownOption;
    };
    const Case cases[] = {
        {"group ja over system ko", "\"ja\"", "ko_KR", "olv: 不明なオプションです: -x\n"},
        {"group ko", "\"ko\"", "en", "olv: 모르는 선택이에요: -x\n"},
        {"group en over system ja", "\"en\"", "ja", "olv: Unknown option: -x\n"},
        {"no group value, system ko-KR",
         std::nullopt,
         "ko_KR.UTF-8",
         "olv: 모르는 선택이에요: -x\n"},
        {"empty group value", "\"\"", "ja_JP", "olv: 不明なオプションです: -x\n"},
        {"other group value", "\"de\"", "ko", "olv: 모르는 선택이에요: -x\n"},
        {"group value not a text", "5", "ja", "olv: 不明なオプションです: -x\n"},
        {"system de-DE", std::nullopt, "de_DE", "olv: Unknown option: -x\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(m_root / "config" / "orlune-viewer" / "group-defaults.json");
        if (c.groupLanguage)
            setGroupLanguage(*c.groupLanguage);
        setEnvironment("LANGUAGE", c.systemLanguage);
        auto run = olv({"-x"});
        EXPECT_EQ(run.status, 64);
        EXPECT_TRUE(run.standardError.starts_with(c.unknownOption)) << run.standardError;
    }
}

TEST_F(OlvEndToEnd, everyMessageAndStatusInThreeLanguages)
{
    auto notes = work("notes.txt").string();
    auto folder = work("folder").string();
    auto missing = work("missing.txt").string();
    struct Case
    {
        const char* language;
        std::vector<std::string> arguments;
        int status;
        std::string standardOutput, standardError;
    };
    const std::string usageKorean = "쓰는 법: olv [-w] 파일[:줄[:칸]]…\n"
                                    "        명령 | olv\n"
                                    "  -w         탭을 닫을 때까지 기다린다 (git 의 편집기로: git "
                                    "config --global core.editor \"olv -w\")\n"
                                    "  --version  판\n"
                                    "  --help     이 도움말\n";
    const std::string usageJapanese = "使い方: olv [-w] ファイル[:行[:列]]…\n"
                                      "       コマンド | olv\n"
                                      "  -w         タブを閉じるまで待つ (git のエディタに: git "
                                      "config --global core.editor \"olv -w\")\n"
                                      "  --version  バージョン\n"
                                      "  --help     このヘルプ\n";
    const Case cases[] = {
        {"\"en\"", {"--help"}, 0, usageEnglish, ""},
        {"\"ko\"", {"-h"}, 0, usageKorean, ""},
        {"\"ja\"", {"--help"}, 0, usageJapanese, ""},
        {"\"ko\"", {"--version"}, 0, "olv 3.2.1\n", ""},
        {"\"en\"", {"--wat"}, 64, "", "olv: Unknown option: --wat\n" + usageEnglish},
        {"\"ko\"", {"--wat"}, 64, "", "olv: 모르는 선택이에요: --wat\n" + usageKorean},
        {"\"ja\"", {"--wat"}, 64, "", "olv: 不明なオプションです: --wat\n" + usageJapanese},
        {"\"en\"", {"missing.txt:4"}, 1, "", "olv: No such file: " + missing + "\n"},
        {"\"ko\"", {"missing.txt"}, 1, "", "olv: 파일이 없어요: " + missing + "\n"},
        {"\"ja\"", {"missing.txt"}, 1, "", "olv: ファイルがありません: " + missing + "\n"},
        {"\"en\"", {"folder:3"}, 1, "", "olv: A folder can’t take a line number: " + folder + "\n"},
        {"\"ko\"", {"folder:3"}, 1, "", "olv: 폴더에는 줄 번호를 붙일 수 없어요: " + folder + "\n"},
        {"\"ja\"", {"folder:3"}, 1, "", "olv: フォルダに行番号は付けられません: " + folder + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.arguments.front());
        setGroupLanguage(c.language);
        auto run = olv(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.standardOutput, c.standardOutput);
        EXPECT_EQ(run.standardError, c.standardError);
    }
    EXPECT_EQ(standInLog().size(), 0u) << "nothing was opened";
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});

    setEnvironment("STANDIN_SCENARIO", "quit");
    for (const auto& [language, message] : {std::pair{"\"ko\"", "olv: 앱이 닫혔어요\n"},
                                            std::pair{"\"ja\"", "olv: アプリが終了しました\n"}}) {
        setGroupLanguage(language);
        auto run = olv({"-w", "notes.txt"});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.standardError, message);
    }
}

TEST_F(OlvEndToEnd, theInstallationIsFoundThroughALinkAndThroughPath)
{
    std::filesystem::create_directories(m_root / "bin");
    std::filesystem::create_symlink(m_olv, m_root / "bin" / "olv");
    auto environment = m_environment;
    std::erase_if(environment, [](const std::string& e) { return e.starts_with("PATH="); });
    environment.push_back("PATH=" + (m_root / "bin").string() + ":/usr/bin:/bin");
    auto run = runProgram({"olv", "--version"}, environment, m_root / "work");
    EXPECT_EQ(run.standardOutput, "olv 3.2.1\n");
    run =
        runProgram({(m_root / "bin" / "olv").string(), "notes.txt"}, environment, m_root / "work");
    EXPECT_EQ(run.status, 0) << run.standardError;
    EXPECT_EQ(standInLog().size(), 1u);

    auto lonely = m_root / "work" / "olv";
    std::filesystem::copy_file(m_olv, lonely);
    run = runProgram({lonely.string(), "--version"}, m_environment, m_root / "work");
    EXPECT_EQ(run.standardOutput, "olv ?\n");
}

TEST_F(OlvEndToEnd, gitCommitWithOlvAsItsEditor)
{
    auto repository = work("repository");
    std::filesystem::create_directory(repository);
    auto git = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "git");
        return runProgram(arguments, m_environment, repository);
    };
    ASSERT_EQ(git({"init", "-q"}).status, 0);
    ASSERT_EQ(git({"config", "user.name", "Tester"}).status, 0);
    ASSERT_EQ(git({"config", "user.email", "tester@example.org"}).status, 0);
    std::ofstream(repository / "file.txt") << "content\n";
    ASSERT_EQ(git({"add", "file.txt"}).status, 0);

    setEnvironment("STANDIN_SCENARIO", "edit");
    setEnvironment("GIT_EDITOR", m_olv.string() + " -w");
    auto commit = git({"commit", "-q"});
    EXPECT_EQ(commit.status, 0) << commit.standardError;
    auto subject = git({"log", "-1", "--format=%s"});
    EXPECT_EQ(subject.standardOutput, "stand-in message\n");
    auto request = requests().at(0);
    EXPECT_EQ(request["wait"], true);
    EXPECT_TRUE(request["paths"][0].get<std::string>().ends_with(".git/COMMIT_EDITMSG"));
    EXPECT_EQ(mailboxFiles(), std::vector<std::string>{});
}

#ifdef OLV_EDITOR_BINARY
namespace {

// olv of the build tree with the real editor beside it in the build tree, offscreen.
class OlvWithTheEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"home", "data", "config", "state", "run", "work"})
            std::filesystem::create_directories(m_root / name);
        std::ofstream(work("notes.txt")) << "notes\n";
        std::ofstream(work("other.txt")) << "other\n";
        m_environment = {
            "HOME=" + (m_root / "home").string(),
            "XDG_DATA_HOME=" + (m_root / "data").string(),
            "XDG_CONFIG_HOME=" + (m_root / "config").string(),
            "XDG_STATE_HOME=" + (m_root / "state").string(),
            "XDG_RUNTIME_DIR=" + (m_root / "run").string(),
            "PATH=/usr/local/bin:/usr/bin:/bin",
            "LANGUAGE=en",
            "QT_QPA_PLATFORM=offscreen",
            "OLV_STATUS_REPORT=" + report().string(),
        };
    }

    // Ends the editor olv started, found as the peer of its socket.
    void TearDown() override
    {
        auto editor = editorProcess();
        if (!editor)
            return;
        ::kill(*editor, SIGTERM);
        for (int i = 0; i < 500 && ::kill(*editor, 0) == 0; ++i)
            std::this_thread::sleep_for(10ms);
    }

    std::optional<pid_t> editorProcess() const
    {
        auto connected = Platform::AppSocket::connect(m_root / "run" / "orlune-viewer.sock");
        if (!connected)
            return std::nullopt;
        ucred peer{};
        socklen_t size = sizeof peer;
        bool known = ::getsockopt(*connected, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
        ::close(*connected);
        if (!known || peer.pid <= 0)
            return std::nullopt;
        std::error_code error;
        auto exe =
            std::filesystem::read_symlink("/proc/" + std::to_string(peer.pid) + "/exe", error);
        if (error || exe != std::filesystem::canonical(OLV_EDITOR_BINARY))
            return std::nullopt;
        return peer.pid;
    }

    std::filesystem::path work(const std::string& name) const { return m_root / "work" / name; }
    std::filesystem::path report() const { return m_root / "status.txt"; }

    ProgramRun olv(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> all{OLV_BINARY};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runProgram(all, m_environment, m_root / "work");
    }

    // The names of the documents whose status was reported, in order, waiting until `name` is
    // among them.
    std::vector<std::string> reportedDocumentsUntil(const std::string& name) const
    {
        std::vector<std::string> names;
        for (int i = 0; i < 300; ++i) {
            names.clear();
            std::ifstream in(report());
            for (std::string line; std::getline(in, line);)
                names.push_back(line.substr(0, line.find('\t')));
            if (std::find(names.begin(), names.end(), name) != names.end())
                break;
            std::this_thread::sleep_for(50ms);
        }
        return names;
    }

    TemporaryFolder m_root;
    std::vector<std::string> m_environment;
};

} // namespace

TEST_F(OlvWithTheEditor, startsTheEditorOfTheBuildTreeWithJustTheFile)
{
    auto version = olv({"--version"});
    EXPECT_EQ(version.standardOutput, std::string("olv ") + OLV_VERSION + "\n");

    auto run = olv({"notes.txt"});
    ASSERT_EQ(run.status, 0) << run.standardError;
    auto names = reportedDocumentsUntil("notes.txt");
    ASSERT_FALSE(names.empty()) << "the editor never showed the file";
    // A status refresh that came late would name an untitled document too.
    std::this_thread::sleep_for(300ms);
    names = reportedDocumentsUntil("notes.txt");
    for (const auto& name : names)
        EXPECT_EQ(name, "notes.txt");

    // The running editor takes the next file as a tab of its own.
    run = olv({"other.txt"});
    EXPECT_EQ(run.status, 0) << run.standardError;
    names = reportedDocumentsUntil("other.txt");
    EXPECT_NE(std::find(names.begin(), names.end(), "other.txt"), names.end());
    EXPECT_TRUE(editorProcess().has_value());
}
#endif
