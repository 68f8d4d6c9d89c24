#pragma once

#include "core/Result.h"
#include "core/TextEncoding.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace EditorStore {

// A file's own view settings; an absent field leaves the application's setting in force.
struct FileViewMemory
{
    std::optional<std::string> fontFamily;
    std::optional<double> fontSize;    // points
    std::optional<double> lineSpacing; // line-height multiple
    std::optional<bool> ruler;

    bool operator==(const FileViewMemory&) const = default;
};

// One remembered file.
struct FileMemoryEntry
{
    std::string path; // standardized, as when the entry was last written
    std::optional<std::vector<std::uint8_t>> bookmark; // a Platform::FileBookmark's bytes
    std::optional<EditorCore::TextEncoding> encoding;  // the user's choice
    std::optional<FileViewMemory> view;
    std::chrono::sys_seconds chosenAt{};

    bool operator==(const FileMemoryEntry&) const = default;
};

// What the editor remembers per file (the chosen encoding, the view settings), in one JSON
// file read whole at every call and rewritten whole at every recording. Entries stand in the
// order of their last recording, the most recent last. Files are found by standardized path
// (canonically equivalent names match), then by bookmark, so a file renamed within its folder
// keeps its memory.
//
// An entry that cannot be read (say an encoding a later version adds) is skipped; the others
// are kept.
class FileMemory
{
public:
    static constexpr std::size_t maxEntries = 500;

    // <application support>/FileMemory.json.
    static std::filesystem::path defaultFileURL();

    FileMemory();
    explicit FileMemory(std::filesystem::path fileURL);

    const std::filesystem::path& fileURL() const { return m_fileURL; }

    // The readable entries in file order; empty when the file is missing or damaged as a whole.
    std::vector<FileMemoryEntry> load() const;

    // The stored entry of the file, found by path from the newest entry back, else by
    // bookmark from the oldest on. Its path is still the old one when found by bookmark.
    std::optional<FileMemoryEntry> entry(const std::filesystem::path& file) const;
    std::optional<EditorCore::TextEncoding> encoding(const std::filesystem::path& file) const;
    std::optional<FileViewMemory> view(const std::filesystem::path& file) const;

    // Record the choice for the file, renewing its path, bookmark and date and keeping the
    // other half of its memory; the entry moves to the end. Past `maxEntries` the oldest by
    // `chosenAt` are dropped. Fail when the folder cannot be made or the file written.
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    rememberEncoding(EditorCore::TextEncoding encoding,
                     const std::filesystem::path& file,
                     std::chrono::system_clock::time_point chosenAt) const;
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    rememberView(const FileViewMemory& view,
                 const std::filesystem::path& file,
                 std::chrono::system_clock::time_point chosenAt) const;

    // The form of FileMemory.json: pretty, keys sorted, schema version 1.
    [[nodiscard]] static EditorCore::Result<std::string, std::error_code>
    encode(const std::vector<FileMemoryEntry>& entries);
    // Entries that cannot be read are left out; none when the whole file is damaged.
    static std::optional<std::vector<FileMemoryEntry>> decode(std::string_view json);

private:
    template<class Change>
    EditorCore::Result<void, std::error_code>
    remember(const std::filesystem::path& file,
             std::chrono::system_clock::time_point chosenAt,
             Change change) const;

    std::filesystem::path m_fileURL;
};

std::ostream& operator<<(std::ostream&, const FileViewMemory&);
std::ostream& operator<<(std::ostream&, const FileMemoryEntry&);

} // namespace EditorStore
