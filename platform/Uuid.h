#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace Platform {

// A 128-bit identifier. Its text is 36 characters, upper-case hexadecimal digits in groups of
// 8, 4, 4, 4 and 12 joined by hyphens; parsing accepts either letter case.
struct Uuid
{
    std::array<std::uint8_t, 16> bytes{};

    // A random (version 4) identifier from the kernel's random source.
    static Uuid random();
    static std::optional<Uuid> parse(std::string_view text);

    std::string text() const;

    bool operator==(const Uuid&) const = default;
    auto operator<=>(const Uuid&) const = default;
};

std::ostream& operator<<(std::ostream&, const Uuid&);

// The value of one hexadecimal digit of either case, or -1.
int hexDigitValue(char c);

} // namespace Platform
