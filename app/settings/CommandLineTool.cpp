#include "app/settings/CommandLineTool.h"

#include "app/kit/AppLog.h"
#include "platform/SystemLog.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <system_error>

namespace EditorSettings::CommandLineTool {

namespace fs = std::filesystem;

std::filesystem::path runningApplicationFolder()
{
    std::error_code error;
    fs::path binary = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return binary.parent_path();
}

Paths defaultPaths()
{
    Paths paths;
    paths.applicationFolder = runningApplicationFolder();
    return paths;
}

namespace {

bool isProgram(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

std::filesystem::path Paths::innerProgram() const
{
    const fs::path beside = applicationFolder / innerProgramName;
    if (isProgram(beside) || applicationFolder.empty())
        return beside;
    const fs::path buildTree =
        applicationFolder.parent_path().parent_path() / "tool" / innerProgramName;
    if (applicationFolder.parent_path().filename() == "app" && isProgram(buildTree))
        return buildTree;
    return beside;
}

bool Paths::hasInnerProgram() const
{
    return isProgram(innerProgram());
}

std::ostream& operator<<(std::ostream& stream, const LinkState& state)
{
    if (std::holds_alternative<Missing>(state))
        return stream << "missing";
    if (std::holds_alternative<Installed>(state))
        return stream << "installed";
    return stream << "other(" << std::get<Other>(state).text << ")";
}

namespace {

// The path with the links in it resolved as far as it exists.
std::string resolved(const fs::path& path)
{
    std::error_code error;
    fs::path result = fs::weakly_canonical(path.lexically_normal(), error);
    if (error)
        return path.lexically_normal().string();
    return result.string();
}

} // namespace

LinkState linkState(const Paths& paths)
{
    std::error_code error;
    fs::path destination = fs::read_symlink(paths.link, error);
    if (error) {
        std::error_code statusError;
        if (fs::exists(fs::symlink_status(paths.link, statusError)))
            return Other{paths.link.string()};
        return Missing{};
    }
    const fs::path absolute =
        destination.is_absolute() ? destination : paths.linkFolder() / destination;
    if (paths.hasInnerProgram() && resolved(absolute) == resolved(paths.innerProgram()))
        return Installed{};
    return Other{destination.string()};
}

bool isTranslocated(const std::filesystem::path& applicationFolder)
{
    struct statvfs info
    {};
    if (applicationFolder.empty() || ::statvfs(applicationFolder.c_str(), &info) != 0)
        return false;
    return (info.f_flag & ST_RDONLY) != 0;
}

std::string singleQuoted(std::string_view text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}

std::string shellWord(std::string_view text)
{
    auto plain = [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
               || c == '/' || c == '.' || c == '_' || c == '-' || c == '+' || c == ',';
    };
    if (text.empty())
        return "''";
    for (char c : text) {
        if (!plain(static_cast<unsigned char>(c)))
            return singleQuoted(text);
    }
    return std::string(text);
}

std::string terminalCommand(const Paths& paths)
{
    const std::string inner = paths.innerProgram().string();
    // Inside double quotes the shell still expands $ and ` and reads \ and ": such a path
    // pasted after sudo would break the line or run something else.
    const bool needsSingleQuotes = inner.find_first_of("\"$`\\") != std::string::npos;
    const std::string word = needsSingleQuotes ? singleQuoted(inner) : "\"" + inner + "\"";
    return "sudo mkdir -p " + shellWord(paths.linkFolder().string()) + " && sudo ln -sfT " + word
           + " " + shellWord(paths.link.string());
}

std::string installCommand(const Paths& paths)
{
    return "/bin/mkdir -p " + shellWord(paths.linkFolder().string()) + " && /bin/ln -sfT "
           + singleQuoted(paths.innerProgram().string()) + " " + shellWord(paths.link.string());
}

std::string removeCommand(const Paths& paths)
{
    return "/bin/rm " + shellWord(paths.link.string());
}

namespace {

void writeFailure(const FailureLog& log, const std::string& message, int status)
{
    const std::string line = "olv 설치 · 지우기 실패 " + message;
    if (log.systemLog)
        log.systemLog("olv", line);
    else
        Platform::SystemLog::write(
            "app.orlune.viewer", "olv", Platform::SystemLog::Level::error, line);
    if (log.eventLog)
        log.eventLog("olv.install", std::to_string(status));
    else
        AppLog::record(
            EditorStore::ErrorLog::Level::error, "olv.install", {{"err", std::to_string(status)}});
}

std::string trimmed(std::string text)
{
    while (!text.empty()
           && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '
               || text.back() == '\t'))
        text.pop_back();
    return text;
}

} // namespace

std::optional<std::string> runAsAdministrator(const std::string& line,
                                              EditorDocuments::AdminWriter::PrivilegeRunner& runner,
                                              const FailureLog& log)
{
    using namespace EditorDocuments::AdminWriter;
    const RunResult result = runner.run({"/bin/sh", "-c", line});
    if (result.startError) {
        // Not started is not done: without this the user would see a success.
        std::string message =
            "cannot start the administrator prompt (pkexec): " + result.startError->message();
        writeFailure(log, message, result.startError->value());
        return message;
    }
    if (result.exitStatus == 0 || result.exitStatus == dismissedStatus)
        return std::nullopt;
    std::string message = trimmed(result.errorOutput);
    if (message.empty())
        message = "exit " + std::to_string(result.exitStatus);
    writeFailure(log, message, result.exitStatus);
    return message;
}

std::optional<std::string> install(const Paths& paths,
                                   EditorDocuments::AdminWriter::PrivilegeRunner& runner,
                                   const FailureLog& log)
{
    // Never a link to nothing.
    if (!paths.hasInnerProgram())
        return std::generic_category().message(ENOENT) + ": " + paths.innerProgram().string();
    return runAsAdministrator(installCommand(paths), runner, log);
}

std::optional<std::string> remove(const Paths& paths,
                                  EditorDocuments::AdminWriter::PrivilegeRunner& runner,
                                  const FailureLog& log)
{
    if (!isInstalled(linkState(paths)))
        return std::nullopt;
    return runAsAdministrator(removeCommand(paths), runner, log);
}

} // namespace EditorSettings::CommandLineTool
