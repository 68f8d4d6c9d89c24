#pragma once

#include "core/ChunkedText.h"
#include "features/SyntaxLanguage.h"
#include "features/SyntaxRange.h"
#include "features/SyntaxTree.h"

#include <tree_sitter/api.h>

#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace EditorFeatures {

// An owned tree-sitter parser bound to one language. One thread at a time. A parse always
// runs to its end: no time limit, cancellation flag or logger is ever set.
class SyntaxParser
{
public:
    // None when the runtime cannot make a parser or refuses the language.
    static std::optional<SyntaxParser> make(const SyntaxLanguage& language);

    const SyntaxLanguage& language() const { return m_language; }

    // Parses UTF-16 units. An old tree makes the parse incremental; it must have received every
    // edit made since it was parsed. None when the runtime gives up or the text is too long
    // for its 32-bit byte offsets.
    std::optional<SyntaxTree> parse(std::u16string_view units, const SyntaxTree* oldTree = nullptr);
    // The same, reading the chunks of a snapshot as the parser asks for them (no copy of the
    // text); the offsets are the snapshot's.
    std::optional<SyntaxTree> parse(const EditorCore::TextSnapshot& text,
                                    const SyntaxTree* oldTree = nullptr);

    // Parses only the given ranges of the units (an embedded language inside its host), given
    // ascending and non-overlapping; the tree's offsets are offsets into the whole units. None
    // without ranges, when the runtime refuses them or gives up.
    std::optional<SyntaxTree> parse(std::u16string_view units, std::span<const SyntaxRange> ranges);

private:
    struct ParserDeleter
    {
        void operator()(TSParser* parser) const { ts_parser_delete(parser); }
    };

    SyntaxParser(SyntaxLanguage language, TSParser* raw);

    SyntaxLanguage m_language;
    std::unique_ptr<TSParser, ParserDeleter> m_raw;
};

} // namespace EditorFeatures
