#include "platform/Base64.h"

namespace Platform::Base64 {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::string encode(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t group =
            std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += alphabet[group >> 6 & 63];
        out += alphabet[group & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest == 1) {
        std::uint32_t group = std::uint32_t(bytes[i]) << 16;
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += "==";
    } else if (rest == 2) {
        std::uint32_t group = std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8;
        out += alphabet[group >> 18 & 63];
        out += alphabet[group >> 12 & 63];
        out += alphabet[group >> 6 & 63];
        out += '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> decode(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        int padding = 0;
        if (last) {
            if (text[i + 3] == '=')
                ++padding;
            if (padding == 1 && text[i + 2] == '=')
                ++padding;
        }
        std::uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            int value = k < 4 - padding ? sextet(text[i + k]) : 0;
            if (value < 0)
                return std::nullopt;
            group = group << 6 | std::uint32_t(value);
        }
        out.push_back(std::uint8_t(group >> 16));
        if (padding == 2) {
            if ((group & 0xFFFF) != 0)
                return std::nullopt;
            break;
        }
        out.push_back(std::uint8_t(group >> 8));
        if (padding == 1) {
            if ((group & 0xFF) != 0)
                return std::nullopt;
            break;
        }
        out.push_back(std::uint8_t(group));
    }
    return out;
}

} // namespace Platform::Base64
