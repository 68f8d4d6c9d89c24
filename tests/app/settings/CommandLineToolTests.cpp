#include "app/settings/CommandLineTool.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace Tool = EditorSettings::CommandLineTool;
using EditorDocuments::AdminWriter::PrivilegeRunner;
using EditorDocuments::AdminWriter::ProcessRunner;
using EditorDocuments::AdminWriter::RunResult;

void touch(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
}

// An installation in a temporary prefix: <prefix>/lib/orlune-viewer/olv, the link in
// <prefix>/bin/olv.
class Prefix
{
public:
    explicit Prefix(const std::string& folderName = "prefix")
    {
        root = fs::path(dir.path().toStdString()) / folderName;
        paths.applicationFolder = root / "lib" / "orlune-viewer";
        paths.link = root / "bin" / "olv";
        touch(paths.innerProgram());
    }

    QTemporaryDir dir;
    fs::path root;
    Tool::Paths paths;
};

TEST(CommandLineTool, linkStateReadsWhatIsAtTheLinkPath)
{
    struct Case
    {
        const char* name;
        // Makes the item at the link path (and what it leads through); may change the paths.
        std::function<void(Prefix&)> make;
        std::function<Tool::LinkState(const Prefix&)> expected;
    };
    const std::vector<Case> cases = {
        {"nothing there", [](Prefix&) {}, [](const Prefix&) { return Tool::Missing{}; }},
        {"no link folder at all",
         [](Prefix& p) { p.paths.link = p.root / "nowhere" / "olv"; },
         [](const Prefix&) { return Tool::Missing{}; }},
        {"a regular file",
         [](Prefix& p) { touch(p.paths.link); },
         [](const Prefix& p) { return Tool::Other{p.paths.link.string()}; }},
        {"a relative link as the installation makes it",
         [](Prefix& p) {
             fs::create_directories(p.paths.linkFolder());
             fs::create_symlink("../lib/orlune-viewer/olv", p.paths.link);
         },
         [](const Prefix&) { return Tool::Installed{}; }},
        {"a link through another link",
         [](Prefix& p) {
             fs::create_directories(p.paths.linkFolder());
             fs::create_directories(p.root / "alias");
             fs::create_symlink(p.paths.innerProgram(), p.root / "alias" / "olv");
             fs::create_symlink(p.root / "alias" / "olv", p.paths.link);
         },
         [](const Prefix&) { return Tool::Installed{}; }},
        {"the application folder reached through a link",
         [](Prefix& p) {
             fs::create_directories(p.paths.linkFolder());
             fs::create_symlink(p.paths.innerProgram(), p.paths.link);
             fs::create_directory_symlink(p.paths.applicationFolder, p.root / "app-link");
             p.paths.applicationFolder = p.root / "app-link";
         },
         [](const Prefix&) { return Tool::Installed{}; }},
        {"a dangling link",
         [](Prefix& p) {
             fs::create_directories(p.paths.linkFolder());
             fs::create_symlink("../gone/olv", p.paths.link);
         },
         [](const Prefix&) { return Tool::Other{"../gone/olv"}; }},
        {"a link to another copy",
         [](Prefix& p) {
             touch(p.root / "copy" / "olv");
             fs::create_directories(p.paths.linkFolder());
             fs::create_symlink("../copy/./olv", p.paths.link);
         },
         // As the link holds it, not resolved.
         [](const Prefix&) { return Tool::Other{"../copy/./olv"}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prefix prefix;
        c.make(prefix);
        EXPECT_EQ(Tool::linkState(prefix.paths), c.expected(prefix));
    }
}

TEST(CommandLineTool, commandLinesWithTheFixedPaths)
{
    Tool::Paths paths;
    paths.applicationFolder = "/usr/local/lib/orlune-viewer";
    EXPECT_EQ(Tool::terminalCommand(paths),
              "sudo mkdir -p /usr/local/bin && sudo ln -sfT \"/usr/local/lib/orlune-viewer/olv\" "
              "/usr/local/bin/olv");
    EXPECT_EQ(Tool::removeCommand(paths), "/bin/rm /usr/local/bin/olv");

    paths.applicationFolder = "/opt/it's here";
    EXPECT_EQ(Tool::installCommand(paths),
              "/bin/mkdir -p /usr/local/bin && /bin/ln -sfT '/opt/it'\\''s here/olv' "
              "/usr/local/bin/olv");
}

TEST(CommandLineTool, terminalCommandSingleQuotesAPathTheShellWouldReadInDoubleQuotes)
{
    Tool::Paths paths;
    for (const char* folder : {"/opt/a\"b", "/opt/$HOME", "/opt/`id`", "/opt/back\\slash"}) {
        SCOPED_TRACE(folder);
        paths.applicationFolder = folder;
        const std::string command = Tool::terminalCommand(paths);
        EXPECT_NE(command.find(Tool::singleQuoted(paths.innerProgram().string())),
                  std::string::npos)
            << command;
        EXPECT_EQ(command.find("\"" + paths.innerProgram().string() + "\""), std::string::npos)
            << command;
    }
}

// The lines as a shell runs them, without privileges, into a prefix whose folder names hold
// every character that needs quoting.
TEST(CommandLineTool, theLinesMakeAndRemoveTheLinkWhenAShellRunsThem)
{
    Prefix prefix("it's \"$HOME\" `x` \\ here");
    prefix.paths.link = prefix.root / "new bin" / "olv";
    ProcessRunner shell("env");
    EXPECT_EQ(Tool::install(prefix.paths, shell), std::nullopt);
    EXPECT_EQ(Tool::linkState(prefix.paths), Tool::LinkState(Tool::Installed{}));
    EXPECT_EQ(Tool::remove(prefix.paths, shell), std::nullopt);
    EXPECT_EQ(Tool::linkState(prefix.paths), Tool::LinkState(Tool::Missing{}));

    // What the user pastes, less the sudo.
    std::string pasted = Tool::terminalCommand(prefix.paths);
    for (std::size_t at; (at = pasted.find("sudo ")) != std::string::npos;)
        pasted.erase(at, 5);
    RunResult result = shell.run({"/bin/sh", "-c", pasted});
    EXPECT_EQ(result.exitStatus, 0) << result.errorOutput;
    EXPECT_EQ(Tool::linkState(prefix.paths), Tool::LinkState(Tool::Installed{}));
}

TEST(CommandLineTool, installReplacesAFileButFailsWithAMessageOnAFolder)
{
    Prefix prefix;
    ProcessRunner shell("env");
    touch(prefix.paths.link);
    EXPECT_EQ(Tool::install(prefix.paths, shell), std::nullopt);
    EXPECT_EQ(Tool::linkState(prefix.paths), Tool::LinkState(Tool::Installed{}));

    fs::remove(prefix.paths.link);
    fs::create_directories(prefix.paths.link);
    std::vector<std::string> logged;
    Tool::FailureLog log{[&](std::string_view, const std::string& line) { logged.push_back(line); },
                         [](std::string_view, const std::string&) {}};
    const auto failure = Tool::install(prefix.paths, shell, log);
    ASSERT_TRUE(failure.has_value());
    EXPECT_FALSE(failure->empty());
    EXPECT_EQ(logged.size(), 1u);
    // Nothing was put inside the folder.
    EXPECT_TRUE(fs::is_empty(prefix.paths.link));
}

class FakeRunner : public PrivilegeRunner
{
public:
    RunResult run(const std::vector<std::string>& arguments) override
    {
        calls.push_back(arguments);
        return result;
    }
    RunResult result;
    std::vector<std::vector<std::string>> calls;
};

TEST(CommandLineTool, administratorRunOutcomes)
{
    struct Case
    {
        const char* name;
        RunResult result;
        std::optional<std::string> message;
        std::string err; // empty: nothing logged
    };
    const std::vector<Case> cases = {
        {"success", {std::nullopt, 0, ""}, std::nullopt, ""},
        {"prompt dismissed", {std::nullopt, 126, "dismissed\n"}, std::nullopt, ""},
        {"not authorized",
         {std::nullopt, 127, "Error executing command as another user: Not authorized\n"},
         "Error executing command as another user: Not authorized",
         "127"},
        {"failure without output", {std::nullopt, 1, ""}, "exit 1", "1"},
        {"cannot start",
         {std::make_error_code(std::errc::no_such_file_or_directory), 0, ""},
         "cannot start the administrator prompt (pkexec): "
             + std::make_error_code(std::errc::no_such_file_or_directory).message(),
         std::to_string(ENOENT)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRunner runner;
        runner.result = c.result;
        std::vector<std::pair<std::string, std::string>> systemLines, events;
        Tool::FailureLog log{
            [&](std::string_view category, const std::string& line) {
                systemLines.emplace_back(category, line);
            },
            [&](std::string_view key, const std::string& err) { events.emplace_back(key, err); }};
        EXPECT_EQ(Tool::runAsAdministrator("/bin/rm /x", runner, log), c.message);
        ASSERT_EQ(runner.calls.size(), 1u);
        EXPECT_EQ(runner.calls[0], (std::vector<std::string>{"/bin/sh", "-c", "/bin/rm /x"}));
        if (c.err.empty()) {
            EXPECT_TRUE(systemLines.empty());
            EXPECT_TRUE(events.empty());
            continue;
        }
        ASSERT_EQ(systemLines.size(), 1u);
        EXPECT_EQ(systemLines[0].first, "olv");
        EXPECT_EQ(systemLines[0].second, "olv 설치 · 지우기 실패 " + *c.message);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0], (std::pair<std::string, std::string>{"olv.install", c.err}));
    }
}

TEST(CommandLineTool, removeRunsOnlyWhenTheLinkIsOurs)
{
    Prefix prefix;
    FakeRunner runner;
    EXPECT_EQ(Tool::remove(prefix.paths, runner), std::nullopt);
    fs::create_directories(prefix.paths.linkFolder());
    fs::create_symlink("/elsewhere/olv", prefix.paths.link);
    EXPECT_EQ(Tool::remove(prefix.paths, runner), std::nullopt);
    EXPECT_TRUE(runner.calls.empty());

    fs::remove(prefix.paths.link);
    fs::create_symlink(prefix.paths.innerProgram(), prefix.paths.link);
    EXPECT_EQ(Tool::remove(prefix.paths, runner), std::nullopt);
    ASSERT_EQ(runner.calls.size(), 1u);
    EXPECT_EQ(runner.calls[0].back(), Tool::removeCommand(prefix.paths));
}

TEST(CommandLineTool, theProgramIsTheInstalledOneElseTheBuildTreesAndNeverAMissingOne)
{
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    Tool::Paths paths;
    paths.link = root / "bin" / "olv";
    // A build tree: build/app/shell/orlune-viewer and build/tool/olv.
    paths.applicationFolder = root / "build" / "app" / "shell";
    fs::create_directories(paths.applicationFolder);
    EXPECT_FALSE(paths.hasInnerProgram());
    EXPECT_EQ(paths.innerProgram(), paths.applicationFolder / "olv");

    // Nothing to link to: a link there is not ours, and nothing is run.
    fs::create_directories(paths.linkFolder());
    fs::create_symlink(paths.innerProgram(), paths.link);
    EXPECT_EQ(Tool::linkState(paths), Tool::LinkState(Tool::Other{paths.innerProgram().string()}));
    FakeRunner runner;
    const auto failure = Tool::install(paths, runner);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find(paths.innerProgram().string()), std::string::npos) << *failure;
    EXPECT_TRUE(runner.calls.empty());
    fs::remove(paths.link);

    touch(root / "build" / "tool" / "olv");
    EXPECT_TRUE(paths.hasInnerProgram());
    EXPECT_EQ(paths.innerProgram(), root / "build" / "tool" / "olv");
    EXPECT_NE(Tool::terminalCommand(paths).find((root / "build" / "tool" / "olv").string()),
              std::string::npos);
    fs::create_symlink(paths.innerProgram(), paths.link);
    EXPECT_EQ(Tool::linkState(paths), Tool::LinkState(Tool::Installed{}));

    // An olv beside the binary (an installation) comes first.
    touch(paths.applicationFolder / "olv");
    EXPECT_EQ(paths.innerProgram(), paths.applicationFolder / "olv");
}

TEST(CommandLineTool, aWritableOrMissingFolderIsNotTranslocated)
{
    EXPECT_FALSE(Tool::isTranslocated(fs::temp_directory_path()));
    EXPECT_FALSE(Tool::isTranslocated("/no/such/folder"));
}

} // namespace
