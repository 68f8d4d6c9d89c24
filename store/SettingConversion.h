#pragma once

#include "platform/PreferencesDomain.h"

#include <cstdint>
#include <optional>
#include <string>

// How a stored or command-line object becomes a setting's value. Every conversion is exact:
// a text of another form, a number out of range, NaN or an infinity fails.
namespace EditorStore::SettingConversion {

// Only a text converts.
std::optional<std::string> toText(const Platform::PreferenceValue&);
// A boolean; a number equal to 1 or 0; the texts YES yes true 1 and NO no false 0.
std::optional<bool> toBoolean(const Platform::PreferenceValue&);
// An integer; a double cut toward zero when it fits 64 bits; a boolean as 1 or 0; a text of
// an optional sign and ASCII digits within 64 bits.
std::optional<std::int64_t> toInteger(const Platform::PreferenceValue&);
// A finite number (a boolean as 1.0 or 0.0); a text that is wholly a C-locale decimal number.
std::optional<double> toDouble(const Platform::PreferenceValue&);

template<class T>
std::optional<T> convert(const Platform::PreferenceValue& value)
{
    if constexpr (std::is_same_v<T, std::string>)
        return toText(value);
    else if constexpr (std::is_same_v<T, bool>)
        return toBoolean(value);
    else if constexpr (std::is_same_v<T, std::int64_t>)
        return toInteger(value);
    else
        return toDouble(value);
}

} // namespace EditorStore::SettingConversion
