#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore {

namespace ChunkTree {
struct Node;
} // namespace ChunkTree

// How large the chunks of a ChunkedText are, in UTF-16 units. A build fills chunks to `target`;
// edits keep every chunk within [minimum, maximum] (one unit more where a border would split a
// surrogate pair or a CR LF), except a text shorter than `minimum`, which is one chunk.
struct ChunkLimits
{
    std::int64_t minimum = 1024;
    std::int64_t target = 4096;
    std::int64_t maximum = 8192;
};

// What a text's chunks hold; computed by walking them all, for tests and benchmarks.
struct ChunkStats
{
    std::int64_t chunks = 0;
    // Chunks stored one byte per unit (every unit below U+0100).
    std::int64_t narrowChunks = 0;
    // Bytes of text held by the chunks (not counting the tree's nodes).
    std::int64_t textBytes = 0;
};

// An immutable text: a balanced tree of chunks whose nodes are shared by reference count with
// every other snapshot and with the ChunkedText it was taken from. Copying is O(1). Any number
// of threads may read one snapshot (or copies of it) while the owner goes on editing.
// Offsets are UTF-16 units and are clamped to the text. Lines are counted as LineIndex counts
// them: a line ends after LF, a CR not followed by LF, CR LF (one break), NEL, U+2028 and
// U+2029.
class TextSnapshot
{
public:
    TextSnapshot() = default;
    ~TextSnapshot();
    TextSnapshot(const TextSnapshot&);
    TextSnapshot(TextSnapshot&&) noexcept;
    TextSnapshot& operator=(const TextSnapshot&);
    TextSnapshot& operator=(TextSnapshot&&) noexcept;

    std::int64_t length() const;
    bool isEmpty() const { return length() == 0; }

    // The unit at offset; 0 outside the text.
    char16_t at(std::int64_t offset) const;

    std::u16string text() const;
    std::u16string text(std::int64_t location, std::int64_t length) const;

    // Hands [location, location + length) over as consecutive pieces, one per chunk it touches
    // (clipped to the range), in order; the visitor returns false to stop. A piece is valid
    // only during its call. Returns false when the visitor stopped.
    using PieceVisitor = std::function<bool(std::u16string_view)>;
    bool visit(std::int64_t location, std::int64_t length, const PieceVisitor& visitor) const;

    // As LineIndex: lineCount() counts the empty line after a final break; lineNumber is
    // 1-based (before 0 gives 1, at or past the end the last line); lineStart takes a 1-based
    // line clamped to 1...lineCount().
    std::int64_t lineCount() const;
    std::int64_t lineNumber(std::int64_t offset) const;
    std::int64_t lineStart(std::int64_t line) const;

    // The chunk holding offset (inside the text): its units, viewed in place or widened into
    // buffer, and the offset at which it starts. For readers that walk the chunks themselves.
    struct Piece
    {
        std::u16string_view units;
        std::int64_t start = 0;
    };
    Piece chunkAt(std::int64_t offset, std::u16string& buffer) const;

    ChunkStats stats() const;

    // Whether both are the same tree (an edit since makes them differ).
    bool sharesRootWith(const TextSnapshot& other) const { return m_root == other.m_root; }

private:
    friend class ChunkedText;
    friend class ChunkedTextBuilder;
    explicit TextSnapshot(ChunkTree::Node* adopted) : m_root(adopted) {}

    ChunkTree::Node* m_root = nullptr;
};

// The editable text: replace costs O(log n) plus the size of the chunks at the edit's ends and
// of the inserted text. snapshot() is O(1) and stays unchanged by later edits. One owner
// thread edits; snapshots go anywhere.
class ChunkedText
{
public:
    explicit ChunkedText(ChunkLimits limits = {});
    explicit ChunkedText(std::u16string_view text, ChunkLimits limits = {});
    // Goes on editing a text built elsewhere (a reader's builder, a kept snapshot).
    explicit ChunkedText(TextSnapshot text, ChunkLimits limits = {});

    // Replaces [location, location + length) (clamped) with text.
    void replace(std::int64_t location, std::int64_t length, std::u16string_view text);

    TextSnapshot snapshot() const { return m_current; }
    // The current text, for the owner's own reads (no reference taken).
    const TextSnapshot& current() const { return m_current; }
    std::int64_t length() const { return m_current.length(); }
    const ChunkLimits& limits() const { return m_limits; }

private:
    TextSnapshot m_current;
    ChunkLimits m_limits;
};

// Builds a text from consecutive pieces (a reader fills it as it decodes) straight into
// chunks: no allocation larger than a chunk, and no copy of the whole text. Not thread-safe;
// one builder per reader.
class ChunkedTextBuilder
{
public:
    explicit ChunkedTextBuilder(ChunkLimits limits = {});
    ~ChunkedTextBuilder();
    ChunkedTextBuilder(const ChunkedTextBuilder&) = delete;
    ChunkedTextBuilder& operator=(const ChunkedTextBuilder&) = delete;

    void append(std::u16string_view text);
    // Bytes taken as the units U+0000...U+00FF (ASCII and Latin-1 text).
    void appendLatin1(std::span<const std::uint8_t> bytes);

    std::int64_t length() const { return m_length; }

    // The text appended so far; the builder starts over empty.
    ChunkedText finish();
    TextSnapshot finishSnapshot();

private:
    void cutPending();
    void emitChunk(ChunkTree::Node* node);
    void push(ChunkTree::Node* node);

    ChunkLimits m_limits;
    std::u16string m_pending;
    // The last chunk made, kept back so that a short tail can be joined to it.
    ChunkTree::Node* m_held = nullptr;
    // The right spine of the tree being built, root first; each entry owns its reference.
    std::vector<ChunkTree::Node*> m_spine;
    std::int64_t m_length = 0;
};

} // namespace EditorCore
