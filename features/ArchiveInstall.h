#pragma once

#include "core/Result.h"
#include "features/StoreFailure.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// Unpacking a checked download archive into a version folder and making it the active one:
// the part the grammar and formatter stores share. Blocking file work; call it off the main
// thread.
namespace ArchiveInstall {

// Extracts a ZIP archive into `destination` (created when absent). Only regular files and
// folders are written; a member that is a link, a device or anything else, whose name is
// absolute or holds an empty, "." or ".." segment, refuses the whole archive. Whatever was
// written before a refusal stays in `destination` for the caller to remove. The failure is
// a description of the first problem.
[[nodiscard]] EditorCore::Result<void, std::string>
extractZip(const std::filesystem::path& archive, const std::filesystem::path& destination);

struct Activation
{
    // The folder that receives the work folder ".staging-<UUID>".
    std::filesystem::path stagingParent;
    // The folder of the one grammar or formatter; holds the version folder and "current.json".
    std::filesystem::path ownFolder;
    // The name of the version folder inside `ownFolder`.
    std::string versionFolder;
    // Paths relative to the archive's top that must be regular files, checked in this order.
    std::vector<std::string> requiredFiles;
    // The bytes of "current.json", written last: the moment the new version becomes active.
    std::string record;
};

// Writes the archive to staging/"bundle.zip", extracts it to staging/"out", checks the
// required files (the first missing one fails with its name followed by " 없음"), moves
// "out" in place of the version folder, removes every other entry of the own folder but
// "current.json", and writes "current.json" atomically. The work folder is always removed.
// Every failure is `unpack`.
[[nodiscard]] EditorCore::Result<void, StoreFailure>
unpackAndActivate(std::span<const std::uint8_t> archive, const Activation& activation);

// Held for a whole installation of one name under one root, so that two installations of
// the same grammar (two languages served by one entry, a shared companion) run one after
// the other within the process.
[[nodiscard]] std::unique_lock<std::mutex> lockName(const std::filesystem::path& root,
                                                    std::string_view name);

// ".staging-" followed by a new random UUID in upper case with hyphens.
std::string newStagingName();

} // namespace ArchiveInstall

} // namespace EditorFeatures
