#pragma once

#include "core/ByteForms.h"
#include "core/Result.h"
#include "core/TextEncoding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace EditorCore {

class TextSnapshot;

struct TextCodecError
{
    // The bytes are not valid in the encoding.
    struct NotDecodable
    {
        TextEncoding encoding;
        bool operator==(const NotDecodable&) const = default;
    };
    // The text holds characters the encoding cannot represent: the distinct ones, each an
    // extended grapheme cluster, in order of first appearance.
    struct Unencodable
    {
        TextEncoding encoding;
        std::vector<std::u16string> characters;
        bool operator==(const Unencodable&) const = default;
    };

    std::variant<NotDecodable, Unencodable> reason;

    static TextCodecError notDecodable(TextEncoding encoding);
    static TextCodecError unencodable(TextEncoding encoding,
                                      std::vector<std::u16string> characters);

    TextEncoding encoding() const;
    bool isNotDecodable() const { return std::holds_alternative<NotDecodable>(reason); }
    // Null for a decoding error.
    const Unencodable* unencodable() const { return std::get_if<Unencodable>(&reason); }

    bool operator==(const TextCodecError&) const = default;
};

std::ostream& operator<<(std::ostream&, const TextCodecError&);

enum class StripByteOrderMark { no, yes };
enum class AddByteOrderMark { no, yes };
// Whether a sample was cut from longer data, so that its last character may be split.
enum class SampleIsCut { no, yes };

// Strict conversion between bytes and text in the fourteen encodings: a decode accepts every
// byte or fails, an encode represents every character or fails; nothing is ever replaced.
// No state; every function may run on any thread.
namespace TextCodec {

// How many characters `encode` names at most when it fails.
inline constexpr std::size_t encodeErrorLimit = 8;

// Drops the encoding's own byte-order mark from the front when asked and the bytes begin with
// it (the nine legacy encodings have none); a mark left in place decodes like other bytes.
[[nodiscard]] Result<std::u16string, TextCodecError>
decode(std::span<const std::uint8_t> bytes, TextEncoding encoding, StripByteOrderMark strip);

// The same, noting in `forms` the byte forms of the characters whose table has several, when
// it reads the same encoding. For a file read in pieces, one reader takes them all.
[[nodiscard]] Result<std::u16string, TextCodecError> decode(std::span<const std::uint8_t> bytes,
                                                            TextEncoding encoding,
                                                            StripByteOrderMark strip,
                                                            ByteForms::Reader& forms);

// The same into `text`, which is emptied first and whose capacity is kept: a file decoded piece
// by piece writes every piece into the same memory instead of fresh pages each time. On failure
// `text` holds no meaningful text.
[[nodiscard]] Result<void, TextCodecError> decode(std::span<const std::uint8_t> bytes,
                                                  TextEncoding encoding,
                                                  StripByteOrderMark strip,
                                                  ByteForms::Reader& forms,
                                                  std::u16string& text);

// The mark is added only for the five Unicode forms. The characters `forms` keeps are written
// in the file's forms when they are forms of this encoding.
[[nodiscard]] Result<std::vector<std::uint8_t>, TextCodecError> encode(std::u16string_view text,
                                                                       TextEncoding encoding,
                                                                       AddByteOrderMark add,
                                                                       const ByteForms& forms = {});

// The distinct characters (extended grapheme clusters, canonically equivalent ones counted
// once) that the encoding cannot represent, in order of first appearance, at most `limit`.
// A character `forms` keeps counts as representable.
[[nodiscard]] std::vector<std::u16string> unencodableCharacters(std::u16string_view text,
                                                                TextEncoding encoding,
                                                                std::size_t limit,
                                                                const ByteForms& forms = {});

// The same over a snapshot, read in place (up to 2^31 units, as above).
[[nodiscard]] std::vector<std::u16string> unencodableCharacters(const TextSnapshot& text,
                                                                TextEncoding encoding,
                                                                std::size_t limit,
                                                                const ByteForms& forms = {});

// Why an encode into a sink stopped: the text holds characters the encoding cannot represent
// (the error `encode` gives for the whole text), or the sink refused a piece (its reason is the
// sink's own).
struct SinkStopped
{
    bool operator==(const SinkStopped&) const = default;
};
using EncodeStop = std::variant<TextCodecError, SinkStopped>;

// The bytes of `encode` for the snapshot's text, handed to `sink` piece by piece as the chunks
// are encoded (TextEncoder): no copy of the text, and no more of its encoding than a piece at
// a time. Returns how many bytes the sink took. Some bytes may have reached the sink before a
// failure; whoever writes them keeps them aside until this succeeds.
[[nodiscard]] Result<std::uint64_t, EncodeStop>
encode(const TextSnapshot& text,
       TextEncoding encoding,
       AddByteOrderMark add,
       const ByteForms& forms,
       const std::function<bool(std::span<const std::uint8_t>)>& sink);

// The tolerant decode of detection: a sample cut from longer data may lose up to three
// trailing bytes of a split character. Never strips a byte-order mark.
[[nodiscard]] std::optional<std::u16string>
decodePrefix(std::span<const std::uint8_t> sample, TextEncoding encoding, SampleIsCut cut);

[[nodiscard]] bool hasPrefix(std::span<const std::uint8_t> prefix,
                             std::span<const std::uint8_t> bytes);

} // namespace TextCodec

} // namespace EditorCore
