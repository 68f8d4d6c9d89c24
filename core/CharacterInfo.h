#pragma once

#include "core/SuspiciousCharacters.h"
#include "core/TextEncoding.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore {

// What the character inspector shows of one user-perceived character. The descriptions are
// ASCII.
struct CharacterInfo
{
    struct ScalarInfo
    {
        std::string code; // "U+0041", "U+1F600"
        // The Unicode name, else its corrected name alias, else "<control-%04X>".
        std::string name;

        bool operator==(const ScalarInfo&) const = default;
    };

    std::u16string character; // one extended grapheme cluster
    std::vector<ScalarInfo> scalars;
    // "C2 A0": the bytes in the encoding, without a byte-order mark; absent when the encoding
    // cannot represent the character.
    std::optional<std::string> bytes;
    // Only for a character of exactly one scalar, classified away from the start of a text.
    std::optional<SuspiciousKind> suspicious;

    CharacterInfo() = default;
    // Never fails; what cannot be had is absent.
    CharacterInfo(std::u16string_view character, TextEncoding encoding);

    bool operator==(const CharacterInfo&) const = default;
};

std::ostream& operator<<(std::ostream&, const CharacterInfo::ScalarInfo&);
std::ostream& operator<<(std::ostream&, const CharacterInfo&);

} // namespace EditorCore
