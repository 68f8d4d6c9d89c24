#include "app/documents/DocumentReading.h"

#include "core/EncodingDetector.h"
#include "core/FileDescriptor.h"
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

namespace EditorDocuments::DocumentReading {

using EditorCore::DiskIdentity;
using EditorCore::DocumentError;
using EditorCore::TextEncoding;

namespace {

// What a read tells of its decoded text besides the text: its lines (indexed once, the line
// endings read off the index) and its indentation.
void describeText(Loaded& loaded, std::u16string_view text)
{
    loaded.lines = EditorCore::LineIndex(text);
    loaded.lineEndings = loaded.lines.lineEndings(text);
    loaded.indentStyle = EditorCore::Indentation::detect(text, indentationLineLimit);
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

// Faults in the fresh pages of the text's memory ahead of the appends, on up to four threads of
// their own (half the processors): the kernel zeroes fresh pages at a rate that would otherwise
// bound the open, and it zeroes them for several threads at once; on a virtual machine whose
// host hands its memory out late, a fresh page costs several times its zeroing, and two threads
// were not enough to keep ahead of the reader. The helpers write one byte of each page (a write
// fault takes no lock of the whole address space, unlike an madvise) and only where the text has
// not reached yet; before each append the reader waits for them to be out of the memory it is about
// to write. They keep at most `ahead` bytes in front of the text, so that the room of a reservation
// far above the text's length (a text of wide characters) is not made resident. The memory must
// stay in place until the toucher is gone.
class PageToucher
{
public:
    static constexpr std::size_t ahead = std::size_t(16) << 20;
    static constexpr std::size_t chunk = std::size_t(2) << 20;
    static constexpr unsigned mostHelpers = 4;
    static constexpr std::size_t pageBytes = 4096;

    PageToucher(std::span<char16_t> memory, std::size_t written, bool threaded)
        : m_memory(reinterpret_cast<std::uint8_t*>(memory.data()))
        , m_size(memory.size_bytes())
        , m_written(written * sizeof(char16_t))
    {
        // The chunks start after what is written already, and past the end of the memory.
        m_first = (m_written + chunk - 1) / chunk;
        m_chunks = (m_size + chunk - 1) / chunk;
        m_next = m_first;
        m_done = m_first;
        m_finished.assign(m_chunks > m_first ? m_chunks - m_first : 0, false);
        if (!threaded || m_finished.empty())
            return;
        const unsigned helpers =
            std::clamp(std::thread::hardware_concurrency() / 2, 1u, mostHelpers);
        for (unsigned i = 0; i < helpers; ++i)
            m_threads.emplace_back([this] { run(); });
    }
    ~PageToucher() { stop(); }
    PageToucher(const PageToucher&) = delete;
    PageToucher& operator=(const PageToucher&) = delete;

    // The text holds `units` units and is about to hold `units + more`: returns once no helper
    // is in the memory of the `more` units, nor will be.
    void beforeAppend(std::size_t units, std::size_t more)
    {
        if (m_threads.empty())
            return;
        // With the terminating null the string writes after its last unit.
        const std::size_t end = (units + more + 1) * sizeof(char16_t);
        if (end > m_size) {
            // A file that grew while it was read: the append moves the text elsewhere, and the
            // helpers must be out of the memory it leaves.
            stop();
            return;
        }
        std::unique_lock lock(m_mutex);
        m_written = units * sizeof(char16_t);
        m_wake.notify_all();
        // The chunks the append writes: those a helper has begun are waited for, the others are
        // taken away from the helpers.
        const std::size_t lastChunk = std::min(m_chunks, (end + chunk - 1) / chunk);
        if (m_next < lastChunk) {
            for (std::size_t k = m_next; k < lastChunk; ++k)
                m_finished[k - m_first] = true;
            m_next = lastChunk;
        }
        m_doneChanged.wait(lock, [&] { return doneUpTo() >= lastChunk; });
    }

private:
    void stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (auto& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

    std::size_t doneUpTo()
    {
        while (m_done < m_chunks && m_finished[m_done - m_first])
            ++m_done;
        return m_done;
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] {
                return m_stopping || (m_next < m_chunks && m_next * chunk < m_written + ahead);
            });
            if (m_stopping)
                return;
            const std::size_t k = m_next++;
            lock.unlock();
            const std::size_t from = k * chunk;
            const std::size_t to = std::min(m_size, from + chunk);
            // One byte a page faults the page in; the kernel hands it over zeroed.
            for (std::size_t offset = from; offset < to; offset += pageBytes)
                static_cast<volatile std::uint8_t*>(m_memory)[offset] = 0;
            lock.lock();
            m_finished[k - m_first] = true;
            m_doneChanged.notify_all();
        }
    }
    std::uint8_t* m_memory;
    std::size_t m_size;
    std::size_t m_first = 0;
    std::size_t m_chunks = 0;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_doneChanged;
    // Under the lock:
    std::size_t m_written;
    std::size_t m_next = 0;
    std::size_t m_done = 0;
    std::vector<bool> m_finished;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

EditorCore::Result<ReadOutcome, ReadError> readOrdinaryFile(const std::filesystem::path& path,
                                                            const Environment& environment,
                                                            TextBuilder& text,
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
    if (streamed) {
        text.reserve(textLengthBound(encoding, static_cast<std::uint64_t>(status.st_size)));
        PageToucher toucher(text.reservedMemory(), text.text().size(), manyPieces);
        // Every piece is decoded into the same memory and appended from there.
        std::u16string decoded;
        for (std::uint64_t piece = 1;; ++piece) {
            const std::size_t cut = atEnd ? pending.size() : *pieceEnd(encoding, pending);
            if (piece == 1 && cut < mark.size() && !atEnd) {
                streamed = false;
                break;
            }
            auto done = EditorCore::TextCodec::decode(pending.first(cut),
                                                      encoding,
                                                      piece == 1 && marked
                                                          ? EditorCore::StripByteOrderMark::yes
                                                          : EditorCore::StripByteOrderMark::no,
                                                      forms,
                                                      decoded);
            if (!done) {
                streamed = false;
                break;
            }
            toucher.beforeAppend(text.text().size(), decoded.size());
            text.append(decoded);
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
        text.clear();
        if (!atEnd || whole.size() != total) {
            auto again = Platform::readWholeFile(path);
            if (!again)
                return readFailure(again.error());
            whole = std::move(*again);
            total = whole.size();
            hash = DiskIdentity::fnv1a(whole);
        }
        auto decoded =
            decodeLoaded(whole, guess->encoding, guess->candidates, guess->hasByteOrderMark);
        whole = {};
        text.reserve(decoded.text.size());
        text.append(decoded.text);
        format = FileFormat{decoded.encoding, decoded.hasByteOrderMark, *guess};
        format.byteForms = std::move(decoded.byteForms);
    }

    OrdinaryText read;
    read.loaded.format = format;
    describeText(read.loaded, text.text());
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

EditorCore::Result<ReadOutcome, ReadError>
readFile(const std::filesystem::path& path, const Environment& environment, TextBuilder& text)
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

    return readOrdinaryFile(path, environment, text, size);
}

EditorCore::Result<ReadOutcome, ReadError> readFile(const std::filesystem::path& path,
                                                    const Environment& environment)
{
    U16TextBuilder text;
    auto outcome = readFile(path, environment, text);
    if (outcome) {
        if (auto* ordinary = std::get_if<OrdinaryText>(&*outcome))
            ordinary->loaded.text = text.take();
    }
    return outcome;
}

Decoded decodeLoaded(std::span<const std::uint8_t> bytes,
                     TextEncoding detected,
                     std::span<const TextEncoding> candidates,
                     bool byteOrderMark)
{
    std::vector<TextEncoding> order{detected};
    for (auto candidate : candidates) {
        if (candidate != detected)
            order.push_back(candidate);
    }
    order.push_back(lastCandidate);

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
    describeText(loaded, decoded.text);
    loaded.text = std::move(decoded.text);
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
    auto text = EditorCore::TextCodec::decode(bytes,
                                              encoding,
                                              marked ? EditorCore::StripByteOrderMark::yes
                                                     : EditorCore::StripByteOrderMark::no,
                                              forms);
    if (!text)
        return EditorCore::failure(text.error());
    Loaded loaded;
    EditorCore::EncodingGuess choice;
    choice.encoding = encoding;
    choice.confidence = EditorCore::EncodingConfidence::certain;
    choice.source = EditorCore::EncodingSource::userChoice;
    choice.hasByteOrderMark = marked;
    loaded.format = FileFormat{encoding, marked, choice};
    loaded.format.byteForms = forms.result();
    describeText(loaded, *text);
    loaded.text = std::move(*text);
    return loaded;
}

std::u16string latin1Text(std::span<const std::uint8_t> bytes)
{
    return std::u16string(bytes.begin(), bytes.end());
}

std::u16string lossyUtf8Text(std::span<const std::uint8_t> bytes)
{
    auto text = icu::UnicodeString::fromUTF8(icu::StringPiece(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::int32_t>(bytes.size())));
    return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

} // namespace EditorDocuments::DocumentReading
