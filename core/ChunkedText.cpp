#include "core/ChunkedText.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <future>
#include <new>
#include <sys/mman.h>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The tree is a treap whose nodes each hold one chunk: split and merge copy only the nodes on
// one path, so an edit leaves every node of older snapshots untouched. Chunks are separate,
// shared buffers, so copying a node never copies text.

namespace EditorCore {
namespace ChunkTree {

// A block of memory that a large build carves its chunks from: one reference per chunk in it,
// and one for the build that still fills it.
struct Slab
{
    std::atomic<std::uint32_t> refs{1};
    void* memory = nullptr;
};

struct Chunk
{
    std::atomic<std::uint32_t> refs{1};
    // The block the chunk lives in; none for a chunk of its own allocation.
    Slab* slab = nullptr;
    std::uint32_t size = 0;
    // Line breaks inside the chunk; a border never splits a CR LF, so the sums over chunks
    // are exact.
    std::uint32_t breaks = 0;
    bool wide = false;

    const char16_t* wideUnits() const { return reinterpret_cast<const char16_t*>(this + 1); }
    const std::uint8_t* narrowUnits() const
    {
        return reinterpret_cast<const std::uint8_t*>(this + 1);
    }
    char16_t unit(std::int64_t i) const { return wide ? wideUnits()[i] : narrowUnits()[i]; }
};

struct Node
{
    std::atomic<std::uint32_t> refs{1};
    std::uint32_t priority = 0;
    Node* left = nullptr;
    Node* right = nullptr;
    Chunk* chunk = nullptr;
    // Of the whole subtree.
    std::int64_t length = 0;
    std::int64_t breaks = 0;
};

} // namespace ChunkTree

namespace {

using ChunkTree::Chunk;
using ChunkTree::Node;

constexpr char16_t cr = u'\r';
constexpr char16_t lf = u'\n';

bool isLead(int c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isTrail(int c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Units that no chunk border may separate; -1 stands for "no unit".
bool mustStayTogether(int before, int after)
{
    return (before == cr && after == lf) || (isLead(before) && isTrail(after));
}

template<typename Unit>
std::uint32_t countBreaksFrom(const Unit* p, std::size_t from, std::size_t n)
{
    std::uint32_t count = 0;
    for (std::size_t i = from; i < n; ++i) {
        const char16_t c = p[i];
        count += static_cast<std::uint32_t>(c == lf || c == cr || c == 0x85 || c == 0x2028
                                             || c == 0x2029);
    }
    // A CR LF is one break.
    for (std::size_t i = from; i + 1 < n; ++i)
        count -= static_cast<std::uint32_t>(p[i] == cr && p[i + 1] == lf);
    return count;
}

// Sixteen units at a time: a lane counts one for a break unit that is not the CR of a CR LF
// (whose LF, perhaps in the next block, counts instead). Lane counters are summed before they
// can overflow.
std::uint32_t countBreaks(const std::uint8_t* p, std::size_t n)
{
    std::uint32_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i lfs = _mm_set1_epi8(static_cast<char>(lf));
    const __m128i crs = _mm_set1_epi8(static_cast<char>(cr));
    const __m128i nels = _mm_set1_epi8(static_cast<char>(0x85));
    while (i + 17 <= n) {
        __m128i lanes = zero;
        for (int round = 0; round < 255 && i + 17 <= n; ++round, i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            const __m128i isCr = _mm_cmpeq_epi8(a, crs);
            const __m128i breaks =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, lfs), isCr), _mm_cmpeq_epi8(a, nels));
            const __m128i crlf = _mm_and_si128(isCr, _mm_cmpeq_epi8(next, lfs));
            lanes = _mm_sub_epi8(lanes, _mm_andnot_si128(crlf, breaks));
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        count += static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums)
                                            + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    return count + countBreaksFrom(p, i, n);
}

std::uint32_t countBreaks(const char16_t* p, std::size_t n)
{
    std::uint32_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i lfs = _mm_set1_epi16(lf);
    const __m128i crs = _mm_set1_epi16(cr);
    const __m128i nels = _mm_set1_epi16(0x85);
    const __m128i lineSeparators = _mm_set1_epi16(0x2028);
    const __m128i paragraphSeparators = _mm_set1_epi16(0x2029);
    while (i + 9 <= n) {
        __m128i lanes = zero;
        for (int round = 0; round < 32767 && i + 9 <= n; ++round, i += 8) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            const __m128i isCr = _mm_cmpeq_epi16(a, crs);
            const __m128i breaks = _mm_or_si128(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(a, lfs), isCr), _mm_cmpeq_epi16(a, nels)),
                _mm_or_si128(_mm_cmpeq_epi16(a, lineSeparators),
                             _mm_cmpeq_epi16(a, paragraphSeparators)));
            const __m128i crlf = _mm_and_si128(isCr, _mm_cmpeq_epi16(next, lfs));
            lanes = _mm_sub_epi16(lanes, _mm_andnot_si128(crlf, breaks));
        }
        const __m128i pairs = _mm_madd_epi16(lanes, ones);
        const __m128i halves = _mm_add_epi32(pairs, _mm_srli_si128(pairs, 8));
        count += static_cast<std::uint32_t>(
            _mm_cvtsi128_si32(_mm_add_epi32(halves, _mm_srli_si128(halves, 4))));
    }
#endif
    return count + countBreaksFrom(p, i, n);
}

bool fitsOneByte(std::u16string_view text)
{
    char16_t any = 0;
    for (char16_t c : text)
        any |= c;
    return any < 0x100;
}

void releaseSlab(ChunkTree::Slab* slab)
{
    if (slab->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        std::free(slab->memory);
        delete slab;
    }
}

// Where the chunks of a large build come from. Memory fresh from the kernel costs a page fault
// per 4 KiB page, and on a virtual machine a fault costs many times the page's zeroing: a text
// of hundreds of megabytes built from small allocations spent most of its read in faults. The
// chunks of a build past `fromLength` units are carved from blocks aligned to, and advised as,
// huge pages (a fault per 2 MiB). A block lives as long as any chunk in it. One cursor per
// thread: the builders on a thread share the block they are filling.
class SlabCursor
{
public:
    static constexpr std::int64_t fromLength = std::int64_t(4) << 20;
    static constexpr std::size_t blockBytes = std::size_t(32) << 20;
    static constexpr std::size_t hugePage = std::size_t(2) << 20;

    ~SlabCursor() { drop(); }

    // `bytes` of memory in the current block (a fresh one when it is full); the chunk placed
    // there holds a reference to the block.
    void* allocate(std::size_t bytes, ChunkTree::Slab*& slab)
    {
        bytes = (bytes + alignof(Chunk) - 1) & ~(alignof(Chunk) - 1);
        if (!m_slab || m_used + bytes > blockBytes) {
            drop();
            // The block made ready beside the last one, else a fresh one; and the next made
            // ready now, on another thread, while this one fills.
            void* memory = m_next.valid() ? m_next.get() : freshBlock(false);
            if (!memory)
                throw std::bad_alloc();
            m_next = std::async(std::launch::async, [] { return freshBlock(true); });
            m_slab = new ChunkTree::Slab;
            m_slab->memory = memory;
            m_used = 0;
        }
        void* at = static_cast<std::uint8_t*>(m_slab->memory) + m_used;
        m_used += bytes;
        m_slab->refs.fetch_add(1, std::memory_order_relaxed);
        slab = m_slab;
        return at;
    }
    // The block being filled is left to its chunks; one made ready and not used goes.
    void drop()
    {
        if (m_slab)
            releaseSlab(std::exchange(m_slab, nullptr));
        if (m_next.valid())
            std::free(m_next.get());
    }

    static SlabCursor& forThisThread()
    {
        thread_local SlabCursor cursor;
        return cursor;
    }

private:
    // A block advised as huge pages, its pages faulted in when `touched`: the kernel's zeroing
    // of a fresh block then happens on the thread that makes it ready, not on the reader's.
    static void* freshBlock(bool touched)
    {
        void* memory = std::aligned_alloc(hugePage, blockBytes);
        if (!memory)
            return nullptr;
        // Only advice: a kernel without transparent huge pages keeps small ones.
        (void)::madvise(memory, blockBytes, MADV_HUGEPAGE);
        if (touched) {
            auto* bytes = static_cast<volatile std::uint8_t*>(memory);
            for (std::size_t at = 0; at < blockBytes; at += 4096)
                bytes[at] = 0;
        }
        return memory;
    }

    ChunkTree::Slab* m_slab = nullptr;
    std::size_t m_used = 0;
    std::future<void*> m_next;
};

// Memory for a chunk of `bytes` units' bytes: from the thread's block when `fromSlab`.
Chunk* newChunk(std::size_t bytes, bool fromSlab)
{
    if (!fromSlab)
        return new (::operator new(sizeof(Chunk) + bytes)) Chunk;
    ChunkTree::Slab* slab = nullptr;
    void* memory = SlabCursor::forThisThread().allocate(sizeof(Chunk) + bytes, slab);
    auto* chunk = new (memory) Chunk;
    chunk->slab = slab;
    return chunk;
}

Chunk* makeChunk(std::u16string_view units, bool fromSlab = false)
{
    const bool wide = !fitsOneByte(units);
    const std::size_t bytes = units.size() * (wide ? sizeof(char16_t) : 1);
    auto* chunk = newChunk(bytes, fromSlab);
    chunk->size = static_cast<std::uint32_t>(units.size());
    chunk->wide = wide;
    if (wide) {
        auto* out = reinterpret_cast<char16_t*>(chunk + 1);
        std::memcpy(out, units.data(), bytes);
        chunk->breaks = countBreaks(out, units.size());
    } else {
        auto* out = reinterpret_cast<std::uint8_t*>(chunk + 1);
        for (std::size_t i = 0; i < units.size(); ++i)
            out[i] = static_cast<std::uint8_t>(units[i]);
        chunk->breaks = countBreaks(out, units.size());
    }
    return chunk;
}

Chunk* makeNarrowChunk(std::span<const std::uint8_t> bytes, bool fromSlab = false)
{
    auto* chunk = newChunk(bytes.size(), fromSlab);
    chunk->size = static_cast<std::uint32_t>(bytes.size());
    auto* out = reinterpret_cast<std::uint8_t*>(chunk + 1);
    std::memcpy(out, bytes.data(), bytes.size());
    chunk->breaks = countBreaks(out, bytes.size());
    return chunk;
}

// The units of `prefix` (all below U+0100) and then `bytes`, one byte per unit.
Chunk*
makeNarrowChunk(std::u16string_view prefix, std::span<const std::uint8_t> bytes, bool fromSlab)
{
    const std::size_t size = prefix.size() + bytes.size();
    auto* chunk = newChunk(size, fromSlab);
    chunk->size = static_cast<std::uint32_t>(size);
    auto* out = reinterpret_cast<std::uint8_t*>(chunk + 1);
    for (std::size_t i = 0; i < prefix.size(); ++i)
        out[i] = static_cast<std::uint8_t>(prefix[i]);
    std::memcpy(out + prefix.size(), bytes.data(), bytes.size());
    chunk->breaks = countBreaks(out, size);
    return chunk;
}

Chunk* retain(Chunk* chunk)
{
    chunk->refs.fetch_add(1, std::memory_order_relaxed);
    return chunk;
}

void release(Chunk* chunk)
{
    if (chunk->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        ChunkTree::Slab* slab = chunk->slab;
        chunk->~Chunk();
        if (slab)
            releaseSlab(slab);
        else
            ::operator delete(chunk);
    }
}

Node* retain(Node* node)
{
    if (node)
        node->refs.fetch_add(1, std::memory_order_relaxed);
    return node;
}

void release(Node* node)
{
    while (node && node->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        Node* right = node->right;
        release(node->left);
        release(node->chunk);
        delete node;
        // The right spine is released in the loop, so a long one does not deepen the stack.
        node = right;
    }
}

std::int64_t lengthOf(const Node* node) { return node ? node->length : 0; }
std::int64_t breaksOf(const Node* node) { return node ? node->breaks : 0; }

void summarize(Node* node)
{
    node->length = lengthOf(node->left) + node->chunk->size + lengthOf(node->right);
    node->breaks = breaksOf(node->left) + node->chunk->breaks + breaksOf(node->right);
}

std::uint32_t randomPriority()
{
    // splitmix64: cheap, and a fixed sequence per thread keeps runs reproducible.
    thread_local std::uint64_t state = 0x9E3779B97F4A7C15ull;
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

// Takes over the references to chunk, left and right.
Node* makeNode(Chunk* chunk, Node* left, Node* right, std::uint32_t priority)
{
    auto* node = new Node;
    node->priority = priority;
    node->left = left;
    node->right = right;
    node->chunk = chunk;
    summarize(node);
    return node;
}

Node* makeLeaf(std::u16string_view units, bool fromSlab = false)
{
    return makeNode(makeChunk(units, fromSlab), nullptr, nullptr, randomPriority());
}

// The chunks that begin before k, and the rest; k must be a chunk border. The node is
// borrowed; both results are owned.
std::pair<Node*, Node*> split(Node* node, std::int64_t k)
{
    if (!node)
        return {nullptr, nullptr};
    if (k <= 0)
        return {nullptr, retain(node)};
    if (k >= node->length)
        return {retain(node), nullptr};
    const std::int64_t leftLength = lengthOf(node->left);
    if (k <= leftLength) {
        auto [a, b] = split(node->left, k);
        return {a, makeNode(retain(node->chunk), b, retain(node->right), node->priority)};
    }
    auto [a, b] = split(node->right, k - leftLength - node->chunk->size);
    return {makeNode(retain(node->chunk), retain(node->left), a, node->priority), b};
}

// Takes over both references.
Node* merge(Node* a, Node* b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    Node* out;
    if (a->priority > b->priority) {
        Node* right = merge(retain(a->right), b);
        out = makeNode(retain(a->chunk), retain(a->left), right, a->priority);
        release(a);
    } else {
        Node* left = merge(a, retain(b->left));
        out = makeNode(retain(b->chunk), left, retain(b->right), b->priority);
        release(b);
    }
    return out;
}

struct Located
{
    const Chunk* chunk = nullptr;
    std::int64_t start = 0;
};

// The chunk holding offset, which must be inside the text.
Located findChunk(const Node* node, std::int64_t offset)
{
    std::int64_t base = 0;
    while (node) {
        const std::int64_t leftLength = lengthOf(node->left);
        if (offset < leftLength) {
            node = node->left;
            continue;
        }
        const std::int64_t chunkEnd = leftLength + node->chunk->size;
        if (offset < chunkEnd)
            return {node->chunk, base + leftLength};
        offset -= chunkEnd;
        base += chunkEnd;
        node = node->right;
    }
    return {};
}

// The chunk's units [from, to) as UTF-16: a view of the chunk, or widened into buffer.
std::u16string_view
unitsOf(const Chunk* chunk, std::int64_t from, std::int64_t to, std::u16string& buffer)
{
    if (chunk->wide)
        return {chunk->wideUnits() + from, static_cast<std::size_t>(to - from)};
    const auto count = static_cast<std::size_t>(to - from);
    buffer.resize(count);
    const std::uint8_t* bytes = chunk->narrowUnits() + from;
    char16_t* out = buffer.data();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Readers of whole texts (the filter, the counts, a save) widen every one-byte chunk they
    // pass: 16 units at a time.
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; i < count; ++i)
        out[i] = bytes[i];
    return buffer;
}

bool visitNode(const Node* node,
               std::int64_t base,
               std::int64_t from,
               std::int64_t to,
               std::u16string& buffer,
               const TextSnapshot::PieceVisitor& visitor)
{
    while (node) {
        if (to <= base || from >= base + node->length)
            return true;
        const std::int64_t chunkStart = base + lengthOf(node->left);
        const std::int64_t chunkEnd = chunkStart + node->chunk->size;
        if (from < chunkStart && !visitNode(node->left, base, from, to, buffer, visitor))
            return false;
        if (from < chunkEnd && to > chunkStart) {
            const std::int64_t a = std::max(from, chunkStart) - chunkStart;
            const std::int64_t b = std::min(to, chunkEnd) - chunkStart;
            if (!visitor(unitsOf(node->chunk, a, b, buffer)))
                return false;
        }
        base = chunkEnd;
        node = node->right;
    }
    return true;
}

// The offset, inside the chunk, just after its k-th (1-based) break.
std::int64_t afterBreak(const Chunk* chunk, std::int64_t k)
{
    const std::int64_t size = chunk->size;
    for (std::int64_t i = 0; i < size; ++i) {
        const char16_t c = chunk->unit(i);
        bool isBreak = c == lf || c == 0x85 || c == 0x2028 || c == 0x2029;
        std::int64_t end = i + 1;
        if (c == cr) {
            isBreak = true;
            if (i + 1 < size && chunk->unit(i + 1) == lf)
                end = ++i + 1;
        }
        if (isBreak && --k == 0)
            return end;
    }
    return size;
}

// Breaks that end at or before `prefix` units into the chunk.
std::int64_t breaksBefore(const Chunk* chunk, std::int64_t prefix)
{
    std::int64_t count = 0;
    for (std::int64_t i = 0; i < prefix; ++i) {
        const char16_t c = chunk->unit(i);
        if (c == lf || c == 0x85 || c == 0x2028 || c == 0x2029)
            ++count;
        else if (c == cr && !(i + 1 < chunk->size && chunk->unit(i + 1) == lf))
            ++count;
    }
    return count;
}

void collectStats(const Node* node, ChunkStats& stats)
{
    while (node) {
        collectStats(node->left, stats);
        ++stats.chunks;
        if (!node->chunk->wide)
            ++stats.narrowChunks;
        stats.textBytes += node->chunk->size * (node->chunk->wide ? 2 : 1);
        node = node->right;
    }
}

} // namespace

// --- TextSnapshot

TextSnapshot::~TextSnapshot() { release(m_root); }

TextSnapshot::TextSnapshot(const TextSnapshot& other) : m_root(retain(other.m_root)) {}

TextSnapshot::TextSnapshot(TextSnapshot&& other) noexcept
    : m_root(std::exchange(other.m_root, nullptr))
{}

TextSnapshot& TextSnapshot::operator=(const TextSnapshot& other)
{
    Node* old = m_root;
    m_root = retain(other.m_root);
    release(old);
    return *this;
}

TextSnapshot& TextSnapshot::operator=(TextSnapshot&& other) noexcept
{
    if (this != &other) {
        release(m_root);
        m_root = std::exchange(other.m_root, nullptr);
    }
    return *this;
}

std::int64_t TextSnapshot::length() const { return lengthOf(m_root); }

char16_t TextSnapshot::at(std::int64_t offset) const
{
    if (offset < 0 || offset >= length())
        return 0;
    Located found = findChunk(m_root, offset);
    return found.chunk->unit(offset - found.start);
}

std::u16string TextSnapshot::text() const { return text(0, length()); }

std::u16string TextSnapshot::text(std::int64_t location, std::int64_t length) const
{
    std::u16string out;
    const std::int64_t size = this->length();
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    out.reserve(static_cast<std::size_t>(end - start));
    visit(start, end - start, [&](std::u16string_view piece) {
        out.append(piece);
        return true;
    });
    return out;
}

bool TextSnapshot::visit(std::int64_t location,
                         std::int64_t length,
                         const PieceVisitor& visitor) const
{
    const std::int64_t size = this->length();
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    if (start == end)
        return true;
    std::u16string buffer;
    return visitNode(m_root, 0, start, end, buffer, visitor);
}

std::int64_t TextSnapshot::lineCount() const { return breaksOf(m_root) + 1; }

std::int64_t TextSnapshot::lineNumber(std::int64_t offset) const
{
    if (offset <= 0)
        return 1;
    if (offset >= length())
        return lineCount();
    std::int64_t count = 0;
    const Node* node = m_root;
    while (node) {
        const std::int64_t leftLength = lengthOf(node->left);
        if (offset < leftLength) {
            node = node->left;
            continue;
        }
        count += breaksOf(node->left);
        offset -= leftLength;
        if (offset < node->chunk->size)
            return count + breaksBefore(node->chunk, offset) + 1;
        count += node->chunk->breaks;
        offset -= node->chunk->size;
        node = node->right;
    }
    return count + 1;
}

std::int64_t TextSnapshot::lineStart(std::int64_t line) const
{
    std::int64_t k = std::clamp<std::int64_t>(line, 1, lineCount()) - 1;
    if (k == 0)
        return 0;
    std::int64_t base = 0;
    const Node* node = m_root;
    while (node) {
        const std::int64_t leftBreaks = breaksOf(node->left);
        if (k <= leftBreaks) {
            node = node->left;
            continue;
        }
        k -= leftBreaks;
        base += lengthOf(node->left);
        if (k <= node->chunk->breaks)
            return base + afterBreak(node->chunk, k);
        k -= node->chunk->breaks;
        base += node->chunk->size;
        node = node->right;
    }
    return base;
}

TextSnapshot::Piece TextSnapshot::chunkAt(std::int64_t offset, std::u16string& buffer) const
{
    if (offset < 0 || offset >= length())
        return {};
    Located found = findChunk(m_root, offset);
    return {unitsOf(found.chunk, 0, found.chunk->size, buffer), found.start};
}

ChunkStats TextSnapshot::stats() const
{
    ChunkStats stats;
    collectStats(m_root, stats);
    return stats;
}

// --- ChunkedText

ChunkedText::ChunkedText(ChunkLimits limits) : m_limits(limits) {}

ChunkedText::ChunkedText(std::u16string_view text, ChunkLimits limits) : m_limits(limits)
{
    ChunkedTextBuilder builder(limits);
    builder.append(text);
    m_current = builder.finishSnapshot();
}

ChunkedText::ChunkedText(TextSnapshot text, ChunkLimits limits)
    : m_current(std::move(text)), m_limits(limits)
{}

void ChunkedText::replace(std::int64_t location, std::int64_t length, std::u16string_view text)
{
    const TextSnapshot& old = m_current;
    const std::int64_t size = old.length();
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    if (start == end && text.empty())
        return;
    if (size == 0) {
        *this = ChunkedText(text, m_limits);
        return;
    }
    Node* root = old.m_root;

    // The whole chunks [a, b) that are made anew: those the edit touches, widened while a
    // border would split a pair or the new middle would be shorter than a chunk may be.
    Located first = findChunk(root, std::min(start, size - 1));
    std::int64_t a = first.start;
    std::int64_t b = first.start + first.chunk->size;
    if (end > start) {
        Located last = findChunk(root, end - 1);
        b = last.start + last.chunk->size;
    }
    const auto inserted = static_cast<std::int64_t>(text.size());
    auto middleLength = [&] { return (start - a) + inserted + (b - end); };
    auto middleFirst = [&]() -> int {
        if (start > a)
            return old.at(a);
        if (inserted > 0)
            return text.front();
        return b > end ? old.at(end) : -1;
    };
    auto middleLast = [&]() -> int {
        if (b > end)
            return old.at(b - 1);
        if (inserted > 0)
            return text.back();
        return start > a ? old.at(start - 1) : -1;
    };
    for (;;) {
        const bool small = middleLength() < m_limits.minimum;
        if (a > 0) {
            const int after = middleLength() > 0 ? middleFirst() : (b < size ? old.at(b) : -1);
            if (small || mustStayTogether(old.at(a - 1), after)) {
                a = findChunk(root, a - 1).start;
                continue;
            }
        }
        if (b < size) {
            const int before = middleLength() > 0 ? middleLast() : (a > 0 ? old.at(a - 1) : -1);
            if (small || mustStayTogether(before, old.at(b))) {
                b += findChunk(root, b).chunk->size;
                continue;
            }
        }
        break;
    }

    // The middle's units: what the taken-in chunks keep before and after the edit, the new
    // text between.
    auto writeMiddle = [&](auto& sink) {
        const TextSnapshot::PieceVisitor add = [&](std::u16string_view piece) {
            sink.append(piece);
            return true;
        };
        old.visit(a, start - a, add);
        sink.append(text);
        old.visit(end, b - end, add);
    };
    Node* middle = nullptr;
    if (middleLength() > 0) {
        if (middleLength() <= m_limits.maximum) {
            std::u16string units;
            units.reserve(static_cast<std::size_t>(middleLength()));
            writeMiddle(units);
            middle = makeLeaf(units);
        } else {
            ChunkedTextBuilder builder(m_limits);
            writeMiddle(builder);
            TextSnapshot built = builder.finishSnapshot();
            middle = std::exchange(built.m_root, nullptr);
        }
    }

    auto [left, rest] = split(root, a);
    auto [gone, right] = split(rest, b - a);
    release(rest);
    release(gone);
    m_current = TextSnapshot(merge(merge(left, middle), right));
}

// --- ChunkedTextBuilder

ChunkedTextBuilder::ChunkedTextBuilder(ChunkLimits limits) : m_limits(limits)
{
    m_limits.target = std::max<std::int64_t>(m_limits.target, 1);
    m_limits.maximum = std::max(m_limits.maximum, m_limits.target);
}

ChunkedTextBuilder::~ChunkedTextBuilder()
{
    release(m_held);
    for (Node* node : m_spine)
        release(node);
    if (m_length > SlabCursor::fromLength)
        SlabCursor::forThisThread().drop();
}

void ChunkedTextBuilder::append(std::u16string_view text)
{
    m_length += static_cast<std::int64_t>(text.size());
    const auto target = static_cast<std::size_t>(m_limits.target);
    while (!text.empty()) {
        if (m_pending.empty() && text.size() > target) {
            std::size_t cut = target;
            if (mustStayTogether(text[cut - 1], text[cut]))
                ++cut;
            emitChunk(makeLeaf(text.substr(0, cut), m_length > SlabCursor::fromLength));
            text.remove_prefix(cut);
            continue;
        }
        // m_pending never holds more than target units here.
        const std::size_t take = std::min(text.size(), target + 1 - m_pending.size());
        m_pending.append(text.substr(0, take));
        text.remove_prefix(take);
        cutPending();
    }
}

void ChunkedTextBuilder::appendLatin1(std::span<const std::uint8_t> bytes)
{
    m_length += static_cast<std::int64_t>(bytes.size());
    const auto target = static_cast<std::size_t>(m_limits.target);
    while (!bytes.empty()) {
        if (!m_pending.empty() && m_pending.size() + bytes.size() > target
            && fitsOneByte(m_pending)) {
            // The units left over from before and the bytes that fill the chunk, straight into
            // one byte per unit: appends of pieces would otherwise all go through the wide
            // pending buffer once one piece left a remainder. (Pending never holds more than
            // target units here.)
            std::size_t take = target - m_pending.size();
            const char16_t last = take > 0 ? bytes[take - 1] : m_pending.back();
            if (last == cr && bytes[take] == lf)
                ++take;
            emitChunk(makeNode(
                makeNarrowChunk(m_pending, bytes.first(take), m_length > SlabCursor::fromLength),
                nullptr,
                nullptr,
                randomPriority()));
            m_pending.clear();
            bytes = bytes.subspan(take);
            continue;
        }
        if (m_pending.empty() && bytes.size() > target) {
            // Straight into a chunk of one byte per unit.
            std::size_t cut = target;
            if (bytes[cut - 1] == cr && bytes[cut] == lf)
                ++cut;
            emitChunk(makeNode(makeNarrowChunk(bytes.first(cut), m_length > SlabCursor::fromLength),
                               nullptr,
                               nullptr,
                               randomPriority()));
            bytes = bytes.subspan(cut);
            continue;
        }
        const std::size_t take = std::min(bytes.size(), target + 1 - m_pending.size());
        m_pending.append(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        cutPending();
    }
}

void ChunkedTextBuilder::cutPending()
{
    const auto target = static_cast<std::size_t>(m_limits.target);
    if (m_pending.size() <= target)
        return;
    std::size_t cut = target;
    if (mustStayTogether(m_pending[cut - 1], m_pending[cut]))
        ++cut;
    emitChunk(
        makeLeaf(std::u16string_view(m_pending).substr(0, cut), m_length > SlabCursor::fromLength));
    m_pending.erase(0, cut);
}

void ChunkedTextBuilder::emitChunk(Node* node)
{
    if (m_held)
        push(m_held);
    m_held = node;
}

// Adds node at the right end: a treap built in one pass over its nodes in order.
void ChunkedTextBuilder::push(Node* node)
{
    Node* last = nullptr;
    while (!m_spine.empty() && m_spine.back()->priority < node->priority) {
        Node* top = m_spine.back();
        m_spine.pop_back();
        top->right = last;
        summarize(top);
        last = top;
    }
    node->left = last;
    summarize(node);
    m_spine.push_back(node);
}

TextSnapshot ChunkedTextBuilder::finishSnapshot()
{
    if (!m_pending.empty()) {
        const auto tail = static_cast<std::int64_t>(m_pending.size());
        if (m_held && tail < m_limits.minimum) {
            // Join the short tail to the chunk before it, in one chunk or two halves.
            std::u16string units;
            std::u16string buffer;
            units.append(unitsOf(m_held->chunk, 0, m_held->chunk->size, buffer));
            units.append(m_pending);
            release(std::exchange(m_held, nullptr));
            if (static_cast<std::int64_t>(units.size()) <= m_limits.maximum) {
                push(makeLeaf(units));
            } else {
                std::size_t cut = units.size() / 2;
                if (mustStayTogether(units[cut - 1], units[cut]))
                    ++cut;
                push(makeLeaf(std::u16string_view(units).substr(0, cut)));
                push(makeLeaf(std::u16string_view(units).substr(cut)));
            }
        } else {
            if (m_held)
                push(std::exchange(m_held, nullptr));
            push(makeLeaf(m_pending));
        }
    } else if (m_held) {
        push(std::exchange(m_held, nullptr));
    }
    // A large build leaves the rest of its block to its chunks.
    if (m_length > SlabCursor::fromLength)
        SlabCursor::forThisThread().drop();
    m_pending.clear();
    m_length = 0;

    Node* last = nullptr;
    while (!m_spine.empty()) {
        Node* top = m_spine.back();
        m_spine.pop_back();
        top->right = last;
        summarize(top);
        last = top;
    }
    return TextSnapshot(last);
}

ChunkedText ChunkedTextBuilder::finish() { return ChunkedText(finishSnapshot(), m_limits); }

} // namespace EditorCore
