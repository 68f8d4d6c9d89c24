#pragma once

#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace EditorWindow {

// Replacing over a snapshot of the text: the same replacements as the one-string search makes
// (CompiledSearch::replacementText, replaceAll), read from the chunks without flattening them.
namespace SnapshotReplacing {

// The search's scope clamped to a text of `length` units, as the one-string search clamps it.
std::pair<std::int64_t, std::int64_t> scopeOf(const EditorCore::CompiledSearch& search,
                                              std::int64_t length);

// What replaces the match at [location, location + length): the match is read again with the
// text of the search's scope around it, so look-around and groups see what the search saw.
std::u16string replacementText(const EditorCore::CompiledSearch& search,
                               const EditorCore::TextSnapshot& text,
                               std::int64_t location,
                               std::int64_t length,
                               std::u16string_view replacement);

// Every match of the scope replaced, as one replacement of the stretch from the first match's
// start to the last match's end (the text around it stays as it is).
struct Replaced
{
    std::int64_t location = 0;
    std::int64_t length = 0;
    std::u16string text;
    std::int64_t count = 0;
};
Replaced replaceAll(const EditorCore::CompiledSearch& search,
                    const EditorCore::TextSnapshot& text,
                    std::u16string_view replacement);

} // namespace SnapshotReplacing

} // namespace EditorWindow
