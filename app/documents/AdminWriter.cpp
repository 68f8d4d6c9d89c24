#include "app/documents/AdminWriter.h"

#include "app/documents/RecoveryCopies.h"
#include "platform/Files.h"
#include "platform/Uuid.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace EditorDocuments::AdminWriter {

namespace {

using Platform::lastError;

// The staged copy: a fresh folder only this user can enter, with one 0600 file in it.
class StagedFile
{
public:
    ~StagedFile()
    {
        if (!m_file.empty())
            ::unlink(m_file.c_str());
        if (!m_folder.empty())
            ::rmdir(m_folder.c_str());
    }

    // The number of bytes staged.
    EditorCore::Result<std::uint64_t, std::error_code> stage(const std::filesystem::path& base,
                                                             const SaveContent& content)
    {
        std::string pattern = (base / (std::string(temporaryPrefix) + "XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return EditorCore::failure(lastError());
        m_folder = pattern;
        if (::chmod(m_folder.c_str(), 0700) != 0)
            return EditorCore::failure(lastError());

        auto file = m_folder / (std::string(temporaryPrefix) + Platform::Uuid::random().text());
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return EditorCore::failure(lastError());
        m_file = file;
        if (::fchmod(fd, 0600) != 0) {
            auto error = lastError();
            ::close(fd);
            return EditorCore::failure(error);
        }
        auto written = writeContent(fd, content);
        if (!written) {
            ::close(fd);
            return EditorCore::failure(written.error());
        }
        if (::close(fd) != 0)
            return EditorCore::failure(lastError());
        return *written;
    }

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_file;
};

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

std::string Failure::message() const
{
    if (const auto* failed = std::get_if<Failed>(&reason))
        return failed->message;
    return {};
}

std::ostream& operator<<(std::ostream& out, const Failure& failure)
{
    if (failure.isCancelled())
        return out << "cancelled";
    return out << "failed(" << failure.message() << ')';
}

ProcessRunner::ProcessRunner(std::string launcher)
    : m_launcher(std::move(launcher))
{}

RunResult ProcessRunner::run(const std::vector<std::string>& arguments)
{
    RunResult result;
    std::vector<std::string> command{m_launcher};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        result.startError = lastError();
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errorPipe[1], 2);

    pid_t child = 0;
    int started =
        ::posix_spawnp(&child, m_launcher.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(errorPipe[1]);
    if (started != 0) {
        ::close(errorPipe[0]);
        result.startError = std::error_code(started, std::generic_category());
        return result;
    }

    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(errorPipe[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        // Enough to explain a failure; the rest is drained and dropped.
        if (result.errorOutput.size() < 4096)
            result.errorOutput.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(errorPipe[0]);

    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            result.startError = lastError();
            return result;
        }
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::vector<std::string> copyCommand(const std::filesystem::path& staged,
                                     const std::filesystem::path& destination,
                                     std::uint64_t size)
{
    return {"/bin/sh",
            "-c",
            "/bin/dd if=\"$1\" of=\"$2\" bs=1M conv=notrunc status=none"
            " && /bin/truncate -s \"$3\" -- \"$2\" && exec /bin/sync -- \"$2\"",
            "sh",
            staged.string(),
            destination.string(),
            std::to_string(size)};
}

std::filesystem::path defaultTemporaryBase()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        struct stat info = {};
        if (::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
            return runtime;
    }
    std::error_code ignored;
    auto base = std::filesystem::temp_directory_path(ignored);
    return base.empty() ? std::filesystem::path("/tmp") : base;
}

EditorCore::Result<void, WriteError> write(std::span<const std::uint8_t> bytes,
                                           const std::filesystem::path& destination,
                                           PrivilegeRunner& runner,
                                           const std::filesystem::path& temporaryBase,
                                           const std::filesystem::path& recoveryFolder)
{
    return writeFrom(contentOf(bytes), destination, runner, temporaryBase, recoveryFolder);
}

EditorCore::Result<void, WriteError> writeFrom(const SaveContent& content,
                                               const std::filesystem::path& destination,
                                               PrivilegeRunner& runner,
                                               const std::filesystem::path& temporaryBase,
                                               const std::filesystem::path& recoveryFolder)
{
    StagedFile staged;
    auto size = staged.stage(temporaryBase, content);
    if (!size)
        return EditorCore::failure(WriteError{size.error()});
    std::error_code readError;
    auto copy = RecoveryCopies::keepFrom(recoveryFolder.empty() ? RecoveryCopies::defaultFolder()
                                                                : recoveryFolder,
                                         destination,
                                         fileContent(staged.file(), 0, *size, readError));
    if (!copy)
        return EditorCore::failure(WriteError{readError ? readError : copy.error()});

    auto result = runner.run(copyCommand(staged.file(), destination, *size));
    const bool untouched = result.startError || result.exitStatus == dismissedStatus
                           || result.exitStatus == notAuthorizedStatus;
    if (result.exitStatus == 0 || untouched)
        RecoveryCopies::remove(*copy);
    if (result.startError) {
        return EditorCore::failure(WriteError{Failure::failed(result.startError->message())});
    }
    if (result.exitStatus == dismissedStatus)
        return EditorCore::failure(WriteError{Failure::cancelled()});
    if (result.exitStatus != 0) {
        auto message = trimmed(result.errorOutput);
        if (message.empty()) {
            message = result.exitStatus == notAuthorizedStatus
                          ? std::string("not authorized")
                          : "exit status " + std::to_string(result.exitStatus);
        }
        return EditorCore::failure(WriteError{Failure::failed(std::move(message))});
    }
    return {};
}

} // namespace EditorDocuments::AdminWriter
