#pragma once

#include "core/TextEncoding.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

namespace EditorDocuments {

// What the documents read of a file memory entry: only its remembered encoding.
struct RememberedFile
{
    std::optional<EditorCore::TextEncoding> encoding;
};

// The two operations of the per-file memory that the documents use. Either may be empty
// (nothing remembered, nothing recorded).
struct FileMemoryLink
{
    // The entry of the file, or none.
    std::function<std::optional<RememberedFile>(const std::filesystem::path&)> entry;
    // Records the user's choice of encoding for the file; false when the memory could not be
    // written, which the documents ignore.
    std::function<bool(EditorCore::TextEncoding,
                       const std::filesystem::path&,
                       std::chrono::system_clock::time_point)>
        rememberEncoding;

    std::optional<EditorCore::TextEncoding>
    rememberedEncoding(const std::filesystem::path& path) const
    {
        if (!entry)
            return std::nullopt;
        auto found = entry(path);
        return found ? found->encoding : std::nullopt;
    }
};

} // namespace EditorDocuments
