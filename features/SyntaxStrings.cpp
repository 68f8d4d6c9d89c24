#include "features/SyntaxStrings.h"

#include <unicode/unistr.h>

namespace EditorFeatures::SyntaxStrings {

std::string repairedUtf8(std::string_view bytes)
{
    return utf8(utf16(bytes));
}

std::u16string utf16(std::string_view utf8)
{
    auto string = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    return std::u16string(string.getBuffer(), static_cast<std::size_t>(string.length()));
}

std::string utf8(std::u16string_view utf16)
{
    icu::UnicodeString string(false, utf16.data(), static_cast<int32_t>(utf16.size()));
    std::string result;
    string.toUTF8String(result);
    return result;
}

std::optional<std::string> captureName(const TSQuery* query, std::uint32_t id)
{
    std::uint32_t length = 0;
    const char* name = ts_query_capture_name_for_id(query, id, &length);
    if (!name)
        return std::nullopt;
    return repairedUtf8(std::string_view(name, length));
}

} // namespace EditorFeatures::SyntaxStrings
