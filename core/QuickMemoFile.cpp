#include "core/QuickMemoFile.h"

#include "core/UnicodeScalars.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace EditorCore::QuickMemoFile {

namespace {

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" or ="/absolute/path"; anything else is ignored, as
// xdg-user-dir does.
std::optional<std::filesystem::path> documentsFromUserDirs(const std::filesystem::path& home)
{
    std::filesystem::path config = home / ".config";
    if (const auto xdgConfig = environment("XDG_CONFIG_HOME");
        xdgConfig && xdgConfig->front() == '/')
        config = *xdgConfig;
    std::ifstream file(config / "user-dirs.dirs");
    std::optional<std::filesystem::path> found;
    std::string line;
    constexpr std::string_view key = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(file, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        const auto valueStart = start + key.size();
        const auto valueEnd = line.find('"', valueStart);
        if (valueEnd == std::string::npos)
            continue;
        std::string value = line.substr(valueStart, valueEnd - valueStart);
        if (value.starts_with("$HOME"))
            found = home.string() + value.substr(5);
        else if (value.starts_with("/"))
            found = value;
    }
    return found;
}

std::u16string_view trimmed(std::u16string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const auto scalar = UnicodeScalars::at(text, start);
        if (!u_isUWhiteSpace(static_cast<UChar32>(scalar.value)))
            break;
        start += scalar.length;
    }
    std::size_t end = text.size();
    while (end > start) {
        const auto scalar = UnicodeScalars::before(text, end);
        if (!u_isUWhiteSpace(static_cast<UChar32>(scalar.value)))
            break;
        end -= scalar.length;
    }
    return text.substr(start, end - start);
}

// Western digits and a 24-hour clock whatever the user's locale.
std::u16string formattedDate(std::chrono::system_clock::time_point date, std::string_view timeZone)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(
        icu::UnicodeString(u"yyyy-MM-dd HH:mm"), icu::Locale("en_US_POSIX"), status);
    const auto zoneID = icu::UnicodeString::fromUTF8(
        icu::StringPiece(timeZone.data(), static_cast<int32_t>(timeZone.size())));
    format.adoptTimeZone(icu::TimeZone::createTimeZone(zoneID));
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    icu::UnicodeString result;
    format.format(static_cast<UDate>(milliseconds), result);
    return std::u16string(result.getBuffer(), static_cast<std::size_t>(result.length()));
}

bool contains(std::span<const std::uint8_t> bytes, std::string_view needle)
{
    const std::string_view haystack(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return haystack.find(needle) != std::string_view::npos;
}

} // namespace

std::optional<std::filesystem::path> url(std::u16string_view name)
{
    const auto home = environment("HOME");
    if (!home)
        return std::nullopt;
    const std::filesystem::path homePath(*home);
    const auto documents = documentsFromUserDirs(homePath).value_or(homePath / "Documents");
    return documents / UnicodeScalars::toUTF8(name);
}

std::optional<std::vector<std::uint8_t>>
append(std::u16string_view memo,
       std::optional<std::span<const std::uint8_t>> existing,
       std::chrono::system_clock::time_point date,
       std::string_view timeZone)
{
    const std::u16string_view body = trimmed(memo);
    if (body.empty())
        return std::nullopt;

    std::span<const std::uint8_t> previous;
    if (existing && UnicodeScalars::isValidUTF8(*existing))
        previous = *existing;
    const std::u16string_view lineBreak = contains(previous, "\r\n") ? u"\r\n" : u"\n";

    std::u16string entry;
    if (!previous.empty()) {
        if (previous.back() != '\n' && previous.back() != '\r')
            entry.append(lineBreak);
        entry.append(lineBreak);
    }
    entry.append(u"\u2500\u2500 ");
    entry.append(formattedDate(date, timeZone));
    entry.append(u" \u2500\u2500");
    entry.append(lineBreak);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == u'\r' && i + 1 < body.size() && body[i + 1] == u'\n') {
            entry.append(lineBreak);
            ++i;
        } else if (body[i] == u'\n') {
            entry.append(lineBreak);
        } else {
            entry.push_back(body[i]);
        }
    }
    entry.append(lineBreak);

    const std::string bytes = UnicodeScalars::toUTF8(entry);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

} // namespace EditorCore::QuickMemoFile
