#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The front half of olv: the message language, the options, the file[:line[:column]]
// arguments and every message with its exit status.
namespace Olv {

enum class MessageLanguage { korean, english, japanese };

// "ko…" Korean, else "ja…" Japanese, else English.
MessageLanguage languageFromCode(std::string_view code);
// "general.language" of the group preferences when it is "ko", "en" or "ja"; else the user's
// first preferred language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), else English.
MessageLanguage preferredLanguage();

enum class Message {
    unknownOption,
    noSuchFile,
    folderWithLine,
    stdinNotStored,
    requestNotWritten,
    appNotOpened,
    fileNotOpened,
    requestNotPassed,
    requestNotAccepted,
    appQuit,
    appFailedToOpenFile,
};

std::string_view text(Message message, MessageLanguage language);
// Five lines, no final line feed.
std::string_view usageText(MessageLanguage language);

namespace ExitStatus {
inline constexpr int success = 0;
inline constexpr int error = 1;
inline constexpr int waitFailed = 2;
inline constexpr int usage = 64;
} // namespace ExitStatus

struct FileArgument
{
    std::string path; // absolute, without "." and ".." components
    std::optional<std::int64_t> line;
    std::optional<std::int64_t> column; // only with a line

    bool operator==(const FileArgument&) const = default;
};

// The whole text as a signed decimal number: an optional sign, at least one digit, nothing
// else; overflow gives none.
std::optional<std::int64_t> parseInt64(std::string_view text);
std::optional<std::int32_t> parseInt32(std::string_view text);

// Expands a leading "~" or "~user", makes the path absolute against the current folder and
// removes "." and ".." components and a trailing slash.
std::string resolvePath(std::string_view text);

// An existing path is taken whole; otherwise up to two trailing ":number" pieces (each at
// least 1) become the line and the column.
FileArgument parseFileArgument(std::string_view argument);

struct Invocation
{
    bool wait = false;
    std::vector<FileArgument> files;
};

// What olv prints and the status it ends with, when it ends before opening anything.
struct Finish
{
    int status = ExitStatus::success;
    std::string standardOutput;
    std::string standardError;
};

// "olv: ", the message and a line feed.
Finish failure(MessageLanguage language, Message message, std::string_view appended, int status);

// Reads every argument (without the program name) and checks the named files. `appVersion`
// is asked only for --version.
std::variant<Invocation, Finish> readArguments(const std::vector<std::string>& arguments,
                                               MessageLanguage language,
                                               const std::function<std::string()>& appVersion);

} // namespace Olv
