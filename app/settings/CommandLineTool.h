#pragma once

#include "app/documents/AdminWriter.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

// The link that makes the olv shipped beside the application reachable from a terminal, and
// the administrator command lines that make and remove it. Qt-free; every path is injectable,
// so tests work in temporary folders.
namespace EditorSettings::CommandLineTool {

inline constexpr std::string_view defaultLinkPath = "/usr/local/bin/olv";
// The inner program's name in the folder of the application binary (the installation keeps
// both in <prefix>/lib/orlune-viewer).
inline constexpr std::string_view innerProgramName = "olv";

struct Paths
{
    std::filesystem::path link = std::filesystem::path(defaultLinkPath);
    // The folder of the application binary.
    std::filesystem::path applicationFolder;

    std::filesystem::path linkFolder() const { return link.parent_path(); }
    // The olv to link to: beside the application binary (an installation), else the build
    // tree's (build/tool/olv, the binary being build/app/shell/orlune-viewer); when neither
    // exists, the installation's place, which hasInnerProgram() then denies.
    std::filesystem::path innerProgram() const;
    bool hasInnerProgram() const;
};

// The link at "/usr/local/bin/olv" and the folder of the running binary (/proc/self/exe).
Paths defaultPaths();
std::filesystem::path runningApplicationFolder();

struct Missing
{
    bool operator==(const Missing&) const = default;
};
struct Installed
{
    bool operator==(const Installed&) const = default;
};
// Something else is at the link path: the destination as the link holds it, or the link path
// itself when the item there is not a symbolic link.
struct Other
{
    std::string text;
    bool operator==(const Other&) const = default;
};
using LinkState = std::variant<Missing, Installed, Other>;

std::ostream& operator<<(std::ostream&, const LinkState&);

// Reads the file system each time; never cached. A link to an olv that does not exist is not
// installed: it is Other.
LinkState linkState(const Paths& paths = defaultPaths());
inline bool isInstalled(const LinkState& state)
{
    return std::holds_alternative<Installed>(state);
}

// Whether the folder of the application binary lies on a read-only file system (an AppImage
// mount is one): a link there would break as soon as it is unmounted. A failed lookup is false.
bool isTranslocated(const std::filesystem::path& applicationFolder);

// The text in single quotes, every ' written as '\''.
std::string singleQuoted(std::string_view text);
// The text as it is when it holds only characters no shell treats specially, else single-quoted.
std::string shellWord(std::string_view text);

// The line the user may paste into a terminal. The inner program's path stands in double
// quotes unless it holds a character the shell would still read there (" $ ` \), in which case
// it is single-quoted.
std::string terminalCommand(const Paths& paths);
// The administrator lines: `ln -T`, so a folder at the link path makes the command fail
// instead of putting the link inside that folder.
std::string installCommand(const Paths& paths);
std::string removeCommand(const Paths& paths);

// Where a failure is written: the system log line and the event-log line.
struct FailureLog
{
    // (category, message) at error level; none: the system log under "app.orlune.viewer".
    std::function<void(std::string_view, const std::string&)> systemLog;
    // (event key, the `err` value); none: the application's event log.
    std::function<void(std::string_view, const std::string&)> eventLog;
};

// Runs the line as `/bin/sh -c LINE` through the runner (pkexec by default) and waits. No
// message on success and when the user dismissed the prompt; otherwise the failure's message
// (the runner's error output, else "exit N"; the reason when the runner could not start),
// which is also logged.
std::optional<std::string> runAsAdministrator(const std::string& line,
                                              EditorDocuments::AdminWriter::PrivilegeRunner& runner,
                                              const FailureLog& log = {});

// Creates or replaces the link; same result convention.
std::optional<std::string> install(const Paths& paths,
                                   EditorDocuments::AdminWriter::PrivilegeRunner& runner,
                                   const FailureLog& log = {});
// Removes the link only when it is ours at the moment of the call; otherwise runs nothing.
std::optional<std::string> remove(const Paths& paths,
                                  EditorDocuments::AdminWriter::PrivilegeRunner& runner,
                                  const FailureLog& log = {});

} // namespace EditorSettings::CommandLineTool
