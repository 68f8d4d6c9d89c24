#include "core/SearchSyntax.h"

namespace EditorCore::SearchSyntax {
namespace {

bool isAsciiPunctuation(char16_t c)
{
    return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60)
           || (c >= 0x7B && c <= 0x7E);
}

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::u16string escapedPattern(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        if (isAsciiPunctuation(c))
            out.push_back(u'\\');
        out.push_back(c);
    }
    return out;
}

std::u16string wholeWordPattern(std::u16string_view pattern)
{
    std::u16string out = u"\\b(?:";
    out.append(pattern);
    out.append(u")\\b");
    return out;
}

std::u16string expandTemplate(std::u16string_view replacementTemplate,
                              std::u16string_view text,
                              std::span<const std::optional<SearchMatch>> groups)
{
    // groups holds the whole match too, so the pattern's own groups number one less.
    const std::size_t groupCount = groups.empty() ? 0 : groups.size() - 1;
    std::u16string out;
    out.reserve(replacementTemplate.size());
    std::size_t i = 0;
    const std::size_t n = replacementTemplate.size();
    while (i < n) {
        char16_t c = replacementTemplate[i];
        if (c == u'\\') {
            if (i + 1 < n) {
                out.push_back(replacementTemplate[i + 1]);
                i += 2;
            } else {
                out.push_back(c);
                ++i;
            }
            continue;
        }
        if (c != u'$' || i + 1 >= n || !isAsciiDigit(replacementTemplate[i + 1])) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t group = replacementTemplate[i + 1] - u'0';
        i += 2;
        while (i < n && isAsciiDigit(replacementTemplate[i])) {
            std::size_t longer = group * 10 + (replacementTemplate[i] - u'0');
            if (longer > groupCount)
                break;
            group = longer;
            ++i;
        }
        if (group < groups.size() && groups[group]) {
            const SearchMatch& g = *groups[group];
            if (g.location >= 0 && g.length >= 0
                && static_cast<std::size_t>(g.location + g.length) <= text.size())
                out.append(text.substr(static_cast<std::size_t>(g.location),
                                       static_cast<std::size_t>(g.length)));
        }
    }
    return out;
}

} // namespace EditorCore::SearchSyntax
