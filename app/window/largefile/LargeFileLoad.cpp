#include "app/window/largefile/LargeFileLoad.h"

#include "core/ChunkDecoding.h"
#include "core/LineIndexBuilder.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <optional>
#include <span>
#include <unistd.h>
#include <vector>

namespace EditorWindow {

std::uint64_t largeLoadTarget(std::uint64_t size,
                              std::uint64_t loadedBytes,
                              const LargeLoadSteps& steps)
{
    if (size <= steps.wholeFileLimit)
        return size;
    return std::min(loadedBytes + steps.step, size);
}

namespace {

class ReadHandle
{
public:
    explicit ReadHandle(const std::filesystem::path& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {}
    ~ReadHandle()
    {
        // A failed close of a file only read loses nothing.
        if (m_fd >= 0)
            (void)::close(m_fd);
    }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Up to `length` bytes at `offset`; short only at the end of the file.
std::optional<std::error_code>
readAt(int fd, std::uint64_t offset, std::size_t length, std::vector<std::uint8_t>& into)
{
    const std::size_t kept = into.size();
    into.resize(kept + length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(
            fd, into.data() + kept + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            into.resize(kept + done);
            return std::error_code(errno, std::generic_category());
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    into.resize(kept + done);
    return std::nullopt;
}

// The most bytes decoded at once: the text of one slice is held beside the chunks.
constexpr std::size_t decodeSliceLength = std::size_t(1) << 20;

// Encodings in which a byte below 0x80 is always that ASCII character, never part of a longer
// sequence: a slice of only such bytes is its own text.
bool asciiIsItself(EditorCore::TextEncoding encoding)
{
    using EditorCore::TextEncoding;
    return encoding == TextEncoding::utf8 || encoding == TextEncoding::isoLatin1
           || encoding == TextEncoding::windows1252 || encoding == TextEncoding::macRoman;
}

bool isASCII(std::span<const std::uint8_t> bytes)
{
    std::uint8_t any = 0;
    for (std::uint8_t byte : bytes)
        any |= byte;
    return any < 0x80;
}

} // namespace

LargeLoadResult runLargeLoad(const LargeLoadRequest& request,
                             const std::function<bool()>& shouldGoOn,
                             const std::function<void(std::uint64_t)>& progress)
{
    LargeLoadResult result;
    result.offset = request.start;
    const std::uint64_t wanted =
        request.target > request.start ? request.target - request.start : 0;
    std::vector<std::uint8_t> chunk;
    std::u16string decoded;
    EditorCore::ChunkedTextBuilder text;
    std::optional<EditorCore::LineIndexBuilder> lines;
    if (request.buildIndex)
        lines.emplace(static_cast<std::int64_t>(wanted));
    bool released = false;
    try {
        ReadHandle handle(request.url);
        if (handle.fd() < 0) {
            result.error = std::error_code(errno, std::generic_category());
            return result;
        }
        bool first = true;
        const std::size_t readLength = std::max<std::size_t>(1, request.readLength);
        // One buffer for the bytes and one for each piece's text, reused piece after piece.
        chunk.reserve(readLength + 16);
        decoded.reserve(std::min(readLength, decodeSliceLength) + 16);
        while (result.offset < request.target) {
            if (shouldGoOn && !shouldGoOn()) {
                result.stopped = true;
                break;
            }
            const std::size_t length = static_cast<std::size_t>(
                std::min<std::uint64_t>(request.target - result.offset, readLength));
            const std::size_t carried = chunk.size();
            if (auto error = readAt(handle.fd(), result.offset, length, chunk)) {
                result.error = error;
                break;
            }
            const std::size_t got = chunk.size() - carried;
            result.offset += got;
            const bool endOfFile = got < length;
            result.endedEarly = endOfFile;
            std::size_t skip = 0;
            if (first && request.skipByteOrderMark) {
                const auto mark = EditorCore::byteOrderMark(request.encoding);
                if (!mark.empty() && EditorCore::TextCodec::hasPrefix(mark, chunk))
                    skip = mark.size();
            }
            first = false;
            const std::span<const std::uint8_t> bytes(chunk.data() + skip, chunk.size() - skip);
            // Only the end of the file is decoded whole; elsewhere a character or line that
            // goes on waits for the next read (or the next job).
            const bool final =
                endOfFile || (result.offset >= request.target && request.targetIsEndOfFile);
            const std::size_t now =
                final ? bytes.size()
                      : EditorCore::ChunkDecoding::decodableLength(bytes, request.encoding);
            // Decoded in slices, so that the text of one slice is all that is held beside the
            // job's string (a whole read's text would be twice its bytes).
            for (std::size_t position = 0; position < now;) {
                std::size_t slice = std::min(now - position, decodeSliceLength);
                if (position + slice < now) {
                    const std::size_t cut = EditorCore::ChunkDecoding::decodableLength(
                        bytes.subspan(position, slice), request.encoding);
                    slice = cut > 0 ? cut : now - position;
                }
                const auto piece = bytes.subspan(position, slice);
                if (asciiIsItself(request.encoding) && isASCII(piece)) {
                    text.appendLatin1(piece);
                    if (lines)
                        lines->appendLatin1(piece);
                } else {
                    decoded.clear();
                    if (EditorCore::ChunkDecoding::decodeReplacingInvalid(
                            piece, request.encoding, decoded))
                        result.lossy = true;
                    text.append(decoded);
                    if (lines)
                        lines->append(decoded);
                }
                position += slice;
            }
            chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(skip + now));
            if (progress)
                progress(result.offset);
            if (endOfFile)
                break;
        }
        result.carry = chunk.size();
        // Neither buffer is needed beside the index.
        chunk = {};
        decoded = {};
        released = true;
        result.text = text.finishSnapshot();
        if (lines) {
            result.index = lines->finish().lines;
            result.visualLines = EditorViews::VisualLineMap::uniform(
                static_cast<std::size_t>(result.index->lineCount()));
        }
    } catch (const std::bad_alloc&) {
        result.error = std::make_error_code(std::errc::not_enough_memory);
        if (!released) {
            result.carry = chunk.size();
            // What was decoded before stays.
            result.text = text.finishSnapshot();
        }
    }
    return result;
}

} // namespace EditorWindow
