#pragma once

#include "core/Result.h"

#include <filesystem>
#include <system_error>

namespace Platform {

// The signature of renameat2(2); tests hand in a stand-in to reach the fallback.
using Renameat2Function = int (*)(int, const char*, int, const char*, unsigned int);

// Gives `from` the name `to` on the same file system and never replaces an item at `to` (a
// dangling symbolic link counts as an item): then it fails with file_exists. Uses
// renameat2(RENAME_NOREPLACE); where the file system refuses the flag, a file is linked under
// the new name and then unlinked under the old one, which cannot replace either. A folder
// cannot be linked: it is renamed after a check that nothing stands at `to`, which leaves a
// short window in which another program could put an item there.
[[nodiscard]] EditorCore::Result<void, std::error_code>
renameWithoutReplacing(const std::filesystem::path& from,
                       const std::filesystem::path& to,
                       Renameat2Function renameat2Call = nullptr);

} // namespace Platform
