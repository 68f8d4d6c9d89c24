#pragma once

#include "features/SyntaxEdit.h"
#include "features/SyntaxProblem.h"
#include "features/SyntaxRange.h"

#include <tree_sitter/api.h>

#include <cstddef>
#include <string>
#include <vector>

namespace EditorFeatures {

// An owned tree-sitter tree of a text handed over as UTF-16: every offset that leaves this
// class is the runtime's byte offset halved. One thread at a time; give another thread a copy().
class SyntaxTree
{
public:
    // Takes ownership of a tree the runtime made (non-null).
    explicit SyntaxTree(TSTree* raw);
    ~SyntaxTree();
    SyntaxTree(SyntaxTree&& other) noexcept;
    SyntaxTree& operator=(SyntaxTree&& other) noexcept;
    SyntaxTree(const SyntaxTree&) = delete;
    SyntaxTree& operator=(const SyntaxTree&) = delete;

    // A cheap copy sharing the runtime's nodes.
    SyntaxTree copy() const;

    // Must be called for every edit of the text before the tree serves as an old tree.
    void edit(const SyntaxEdit& edit);

    // The ranges whose syntax differs between an older (edited) tree and this one.
    std::vector<SyntaxRange> changedRanges(const SyntaxTree& older) const;

    std::string rootType() const;
    bool hasError() const;
    std::string sExpression() const;

    // Error and missing nodes in document order, none nested in another, at most `limit`.
    // `offset` is added to every range (the tree of a piece of a larger text).
    std::vector<SyntaxProblem> problems(std::int64_t offset, std::size_t limit) const;

    TSNode rootNode() const;
    const TSTree* raw() const { return m_raw; }

private:
    TSTree* m_raw;
};

} // namespace EditorFeatures
