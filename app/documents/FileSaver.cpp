#include "app/documents/FileSaver.h"

#include "app/documents/RecoveryCopies.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace EditorDocuments::FileSaver {

namespace {

using Platform::lastError;

bool defaultFolderWritable(const std::filesystem::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool defaultFileWritable(const std::filesystem::path& file)
{
    return ::access(file.c_str(), W_OK) == 0;
}

std::vector<char> attributeNames(int fd)
{
    for (;;) {
        ssize_t length = ::flistxattr(fd, nullptr, 0);
        if (length <= 0)
            return {};
        std::vector<char> names(static_cast<std::size_t>(length));
        length = ::flistxattr(fd, names.data(), names.size());
        if (length >= 0) {
            names.resize(static_cast<std::size_t>(length));
            return names;
        }
        if (errno != ERANGE)
            return {};
    }
}

// Copies every extended attribute (the POSIX ACLs are among them); false when one could not be
// carried over.
bool copyAttributes(int from, int to)
{
    auto names = attributeNames(from);
    std::size_t start = 0;
    while (start < names.size()) {
        const char* name = names.data() + start;
        start += std::char_traits<char>::length(name) + 1;
        std::vector<std::uint8_t> value;
        for (;;) {
            ssize_t length = ::fgetxattr(from, name, nullptr, 0);
            if (length < 0)
                return false;
            value.resize(static_cast<std::size_t>(length));
            length = ::fgetxattr(from, name, value.data(), value.size());
            if (length >= 0) {
                value.resize(static_cast<std::size_t>(length));
                break;
            }
            if (errno != ERANGE)
                return false;
        }
        if (::fsetxattr(to, name, value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

// The process's umask, read without setting it: umask(2) can only be read by changing it, which
// would give files created meanwhile on other threads the wrong mode.
mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    static std::mutex lock;
    std::lock_guard guard(lock);
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Hashes a content on its way to the file, as DiskIdentity::read hashes a file it reads back,
// so that the identity of a written file is the one of these bytes and no other program's.
class HashedContent
{
public:
    explicit HashedContent(const SaveContent& content)
        : m_content(content)
    {}

    SaveContent content()
    {
        return [this](const ByteSink& sink) {
            m_hash = EditorCore::DiskIdentity::fnv1aStart;
            m_size = 0;
            return m_content([this, &sink](std::span<const std::uint8_t> bytes) {
                m_hash = EditorCore::DiskIdentity::fnv1a(m_hash, bytes);
                m_size += bytes.size();
                return sink(bytes);
            });
        };
    }

    // The file open as `fd`, which holds the content and nothing else yet.
    std::optional<EditorCore::DiskIdentity> identityOf(int fd) const
    {
        auto identity = EditorCore::DiskIdentity::ofOpenFile(fd, m_hash);
        // A hash only of what a document would hash, and only when the file is these bytes.
        if (identity
            && (identity->size != m_size || m_size > EditorCore::DiskIdentity::documentHashLimit))
            identity->contentHash.reset();
        return identity;
    }

private:
    const SaveContent& m_content;
    std::uint64_t m_hash = EditorCore::DiskIdentity::fnv1aStart;
    std::uint64_t m_size = 0;
};

enum class Replace { done, fallBackInPlace };

// The temporary file takes the original's owner first (which may clear set-id bits), then its
// mode, then its attributes. When it cannot have all of them, nothing is renamed and the
// caller rewrites in place, which keeps them by construction.
EditorCore::Result<Replace, std::error_code>
replace(const std::filesystem::path& target,
        const struct stat* original,
        HashedContent& content,
        const Options& options,
        std::optional<EditorCore::DiskIdentity>& identity)
{
    TemporaryFile::removeStrays(target);
    auto file = TemporaryFile::create(target, options.calls);
    if (!file)
        return EditorCore::failure(file.error());
    const int fd = file->fd();

    if (original != nullptr) {
        int source = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        bool carried = source >= 0;
        if (carried && (original->st_uid != ::geteuid() || original->st_gid != ::getegid()))
            carried = ::fchown(fd, original->st_uid, original->st_gid) == 0;
        if (carried)
            carried = ::fchmod(fd, original->st_mode & 07777) == 0;
        if (carried)
            carried = copyAttributes(source, fd);
        if (source >= 0)
            ::close(source);
        if (!carried)
            return Replace::fallBackInPlace;
    } else {
        // A new file gets the usual mode of a new file.
        ::fchmod(fd, 0666 & ~currentUmask());
    }

    // A content that fails leaves the file unnamed or named as a temporary one; either goes
    // with `file`.
    if (auto written = writeContent(fd, content.content()); !written)
        return EditorCore::failure(written.error());
    // Before the rename: from then on another program may write to the file at the path.
    identity = content.identityOf(fd);
    if (auto committed = file->commit(); !committed)
        return EditorCore::failure(committed.error());
    return Replace::done;
}

EditorCore::Result<std::optional<EditorCore::DiskIdentity>, std::error_code> rewriteHashedInPlace(
    const std::filesystem::path& path, HashedContent& content, const Options& options);

} // namespace

std::ostream& operator<<(std::ostream& out, Method method)
{
    switch (method) {
    case Method::replaced:
        return out << "replaced";
    case Method::inPlace:
        return out << "inPlace";
    case Method::created:
        return out << "created";
    }
    return out << '?';
}

std::filesystem::path resolvedTarget(const std::filesystem::path& path)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    // A dangling link resolves to where it points, so the save creates the file there.
    auto resolved = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute : resolved;
}

EditorCore::Result<void, std::error_code> rewriteInPlace(const std::filesystem::path& path,
                                                         std::span<const std::uint8_t> bytes,
                                                         const Options& options)
{
    return rewriteInPlaceFrom(path, contentOf(bytes), options);
}

EditorCore::Result<void, std::error_code> rewriteInPlaceFrom(const std::filesystem::path& path,
                                                             const SaveContent& content,
                                                             const Options& options)
{
    HashedContent hashed(content);
    auto rewritten = rewriteHashedInPlace(path, hashed, options);
    if (!rewritten)
        return EditorCore::failure(rewritten.error());
    return {};
}

namespace {

EditorCore::Result<std::optional<EditorCore::DiskIdentity>, std::error_code> rewriteHashedInPlace(
    const std::filesystem::path& path, HashedContent& content, const Options& options)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return EditorCore::failure(lastError());
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        auto error =
            S_ISREG(info.st_mode) ? lastError() : std::make_error_code(std::errc::invalid_argument);
        ::close(fd);
        return EditorCore::failure(error);
    }

    // The content is made into the copy, whole and on disk, before the file is touched: a text
    // its encoding cannot hold is refused here, with the file as it was.
    const auto folder =
        options.recoveryFolder.empty() ? RecoveryCopies::defaultFolder() : options.recoveryFolder;
    auto copy = RecoveryCopies::keepFrom(folder, path, content.content(), options.calls);
    if (!copy) {
        ::close(fd);
        return EditorCore::failure(copy.error());
    }

    // From here the file may be damaged until the flush succeeded; the copy stays until then.
    // Cutting the file comes last, so a shorter new content never leaves it empty.
    auto unfinished = [&](int error) {
        ::close(fd);
        return EditorCore::failure(
            Platform::unfinishedWriteError(error, Platform::UnfinishedWrite::inPlace));
    };
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return unfinished(errno);
    std::error_code readError;
    auto written =
        writeContent(fd, fileContent(copy->file, copy->contentOffset, copy->size, readError));
    if (!written)
        return unfinished(readError ? readError.value() : written.error().value());
    if (::ftruncate(fd, static_cast<off_t>(copy->size)) != 0)
        return unfinished(errno);
    // The file holds the new bytes from here; another program may write to it at any moment.
    auto identity = content.identityOf(fd);
    if (options.calls.sync(fd, path) != 0)
        return unfinished(errno);
    if (::close(fd) != 0)
        return EditorCore::failure(
            Platform::unfinishedWriteError(errno, Platform::UnfinishedWrite::inPlace));
    RecoveryCopies::remove(*copy);
    return identity;
}

} // namespace

EditorCore::Result<Written, std::error_code> write(const std::filesystem::path& path,
                                                   std::span<const std::uint8_t> bytes,
                                                   const Options& options)
{
    return writeFrom(path, contentOf(bytes), options);
}

EditorCore::Result<Written, std::error_code>
writeFrom(const std::filesystem::path& path, const SaveContent& content, const Options& options)
{
    Written written{resolvedTarget(path), Method::replaced, std::nullopt};
    auto folder = written.target.parent_path();

    HashedContent hashed(content);
    struct stat original = {};
    if (::stat(written.target.c_str(), &original) != 0) {
        if (errno != ENOENT)
            return EditorCore::failure(lastError());
        auto created = replace(written.target, nullptr, hashed, options, written.identity);
        if (!created)
            return EditorCore::failure(created.error());
        written.method = Method::created;
        return written;
    }
    if (!S_ISREG(original.st_mode))
        return EditorCore::failure(std::make_error_code(std::errc::invalid_argument));
    const auto& fileWritable =
        options.isFileWritable ? options.isFileWritable : defaultFileWritable;
    if (!fileWritable(written.target))
        return EditorCore::failure(std::make_error_code(std::errc::permission_denied));

    const auto& folderWritable =
        options.isFolderWritable ? options.isFolderWritable : defaultFolderWritable;
    bool inPlace = original.st_nlink > 1 || !folderWritable(folder);
    if (!inPlace) {
        auto replaced = replace(written.target, &original, hashed, options, written.identity);
        if (!replaced)
            return EditorCore::failure(replaced.error());
        inPlace = *replaced == Replace::fallBackInPlace;
    }
    if (inPlace) {
        TemporaryFile::removeStrays(written.target);
        auto rewritten = rewriteHashedInPlace(written.target, hashed, options);
        if (!rewritten)
            return EditorCore::failure(rewritten.error());
        written.identity = *rewritten;
        written.method = Method::inPlace;
    }
    return written;
}

} // namespace EditorDocuments::FileSaver
