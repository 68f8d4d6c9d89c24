#pragma once

#include "core/EncodingGuess.h"
#include "core/TextCodec.h"
#include "core/TextEncoding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Whether a file's bytes are text and in which encoding. Reads at most the first 64 KiB
// whatever the file's size; no state but the common-character sets, built once per process.
// Every function may run on any thread.
namespace EditorCore::EncodingDetector {

inline constexpr std::size_t sampleLength = 65536;

// The strict decode that detection is built on: the text, or nothing when the bytes are not
// valid in the encoding. The real one is TextCodec::decode without stripping a mark; tests pass
// their own to reach outcomes the real tables never give.
using Decoder =
    std::function<std::optional<std::u16string>(std::span<const std::uint8_t>, TextEncoding)>;
const Decoder& codecDecoder();

// `remembered`: the encoding the file memory holds for the file, if any. `cut`: the bytes are
// the head of a longer file, so their last character may be split; bytes longer than a
// sample count as cut whatever it says.
[[nodiscard]] ContentGuess detect(std::span<const std::uint8_t> bytes,
                                  std::optional<TextEncoding> remembered = std::nullopt,
                                  SampleIsCut cut = SampleIsCut::no,
                                  const Decoder& decoder = codecDecoder());

// How much a decoded text looks like real text of the encoding's script: 1.0 at best; the
// Western penalty for runs of non-ASCII characters can take it below 0.
[[nodiscard]] double plausibility(std::u16string_view text, TextEncoding encoding);

// Scores the legacy encodings and UTF-8 on a sample that is neither strict UTF-8 nor binary.
// Never `certain`.
[[nodiscard]] EncodingGuess rankCandidates(std::span<const std::uint8_t> sample,
                                           SampleIsCut cut,
                                           const Decoder& decoder = codecDecoder());

} // namespace EditorCore::EncodingDetector
