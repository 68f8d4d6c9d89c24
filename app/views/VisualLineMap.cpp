#include "app/views/VisualLineMap.h"

#include <algorithm>

namespace EditorViews {

void VisualLineMap::reset(const std::vector<int>& counts)
{
    rebuild(static_cast<int>(counts.size()),
            [&counts](int line) { return counts[static_cast<std::size_t>(line)]; });
}

void VisualLineMap::beginBuild(int lineCount)
{
    const auto lines = static_cast<std::size_t>(std::max(lineCount, 0));
    // A much shorter text than before gives its memory back.
    if (m_counts.capacity() > 2 * lines + 4096)
        m_counts = {};
    m_counts.assign(lines, 1);
    m_large.clear();
    m_total = 0;
}

void VisualLineMap::store(int line, int visualLines)
{
    if (visualLines < largeMark) {
        m_counts[static_cast<std::size_t>(line)] = static_cast<std::uint8_t>(visualLines);
    } else {
        m_counts[static_cast<std::size_t>(line)] = largeMark;
        m_large[line] = visualLines;
    }
}

void VisualLineMap::finishBuild()
{
    const int lines = lineCount();
    const std::size_t blocks = (static_cast<std::size_t>(lines) + blockLines - 1) / blockLines;
    if (m_tree.capacity() > 2 * blocks + 4096)
        m_tree = {};
    m_tree.assign(blocks + 1, 0);
    m_total = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        const int first = static_cast<int>(block) * blockLines;
        const long long sum = sumOfLines(first, std::min(first + blockLines, lines));
        m_total += sum;
        const std::size_t node = block + 1;
        m_tree[node] += sum;
        const std::size_t parent = node + (node & (~node + 1));
        if (parent <= blocks)
            m_tree[parent] += m_tree[node];
    }
}

long long VisualLineMap::sumOfLines(int first, int end) const
{
    long long sum = 0;
    for (int line = first; line < end; ++line) {
        const std::uint8_t small = m_counts[static_cast<std::size_t>(line)];
        sum += small < largeMark ? small : m_large.at(line);
    }
    return sum;
}

VisualLineMap VisualLineMap::uniform(std::size_t lines)
{
    VisualLineMap map;
    map.rebuild(static_cast<int>(lines), [](int) { return 1; });
    return map;
}

void VisualLineMap::setCount(int line, int visualLines)
{
    const long long delta = static_cast<long long>(visualLines) - count(line);
    if (delta == 0)
        return;
    if (m_counts[static_cast<std::size_t>(line)] == largeMark)
        m_large.erase(line);
    store(line, visualLines);
    m_total += delta;
    for (std::size_t i = static_cast<std::size_t>(line / blockLines) + 1; i < m_tree.size();
         i += i & (~i + 1))
        m_tree[i] += delta;
}

void VisualLineMap::append(int visualLines)
{
    const int line = lineCount();
    m_counts.push_back(1);
    store(line, visualLines);
    m_total += visualLines;
    if (m_tree.empty())
        m_tree.push_back(0);
    const std::size_t node = static_cast<std::size_t>(line / blockLines) + 1;
    if (node < m_tree.size()) {
        // The line joins the last block.
        for (std::size_t i = node; i < m_tree.size(); i += i & (~i + 1))
            m_tree[i] += visualLines;
        return;
    }
    // A new block, whose node covers the blocks (node - low, node]: the new one and those
    // before it down to there.
    const std::size_t low = node & (~node + 1);
    const auto blocksBefore = [this](std::size_t blocks) {
        long long sum = 0;
        for (std::size_t i = blocks; i > 0; i -= i & (~i + 1))
            sum += m_tree[i];
        return sum;
    };
    m_tree.push_back(visualLines + blocksBefore(node - 1) - blocksBefore(node - low));
}

long long VisualLineMap::visualLinesBefore(int line) const
{
    line = std::clamp(line, 0, lineCount());
    const int block = line / blockLines;
    long long sum = 0;
    for (auto i = static_cast<std::size_t>(block); i > 0; i -= i & (~i + 1))
        sum += m_tree[i];
    return sum + sumOfLines(block * blockLines, line);
}

VisualLineMap::Position VisualLineMap::locate(long long visualLine) const
{
    if (m_counts.empty())
        return {};
    if (visualLine <= 0)
        return {0, 0};
    if (visualLine >= m_total)
        return {lineCount() - 1, count(lineCount() - 1) - 1};
    // The largest run of whole blocks whose visual lines sum to at most visualLine.
    std::size_t block = 0;
    long long remaining = visualLine;
    std::size_t step = 1;
    while (step * 2 < m_tree.size())
        step *= 2;
    for (; step > 0; step /= 2) {
        const std::size_t next = block + step;
        if (next < m_tree.size() && m_tree[next] <= remaining) {
            block = next;
            remaining -= m_tree[next];
        }
    }
    // Then the lines of the next block.
    int line = static_cast<int>(block) * blockLines;
    const int last = lineCount() - 1;
    while (line < last) {
        const int lines = count(line);
        if (remaining < lines)
            break;
        remaining -= lines;
        ++line;
    }
    return {line, static_cast<int>(remaining)};
}

} // namespace EditorViews
