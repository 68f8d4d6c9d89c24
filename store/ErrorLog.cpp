#include "store/ErrorLog.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/InternetDate.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorStore {
namespace {

constexpr std::array<std::string_view, 3> levelRawValues = {"ERROR", "WARN", "INFO"};

std::string escapedValue(std::string_view value)
{
    std::string escaped;
    escaped.reserve(value.size());
    for (char c : value) {
        if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

std::filesystem::path generation(const std::filesystem::path& directory, int number)
{
    return directory / ("editor." + std::to_string(number) + ".log");
}

} // namespace

std::string_view rawValue(ErrorLog::Level level)
{
    return levelRawValues[static_cast<std::size_t>(level)];
}

std::optional<ErrorLog::Level> errorLogLevelFromRawValue(std::string_view raw)
{
    for (std::size_t i = 0; i < levelRawValues.size(); ++i) {
        if (levelRawValues[i] == raw)
            return static_cast<ErrorLog::Level>(i);
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, ErrorLog::Level level)
{
    return out << rawValue(level);
}

ErrorLog::ErrorLog()
    : directory(Platform::Folders::logs())
{}

ErrorLog::ErrorLog(std::filesystem::path directory_, std::int64_t limit_)
    : directory(std::move(directory_))
    , limit(limit_)
{}

std::filesystem::path ErrorLog::fileURL() const
{
    return directory / fileName;
}

std::string ErrorLog::formatLine(Level level,
                                 std::string_view eventKey,
                                 const Fields& fields,
                                 std::chrono::system_clock::time_point time)
{
    std::string line = Platform::InternetDate::format(time);
    line += ' ';
    line += rawValue(level);
    line += ' ';
    line += eventKey;
    for (const auto& [key, value] : fields) {
        auto escaped = escapedValue(value);
        line += ' ';
        line += key;
        line += '=';
        if (escaped.find(' ') != std::string::npos) {
            line += '"';
            line += escaped;
            line += '"';
        } else {
            line += escaped;
        }
    }
    line += '\n';
    return line;
}

void ErrorLog::append(std::string_view line) const
{
    (void)Platform::createFolders(directory, 0700);

    auto file = fileURL();
    struct stat info = {};
    if (::stat(file.c_str(), &info) == 0
        && static_cast<std::int64_t>(info.st_size) + static_cast<std::int64_t>(line.size()) > limit)
        rotate();

    // One open that appends and creates: never a replacement that could truncate a file
    // another writer has just created. O_NONBLOCK: a FIFO in the log's place must not hang.
    int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return;
    const char* data = line.data();
    std::size_t remaining = line.size();
    while (remaining > 0) {
        ssize_t written = ::write(fd, data, remaining);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        data += written;
        remaining -= static_cast<std::size_t>(written);
    }
    ::close(fd);
}

void ErrorLog::rotate() const
{
    auto oldest = generation(directory, keptGenerations);
    ::unlink(oldest.c_str());
    for (int number = keptGenerations - 1; number >= 1; --number)
        ::rename(generation(directory, number).c_str(), generation(directory, number + 1).c_str());
    ::rename(fileURL().c_str(), generation(directory, 1).c_str());
}

} // namespace EditorStore
