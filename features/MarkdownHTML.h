#pragma once

#include <string>
#include <string_view>

namespace EditorFeatures {

// Markdown to an HTML fragment for the preview: GitHub-flavoured tables, strikethrough (double
// tilde only), autolinks, the tag filter and task lists; raw HTML passes through, fenced code
// puts its language on `pre`, and every block carries `data-sourcepos` ("line:col-line:col",
// 1-based) for the preview's scroll sync.
namespace MarkdownHTML {

// UTF-8 HTML of the whole text; "" when the library produced nothing or the text is beyond
// 715 million units. Lone surrogates become U+FFFD. Callable from any thread: renders are
// serialised by one process-wide lock.
std::string render(std::u16string_view markdown);

} // namespace MarkdownHTML

} // namespace EditorFeatures
