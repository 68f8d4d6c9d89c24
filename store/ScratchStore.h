#pragma once

#include "core/ChunkedText.h"
#include "core/Result.h"
#include "platform/Uuid.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace EditorStore {

// The metadata of one kept document, <id>.json beside its text <id>.txt.
struct ScratchMeta
{
    static constexpr std::int64_t currentSchemaVersion = 1;

    std::int64_t schemaVersion = currentSchemaVersion; // any integer is read
    Platform::Uuid id;
    std::chrono::sys_seconds createdAt{};
    std::chrono::sys_seconds updatedAt{};
    std::optional<std::u16string> title; // none when the first line holds only blanks
    std::optional<std::string> origin;   // the path of the file whose unsaved edits these are

    // Pretty JSON with sorted keys; "title" and "origin" only when present. Fails only for an
    // origin that is not UTF-8.
    [[nodiscard]] EditorCore::Result<std::string, std::error_code> encode() const;
    // None for anything malformed: a missing required key, a value of the wrong type.
    static std::optional<ScratchMeta> decode(std::string_view json);

    bool operator==(const ScratchMeta&) const = default;
};

// One kept document as listed.
struct ScratchEntry
{
    Platform::Uuid id;
    std::optional<ScratchMeta> meta; // none when the metadata file is missing or unusable

    bool operator==(const ScratchEntry&) const = default;
};

// Untitled documents and rescued unsaved edits kept across runs: the text as UTF-8 in
// <id>.txt and its ScratchMeta in <id>.json, in one folder. Nothing is cached; every call
// goes to the files on the caller's thread. A document exists while its text file does.
//
// Files are found under the name the listing found them by: a document whose identifier
// is spelt in lower case stays readable, savable and removable.
class ScratchStore
{
public:
    // <application support>/Scratch.
    static std::filesystem::path defaultDirectory();

    ScratchStore();
    explicit ScratchStore(std::filesystem::path directory);

    const std::filesystem::path& directory() const { return m_directory; }

    // Entries without metadata first, then by creation time, then by identifier text. An
    // unreadable folder lists nothing.
    std::vector<ScratchEntry> list() const;

    std::optional<ScratchMeta> meta(const Platform::Uuid& id) const;

    // Ill-formed UTF-8 is repaired with U+FFFD; fails only when the file cannot be read.
    [[nodiscard]] EditorCore::Result<std::u16string, std::error_code>
    readText(const Platform::Uuid& id) const;

    // Keeps the text and its metadata (creation time and origin carried over from the old
    // metadata, times to the whole second). An empty text removes the document instead.
    // Creates the folder when needed.
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    save(const Platform::Uuid& id,
         std::u16string_view text,
         std::chrono::system_clock::time_point now,
         std::optional<std::string> origin = std::nullopt) const;

    // The same for a snapshot, written chunk by chunk (no copy of the whole text or of its
    // UTF-8); its title is made from `titleSource`.
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    save(const Platform::Uuid& id,
         const EditorCore::TextSnapshot& text,
         std::chrono::system_clock::time_point now,
         std::optional<std::string> origin = std::nullopt) const;

    // Removes the text, then the metadata; ignores every failure.
    void remove(const Platform::Uuid& id) const;

    // The first line up to LF, CR or U+2028, without tabs and space separators at either end,
    // cut to 20 user-perceived characters; none when nothing is left.
    static std::optional<std::u16string> title(std::u16string_view text);
    // What `title` needs of a long text: its first line, up to `titleSourceLength` units (a
    // title differs from the whole line's only where those units end in blanks that the line
    // goes on after).
    static std::u16string titleSource(const EditorCore::TextSnapshot& text);
    static constexpr std::int64_t titleSourceLength = 65536;

private:
    // The name the document's files have in the folder, without extension.
    std::string fileStem(const Platform::Uuid& id) const;
    std::optional<ScratchMeta> readMeta(const std::string& stem) const;
    // Writes the metadata beside a text just kept.
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    saveMeta(const Platform::Uuid& id,
             const std::string& stem,
             std::optional<std::u16string> title,
             std::optional<std::string> origin,
             std::chrono::system_clock::time_point now) const;

    std::filesystem::path m_directory;
};

std::ostream& operator<<(std::ostream&, const ScratchMeta&);
std::ostream& operator<<(std::ostream&, const ScratchEntry&);

} // namespace EditorStore
