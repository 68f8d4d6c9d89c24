#include "app/documents/SaveContent.h"

#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace EditorDocuments {

namespace {

// One read of a file being copied: the pieces of the writes that take it.
constexpr std::size_t readPiece = std::size_t(1) << 20;
// How much of a large content is written before the disk is asked to start on it.
constexpr std::uint64_t writeBackPiece = std::uint64_t(32) << 20;

} // namespace

SaveContent contentOf(std::span<const std::uint8_t> bytes)
{
    return [bytes](const ByteSink& sink) { return bytes.empty() || sink(bytes); };
}

std::error_code contentFailed()
{
    return std::make_error_code(std::errc::illegal_byte_sequence);
}

EditorCore::Result<std::uint64_t, std::error_code> writeContent(int fd, const SaveContent& content)
{
    std::uint64_t written = 0;
    std::uint64_t handedToDisk = 0;
    std::error_code writeError;
    const bool whole = content([&](std::span<const std::uint8_t> bytes) {
        if (!Platform::writeAll(fd, bytes)) {
            writeError = Platform::lastError();
            return false;
        }
        written += bytes.size();
        if (written - handedToDisk >= writeBackPiece) {
            // The disk starts on what is written while the rest is made, so the flush at the
            // end waits for the last piece only; a failure here is the flush's to report.
            (void)::sync_file_range(fd,
                                    static_cast<off_t>(handedToDisk),
                                    static_cast<off_t>(written - handedToDisk),
                                    SYNC_FILE_RANGE_WRITE);
            handedToDisk = written;
        }
        return true;
    });
    if (writeError)
        return EditorCore::failure(writeError);
    if (!whole)
        return EditorCore::failure(contentFailed());
    return written;
}

SaveContent fileContent(const std::filesystem::path& file,
                        std::uint64_t offset,
                        std::uint64_t size,
                        std::error_code& readError)
{
    return [file, offset, size, &readError](const ByteSink& sink) {
        readError.clear();
        int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            readError = Platform::lastError();
            return false;
        }
        std::vector<std::uint8_t> buffer(
            static_cast<std::size_t>(std::min<std::uint64_t>(size, readPiece)));
        std::uint64_t done = 0;
        bool handed = true;
        while (done < size && handed) {
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(size - done, buffer.size()));
            ssize_t got = ::pread(fd, buffer.data(), want, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                // A file cut short under the copy is as unreadable as a failing disk.
                readError =
                    got < 0 ? Platform::lastError() : std::make_error_code(std::errc::io_error);
                break;
            }
            done += static_cast<std::uint64_t>(got);
            handed =
                sink(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
        }
        ::close(fd);
        return done == size && handed && !readError;
    };
}

} // namespace EditorDocuments
