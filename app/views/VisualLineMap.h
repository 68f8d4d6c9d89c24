#pragma once

#include <vector>

namespace EditorViews {

// How many visual lines each logical line takes, with prefix sums in logarithmic time (a
// Fenwick tree). Lines that were never laid out carry an estimate; a layout replaces it.
// Every visual line has the same height, so the prefix sum times the line height is the
// y of a line, and scrolling through a million lines never lays out what is not visible.
class VisualLineMap
{
public:
    void reset(std::vector<int> counts);
    // `lines` lines of one visual line each (text without wrapping). Any thread: a worker can
    // build the map of a large text, so the interface thread takes no page faults for it.
    static VisualLineMap uniform(std::size_t lines);
    int lineCount() const { return static_cast<int>(m_counts.size()); }
    int count(int line) const { return m_counts[static_cast<std::size_t>(line)]; }
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
    std::vector<int> m_counts;
    std::vector<long long> m_tree;
    long long m_total = 0;
};

} // namespace EditorViews
