#include "tool/OlvArguments.h"

#include "platform/Folders.h"
#include "platform/PreferencesDomain.h"
#include "store/AppGroup.h"
#include "tool/OlvTexts.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Olv {
namespace {

std::size_t index(MessageLanguage language)
{
    switch (language) {
    case MessageLanguage::korean:
        return 0;
    case MessageLanguage::english:
        return 1;
    case MessageLanguage::japanese:
        return 2;
    }
    return 1;
}

// The first entry of the user's language list, as gettext looks for it.
std::string systemLanguage()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        std::string_view list(value);
        auto first = list.substr(0, list.find(':'));
        if (!first.empty())
            return std::string(first);
    }
    return "en";
}

std::optional<std::string> homeOfUser(std::string_view user)
{
    if (user.empty())
        return Platform::Folders::home().string();
    std::string name(user);
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0
        && found != nullptr && found->pw_dir != nullptr)
        return std::string(found->pw_dir);
    return std::nullopt;
}

bool exists(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isFolder(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

MessageLanguage languageFromCode(std::string_view code)
{
    if (code.starts_with("ko"))
        return MessageLanguage::korean;
    if (code.starts_with("ja"))
        return MessageLanguage::japanese;
    return MessageLanguage::english;
}

MessageLanguage preferredLanguage()
{
    Platform::PreferencesDomain group(EditorStore::groupPreferencesFile());
    if (auto value = group.object("general.language")) {
        if (const auto* code = std::get_if<std::string>(&*value)) {
            if (*code == "ko" || *code == "en" || *code == "ja")
                return languageFromCode(*code);
        }
    }
    return languageFromCode(systemLanguage());
}

std::string_view text(Message message, MessageLanguage language)
{
    return Texts::messages.at(static_cast<std::size_t>(message)).at(index(language));
}

std::string_view usageText(MessageLanguage language)
{
    return Texts::usage.at(index(language));
}

std::optional<std::int64_t> parseInt64(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    constexpr auto largest = static_cast<std::uint64_t>(INT64_MAX);
    if (!negative)
        return magnitude <= largest ? std::optional<std::int64_t>(magnitude) : std::nullopt;
    if (magnitude > largest + 1)
        return std::nullopt;
    return magnitude == largest + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
}

std::optional<std::int32_t> parseInt32(std::string_view text)
{
    auto value = parseInt64(text);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::string resolvePath(std::string_view text)
{
    std::string expanded(text);
    if (!text.empty() && text.front() == '~') {
        auto slash = text.find('/');
        auto user = text.substr(1, slash == std::string_view::npos ? text.size() - 1 : slash - 1);
        if (auto home = homeOfUser(user))
            expanded =
                *home + std::string(slash == std::string_view::npos ? "" : text.substr(slash));
    }
    std::filesystem::path path(expanded);
    if (!path.is_absolute()) {
        std::error_code error;
        auto current = std::filesystem::current_path(error);
        path = (error ? std::filesystem::path("/") : current) / path;
    }
    std::string normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

FileArgument parseFileArgument(std::string_view argument)
{
    auto whole = resolvePath(argument);
    if (exists(whole))
        return {whole, std::nullopt, std::nullopt};

    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        auto colon = argument.find(':', start);
        pieces.push_back(argument.substr(start, colon - start));
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    std::vector<std::int64_t> numbers;
    while (pieces.size() > 1 && numbers.size() < 2) {
        auto last = pieces.back();
        if (last.empty())
            break;
        auto value = parseInt64(last);
        if (!value || *value < 1)
            break;
        numbers.insert(numbers.begin(), *value);
        pieces.pop_back();
    }
    if (numbers.empty())
        return {whole, std::nullopt, std::nullopt};

    std::string rest;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            rest += ':';
        rest += pieces[i];
    }
    FileArgument parsed{resolvePath(rest), numbers[0], std::nullopt};
    if (numbers.size() == 2)
        parsed.column = numbers[1];
    return parsed;
}

Finish failure(MessageLanguage language, Message message, std::string_view appended, int status)
{
    Finish finish;
    finish.status = status;
    finish.standardError = "olv: ";
    finish.standardError += text(message, language);
    finish.standardError += appended;
    finish.standardError += '\n';
    return finish;
}

std::variant<Invocation, Finish> readArguments(const std::vector<std::string>& arguments,
                                               MessageLanguage language,
                                               const std::function<std::string()>& appVersion)
{
    Invocation invocation;
    for (const auto& argument : arguments) {
        if (argument == "-h" || argument == "--help") {
            Finish finish;
            finish.standardOutput = std::string(usageText(language)) + "\n";
            return finish;
        }
        if (argument == "--version") {
            Finish finish;
            finish.standardOutput = "olv " + appVersion() + "\n";
            return finish;
        }
        if (argument == "-w" || argument == "--wait") {
            invocation.wait = true;
        } else if (argument.size() > 1 && argument.front() == '-') {
            std::string appended = argument + "\n" + std::string(usageText(language));
            return failure(language, Message::unknownOption, appended, ExitStatus::usage);
        } else {
            invocation.files.push_back(parseFileArgument(argument));
        }
    }
    for (const auto& file : invocation.files) {
        if (!exists(file.path))
            return failure(language, Message::noSuchFile, file.path, ExitStatus::error);
        if (file.line && isFolder(file.path))
            return failure(language, Message::folderWithLine, file.path, ExitStatus::error);
    }
    return invocation;
}

} // namespace Olv
