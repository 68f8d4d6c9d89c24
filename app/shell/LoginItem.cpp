#include "app/shell/LoginItem.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/SystemLog.h"
#include "store/Settings.h"

#include <optional>
#include <sstream>

namespace EditorShell::LoginItem {

namespace {

void writeSystemLog(std::string_view message)
{
    Platform::SystemLog::write(
        "app.orlune.viewer", "login", Platform::SystemLog::Level::error, message);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The value of `key` in the entry's "[Desktop Entry]" group.
std::optional<std::string> entryValue(std::string_view entry, std::string_view key)
{
    std::istringstream lines{std::string(entry)};
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        std::string_view text = trimmed(line);
        if (text.empty() || text.front() == '#')
            continue;
        if (text.front() == '[') {
            inGroup = text == "[Desktop Entry]";
            continue;
        }
        if (!inGroup)
            continue;
        auto equals = text.find('=');
        if (equals == std::string_view::npos || trimmed(text.substr(0, equals)) != key)
            continue;
        return std::string(trimmed(text.substr(equals + 1)));
    }
    return std::nullopt;
}

// The string escapes of a desktop entry's values.
std::string unescapedValue(std::string_view value)
{
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char next = value[++i];
            switch (next) {
            case 's':
                result += ' ';
                break;
            case 'n':
                result += '\n';
                break;
            case 't':
                result += '\t';
                break;
            case 'r':
                result += '\r';
                break;
            default:
                result += next;
                break;
            }
            continue;
        }
        result += value[i];
    }
    return result;
}

// One argument of a desktop file's Exec line: as it is unless it holds a character the format
// reserves (xdg-utils runs the first word of the line as it is, quotes included), else in
// double quotes with `"`, `` ` ``, `$` and `\` escaped; "%" doubled either way.
std::string execArgument(const std::string& argument)
{
    constexpr std::string_view reserved = " \t\n\"'\\<>~|&;$*?#()`";
    const bool quoted = argument.find_first_of(reserved) != std::string::npos;
    std::string result = quoted ? "\"" : "";
    for (char c : argument) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\'))
            result += '\\';
        if (c == '%')
            result += '%';
        result += c;
    }
    return quoted ? result + "\"" : result;
}

// Escapes the value for the entry file itself (its backslashes and line breaks).
std::string escapedValue(const std::string& value)
{
    std::string result;
    for (char c : value) {
        if (c == '\n') {
            result += "\\n";
            continue;
        }
        if (c == '\\')
            result += '\\';
        result += c;
    }
    return result;
}

// An entry the editor wrote, from this installation or another: it starts an "orlune-viewer"
// as a login launch.
bool writtenByTheEditor(std::string_view entry)
{
    auto program = execProgram(entry);
    auto exec = entryValue(entry, "Exec");
    return !program.empty() && std::filesystem::path(program).filename() == "orlune-viewer"
           && exec && exec->find(" --login-item") != std::string::npos;
}

bool samePath(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error))
        return true;
    return a.lexically_normal() == b.lexically_normal();
}

} // namespace

std::filesystem::path autostartFile()
{
    return Platform::Folders::configHome() / "autostart" / "app.orlune.viewer.desktop";
}

std::filesystem::path applicationBinary()
{
    std::error_code error;
    auto binary = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : binary;
}

std::string entryText(const std::filesystem::path& binary)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Orlune Viewer\n"
           "Exec="
           + escapedValue(execArgument(binary.string()))
           + " --login-item\n"
             // Once the editor is uninstalled, the desktop passes the entry over.
             "TryExec="
           + escapedValue(binary.string())
           + "\n"
             "Terminal=false\n"
             "NoDisplay=true\n"
             "X-GNOME-Autostart-enabled=true\n";
}

std::string execProgram(std::string_view entry)
{
    auto exec = entryValue(entry, "Exec");
    if (!exec)
        return {};
    const std::string line = unescapedValue(*exec);
    std::string program;
    if (!line.empty() && line.front() == '"') {
        std::size_t i = 1;
        for (; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size())
                ++i;
            program += line[i];
        }
        if (i == line.size())
            return {}; // an open quote
    } else {
        program = line.substr(0, line.find(' '));
    }
    // "%%" is a literal "%"; the other field codes do not belong in a program's path.
    std::string result;
    for (std::size_t i = 0; i < program.size(); ++i) {
        if (program[i] == '%' && i + 1 < program.size() && program[i + 1] == '%')
            ++i;
        result += program[i];
    }
    return result;
}

bool isOurs(std::string_view entry, const std::filesystem::path& binary)
{
    auto program = execProgram(entry);
    return !program.empty() && !binary.empty() && samePath(program, binary);
}

bool isEnabled(std::string_view entry, const std::filesystem::path& binary)
{
    if (!isOurs(entry, binary))
        return false;
    if (entryValue(entry, "Hidden") == "true")
        return false;
    return entryValue(entry, "X-GNOME-Autostart-enabled") != "false";
}

void sync(bool launchAtLogin,
          const std::filesystem::path& file,
          const std::filesystem::path& binary,
          const Log& givenLog)
{
    const Log& log = givenLog ? givenLog : Log(writeSystemLog);
    std::optional<std::string> entry;
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
        auto bytes = Platform::readWholeFile(file);
        if (bytes)
            entry = std::string(bytes->begin(), bytes->end());
        else if (!launchAtLogin) {
            // Not known to be ours, so not ours to remove.
            log("login item: " + bytes.error().message());
            return;
        }
    }
    const bool enabled = entry && isEnabled(*entry, binary);
    if (launchAtLogin && !enabled) {
        if (binary.empty()) {
            log("login item: the application's own binary is not known");
            return;
        }
        if (auto made = Platform::createFolders(file.parent_path(), 0755); !made) {
            log("login item: " + made.error().message());
            return;
        }
        if (auto written = Platform::writeAtomically(file, entryText(binary), 0644); !written)
            log("login item: " + written.error().message());
        return;
    }
    // Off: the editor's entry goes, whichever installation wrote it and whether or not the
    // desktop has it switched off.
    if (!launchAtLogin && entry && (isOurs(*entry, binary) || writtenByTheEditor(*entry))) {
        if (!std::filesystem::remove(file, error) && error)
            log("login item: " + error.message());
    }
}

void sync()
{
    sync(EditorStore::Settings::shared().value(EditorStore::SettingKeys::generalLaunchAtLogin),
         autostartFile(),
         applicationBinary());
}

} // namespace EditorShell::LoginItem
