#include "platform/Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace Platform {
namespace {

constexpr int maximumDepth = 512;

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t scalar = 0;
        if ((byte & 0xE0) == 0xC0) {
            length = 2;
            scalar = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
            scalar = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
            scalar = byte & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            scalar = (scalar << 6) | (next & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (scalar < smallest[length] || scalar > 0x10FFFF
            || (scalar >= 0xD800 && scalar <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

class Writer
{
public:
    explicit Writer(JsonStyle style)
        : m_pretty(style == JsonStyle::pretty)
    {}

    EditorCore::Result<std::string, JsonWriteError> run(const nlohmann::json& value)
    {
        if (!write(value, 0))
            return EditorCore::failure(m_error);
        return std::move(m_out);
    }

private:
    bool fail(JsonWriteError error)
    {
        m_error = error;
        return false;
    }

    void newline(int depth)
    {
        if (!m_pretty)
            return;
        m_out += '\n';
        m_out.append(static_cast<std::size_t>(depth) * 2, ' ');
    }

    bool writeString(std::string_view text)
    {
        if (!isValidUtf8(text))
            return fail(JsonWriteError::invalidUtf8);
        m_out += '"';
        for (char c : text) {
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '/':
                m_out += "\\/";
                break;
            case '\b':
                m_out += "\\b";
                break;
            case '\f':
                m_out += "\\f";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char hex[] = "0123456789abcdef";
                    m_out += "\\u00";
                    m_out += hex[(c >> 4) & 0xF];
                    m_out += hex[c & 0xF];
                } else {
                    m_out += c;
                }
            }
        }
        m_out += '"';
        return true;
    }

    bool writeDouble(double number)
    {
        if (!std::isfinite(number))
            return fail(JsonWriteError::nonFiniteNumber);
        char buffer[64];
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
        if (error != std::errc())
            return fail(JsonWriteError::nonFiniteNumber);
        std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
        m_out += text;
        if (text.find_first_of(".eE") == std::string_view::npos)
            m_out += ".0";
        return true;
    }

    bool write(const nlohmann::json& value, int depth)
    {
        if (depth > maximumDepth)
            return fail(JsonWriteError::tooDeep);
        switch (value.type()) {
        case nlohmann::json::value_t::null:
            m_out += "null";
            return true;
        case nlohmann::json::value_t::boolean:
            m_out += value.get_ref<const bool&>() ? "true" : "false";
            return true;
        case nlohmann::json::value_t::number_integer:
            m_out += std::to_string(value.get_ref<const std::int64_t&>());
            return true;
        case nlohmann::json::value_t::number_unsigned:
            m_out += std::to_string(value.get_ref<const std::uint64_t&>());
            return true;
        case nlohmann::json::value_t::number_float:
            return writeDouble(value.get_ref<const double&>());
        case nlohmann::json::value_t::string:
            return writeString(value.get_ref<const std::string&>());
        case nlohmann::json::value_t::array: {
            const auto& items = value.get_ref<const nlohmann::json::array_t&>();
            m_out += '[';
            bool first = true;
            for (const auto& item : items) {
                if (!first)
                    m_out += ',';
                first = false;
                newline(depth + 1);
                if (!write(item, depth + 1))
                    return false;
            }
            if (!items.empty())
                newline(depth);
            m_out += ']';
            return true;
        }
        case nlohmann::json::value_t::object: {
            const auto& members = value.get_ref<const nlohmann::json::object_t&>();
            std::vector<const nlohmann::json::object_t::value_type*> sorted;
            sorted.reserve(members.size());
            for (const auto& member : members)
                sorted.push_back(&member);
            std::sort(
                sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->first < b->first; });
            m_out += '{';
            bool first = true;
            for (const auto* member : sorted) {
                if (!first)
                    m_out += ',';
                first = false;
                newline(depth + 1);
                if (!writeString(member->first))
                    return false;
                m_out += m_pretty ? " : " : ":";
                if (!write(member->second, depth + 1))
                    return false;
            }
            if (!members.empty())
                newline(depth);
            m_out += '}';
            return true;
        }
        case nlohmann::json::value_t::binary:
        case nlohmann::json::value_t::discarded:
            break;
        }
        return fail(JsonWriteError::unsupportedValue);
    }

    bool m_pretty;
    std::string m_out;
    JsonWriteError m_error = JsonWriteError::unsupportedValue;
};

} // namespace

EditorCore::Result<std::string, JsonWriteError> writeJson(const nlohmann::json& value,
                                                          JsonStyle style)
{
    return Writer(style).run(value);
}

std::optional<nlohmann::json> parseJson(std::string_view text)
{
    auto value = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (value.is_discarded())
        return std::nullopt;
    return value;
}

} // namespace Platform
