#include "app/documents/AdminWriter.h"
#include "app/documents/RecoveryCopies.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace EditorDocuments;
using AdminWriter::Failure;

namespace {

// Looks at what would run with privileges, then answers as told.
class FakeRunner : public AdminWriter::PrivilegeRunner
{
public:
    std::function<AdminWriter::RunResult(const std::vector<std::string>&)> answer;
    std::vector<std::vector<std::string>> calls;
    mode_t stagedMode = 0;
    mode_t folderMode = 0;
    std::vector<std::uint8_t> stagedBytes;

    AdminWriter::RunResult run(const std::vector<std::string>& arguments) override
    {
        calls.push_back(arguments);
        std::filesystem::path staged = arguments.at(4);
        stagedMode = modeOf(staged);
        folderMode = modeOf(staged.parent_path());
        stagedBytes = readBytes(staged);
        return answer ? answer(arguments) : AdminWriter::RunResult{};
    }
};

class AdminWriterTest : public ::testing::Test
{
protected:
    void SetUp() override { std::filesystem::create_directory(folder / "tmp"); }
    std::filesystem::path temporaryBase() const { return folder / "tmp"; }

    TemporaryFolder folder;
};

} // namespace

TEST_F(AdminWriterTest, stagesAPrivateCopyAndRunsTheFixedCommand)
{
    auto target = folder / "hosts";
    writeBytes(target, "old\n");
    FakeRunner runner;
    auto written = AdminWriter::write(bytesOf("new\n"), target, runner, temporaryBase());
    ASSERT_TRUE(written.has_value());
    ASSERT_EQ(runner.calls.size(), 1u);
    const auto& command = runner.calls[0];
    EXPECT_EQ(command, AdminWriter::copyCommand(command.at(4), target, 4));
    EXPECT_EQ(command.at(0), "/bin/sh");
    EXPECT_EQ(
        std::filesystem::path(command.at(4)).filename().string().rfind("orlune-viewer-admin-", 0),
        0u);
    EXPECT_EQ(std::filesystem::path(command.at(4)).filename().string().size(), 20u + 36u);
    EXPECT_EQ(runner.stagedMode, 0600u);
    EXPECT_EQ(runner.folderMode, 0700u);
    EXPECT_EQ(runner.stagedBytes, bytesOf("new\n"));
    EXPECT_TRUE(entriesOf(temporaryBase()).empty()) << "the staged file and folder are gone";
}

TEST_F(AdminWriterTest, dismissedDialogIsCancelledOtherFailuresCarryTheMessage)
{
    auto target = folder / "hosts";
    writeBytes(target, "old\n");
    struct Case
    {
        const char* name;
        AdminWriter::RunResult result;
        Failure expected;
    };
    const Case cases[] = {
        {"dismissed", {std::nullopt, 126, ""}, Failure::cancelled()},
        {"not authorized", {std::nullopt, 127, ""}, Failure::failed("not authorized")},
        {"copy failed",
         {std::nullopt, 1, "sh: 1: cannot create /x/y: Directory nonexistent\n"},
         Failure::failed("sh: 1: cannot create /x/y: Directory nonexistent")},
        {"not started",
         {std::make_error_code(std::errc::no_such_file_or_directory), 0, ""},
         Failure::failed(std::make_error_code(std::errc::no_such_file_or_directory).message())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRunner runner;
        runner.answer = [&](const std::vector<std::string>&) { return c.result; };
        auto written = AdminWriter::write(bytesOf("new\n"), target, runner, temporaryBase());
        ASSERT_FALSE(written.has_value());
        EXPECT_EQ(std::get<Failure>(written.error()), c.expected);
        EXPECT_EQ(readBytes(target), bytesOf("old\n"));
        EXPECT_TRUE(entriesOf(temporaryBase()).empty());
    }
}

TEST_F(AdminWriterTest, stagingFailureIsThePlatformsError)
{
    FakeRunner runner;
    auto written = AdminWriter::write(bytesOf("x"), folder / "t", runner, folder / "missing");
    ASSERT_FALSE(written.has_value());
    EXPECT_TRUE(std::holds_alternative<std::error_code>(written.error()));
    EXPECT_TRUE(runner.calls.empty());
}

// The real command, run without privileges (env in place of pkexec), writes in place.
TEST_F(AdminWriterTest, copyCommandRewritesTheFileInPlaceWhateverItsName)
{
    AdminWriter::ProcessRunner runner("env");
    for (const char* name : {"plain.conf",
                             "with space.conf",
                             "quote\"d.conf",
                             "back\\slash.conf",
                             "single'quote.conf",
                             "$(touch pwned).conf"}) {
        SCOPED_TRACE(name);
        auto target = folder / name;
        writeBytes(target, "a longer old content\n");
        ::chmod(target.c_str(), 0604);
        const auto before = inodeOf(target);
        auto written = AdminWriter::write(bytesOf("new\n"), target, runner, temporaryBase());
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(readBytes(target), bytesOf("new\n"));
        EXPECT_EQ(inodeOf(target), before);
        EXPECT_EQ(modeOf(target), 0604u);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "pwned"));

    std::filesystem::create_symlink("plain.conf", folder / "link.conf");
    ASSERT_TRUE(AdminWriter::write({}, folder / "link.conf", runner, temporaryBase()).has_value());
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.conf"));
    EXPECT_EQ(std::filesystem::file_size(folder / "plain.conf"), 0u) << "empty data truncates";

    auto failed =
        AdminWriter::write(bytesOf("x"), folder / "gone" / "x.conf", runner, temporaryBase());
    ASSERT_FALSE(failed.has_value());
    const auto& failure = std::get<Failure>(failed.error());
    EXPECT_FALSE(failure.isCancelled());
    EXPECT_FALSE(failure.message().empty());
    EXPECT_TRUE(entriesOf(temporaryBase()).empty());
}

TEST_F(AdminWriterTest, missingLauncherFails)
{
    AdminWriter::ProcessRunner runner("/nonexistent/pkexec");
    writeBytes(folder / "t", "old");
    auto written = AdminWriter::write(bytesOf("x"), folder / "t", runner, temporaryBase());
    ASSERT_FALSE(written.has_value());
    EXPECT_FALSE(std::get<Failure>(written.error()).isCancelled());
    EXPECT_EQ(readBytes(folder / "t"), bytesOf("old"));
}

// The privileged command rewrites in place like the file saver: a recovery copy exists while it
// runs and goes once the file is written, or when the command never ran; after any other
// failure the file may be damaged and the copy stays.
TEST_F(AdminWriterTest, recoveryCopyLastsWhileTheFileMayBeDamaged)
{
    auto target = folder / "hosts";
    const auto recovery = folder / "recovery";
    struct Case
    {
        const char* name;
        AdminWriter::RunResult result;
        bool copyKept;
    };
    const Case cases[] = {
        {"written", {std::nullopt, 0, ""}, false},
        {"dismissed", {std::nullopt, 126, ""}, false},
        {"not authorized", {std::nullopt, 127, ""}, false},
        {"not started", {std::make_error_code(std::errc::no_such_file_or_directory), 0, ""}, false},
        {"copy failed", {std::nullopt, 1, "dd: error writing: No space left on device"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(target, "old\n");
        FakeRunner runner;
        std::vector<std::uint8_t> copyWhileRunning;
        runner.answer = [&](const std::vector<std::string>&) {
            auto copies = RecoveryCopies::list(recovery);
            if (copies.size() == 1 && copies[0].origin == target)
                copyWhileRunning = RecoveryCopies::content(copies[0]).value();
            return c.result;
        };
        (void)AdminWriter::write(bytesOf("new\n"), target, runner, temporaryBase(), recovery);
        EXPECT_EQ(copyWhileRunning, bytesOf("new\n"));
        auto copies = RecoveryCopies::list(recovery);
        EXPECT_EQ(copies.size(), c.copyKept ? 1u : 0u);
        for (const auto& copy : copies)
            RecoveryCopies::remove(copy);
    }
}

// Run without privileges (env in place of pkexec): a shorter content is written over the file
// and the file cut afterwards, its inode and hard links kept.
TEST_F(AdminWriterTest, copyCommandShortensAFileAfterWritingIt)
{
    AdminWriter::ProcessRunner runner("env");
    auto target = folder / "a.conf";
    writeBytes(target, std::string(100000, 'o'));
    std::filesystem::create_hard_link(target, folder / "b.conf");
    const auto before = inodeOf(target);
    const std::string shorter(70000, 'n');
    auto written =
        AdminWriter::write(bytesOf(shorter), target, runner, temporaryBase(), folder / "recovery");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(readBytes(folder / "b.conf"), bytesOf(shorter));
    EXPECT_EQ(inodeOf(target), before);
    EXPECT_TRUE(RecoveryCopies::list(folder / "recovery").empty());
}

// Content that fails while it is staged stops the write before anything else: no recovery copy,
// no command, nothing staged left behind.
TEST_F(AdminWriterTest, contentThatFailsWhileStagedRunsNothing)
{
    auto target = folder / "hosts";
    writeBytes(target, "old\n");
    FakeRunner runner;
    const auto recovery = folder / "recovery";
    auto failing = [](const ByteSink& sink) {
        const auto part = bytesOf("the first part\n");
        return sink(part) && false;
    };
    auto written = AdminWriter::writeFrom(failing, target, runner, temporaryBase(), recovery);
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(std::get<std::error_code>(written.error()), contentFailed());
    EXPECT_TRUE(runner.calls.empty());
    EXPECT_EQ(readBytes(target), bytesOf("old\n"));
    EXPECT_TRUE(RecoveryCopies::list(recovery).empty());
    EXPECT_TRUE(entriesOf(temporaryBase()).empty());

    auto whole = [](const ByteSink& sink) {
        return sink(bytesOf("new, ")) && sink(bytesOf("in pieces\n"));
    };
    ASSERT_TRUE(AdminWriter::writeFrom(whole, target, runner, temporaryBase(), recovery));
    ASSERT_EQ(runner.calls.size(), 1u);
    EXPECT_EQ(runner.calls[0], AdminWriter::copyCommand(runner.calls[0].at(4), target, 15));
    EXPECT_EQ(runner.stagedBytes, bytesOf("new, in pieces\n"));
    EXPECT_TRUE(RecoveryCopies::list(recovery).empty()) << "removed after success";
}
