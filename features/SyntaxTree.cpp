#include "features/SyntaxTree.h"

#include <cstdlib>
#include <memory>
#include <utility>

namespace EditorFeatures {
namespace {

struct FreeDeleter
{
    void operator()(void* pointer) const { std::free(pointer); }
};

std::uint32_t bytes(std::int64_t units)
{
    return static_cast<std::uint32_t>(units * 2);
}

TSPoint tsPoint(const SyntaxEdit::Point& point)
{
    return {static_cast<std::uint32_t>(point.row), bytes(point.column)};
}

SyntaxRange unitRange(TSNode node, std::int64_t offset)
{
    return {ts_node_start_byte(node) / 2 + offset, ts_node_end_byte(node) / 2 + offset};
}

} // namespace

SyntaxTree::SyntaxTree(TSTree* raw)
    : m_raw(raw)
{}

SyntaxTree::~SyntaxTree()
{
    if (m_raw)
        ts_tree_delete(m_raw);
}

SyntaxTree::SyntaxTree(SyntaxTree&& other) noexcept
    : m_raw(std::exchange(other.m_raw, nullptr))
{}

SyntaxTree& SyntaxTree::operator=(SyntaxTree&& other) noexcept
{
    if (this != &other) {
        if (m_raw)
            ts_tree_delete(m_raw);
        m_raw = std::exchange(other.m_raw, nullptr);
    }
    return *this;
}

SyntaxTree SyntaxTree::copy() const
{
    return SyntaxTree(ts_tree_copy(m_raw));
}

void SyntaxTree::edit(const SyntaxEdit& edit)
{
    TSInputEdit input;
    input.start_byte = bytes(edit.start);
    input.old_end_byte = bytes(edit.oldEnd);
    input.new_end_byte = bytes(edit.newEnd);
    input.start_point = tsPoint(edit.startPoint);
    input.old_end_point = tsPoint(edit.oldEndPoint);
    input.new_end_point = tsPoint(edit.newEndPoint);
    ts_tree_edit(m_raw, &input);
}

std::vector<SyntaxRange> SyntaxTree::changedRanges(const SyntaxTree& older) const
{
    std::uint32_t count = 0;
    std::unique_ptr<TSRange, FreeDeleter> ranges(
        ts_tree_get_changed_ranges(older.m_raw, m_raw, &count));
    std::vector<SyntaxRange> result;
    if (!ranges)
        return result;
    result.reserve(count);
    for (std::uint32_t index = 0; index < count; ++index) {
        const auto& range = ranges.get()[index];
        result.push_back({range.start_byte / 2, range.end_byte / 2});
    }
    return result;
}

TSNode SyntaxTree::rootNode() const
{
    return ts_tree_root_node(m_raw);
}

std::string SyntaxTree::rootType() const
{
    const char* type = ts_node_type(rootNode());
    return type ? std::string(type) : std::string();
}

bool SyntaxTree::hasError() const
{
    return ts_node_has_error(rootNode());
}

std::string SyntaxTree::sExpression() const
{
    std::unique_ptr<char, FreeDeleter> text(ts_node_string(rootNode()));
    return text ? std::string(text.get()) : std::string();
}

std::vector<SyntaxProblem> SyntaxTree::problems(std::int64_t offset, std::size_t limit) const
{
    std::vector<SyntaxProblem> result;
    std::vector<TSNode> stack{rootNode()};
    std::vector<TSNode> children;
    // A cursor walks the children in one pass; ts_node_child(i) starts from the first child
    // every time, which turns a wide node (a long JSON array) quadratic.
    TSTreeCursor cursor = ts_tree_cursor_new(rootNode());
    while (!stack.empty() && result.size() < limit) {
        TSNode node = stack.back();
        stack.pop_back();
        bool missing = ts_node_is_missing(node);
        if (!missing && !ts_node_has_error(node))
            continue;
        if (missing) {
            SyntaxProblem::Missing kind;
            if (!ts_node_is_named(node))
                kind.token = ts_node_type(node);
            result.push_back({unitRange(node, offset), kind});
            continue;
        }
        if (ts_node_is_error(node)) {
            result.push_back({unitRange(node, offset), SyntaxProblem::Unexpected{}});
            continue;
        }
        children.clear();
        ts_tree_cursor_reset(&cursor, node);
        if (ts_tree_cursor_goto_first_child(&cursor)) {
            do {
                children.push_back(ts_tree_cursor_current_node(&cursor));
            } while (ts_tree_cursor_goto_next_sibling(&cursor));
        }
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    ts_tree_cursor_delete(&cursor);
    return result;
}

} // namespace EditorFeatures
