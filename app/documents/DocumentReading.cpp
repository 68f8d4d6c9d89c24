#include "app/documents/DocumentReading.h"

#include "core/EncodingDetector.h"
#include "core/FileDescriptor.h"
#include "platform/Files.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorDocuments::DocumentReading {

using EditorCore::DiskIdentity;
using EditorCore::DocumentError;
using EditorCore::TextEncoding;

namespace {

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

// Appends up to `length` bytes to `bytes`, fewer only at the end of the file.
EditorCore::Result<std::size_t, std::error_code>
readAppending(int fd, std::vector<std::uint8_t>& bytes, std::size_t length)
{
    const std::size_t start = bytes.size();
    bytes.resize(start + length);
    std::size_t filled = 0;
    while (filled < length) {
        ssize_t got = ::read(fd, bytes.data() + start + filled, length - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            bytes.resize(start + filled);
            return EditorCore::failure(std::error_code(errno, std::generic_category()));
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(start + filled);
    return filled;
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

    std::uint64_t hash = DiskIdentity::fnv1aStart;
    std::uint64_t total = 0;
    bool atEnd = false;
    // Reads the next piece onto `bytes` and through the hash.
    auto readPiece = [&](std::vector<std::uint8_t>& bytes) -> std::optional<std::error_code> {
        const std::size_t start = bytes.size();
        auto got = readAppending(file.get(), bytes, readPieceLength);
        if (!got)
            return got.error();
        hash = DiskIdentity::fnv1a(hash, std::span(bytes).subspan(start));
        total += *got;
        atEnd = *got < readPieceLength;
        return std::nullopt;
    };

    // The first piece is longer than detection's sample, so detection sees what it would see
    // in the whole file: the same sample, cut exactly when the file is longer.
    static_assert(readPieceLength > EditorCore::EncodingDetector::sampleLength);
    std::vector<std::uint8_t> pending;
    if (auto error = readPiece(pending))
        return readFailure(*error);

    auto first = EditorCore::EncodingDetector::detect(pending, std::nullopt);
    if (first.isBinary()) {
        NotText notText{headOf(pending), notTextFormat(), std::nullopt};
        while (!atEnd && total <= DiskIdentity::documentHashLimit) {
            pending.clear();
            if (auto error = readPiece(pending))
                return readFailure(*error);
        }
        notText.diskIdentity =
            identityOf(status, atEnd ? total : static_cast<std::uint64_t>(status.st_size), hash);
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
        bool firstPiece = true;
        for (;;) {
            std::size_t cut = atEnd ? pending.size() : *pieceEnd(encoding, pending);
            if (firstPiece && cut < mark.size() && !atEnd) {
                streamed = false;
                break;
            }
            auto decoded = EditorCore::TextCodec::decode(
                std::span<const std::uint8_t>(pending).first(cut),
                encoding,
                firstPiece && marked ? EditorCore::StripByteOrderMark::yes
                                     : EditorCore::StripByteOrderMark::no,
                forms);
            if (!decoded) {
                streamed = false;
                break;
            }
            text.append(*decoded);
            firstPiece = false;
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(cut));
            if (atEnd)
                break;
            if (auto error = readPiece(pending))
                return readFailure(*error);
        }
    } else {
        pending.reserve(static_cast<std::size_t>(status.st_size) + 1);
        while (!atEnd) {
            if (auto error = readPiece(pending))
                return readFailure(*error);
        }
    }

    FileFormat format{encoding, marked, *guess};
    if (streamed)
        format.byteForms = forms.result();
    if (!streamed) {
        // The detected encoding does not decode the whole file (or is not decoded in pieces):
        // the whole bytes go through the candidates as they always did.
        text.clear();
        if (!atEnd || pending.size() != total) {
            auto whole = Platform::readWholeFile(path);
            if (!whole)
                return readFailure(whole.error());
            pending = std::move(*whole);
            total = pending.size();
            hash = DiskIdentity::fnv1a(pending);
        }
        auto decoded =
            decodeLoaded(pending, guess->encoding, guess->candidates, guess->hasByteOrderMark);
        pending = {};
        text.reserve(decoded.text.size());
        text.append(decoded.text);
        format = FileFormat{decoded.encoding, decoded.hasByteOrderMark, *guess};
        format.byteForms = std::move(decoded.byteForms);
    }

    OrdinaryText read;
    read.loaded.format = format;
    read.loaded.lines = EditorCore::LineIndex(text.text());
    read.loaded.lineEndings = read.loaded.lines.lineEndings(text.text());
    read.loaded.indentStyle = EditorCore::Indentation::detect(text.text(), indentationLineLimit);
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
    loaded.lines = EditorCore::LineIndex(decoded.text);
    loaded.lineEndings = loaded.lines.lineEndings(decoded.text);
    loaded.indentStyle = EditorCore::Indentation::detect(decoded.text, indentationLineLimit);
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
    loaded.lines = EditorCore::LineIndex(*text);
    loaded.lineEndings = loaded.lines.lineEndings(*text);
    loaded.indentStyle = EditorCore::Indentation::detect(*text, indentationLineLimit);
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
