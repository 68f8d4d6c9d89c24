#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

namespace {

class UnfinishedWriteCategory : public std::error_category
{
public:
    explicit UnfinishedWriteCategory(UnfinishedWrite kind)
        : m_kind(kind)
    {}

    const char* name() const noexcept override
    {
        return m_kind == UnfinishedWrite::renamed ? "olv.renamedNotFlushed"
                                                  : "olv.inPlaceUnfinished";
    }

    std::string message(int value) const override
    {
        auto text = std::generic_category().message(value);
        if (m_kind == UnfinishedWrite::renamed)
            return text
                   + " (the new content replaced the file, but flushing its folder to disk "
                     "failed: after a system crash the file may hold its old content)";
        return text
               + " (the file was rewritten in place and may be incomplete on disk; a "
                 "recovery copy of the new content is kept)";
    }

    std::error_condition default_error_condition(int value) const noexcept override
    {
        return {value, std::generic_category()};
    }

private:
    UnfinishedWrite m_kind;
};

const UnfinishedWriteCategory renamedCategory(UnfinishedWrite::renamed);
const UnfinishedWriteCategory inPlaceCategory(UnfinishedWrite::inPlace);

const std::error_category& categoryOf(UnfinishedWrite kind)
{
    return kind == UnfinishedWrite::renamed
               ? static_cast<const std::error_category&>(renamedCategory)
               : inPlaceCategory;
}

} // namespace

std::error_code unfinishedWriteError(int errnoValue, UnfinishedWrite kind)
{
    return {errnoValue, categoryOf(kind)};
}

bool isUnfinishedWrite(const std::error_code& error, UnfinishedWrite kind)
{
    return error.category() == categoryOf(kind);
}

EditorCore::Result<void, std::error_code> syncFolder(const std::filesystem::path& folder)
{
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return EditorCore::failure(lastError());
    int synced = ::fsync(fd);
    auto error = lastError();
    ::close(fd);
    if (synced != 0)
        return EditorCore::failure(error);
    return {};
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    const std::uint8_t* data = bytes.data();
    std::size_t size = bytes.size();
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool writeAll(int fd, std::string_view text)
{
    return writeAll(fd, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

EditorCore::Result<void, std::error_code>
writeAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t mode)
{
    return writeAtomically(
        path, [bytes](const ByteWriter& write) { return write(bytes); }, mode);
}

EditorCore::Result<void, std::error_code>
writeAtomically(const std::filesystem::path& path,
                const std::function<bool(const ByteWriter&)>& produce,
                mode_t mode)
{
    auto folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return EditorCore::failure(lastError());

    auto fail = [&](std::error_code error) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return EditorCore::failure(error);
    };
    if (::fchmod(fd, mode) != 0)
        return fail(lastError());
    std::error_code writeError;
    const bool whole = produce([fd, &writeError](std::span<const std::uint8_t> piece) {
        if (!writeAll(fd, piece)) {
            writeError = lastError();
            return false;
        }
        return true;
    });
    if (writeError)
        return fail(writeError);
    if (!whole)
        return fail(std::make_error_code(std::errc::operation_canceled));
    if (::fsync(fd) != 0)
        return fail(lastError());
    if (::close(fd) != 0) {
        auto error = lastError();
        ::unlink(pattern.c_str());
        return EditorCore::failure(error);
    }
    if (::rename(pattern.c_str(), path.c_str()) != 0) {
        auto error = lastError();
        ::unlink(pattern.c_str());
        return EditorCore::failure(error);
    }
    if (auto synced = syncFolder(folder); !synced)
        return EditorCore::failure(
            unfinishedWriteError(synced.error().value(), UnfinishedWrite::renamed));
    return {};
}

EditorCore::Result<void, std::error_code>
writeAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode)
{
    return writeAtomically(path,
                           std::span<const std::uint8_t>(
                               reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                           mode);
}

EditorCore::Result<std::vector<std::uint8_t>, std::error_code>
readWholeFile(const std::filesystem::path& path)
{
    // Non-blocking so that a FIFO put in a file's place cannot hang the reader; it is refused
    // below like every other file that is not regular.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return EditorCore::failure(lastError());
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        auto error =
            S_ISREG(info.st_mode) ? lastError() : std::make_error_code(std::errc::invalid_argument);
        ::close(fd);
        return EditorCore::failure(error);
    }
    // Sized from the file, one byte over so that reaching the end needs no second buffer; a
    // file that grows meanwhile still reads to its end.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + std::max<std::size_t>(bytes.size() / 2, 65536));
        ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            auto error = lastError();
            ::close(fd);
            return EditorCore::failure(error);
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(filled);
    return bytes;
}

EditorCore::Result<void, std::error_code> createFolders(const std::filesystem::path& path,
                                                        mode_t mode)
{
    std::filesystem::path current;
    for (const auto& part : path) {
        current /= part;
        if (::mkdir(current.c_str(), mode) == 0) {
            // mkdir's mode is masked by umask; the caller asked for exactly this mode.
            ::chmod(current.c_str(), mode);
            continue;
        }
        if (errno != EEXIST)
            return EditorCore::failure(lastError());
    }
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return EditorCore::failure(lastError());
    if (!S_ISDIR(info.st_mode))
        return EditorCore::failure(std::make_error_code(std::errc::not_a_directory));
    return {};
}

} // namespace Platform
