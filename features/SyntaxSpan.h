#pragma once

#include "features/SyntaxRange.h"

#include <array>
#include <optional>
#include <ostream>

namespace EditorFeatures {

// The eight colours of syntax colouring; the raw values are the integers of the enumeration.
enum class SyntaxRole { keyword, string, number, comment, type, function, property, punctuation };

inline constexpr std::array<SyntaxRole, 8> allSyntaxRoles = {
    SyntaxRole::keyword,
    SyntaxRole::string,
    SyntaxRole::number,
    SyntaxRole::comment,
    SyntaxRole::type,
    SyntaxRole::function,
    SyntaxRole::property,
    SyntaxRole::punctuation,
};

inline int rawValue(SyntaxRole role)
{
    return static_cast<int>(role);
}

// 0 to 7; none otherwise.
std::optional<SyntaxRole> syntaxRoleFromRawValue(int raw);

std::ostream& operator<<(std::ostream&, SyntaxRole);

// A coloured range of a text (UTF-16 offsets).
struct SyntaxSpan
{
    SyntaxRange range;
    SyntaxRole role = SyntaxRole::keyword;
    bool operator==(const SyntaxSpan&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SyntaxSpan& span)
{
    return out << span.range << " " << span.role;
}

} // namespace EditorFeatures
