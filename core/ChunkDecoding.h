#pragma once

#include "core/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Decoding a file that is read in chunks: where a chunk may be cut so that no character is
// split between two decodes, and a decode that never stops on bad bytes. No state; any thread.
namespace EditorCore::ChunkDecoding {

// How many leading bytes of `chunk` can be decoded now; the rest is carried into the next
// chunk. UTF-32: whole units. UTF-16: just after the last line-feed unit, else whole units
// short of a trailing high surrogate. Every other encoding: just after the last 0x0A byte
// (no multi-byte sequence of ours contains it), else up to the end of the last complete
// character.
[[nodiscard]] std::size_t decodableLength(std::span<const std::uint8_t> chunk,
                                          TextEncoding encoding);

// The strict codec's decode (no byte replaced), appended to `text` so that its capacity is
// reused; on failure `text` keeps what it held and false is returned.
[[nodiscard]] bool decodeStrict(std::span<const std::uint8_t> bytes,
                                TextEncoding encoding,
                                std::u16string& text);

// Appends the text of `bytes` to `text` (whose capacity is reused). Bytes the encoding does
// not accept become U+FFFD, one per invalid sequence, and the rest is decoded in the encoding
// exactly as the strict codec decodes it. Returns whether anything was replaced. A byte-order
// mark is not dropped.
bool decodeReplacingInvalid(std::span<const std::uint8_t> bytes,
                            TextEncoding encoding,
                            std::u16string& text);

} // namespace EditorCore::ChunkDecoding
