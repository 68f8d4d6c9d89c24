#pragma once

#include "app/documents/SaveContent.h"
#include "core/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

// Writes bytes into a file that only an administrator may write. The bytes are staged in a
// private folder (0700) as a 0600 file, then a privileged command copies them into the
// existing file in place, so the file keeps its inode, owner, group, mode, ACLs, hard links and
// the symbolic links that lead to it. The system's authentication dialog asks for the password.
// As with every in-place rewrite, a recovery copy of the bytes is flushed to disk first and
// removed once the command has flushed the file.
namespace EditorDocuments::AdminWriter {

struct Failure
{
    struct Failed
    {
        std::string message;
        bool operator==(const Failed&) const = default;
    };
    // The user dismissed the authentication dialog.
    struct Cancelled
    {
        bool operator==(const Cancelled&) const = default;
    };

    std::variant<Failed, Cancelled> reason;

    static Failure failed(std::string message) { return {Failed{std::move(message)}}; }
    static Failure cancelled() { return {Cancelled{}}; }
    bool isCancelled() const { return std::holds_alternative<Cancelled>(reason); }
    // Empty for `cancelled`.
    std::string message() const;

    bool operator==(const Failure&) const = default;
};

std::ostream& operator<<(std::ostream&, const Failure&);

// The writer's failure, or the platform's error when the bytes could not be staged.
using WriteError = std::variant<Failure, std::error_code>;

struct RunResult
{
    // The command could not be started at all.
    std::optional<std::error_code> startError;
    int exitStatus = 0;
    std::string errorOutput;
};

// Runs a command with administrator rights and waits for it. Tests give a fake.
class PrivilegeRunner
{
public:
    virtual ~PrivilegeRunner() = default;
    // arguments[0] is the program to run with privileges.
    virtual RunResult run(const std::vector<std::string>& arguments) = 0;
};

// Starts `launcher` with the command's arguments after it: pkexec by default, which exits with
// 126 when the user dismissed its dialog and 127 when authorization was refused.
class ProcessRunner : public PrivilegeRunner
{
public:
    explicit ProcessRunner(std::string launcher = "pkexec");
    RunResult run(const std::vector<std::string>& arguments) override;

private:
    std::string m_launcher;
};

inline constexpr int dismissedStatus = 126;
inline constexpr int notAuthorizedStatus = 127;

inline constexpr std::string_view temporaryPrefix = "orlune-viewer-admin-";

// The fixed command: a shell that copies the staged file over the destination from its start
// without cutting it first (dd conv=notrunc), then cuts it to `size` bytes and flushes it to
// disk, so a shorter content never leaves it empty. The paths and the size travel as
// arguments, never inside the script, so no character of theirs needs quoting.
std::vector<std::string> copyCommand(const std::filesystem::path& staged,
                                     const std::filesystem::path& destination,
                                     std::uint64_t size);

// $XDG_RUNTIME_DIR when set and absolute, else the system's temporary folder.
std::filesystem::path defaultTemporaryBase();

// Blocks until the dialog is answered and the copy ran. The staged file and its folder never
// outlive the call. The recovery copy (in `recoveryFolder`, empty: the default one) is removed
// after success and when the command did not run (dismissed, refused, not started); after any
// other failure the file may be damaged and the copy stays.
[[nodiscard]] EditorCore::Result<void, WriteError>
write(std::span<const std::uint8_t> bytes,
      const std::filesystem::path& destination,
      PrivilegeRunner& runner,
      const std::filesystem::path& temporaryBase = defaultTemporaryBase(),
      const std::filesystem::path& recoveryFolder = {});
// The same with content made while it is staged: a content that fails stops the write before
// any copy or command (the error is contentFailed() or the platform's), and the recovery copy
// is taken from the staged file.
[[nodiscard]] EditorCore::Result<void, WriteError>
writeFrom(const SaveContent& content,
          const std::filesystem::path& destination,
          PrivilegeRunner& runner,
          const std::filesystem::path& temporaryBase = defaultTemporaryBase(),
          const std::filesystem::path& recoveryFolder = {});

} // namespace EditorDocuments::AdminWriter
