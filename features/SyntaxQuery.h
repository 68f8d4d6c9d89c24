#pragma once

#include "core/Result.h"
#include "features/SyntaxLanguage.h"
#include "features/SyntaxSpan.h"
#include "features/SyntaxTree.h"

#include <tree_sitter/api.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// A compiled highlight query whose capture names are mapped once to colouring roles.
// Immutable once made, so one query serves several threads, each search with its own cursor.
class SyntaxQuery
{
public:
    struct Failure
    {
        // Byte offset into the UTF-8 query text where compilation failed.
        std::uint32_t offset = 0;
        bool operator==(const Failure&) const = default;
    };

    [[nodiscard]] static EditorCore::Result<std::shared_ptr<const SyntaxQuery>, Failure>
    make(const SyntaxLanguage& language, std::string_view source);

    ~SyntaxQuery();
    SyntaxQuery(const SyntaxQuery&) = delete;
    SyntaxQuery& operator=(const SyntaxQuery&) = delete;

    // The role of a capture name: its longest dotted prefix that the role table knows
    // ("keyword.control.conditional" is a keyword; "variable" has none).
    static std::optional<SyntaxRole> role(std::string_view captureName);

    // One optional role per capture, indexed by capture id.
    const std::vector<std::optional<SyntaxRole>>& roles() const { return m_roles; }
    const TSQuery* raw() const { return m_raw; }

    // The spans of the nodes that meet from..to (UTF-16 offsets), each node's whole range, in
    // the order the captures come. Of consecutive captures with one range the last decides the
    // role; captures without a role and empty nodes give nothing.
    std::vector<SyntaxSpan> spans(const SyntaxTree& tree, std::int64_t from, std::int64_t to) const;

private:
    SyntaxQuery(TSQuery* raw, std::vector<std::optional<SyntaxRole>> roles);

    TSQuery* m_raw;
    std::vector<std::optional<SyntaxRole>> m_roles;
};

std::ostream& operator<<(std::ostream&, const SyntaxQuery::Failure&);

} // namespace EditorFeatures
