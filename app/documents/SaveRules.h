#pragma once

#include "app/documents/FileFormat.h"
#include "core/ChunkedText.h"
#include "core/DiskIdentity.h"
#include "core/DocumentError.h"
#include "core/Result.h"
#include "core/TextCodec.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>
#include <sys/types.h>
#include <variant>
#include <vector>

// When a save must not write, and what it writes.
namespace EditorDocuments::SaveRules {

// Inside a trash can of the freedesktop.org standard: `<dataHome>/Trash/files/`,
// `<mount>/.Trash/<uid>/files/` or `<mount>/.Trash-<uid>/files/`. The path is taken as given
// (made absolute and lexically normal); the trash folders of other users do not count.
bool isInTrash(const std::filesystem::path& path, const std::filesystem::path& dataHome, uid_t uid);
// With this user's data folder and user id.
bool isInTrash(const std::filesystem::path& path);

// Why a save must stop because of the file's state on disk.
enum class SaveBlock {
    none,
    inTrash, // the window shows its file-gone banner
    changed, // someone else changed the file: the external-change banner
    missing, // the file is gone: the file-gone banner
};
std::ostream& operator<<(std::ostream&, SaveBlock);

// No file: none. The trash is checked before the stored identity; without one nothing blocks.
[[nodiscard]] SaveBlock saveBlock(const std::optional<std::filesystem::path>& file,
                                  const std::optional<EditorCore::DiskIdentity>& stored);

// Why an explicit save to the document's own file would damage it even though nothing changed
// on disk: its text is not (all of) the file's text.
enum class SaveRefusal {
    pendingBinaryHead, // the "not text" decision is still open: the text is empty
    notText,           // shown as ISO Latin-1 for looking only
    partlyLoaded,      // a large file whose loaded bytes are fewer than its size
    lossy,             // a large file whose decoding lost characters
};
std::ostream& operator<<(std::ostream&, SaveRefusal);

[[nodiscard]] std::optional<SaveRefusal>
explicitSaveRefusal(bool hasPendingBinaryHead,
                    const std::optional<ReadOnlyReason>& readOnlyReason,
                    const std::optional<LargeFileState>& largeFile);

// An encoding failure: the characters the encoding cannot hold, or another codec error.
using EncodeFailure = std::variant<EditorCore::DocumentError, EditorCore::TextCodecError>;

// The bytes of the text in the format's encoding, with its mark when the format has one, and
// the file's own byte forms where it had them. Fails with `FormsRewritten` while the format
// says the file mixes byte forms of a character the text still has.
[[nodiscard]] EditorCore::Result<std::vector<std::uint8_t>, EncodeFailure>
encodedData(std::u16string_view text, const FileFormat& format);

// The same bytes handed to `sink` piece by piece as the snapshot's chunks are encoded, with the
// same failures; none when the sink refused a piece. Returns the number of bytes. Bytes may
// reach the sink before a failure (the byte forms are checked once the text is encoded): the
// writer keeps them aside until this succeeds.
[[nodiscard]] EditorCore::Result<std::uint64_t, std::optional<EncodeFailure>>
writeEncoded(const EditorCore::TextSnapshot& text,
             const FileFormat& format,
             const std::function<bool(std::span<const std::uint8_t>)>& sink);

} // namespace EditorDocuments::SaveRules
