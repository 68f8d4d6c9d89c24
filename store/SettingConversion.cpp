#include "store/SettingConversion.h"

#include <charconv>
#include <cmath>

namespace EditorStore::SettingConversion {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// [+-] digits, nothing else; the value must fit.
std::optional<std::int64_t> parseInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    for (char c : text) {
        if (!isDigit(c))
            return std::nullopt;
    }
    // Parse with the sign so that INT64_MIN fits.
    std::string signedDigits = negative ? "-" : "";
    signedDigits += text;
    std::int64_t value = 0;
    auto [end, error] =
        std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), value);
    if (error != std::errc() || end != signedDigits.data() + signedDigits.size())
        return std::nullopt;
    return value;
}

// [+-] (digits [. digits*] | . digits) [(e|E) [+-] digits], nothing else.
std::optional<double> parseDouble(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t numberStart = i;
    std::size_t integerDigits = 0, fractionDigits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++integerDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++fractionDigits;
        }
    }
    if (integerDigits + fractionDigits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    // from_chars reads no leading "+" and is independent of the locale.
    std::string_view number = text.substr(numberStart);
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return std::nullopt;
    return text[0] == '-' ? -value : value;
}

// Casting a double outside the range of std::int64_t is undefined, so check first.
std::optional<std::int64_t> truncatedInteger(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    double truncated = std::trunc(value);
    // 2^63 is exactly representable; every double below it and >= -2^63 fits.
    if (truncated >= 9223372036854775808.0 || truncated < -9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(truncated);
}

} // namespace

std::optional<std::string> toText(const Platform::PreferenceValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    return std::nullopt;
}

std::optional<bool> toBoolean(const Platform::PreferenceValue& value)
{
    if (const auto* boolean = std::get_if<bool>(&value))
        return *boolean;
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        if (*integer == 1 || *integer == 0)
            return *integer == 1;
        return std::nullopt;
    }
    if (const auto* number = std::get_if<double>(&value)) {
        if (*number == 1.0 || *number == 0.0)
            return *number == 1.0;
        return std::nullopt;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (*text == "YES" || *text == "yes" || *text == "true" || *text == "1")
            return true;
        if (*text == "NO" || *text == "no" || *text == "false" || *text == "0")
            return false;
    }
    return std::nullopt;
}

std::optional<std::int64_t> toInteger(const Platform::PreferenceValue& value)
{
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return *integer;
    if (const auto* number = std::get_if<double>(&value))
        return truncatedInteger(*number);
    if (const auto* boolean = std::get_if<bool>(&value))
        return *boolean ? 1 : 0;
    if (const auto* text = std::get_if<std::string>(&value))
        return parseInteger(*text);
    return std::nullopt;
}

std::optional<double> toDouble(const Platform::PreferenceValue& value)
{
    if (const auto* number = std::get_if<double>(&value)) {
        if (!std::isfinite(*number))
            return std::nullopt;
        return *number;
    }
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return static_cast<double>(*integer);
    if (const auto* boolean = std::get_if<bool>(&value))
        return *boolean ? 1.0 : 0.0;
    if (const auto* text = std::get_if<std::string>(&value))
        return parseDouble(*text);
    return std::nullopt;
}

} // namespace EditorStore::SettingConversion
