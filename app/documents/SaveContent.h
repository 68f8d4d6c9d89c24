#pragma once

#include "core/Result.h"
#include "core/TextEncoder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <system_error>

namespace EditorDocuments {

using EditorCore::ByteSink;

// A file's new content, made piece by piece while it is written (a text encoded chunk by chunk
// from its snapshot), so that a save never holds the whole of it. It hands its bytes to the
// sink in order and returns true once all of them were taken; false when the sink refused a
// piece or the content failed on its own (a character the encoding cannot hold: the one who
// made the content knows why). A writer calls it once and keeps what it wrote aside (a
// temporary file, a recovery copy) until it returned true.
using SaveContent = std::function<bool(const ByteSink& sink)>;

// Bytes already made, as they are.
SaveContent contentOf(std::span<const std::uint8_t> bytes);

// What a write returns when its content failed on its own.
std::error_code contentFailed();

// Writes the content to `fd` at its current offset; the number of bytes. The error is the
// platform's when a write failed, else contentFailed().
[[nodiscard]] EditorCore::Result<std::uint64_t, std::error_code>
writeContent(int fd, const SaveContent& content);

// `size` bytes of `file` from `offset`, read a piece at a time. A failed or short read stops it
// and leaves the platform's error in `readError`, which must outlive the content.
SaveContent fileContent(const std::filesystem::path& file,
                        std::uint64_t offset,
                        std::uint64_t size,
                        std::error_code& readError);

} // namespace EditorDocuments
