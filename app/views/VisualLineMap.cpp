#include "app/views/VisualLineMap.h"

#include <algorithm>

namespace EditorViews {

void VisualLineMap::reset(std::vector<int> counts)
{
    m_counts = std::move(counts);
    std::size_t n = m_counts.size();
    m_tree.assign(n + 1, 0);
    m_total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        m_tree[i + 1] += m_counts[i];
        m_total += m_counts[i];
        std::size_t parent = (i + 1) + ((i + 1) & (~(i + 1) + 1));
        if (parent <= n)
            m_tree[parent] += m_tree[i + 1];
    }
}

VisualLineMap VisualLineMap::uniform(std::size_t lines)
{
    VisualLineMap map;
    map.m_counts.assign(lines, 1);
    map.m_tree.resize(lines + 1);
    map.m_tree[0] = 0;
    // With every count 1, a node holds as many lines as its lowest set bit says.
    for (std::size_t i = 1; i <= lines; ++i)
        map.m_tree[i] = static_cast<long long>(i & (~i + 1));
    map.m_total = static_cast<long long>(lines);
    return map;
}

void VisualLineMap::setCount(int line, int visualLines)
{
    auto index = static_cast<std::size_t>(line);
    long long delta = visualLines - m_counts[index];
    if (delta == 0)
        return;
    m_counts[index] = visualLines;
    m_total += delta;
    for (std::size_t i = index + 1; i < m_tree.size(); i += i & (~i + 1))
        m_tree[i] += delta;
}

void VisualLineMap::append(int visualLines)
{
    m_counts.push_back(visualLines);
    const std::size_t index = m_counts.size(); // 1-based node of the new line
    const std::size_t low = index & (~index + 1);
    // The node covers the lines (index - low, index]: the new one and those before it.
    m_tree.push_back(visualLines + visualLinesBefore(static_cast<int>(index - 1))
                     - visualLinesBefore(static_cast<int>(index - low)));
    m_total += visualLines;
}

long long VisualLineMap::visualLinesBefore(int line) const
{
    long long sum = 0;
    for (auto i = static_cast<std::size_t>(std::clamp(line, 0, lineCount())); i > 0;
         i -= i & (~i + 1))
        sum += m_tree[i];
    return sum;
}

VisualLineMap::Position VisualLineMap::locate(long long visualLine) const
{
    if (m_counts.empty())
        return {};
    if (visualLine <= 0)
        return {0, 0};
    if (visualLine >= m_total)
        return {lineCount() - 1, count(lineCount() - 1) - 1};
    // Largest prefix of lines whose visual lines sum to at most visualLine.
    std::size_t position = 0;
    long long remaining = visualLine;
    std::size_t step = 1;
    while (step * 2 < m_tree.size())
        step *= 2;
    for (; step > 0; step /= 2) {
        std::size_t next = position + step;
        if (next < m_tree.size() && m_tree[next] <= remaining) {
            position = next;
            remaining -= m_tree[next];
        }
    }
    return {static_cast<int>(position), static_cast<int>(remaining)};
}

} // namespace EditorViews
