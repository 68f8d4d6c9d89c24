#include "app/documents/DocumentReading.h"

#include "core/ChunkedText.h"
#include "core/EncodingDetector.h"
#include "core/FileDescriptor.h"
#include "core/Indentation.h"
#include "core/LineIndexBuilder.h"
#include "core/TextBounds.h"
#include "platform/Files.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorDocuments::DocumentReading {

using EditorCore::DiskIdentity;
using EditorCore::DocumentError;
using EditorCore::TextEncoding;

namespace {

// Where a read's decoded text goes, piece by piece: its chunks and its line index grow in the
// same pass, so the text is never one string. Pieces all below U+0100 are kept one byte per
// unit.
class TextAssembler
{
public:
    explicit TextAssembler(std::int64_t expectedLength = 0)
        : m_lines(expectedLength)
    {}

    void append(std::u16string_view piece)
    {
        m_chunks.append(piece);
        m_lines.append(piece);
    }
    void appendLatin1(std::span<const std::uint8_t> bytes)
    {
        m_chunks.appendLatin1(bytes);
        m_lines.appendLatin1(bytes);
    }
    // The text, its lines and breaks, and the indentation found in its first lines.
    void finish(Loaded& loaded)
    {
        auto lines = m_lines.finish();
        loaded.text = m_chunks.finishSnapshot();
        loaded.lines = std::move(lines.lines);
        loaded.lineEndings = lines.lineEndings;
        loaded.indentStyle = indentStyleOf(loaded.text, loaded.lines);
    }

private:
    // Indentation looks at the first lines' leading spaces and tabs and whether anything
    // follows them: it reads the same from those lines cut after their first other unit,
    // which keeps a text of few, very long lines from being copied.
    static std::optional<EditorCore::IndentStyle>
    indentStyleOf(const EditorCore::TextSnapshot& text, const EditorCore::LineIndex& lines)
    {
        std::u16string outline;
        const std::int64_t count = std::min(lines.lineCount(), indentationLineLimit + 1);
        for (std::int64_t line = 1; line <= count; ++line) {
            const std::int64_t start = lines.lineStart(line);
            const std::int64_t end =
                line < lines.lineCount() ? lines.lineStart(line + 1) : text.length();
            text.visit(start, end - start, [&](std::u16string_view piece) {
                for (char16_t unit : piece) {
                    if (unit == u' ' || unit == u'\t') {
                        outline += unit;
                        continue;
                    }
                    if (!EditorCore::TextBounds::isLineTerminator(unit))
                        outline += u'x';
                    return false;
                }
                return true;
            });
            outline += u'\n';
        }
        return EditorCore::Indentation::detect(outline, indentationLineLimit);
    }

    EditorCore::ChunkedTextBuilder m_chunks;
    EditorCore::LineIndexBuilder m_lines;
};

// The leading bytes below 0x80.
std::size_t asciiPrefix(std::span<const std::uint8_t> bytes)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= bytes.size(); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
        if (const int high = _mm_movemask_epi8(v); high != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
    }
#endif
    while (i < bytes.size() && bytes[i] < 0x80)
        ++i;
    return i;
}

// An ASCII run shorter than this stays in the stretch decoded around it: cutting the text
// there would cost more calls than the one byte per unit saves.
constexpr std::size_t shortestAsciiRun = 64;

// Where the next ASCII run of at least `shortestAsciiRun` bytes starts, from `from` on; the
// end when none does.
std::size_t nextAsciiRun(std::span<const std::uint8_t> bytes, std::size_t from)
{
    std::size_t p = from;
    while (p < bytes.size()) {
        while (p < bytes.size() && bytes[p] >= 0x80)
            ++p;
        const std::size_t run = asciiPrefix(bytes.subspan(p));
        if (run >= shortestAsciiRun)
            return p;
        p += run;
    }
    return bytes.size();
}

// Appends the text of `bytes`, which end on a character's end, to `out`; false when they do
// not decode in `encoding`. `decoded` is scratch memory kept across pieces.
bool decodePiece(std::span<const std::uint8_t> bytes,
                 TextEncoding encoding,
                 EditorCore::StripByteOrderMark strip,
                 EditorCore::ByteForms::Reader& forms,
                 std::u16string& decoded,
                 TextAssembler& out)
{
    const auto mark = EditorCore::byteOrderMark(encoding);
    if (strip == EditorCore::StripByteOrderMark::yes && !mark.empty()
        && EditorCore::TextCodec::hasPrefix(mark, bytes))
        bytes = bytes.subspan(mark.size());
    const auto no = EditorCore::StripByteOrderMark::no;
    switch (encoding) {
    case TextEncoding::utf8:
        // ASCII bytes are never part of a longer sequence: the runs of them are the text as
        // it is, and the stretches between them hold whole characters (or fail as the whole
        // bytes would).
        while (!bytes.empty()) {
            const std::size_t run = asciiPrefix(bytes);
            if (run == bytes.size() || run >= shortestAsciiRun) {
                out.appendLatin1(bytes.first(run));
                bytes = bytes.subspan(run);
                continue;
            }
            const std::size_t end = nextAsciiRun(bytes, run);
            if (!EditorCore::TextCodec::decode(bytes.first(end), encoding, no, forms, decoded))
                return false;
            out.append(decoded);
            bytes = bytes.subspan(end);
        }
        return true;
    case TextEncoding::isoLatin1:
        // Every byte is the unit of the same number.
        out.appendLatin1(bytes);
        return true;
    case TextEncoding::windows1252:
        // Outside 80...9F the table is ISO Latin-1's.
        if (std::none_of(bytes.begin(), bytes.end(), [](std::uint8_t b) {
                return b >= 0x80 && b <= 0x9F;
            })) {
            out.appendLatin1(bytes);
            return true;
        }
        break;
    default:
        break;
    }
    if (!EditorCore::TextCodec::decode(bytes, encoding, no, forms, decoded))
        return false;
    out.append(decoded);
    return true;
}

std::uint64_t fileSize(const std::filesystem::path& path)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

// Up to `limit` bytes from the start. Non-blocking open, so a FIFO in the file's place does
// not hang the open; anything but a regular file is refused.
EditorCore::Result<std::vector<std::uint8_t>, std::error_code>
readHead(const std::filesystem::path& path, std::size_t limit)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return EditorCore::failure(std::error_code(errno, std::generic_category()));
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return EditorCore::failure(std::make_error_code(std::errc::invalid_argument));
    }
    std::vector<std::uint8_t> bytes(limit);
    std::size_t filled = 0;
    while (filled < limit) {
        ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            std::error_code error(errno, std::generic_category());
            ::close(fd);
            return EditorCore::failure(error);
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    // A failure to close a read handle loses nothing.
    ::close(fd);
    bytes.resize(filled);
    return bytes;
}

std::vector<std::uint8_t> headOf(std::span<const std::uint8_t> bytes)
{
    auto length = std::min(bytes.size(), binaryHeadLength);
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)};
}

FileFormat notTextFormat()
{
    return FileFormat{TextEncoding::isoLatin1, false, std::nullopt};
}

// Where a piece of `bytes` may end so that what comes before decodes on its own: no character
// is split. None for the encodings whose characters cannot be told apart from the middle of
// the bytes; their files are decoded whole.
std::optional<std::size_t> pieceEnd(TextEncoding encoding, std::span<const std::uint8_t> bytes)
{
    const std::size_t size = bytes.size();
    switch (encoding) {
    case TextEncoding::utf8: {
        if (size == 0 || bytes[size - 1] < 0x80)
            return size;
        // Before the lead byte of the last character, complete or not. Ill-formed bytes cut
        // anywhere fail the decode all the same.
        std::size_t cut = size;
        for (int back = 0; back < 4 && cut > 0; ++back) {
            --cut;
            if ((bytes[cut] & 0xC0) != 0x80)
                return cut;
        }
        return size;
    }
    case TextEncoding::utf16LE:
    case TextEncoding::utf16BE: {
        std::size_t cut = size & ~std::size_t{1};
        if (cut >= 2) {
            const bool little = encoding == TextEncoding::utf16LE;
            const unsigned high = little ? bytes[cut - 1] : bytes[cut - 2];
            if (high >= 0xD8 && high <= 0xDB) // a lead surrogate waits for its partner
                cut -= 2;
        }
        return cut;
    }
    case TextEncoding::utf32LE:
    case TextEncoding::utf32BE:
        return size & ~std::size_t{3};
    case TextEncoding::windows1252:
    case TextEncoding::isoLatin1:
    case TextEncoding::macRoman:
        return size;
    default:
        return std::nullopt;
    }
}

// At most how many UTF-16 units `size` bytes decode to.
std::size_t textLengthBound(TextEncoding encoding, std::uint64_t size)
{
    switch (encoding) {
    case TextEncoding::utf16LE:
    case TextEncoding::utf16BE:
    case TextEncoding::utf32LE:
    case TextEncoding::utf32BE:
        return static_cast<std::size_t>(size / 2);
    default:
        return static_cast<std::size_t>(size);
    }
}

// The encodings a read tries in turn: the detected one, the other candidates, ISO Latin-1 (which
// decodes every byte).
std::vector<TextEncoding> decodeOrder(TextEncoding detected,
                                      std::span<const TextEncoding> candidates)
{
    std::vector<TextEncoding> order{detected};
    for (auto candidate : candidates) {
        if (candidate != detected)
            order.push_back(candidate);
    }
    order.push_back(lastCandidate);
    return order;
}

// Decodes bytes held whole into `out` piece by piece where the encoding allows (no text of the
// whole is made beside the chunks), else at once; false when they do not decode. `marked`:
// the encoding's mark is dropped from the front.
bool decodeInPieces(std::span<const std::uint8_t> bytes,
                    TextEncoding encoding,
                    bool marked,
                    EditorCore::ByteForms::Reader& forms,
                    TextAssembler& out)
{
    const auto strip =
        marked ? EditorCore::StripByteOrderMark::yes : EditorCore::StripByteOrderMark::no;
    std::u16string decoded;
    if (!pieceEnd(encoding, {})) {
        if (!EditorCore::TextCodec::decode(bytes, encoding, strip, forms, decoded))
            return false;
        out.append(decoded);
        return true;
    }
    bool first = true;
    while (!bytes.empty() || first) {
        auto window = bytes.first(std::min(bytes.size(), readPieceLength));
        // A window that ends inside a character stops before it; the rest comes next.
        std::size_t cut =
            window.size() == bytes.size() ? window.size() : *pieceEnd(encoding, window);
        if (cut == 0 && !window.empty())
            cut = window.size(); // too short a window for a whole character: it fails as the whole
                                 // would
        if (!decodePiece(window.first(cut),
                         encoding,
                         first ? strip : EditorCore::StripByteOrderMark::no,
                         forms,
                         decoded,
                         out))
            return false;
        bytes = bytes.subspan(cut);
        first = false;
    }
    return true;
}

DiskIdentity::Date modificationDate(const struct stat& status)
{
    const auto sinceEpoch = std::chrono::seconds(status.st_mtim.tv_sec)
                            + std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    return DiskIdentity::Date(std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch));
}

// The identity of the bytes as they were read: the date of before the read, so that a change
// while reading still shows as a change later; the hash of what was read.
DiskIdentity identityOf(const struct stat& status, std::uint64_t size, std::uint64_t hash)
{
    DiskIdentity identity;
    identity.fileID = static_cast<std::uint64_t>(status.st_ino);
    identity.size = size;
    identity.modifiedAt = modificationDate(status);
    if (size <= DiskIdentity::documentHashLimit)
        identity.contentHash = hash;
    return identity;
}

// The FNV-1a hash of a file's bytes, taken piece by piece in order on a thread of its own while
// the reader decodes them: the hash runs one byte at a time and would otherwise cost as much as
// the rest of the open. A piece must stay untouched until `waitFor` has seen it hashed. Files of
// a piece or two are hashed on the caller's thread, where a thread would cost more than it saves.
class PieceHasher
{
public:
    explicit PieceHasher(bool threaded)
    {
        if (threaded)
            m_thread = std::thread([this] { run(); });
    }
    ~PieceHasher()
    {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    PieceHasher(const PieceHasher&) = delete;
    PieceHasher& operator=(const PieceHasher&) = delete;

    // The number of the piece, counting from 1.
    std::uint64_t feed(std::span<const std::uint8_t> piece)
    {
        if (!m_thread.joinable()) {
            m_hash = DiskIdentity::fnv1a(m_hash, piece);
            return ++m_fed;
        }
        {
            std::unique_lock lock(m_mutex);
            m_doneChanged.wait(lock, [&] { return m_fed - m_done < m_queue.size(); });
            m_queue[m_fed % m_queue.size()] = piece;
            ++m_fed;
        }
        m_wake.notify_all();
        return m_fed;
    }
    // Until the piece numbered `piece` (and every one before it) is hashed.
    void waitFor(std::uint64_t piece)
    {
        if (!m_thread.joinable())
            return;
        std::unique_lock lock(m_mutex);
        m_doneChanged.wait(lock, [&] { return m_done >= piece; });
    }
    // The hash of every piece fed so far.
    std::uint64_t hash()
    {
        waitFor(m_fed);
        return m_hash;
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stopping || m_done < m_fed; });
            if (m_done == m_fed)
                return;
            const auto piece = m_queue[m_done % m_queue.size()];
            lock.unlock();
            const std::uint64_t hash = DiskIdentity::fnv1a(m_hash, piece);
            lock.lock();
            m_hash = hash;
            ++m_done;
            m_doneChanged.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_doneChanged;
    std::array<std::span<const std::uint8_t>, 8> m_queue{};
    std::uint64_t m_fed = 0;  // written by the feeding thread only, under the lock when threaded
    std::uint64_t m_done = 0; // under the lock
    std::uint64_t m_hash = DiskIdentity::fnv1aStart;
    bool m_stopping = false;
    std::thread m_thread;
};

// The memory a file is read through: a few buffers of one piece each, used in turn, so that the
// hash can still read a piece while the next ones are read and decoded, and no buffer is
// allocated (or faulted in) per piece. Each buffer has room in front for the bytes of a
// character cut at the end of the piece before.
class PieceBuffers
{
public:
    static constexpr std::size_t count = 4;
    static constexpr std::size_t carryRoom = 16;

    explicit PieceBuffers(std::size_t length)
    {
        for (auto& buffer : m_buffers)
            buffer = std::make_unique_for_overwrite<std::uint8_t[]>(carryRoom + length);
    }
    std::uint8_t* buffer(std::uint64_t piece) { return m_buffers[piece % count].get(); }

private:
    std::array<std::unique_ptr<std::uint8_t[]>, count> m_buffers;
};

// Reads up to `length` bytes into `into`, fewer only at the end of the file.
EditorCore::Result<std::size_t, std::error_code>
readInto(int fd, std::uint8_t* into, std::size_t length)
{
    std::size_t filled = 0;
    while (filled < length) {
        ssize_t got = ::read(fd, into + filled, length - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return EditorCore::failure(std::error_code(errno, std::generic_category()));
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

EditorCore::Result<ReadOutcome, ReadError> readOrdinaryFile(const std::filesystem::path& path,
                                                            const Environment& environment,
                                                            std::uint64_t size)
{
    auto readFailure = [&](std::error_code error) {
        return EditorCore::failure(ReadError{ReadError::Stage::wholeFile, size, error});
    };
    // Non-blocking, so that a FIFO put in the file's place cannot hang the read.
    const EditorCore::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return readFailure(std::error_code(errno, std::generic_category()));
    struct stat status = {};
    if (::fstat(file.get(), &status) != 0)
        return readFailure(std::error_code(errno, std::generic_category()));
    if (!S_ISREG(status.st_mode))
        return readFailure(std::make_error_code(std::errc::invalid_argument));

    // The first piece is longer than detection's sample, so detection sees what it would see
    // in the whole file: the same sample, cut exactly when the file is longer.
    const std::size_t pieceLength = std::max<std::size_t>(environment.pieceLength, 1);
    const std::size_t firstPieceLength =
        std::max(pieceLength, EditorCore::EncodingDetector::sampleLength + 1);
    const bool manyPieces = static_cast<std::uint64_t>(status.st_size) > 2 * pieceLength;
    // Declared before the hasher, which may still read them until it is gone.
    PieceBuffers buffers(firstPieceLength);
    std::vector<std::uint8_t> whole;
    PieceHasher hasher(manyPieces);
    std::uint64_t total = 0;
    bool atEnd = false;
    // Past the limit the hash is never kept: the bytes after the piece that crossed it need not
    // go through it. `total` already counts the piece.
    auto hashPiece = [&](std::span<const std::uint8_t> piece) -> std::uint64_t {
        if (total - piece.size() > DiskIdentity::documentHashLimit)
            return 0;
        return hasher.feed(piece);
    };
    // The piece numbered `piece` (from 0) into its buffer after `carry` bytes, through the
    // hash; the buffer's earlier piece is hashed first.
    std::array<std::uint64_t, PieceBuffers::count> hashedAs{};
    auto readPiece = [&](std::uint64_t piece, std::size_t carry)
        -> EditorCore::Result<std::span<const std::uint8_t>, std::error_code> {
        std::uint8_t* buffer = buffers.buffer(piece);
        hasher.waitFor(hashedAs[piece % PieceBuffers::count]);
        const std::size_t length = piece == 0 ? firstPieceLength : pieceLength;
        auto got = readInto(file.get(), buffer + PieceBuffers::carryRoom, length);
        if (!got)
            return EditorCore::failure(got.error());
        const std::span<const std::uint8_t> read(buffer + PieceBuffers::carryRoom, *got);
        total += *got;
        atEnd = *got < length;
        hashedAs[piece % PieceBuffers::count] = hashPiece(read);
        return std::span<const std::uint8_t>(buffer + PieceBuffers::carryRoom - carry,
                                             carry + *got);
    };

    auto firstRead = readPiece(0, 0);
    if (!firstRead)
        return readFailure(firstRead.error());
    std::span<const std::uint8_t> pending = *firstRead;

    auto first = EditorCore::EncodingDetector::detect(pending, std::nullopt);
    if (first.isBinary()) {
        NotText notText{headOf(pending), notTextFormat(), std::nullopt};
        for (std::uint64_t piece = 1; !atEnd && total <= DiskIdentity::documentHashLimit; ++piece) {
            if (auto next = readPiece(piece, 0); !next)
                return readFailure(next.error());
        }
        notText.diskIdentity = identityOf(
            status, atEnd ? total : static_cast<std::uint64_t>(status.st_size), hasher.hash());
        return ReadOutcome{std::move(notText)};
    }

    auto second = EditorCore::EncodingDetector::detect(
        pending, environment.fileMemory.rememberedEncoding(path));
    const auto* guess = second.textGuess();
    if (guess == nullptr)
        return EditorCore::failure(
            ReadError{ReadError::Stage::detection, size, DocumentError::binary()});

    const TextEncoding encoding = guess->encoding;
    const auto mark = EditorCore::byteOrderMark(encoding);
    const bool marked =
        guess->hasByteOrderMark && !mark.empty() && EditorCore::TextCodec::hasPrefix(mark, pending);
    bool streamed = pieceEnd(encoding, {}).has_value();
    // The byte forms the file uses, noted piece by piece.
    EditorCore::ByteForms::Reader forms(encoding);
    const auto expectedLength = static_cast<std::int64_t>(
        textLengthBound(encoding, static_cast<std::uint64_t>(status.st_size)));
    std::optional<TextAssembler> text;
    if (streamed) {
        text.emplace(expectedLength);
        // Every piece is decoded into the same memory and appended from there.
        std::u16string decoded;
        for (std::uint64_t piece = 1;; ++piece) {
            const std::size_t cut = atEnd ? pending.size() : *pieceEnd(encoding, pending);
            if (piece == 1 && cut < mark.size() && !atEnd) {
                streamed = false;
                break;
            }
            if (!decodePiece(pending.first(cut),
                             encoding,
                             piece == 1 && marked ? EditorCore::StripByteOrderMark::yes
                                                  : EditorCore::StripByteOrderMark::no,
                             forms,
                             decoded,
                             *text)) {
                streamed = false;
                break;
            }
            if (atEnd)
                break;
            // The bytes of a character cut at the end go in front of the next piece.
            const std::size_t carry = pending.size() - cut;
            if (carry > PieceBuffers::carryRoom) {
                streamed = false;
                break;
            }
            std::uint8_t* next = buffers.buffer(piece) + PieceBuffers::carryRoom - carry;
            // The next buffer's earlier piece may still be in the hash.
            hasher.waitFor(hashedAs[piece % PieceBuffers::count]);
            std::memcpy(next, pending.data() + cut, carry);
            auto read = readPiece(piece, carry);
            if (!read)
                return readFailure(read.error());
            pending = *read;
        }
    } else {
        // Decoded whole: the bytes gather in one buffer, which must not move while the hash
        // reads it.
        whole.reserve(static_cast<std::size_t>(status.st_size) + 1);
        whole.assign(pending.begin(), pending.end());
        while (!atEnd) {
            if (whole.capacity() == whole.size()) {
                // The file grew while it was read.
                hasher.hash();
                whole.reserve(whole.size() + pieceLength + whole.size() / 2);
            }
            const std::size_t start = whole.size();
            const std::size_t wanted = std::min(pieceLength, whole.capacity() - start);
            whole.resize(start + wanted);
            auto got = readInto(file.get(), whole.data() + start, wanted);
            if (!got)
                return readFailure(got.error());
            whole.resize(start + *got);
            total += *got;
            atEnd = *got < wanted;
            hashPiece(std::span<const std::uint8_t>(whole).subspan(start));
        }
    }

    FileFormat format{encoding, marked, *guess};
    if (streamed)
        format.byteForms = forms.result();
    std::uint64_t hash = hasher.hash();
    // A file of one piece that the detected encoding did not decode is all in that piece.
    if (!streamed && whole.empty() && atEnd && pending.size() == total)
        whole.assign(pending.begin(), pending.end());
    if (!streamed) {
        // The detected encoding does not decode the whole file (or is not decoded in pieces):
        // the whole bytes go through the candidates as they always did.
        text.emplace(expectedLength);
        if (!atEnd || whole.size() != total) {
            auto again = Platform::readWholeFile(path);
            if (!again)
                return readFailure(again.error());
            whole = std::move(*again);
            total = whole.size();
            hash = DiskIdentity::fnv1a(whole);
        }
        // As decodeLoaded does, but each candidate straight into chunks, piece by piece where
        // its encoding allows: a file that falls back to ISO Latin-1 costs its bytes and its
        // chunks, never a UTF-16 text of the whole beside them.
        for (auto candidate : decodeOrder(guess->encoding, guess->candidates)) {
            text.emplace(static_cast<std::int64_t>(textLengthBound(candidate, whole.size())));
            EditorCore::ByteForms::Reader candidateForms(candidate);
            const auto candidateMark = EditorCore::byteOrderMark(candidate);
            const bool candidateMarked = guess->hasByteOrderMark && !candidateMark.empty()
                                         && EditorCore::TextCodec::hasPrefix(candidateMark, whole);
            if (!decodeInPieces(whole, candidate, candidateMarked, candidateForms, *text))
                continue;
            format = FileFormat{candidate, candidateMarked, *guess};
            format.byteForms = candidateForms.result();
            break;
        }
        whole = {};
    }

    OrdinaryText read;
    read.loaded.format = format;
    text->finish(read.loaded);
    read.diskIdentity = identityOf(status, total, hash);
    read.isWritable = environment.isWritable ? environment.isWritable(path) : true;
    return ReadOutcome{std::move(read)};
}

} // namespace

void adviseHugePages(void* data, std::size_t bytes)
{
    constexpr std::size_t hugePage = 2 << 20;
    if (bytes < 2 * hugePage)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + bytes) & ~(page - 1);
    if (end > first)
        // Only advice: a kernel without transparent huge pages keeps small ones.
        (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

std::uint64_t largeFileThreshold(std::int64_t largeFileMB)
{
    return static_cast<std::uint64_t>(std::max<std::int64_t>(largeFileMB, 0)) << 20;
}

bool isWritableByUser(const std::filesystem::path& path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

EditorCore::Result<ReadOutcome, ReadError> readFile(const std::filesystem::path& path,
                                                    const Environment& environment)
{
    const std::uint64_t size = fileSize(path);

    if (isLargeFile(size, environment.largeFileThreshold)) {
        // The head is cut from a longer file: a character split at its end is not an error.
        auto head = readHead(path, largeFileHeadLength);
        if (!head)
            return EditorCore::failure(
                ReadError{ReadError::Stage::largeFileHead, size, head.error()});
        auto guess = EditorCore::EncodingDetector::detect(
            *head,
            environment.fileMemory.rememberedEncoding(path),
            head->size() < size ? EditorCore::SampleIsCut::yes : EditorCore::SampleIsCut::no);
        LargeFile large;
        large.state = LargeFileState{path, size, 0, false};
        large.diskIdentity = DiskIdentity::read(path, 0);
        if (const auto* textGuess = guess.textGuess()) {
            large.format = FileFormat{textGuess->encoding, textGuess->hasByteOrderMark, *textGuess};
        } else {
            large.binaryHead = headOf(*head);
            large.format = notTextFormat();
        }
        return ReadOutcome{std::move(large)};
    }

    return readOrdinaryFile(path, environment, size);
}

Decoded decodeLoaded(std::span<const std::uint8_t> bytes,
                     TextEncoding detected,
                     std::span<const TextEncoding> candidates,
                     bool byteOrderMark)
{
    const auto order = decodeOrder(detected, candidates);

    const auto strip =
        byteOrderMark ? EditorCore::StripByteOrderMark::yes : EditorCore::StripByteOrderMark::no;
    for (auto encoding : order) {
        EditorCore::ByteForms::Reader forms(encoding);
        auto text = EditorCore::TextCodec::decode(bytes, encoding, strip, forms);
        if (!text)
            continue;
        // The mark that counts is the one of the encoding that decoded the bytes: after a
        // fall back to ISO Latin-1 the detected encoding's mark is just three more letters.
        const auto mark = EditorCore::byteOrderMark(encoding);
        const bool marked =
            byteOrderMark && !mark.empty() && EditorCore::TextCodec::hasPrefix(mark, bytes);
        return Decoded{std::move(*text), encoding, marked, forms.result()};
    }
    return Decoded{lossyUtf8Text(bytes), TextEncoding::utf8, false};
}

Loaded loadedFrom(std::span<const std::uint8_t> bytes, const EditorCore::EncodingGuess& guess)
{
    auto decoded = decodeLoaded(bytes, guess.encoding, guess.candidates, guess.hasByteOrderMark);
    Loaded loaded;
    loaded.format = FileFormat{decoded.encoding, decoded.hasByteOrderMark, guess};
    loaded.format.byteForms = std::move(decoded.byteForms);
    TextAssembler text(static_cast<std::int64_t>(decoded.text.size()));
    text.append(decoded.text);
    decoded.text = {};
    text.finish(loaded);
    return loaded;
}

EditorCore::Result<Loaded, DocumentError> readData(std::span<const std::uint8_t> bytes)
{
    auto guess = EditorCore::EncodingDetector::detect(bytes, std::nullopt);
    const auto* text = guess.textGuess();
    if (text == nullptr)
        return EditorCore::failure(DocumentError::binary());
    return loadedFrom(bytes, *text);
}

EditorCore::Result<Loaded, EditorCore::TextCodecError>
reloadWithEncoding(std::span<const std::uint8_t> bytes, TextEncoding encoding)
{
    const auto mark = EditorCore::byteOrderMark(encoding);
    const bool marked = !mark.empty() && EditorCore::TextCodec::hasPrefix(mark, bytes);
    EditorCore::ByteForms::Reader forms(encoding);
    TextAssembler text(static_cast<std::int64_t>(textLengthBound(encoding, bytes.size())));
    if (!decodeInPieces(bytes, encoding, marked, forms, text))
        return EditorCore::failure(EditorCore::TextCodecError::notDecodable(encoding));
    Loaded loaded;
    EditorCore::EncodingGuess choice;
    choice.encoding = encoding;
    choice.confidence = EditorCore::EncodingConfidence::certain;
    choice.source = EditorCore::EncodingSource::userChoice;
    choice.hasByteOrderMark = marked;
    loaded.format = FileFormat{encoding, marked, choice};
    loaded.format.byteForms = forms.result();
    text.finish(loaded);
    return loaded;
}

Loaded latin1Loaded(std::span<const std::uint8_t> bytes)
{
    Loaded loaded;
    loaded.format = notTextFormat();
    TextAssembler text(static_cast<std::int64_t>(bytes.size()));
    text.appendLatin1(bytes);
    text.finish(loaded);
    return loaded;
}

std::u16string lossyUtf8Text(std::span<const std::uint8_t> bytes)
{
    auto text = icu::UnicodeString::fromUTF8(icu::StringPiece(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::int32_t>(bytes.size())));
    return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

} // namespace EditorDocuments::DocumentReading
