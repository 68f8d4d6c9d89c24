#pragma once

#include "core/TextEncoding.h"

#include <optional>
#include <ostream>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace EditorCore {

enum class EncodingConfidence { certain, likely, unsure };

std::string_view rawValue(EncodingConfidence);
std::optional<EncodingConfidence> encodingConfidenceFromRawValue(std::string_view);
std::ostream& operator<<(std::ostream&, EncodingConfidence);

// How an encoding was decided. Detection never yields `userChoice`: that is the application's
// record of a choice made by hand.
enum class EncodingSource { bom, utf8Strict, utf16Pattern, fileMemory, heuristic, userChoice };

std::string_view rawValue(EncodingSource);
std::optional<EncodingSource> encodingSourceFromRawValue(std::string_view);
std::ostream& operator<<(std::ostream&, EncodingSource);

struct EncodingGuess
{
    TextEncoding encoding = TextEncoding::utf8;
    EncodingConfidence confidence = EncodingConfidence::certain;
    // At most three, best first; empty unless the guess came from ranking.
    std::vector<TextEncoding> candidates;
    EncodingSource source = EncodingSource::utf8Strict;
    // True only when the bytes begin with the chosen encoding's mark.
    bool hasByteOrderMark = false;

    bool operator==(const EncodingGuess&) const = default;
};

std::ostream& operator<<(std::ostream&, const EncodingGuess&);

// What detection says of a file's bytes: text in a guessed encoding, or binary.
struct ContentGuess
{
    struct Binary
    {
        bool operator==(const Binary&) const = default;
    };

    std::variant<EncodingGuess, Binary> value;

    static ContentGuess text(EncodingGuess guess) { return {std::move(guess)}; }
    static ContentGuess binary() { return {Binary{}}; }

    bool isBinary() const { return std::holds_alternative<Binary>(value); }
    // Null for binary content.
    const EncodingGuess* textGuess() const { return std::get_if<EncodingGuess>(&value); }

    bool operator==(const ContentGuess&) const = default;
};

std::ostream& operator<<(std::ostream&, const ContentGuess&);

} // namespace EditorCore
