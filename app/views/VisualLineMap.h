#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace EditorViews {

// How many visual lines each logical line takes, with prefix sums in logarithmic time. Lines
// that were never laid out carry an estimate; a layout replaces it. Every visual line has the
// same height, so the prefix sum times the line height is the y of a line, and scrolling
// through a million lines never lays out what is not visible.
//
// Kept small, since a large text has millions of lines: one byte per line (a count of 255 and
// more is kept aside), and the prefix sums (a Fenwick tree) over blocks of 64 lines only; the
// lines inside a block are summed when asked. About 1.1 bytes per line instead of 12.
class VisualLineMap
{
public:
    void reset(const std::vector<int>& counts);
    // The same without a list of counts: `countOf(line)` for each line in turn, into the memory
    // the map already holds.
    template<class CountOf>
    void rebuild(int lineCount, CountOf countOf)
    {
        beginBuild(lineCount);
        for (int line = 0; line < lineCount; ++line)
            store(line, countOf(line));
        finishBuild();
    }
    // `lines` lines of one visual line each (text without wrapping). Any thread: a worker can
    // build the map of a large text, so the interface thread takes no page faults for it.
    static VisualLineMap uniform(std::size_t lines);
    int lineCount() const { return static_cast<int>(m_counts.size()); }
    int count(int line) const
    {
        const std::uint8_t small = m_counts[static_cast<std::size_t>(line)];
        return small < largeMark ? small : m_large.at(line);
    }
    void setCount(int line, int visualLines);
    // One more line at the end, in logarithmic time (text that grows at its end).
    void append(int visualLines);
    // Visual lines before the logical line.
    long long visualLinesBefore(int line) const;
    long long totalVisualLines() const { return m_total; }
    // The logical line that holds the visual line, and the visual line's index inside it.
    struct Position
    {
        int line = 0;
        int subLine = 0;
    };
    Position locate(long long visualLine) const;

private:
    static constexpr int blockLines = 64;
    static constexpr std::uint8_t largeMark = 255;

    void beginBuild(int lineCount);
    // Sets a line's count while building (the block sums are made afterwards).
    void store(int line, int visualLines);
    void finishBuild();
    // Visual lines of the lines [first, end) of one block.
    long long sumOfLines(int first, int end) const;

    std::vector<std::uint8_t> m_counts;
    // Counts of largeMark and more, by line.
    std::unordered_map<int, int> m_large;
    // Fenwick tree over the blocks' sums, 1-based.
    std::vector<long long> m_tree;
    long long m_total = 0;
};

} // namespace EditorViews
