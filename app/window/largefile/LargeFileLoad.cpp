#include "app/window/largefile/LargeFileLoad.h"

#include "app/documents/DocumentReading.h"
#include "core/ChunkDecoding.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <new>
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

// The most bytes decoded at once: the text of one slice is held beside the whole string.
constexpr std::size_t decodeSliceLength = std::size_t(1) << 20;

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
    bool released = false;
    try {
        ReadHandle handle(request.url);
        if (handle.fd() < 0) {
            result.error = std::error_code(errno, std::generic_category());
            return result;
        }
        // No encoding of ours gives more UTF-16 units than bytes: one reservation holds the
        // whole job, and the pages it does not use are never touched.
        result.text.reserve(static_cast<qsizetype>(std::min<std::uint64_t>(wanted, INT_MAX)));
        EditorDocuments::DocumentReading::adviseHugePages(
            result.text.data(), static_cast<std::size_t>(result.text.capacity()) * 2);
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
                decoded.clear();
                if (EditorCore::ChunkDecoding::decodeReplacingInvalid(
                        bytes.subspan(position, slice), request.encoding, decoded))
                    result.lossy = true;
                result.text.append(
                    QStringView(decoded.data(), static_cast<qsizetype>(decoded.size())));
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
        if (request.buildIndex) {
            result.index = EditorCore::LineIndex(std::u16string_view(
                reinterpret_cast<const char16_t*>(result.text.utf16()),
                static_cast<std::size_t>(result.text.size())));
            result.visualLines = EditorViews::VisualLineMap::uniform(
                static_cast<std::size_t>(result.index->lineCount()));
        }
    } catch (const std::bad_alloc&) {
        result.error = std::make_error_code(std::errc::not_enough_memory);
        if (!released)
            result.carry = chunk.size();
    }
    return result;
}

} // namespace EditorWindow
