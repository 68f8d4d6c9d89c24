#pragma once

#include "app/documents/SaveContent.h"
#include "app/documents/TemporaryFile.h"
#include "core/Result.h"
#include "platform/Uuid.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

// The new content of a file that is about to be rewritten in place, kept where a crash in the
// middle of the rewrite cannot reach it: a private file of ours, written and flushed to disk
// before the file is touched and removed once the rewrite is on disk. One copy is one file,
// <id>.recovery (0600, in a 0700 folder): a line of JSON ({"origin", "savedAt", "schemaVersion",
// "size"}), a line feed, then the bytes exactly as they were to be written. It has its name
// only once it is complete, so every copy found is whole.
//
// The copies are exact bytes in the file's own encoding, which is why they are not kept texts:
// those hold text as UTF-8 and could not give back a file in, say, CP949 or UTF-16 unchanged.
namespace EditorDocuments::RecoveryCopies {

struct Copy
{
    Platform::Uuid id;
    std::filesystem::path file;   // the copy, <folder>/<id>.recovery
    std::filesystem::path origin; // the file being rewritten
    std::chrono::sys_seconds savedAt{};
    std::uint64_t size = 0;          // of the content
    std::uint64_t contentOffset = 0; // where the content starts in `file`

    bool operator==(const Copy&) const = default;
};

// <application support>/Recovery.
std::filesystem::path defaultFolder();

// Writes the copy and flushes it and the folder to disk; creates the folder when needed.
// Removes the temporary files that killed processes left in the folder first, and once the
// copy is whole the older copies of the same file: one copy a file, the newest.
[[nodiscard]] EditorCore::Result<Copy, std::error_code>
keep(const std::filesystem::path& folder,
     const std::filesystem::path& origin,
     std::span<const std::uint8_t> bytes,
     const SaveCalls& calls = {},
     std::chrono::system_clock::time_point now = std::chrono::system_clock::now());
// The same with content made while it is written. Its header is padded with spaces to the
// width of the largest size, written once the size is known. When the content fails nothing is
// kept (and no older copy is removed): the error is the content's (contentFailed()) or the
// platform's.
[[nodiscard]] EditorCore::Result<Copy, std::error_code>
keepFrom(const std::filesystem::path& folder,
         const std::filesystem::path& origin,
         const SaveContent& content,
         const SaveCalls& calls = {},
         std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// Ignores failures: a copy left behind is found again at the next launch.
void remove(const Copy& copy);

// Every copy in the folder, oldest first; unreadable or malformed files are skipped.
std::vector<Copy> list(const std::filesystem::path& folder);

// The content of a copy.
[[nodiscard]] EditorCore::Result<std::vector<std::uint8_t>, std::error_code>
content(const Copy& copy);

// Whether the copy's file holds exactly its content (the rewrite finished but its clean-up
// did not reach the disk).
bool isFinished(const Copy& copy);

// At launch: removes the copies whose file holds exactly their content and, of the others,
// all but the newest of each file; returns those, oldest first.
std::vector<Copy> review(const std::filesystem::path& folder);

// The newest copy of `origin` (a resolved path) whose rewrite did not finish, when there is one;
// a finished one is removed on the way.
std::optional<Copy> pendingFor(const std::filesystem::path& folder,
                               const std::filesystem::path& origin);

} // namespace EditorDocuments::RecoveryCopies
