#include "features/MarkdownHTML.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>
#include <unicode/ustring.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <mutex>

namespace EditorFeatures {

namespace {

constexpr int renderOptions = CMARK_OPT_SOURCEPOS | CMARK_OPT_GITHUB_PRE_LANG | CMARK_OPT_FOOTNOTES
                              | CMARK_OPT_STRIKETHROUGH_DOUBLE_TILDE | CMARK_OPT_UNSAFE;
static_assert(renderOptions == 0x26802);

constexpr std::array<const char*, 5> extensionNames = {
    "table", "strikethrough", "autolink", "tagfilter", "tasklist"};

// The extension registry is process-wide and the library makes no promise about concurrent
// parsers, so every render runs under this one lock.
std::mutex& renderLock()
{
    static std::mutex lock;
    return lock;
}

std::string utf8(std::u16string_view text)
{
    // ICU counts in 32-bit lengths; a longer text must not be cut short silently.
    if (text.empty() || text.size() > static_cast<std::size_t>(INT32_MAX / 3))
        return {};
    const auto* source = reinterpret_cast<const UChar*>(text.data());
    const auto sourceLength = static_cast<int32_t>(text.size());
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strToUTF8WithSub(nullptr, 0, &length, source, sourceLength, 0xFFFD, nullptr, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return {};
    std::string bytes(static_cast<std::size_t>(length), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(
        bytes.data(), length, &length, source, sourceLength, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return bytes;
}

} // namespace

std::string MarkdownHTML::render(std::u16string_view markdown)
{
    const std::string bytes = utf8(markdown);
    if (bytes.empty() && !markdown.empty())
        return {};

    const std::lock_guard guard(renderLock());
    static const bool registered = [] {
        cmark_gfm_core_extensions_ensure_registered();
        return true;
    }();
    (void)registered;

    cmark_parser* parser = cmark_parser_new(renderOptions);
    if (!parser)
        return {};
    for (const char* name : extensionNames) {
        if (cmark_syntax_extension* extension = cmark_find_syntax_extension(name))
            cmark_parser_attach_syntax_extension(parser, extension);
    }
    cmark_parser_feed(parser, bytes.data(), bytes.size());
    cmark_node* document = cmark_parser_finish(parser);
    if (!document) {
        cmark_parser_free(parser);
        return {};
    }

    std::string html;
    if (char* rendered = cmark_render_html(
            document, renderOptions, cmark_parser_get_syntax_extensions(parser))) {
        html = rendered;
        std::free(rendered);
    }
    cmark_node_free(document);
    cmark_parser_free(parser);
    return html;
}

} // namespace EditorFeatures
