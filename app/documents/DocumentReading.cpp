#include "app/documents/DocumentReading.h"

#include "core/EncodingDetector.h"
#include "platform/Files.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
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

} // namespace

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
        if (const auto* text = guess.textGuess()) {
            large.format = FileFormat{text->encoding, text->hasByteOrderMark, *text};
        } else {
            large.binaryHead = headOf(*head);
            large.format = notTextFormat();
        }
        return ReadOutcome{std::move(large)};
    }

    auto bytes = Platform::readWholeFile(path);
    if (!bytes)
        return EditorCore::failure(ReadError{ReadError::Stage::wholeFile, size, bytes.error()});

    auto first = EditorCore::EncodingDetector::detect(*bytes, std::nullopt);
    if (first.isBinary()) {
        return ReadOutcome{NotText{headOf(*bytes),
                                   notTextFormat(),
                                   DiskIdentity::read(path, DiskIdentity::documentHashLimit)}};
    }

    auto second = EditorCore::EncodingDetector::detect(
        *bytes, environment.fileMemory.rememberedEncoding(path));
    const auto* guess = second.textGuess();
    if (guess == nullptr)
        return EditorCore::failure(
            ReadError{ReadError::Stage::detection, size, DocumentError::binary()});

    OrdinaryText text;
    text.loaded = loadedFrom(*bytes, *guess);
    text.diskIdentity = DiskIdentity::read(path, DiskIdentity::documentHashLimit);
    text.isWritable = environment.isWritable ? environment.isWritable(path) : true;
    return ReadOutcome{std::move(text)};
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
    loaded.lineEndings = EditorCore::LineEndingSummary(decoded.text);
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
    loaded.lineEndings = EditorCore::LineEndingSummary(*text);
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
