#include "features/ArchiveInstall.h"

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorFeatures::ArchiveInstall {
namespace fs = std::filesystem;
using EditorCore::failure;

namespace {

void initialiseSodium()
{
    static std::once_flag once;
    std::call_once(once, [] { [[maybe_unused]] int status = sodium_init(); });
}

std::string describe(std::string_view what, const fs::path& path, const std::error_code& error)
{
    return std::string(what) + " " + path.string() + ": " + error.message();
}

// A member name is safe when it is relative and every segment is a plain name; a folder's
// name may end with "/".
bool isSafeMemberName(std::string_view name)
{
    if (name.ends_with('/'))
        name.remove_suffix(1);
    if (name.empty() || name.starts_with('/'))
        return false;
    std::size_t start = 0;
    while (true) {
        auto slash = name.find('/', start);
        auto segment =
            name.substr(start, slash == std::string_view::npos ? name.npos : slash - start);
        if (segment.empty() || segment == "." || segment == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

std::string archiveError(archive* handle, std::string_view fallback)
{
    const char* text = archive_error_string(handle);
    return text ? std::string(text) : std::string(fallback);
}

struct ArchiveFree
{
    void operator()(archive* handle) const { archive_read_free(handle); }
};
struct DiskFree
{
    void operator()(archive* handle) const { archive_write_free(handle); }
};

EditorCore::Result<void, std::string> copyData(archive* reader, archive* writer)
{
    while (true) {
        const void* block = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF)
            return {};
        if (status < ARCHIVE_WARN)
            return failure(archiveError(reader, "archive read"));
        if (archive_write_data_block(writer, block, size, offset) < ARCHIVE_WARN)
            return failure(archiveError(writer, "archive write"));
    }
}

} // namespace

EditorCore::Result<void, std::string> extractZip(const fs::path& archivePath,
                                                 const fs::path& destination)
{
    std::error_code error;
    fs::create_directories(destination, error);
    if (error)
        return failure(describe("create", destination, error));
    // Member paths get the destination put in front of them; resolving it first keeps the
    // symbolic-link check below from tripping over links above the destination.
    auto base = fs::canonical(destination, error);
    if (error)
        return failure(describe("resolve", destination, error));

    std::unique_ptr<archive, ArchiveFree> reader(archive_read_new());
    std::unique_ptr<archive, DiskFree> writer(archive_write_disk_new());
    if (!reader || !writer)
        return failure(std::string("archive_new"));
    archive_read_support_format_zip(reader.get());
    // The prefixed paths are absolute by construction, so absolute member names are refused
    // by the check below rather than by ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS.
    archive_write_disk_set_options(writer.get(),
                                   ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT
                                       | ARCHIVE_EXTRACT_TIME);
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), 64 * 1024) != ARCHIVE_OK)
        return failure(archiveError(reader.get(), "archive open"));

    while (true) {
        archive_entry* entry = nullptr;
        int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            return failure(archiveError(reader.get(), "archive read"));

        const char* rawName = archive_entry_pathname(entry);
        std::string name = rawName ? rawName : "";
        if (!isSafeMemberName(name))
            return failure("unsafe archive member name: " + name);
        auto type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry)
            || (type != AE_IFREG && type != AE_IFDIR))
            return failure("archive member is neither a file nor a folder: " + name);

        auto target = base / fs::path(name).relative_path();
        archive_entry_set_pathname(entry, target.c_str());
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
            return failure(archiveError(writer.get(), "archive write " + name));
        // A member's size may be unknown until its data is read, so every file copies.
        if (type == AE_IFREG) {
            if (auto copied = copyData(reader.get(), writer.get()); !copied)
                return copied;
        }
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN)
            return failure(archiveError(writer.get(), "archive write " + name));
    }
    if (archive_write_close(writer.get()) < ARCHIVE_WARN)
        return failure(archiveError(writer.get(), "archive close"));
    return {};
}

EditorCore::Result<void, StoreFailure> unpackAndActivate(std::span<const std::uint8_t> archive,
                                                         const Activation& activation)
{
    const auto staging = activation.stagingParent / newStagingName();
    const auto target = activation.ownFolder / activation.versionFolder;

    auto steps = [&]() -> EditorCore::Result<void, StoreFailure> {
        std::error_code error;
        fs::create_directories(staging, error);
        if (error)
            return failure(StoreFailure::unpack(describe("create", staging, error)));

        const auto bundle = staging / "bundle.zip";
        if (auto written = writeAtomically(
                bundle,
                std::string_view(reinterpret_cast<const char*>(archive.data()), archive.size()));
            !written)
            return failure(StoreFailure::unpack(written.error()));

        const auto out = staging / "out";
        if (auto extracted = extractZip(bundle, out); !extracted)
            return failure(StoreFailure::unpack(extracted.error()));

        for (const auto& required : activation.requiredFiles) {
            auto status = fs::symlink_status(out / required, error);
            if (error || status.type() != fs::file_type::regular)
                return failure(StoreFailure::unpack(required + " 없음"));
        }

        fs::create_directories(activation.ownFolder, error);
        if (error)
            return failure(StoreFailure::unpack(describe("create", activation.ownFolder, error)));
        fs::remove_all(target, error);
        if (error)
            return failure(StoreFailure::unpack(describe("remove", target, error)));
        fs::rename(out, target, error);
        if (error)
            return failure(StoreFailure::unpack(describe("move", target, error)));

        // Older versions go; a failure here only leaves a stale folder behind.
        std::vector<fs::path> stale;
        for (fs::directory_iterator it(activation.ownFolder, error), end; !error && it != end;
             it.increment(error)) {
            auto name = it->path().filename().string();
            if (name != activation.versionFolder && name != "current.json")
                stale.push_back(it->path());
        }
        if (!error) {
            for (const auto& path : stale) {
                std::error_code ignored;
                fs::remove_all(path, ignored);
            }
        }

        if (auto written =
                writeAtomically(activation.ownFolder / "current.json", activation.record);
            !written)
            return failure(StoreFailure::unpack(written.error()));
        return {};
    };

    auto result = steps();
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    return result;
}

std::unique_lock<std::mutex> lockName(const fs::path& root, std::string_view name)
{
    static std::mutex registryMutex;
    static std::map<std::string, std::unique_ptr<std::mutex>> locks;

    std::error_code error;
    auto resolved = fs::weakly_canonical(root, error);
    std::string key = (error ? root.lexically_normal() : resolved).string();
    key += '\0';
    key += name;

    std::mutex* lock = nullptr;
    {
        std::lock_guard guard(registryMutex);
        auto& slot = locks[key];
        if (!slot)
            slot = std::make_unique<std::mutex>();
        lock = slot.get();
    }
    return std::unique_lock(*lock);
}

std::string newStagingName()
{
    initialiseSodium();
    std::uint8_t bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    constexpr char digits[] = "0123456789ABCDEF";
    std::string name = ".staging-";
    for (std::size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            name += '-';
        name += digits[bytes[i] >> 4];
        name += digits[bytes[i] & 0xF];
    }
    return name;
}

EditorCore::Result<void, std::string> writeAtomically(const fs::path& file, std::string_view bytes)
{
    initialiseSodium();
    auto aside = file;
    aside.replace_filename("." + file.filename().string() + ".tmp-"
                           + std::to_string(randombytes_uniform(1u << 30)));
    int descriptor =
        ::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor < 0)
        return failure("write " + aside.string() + ": " + std::strerror(errno));

    auto fail = [&](std::string_view what) {
        std::string text = std::string(what) + " " + file.string() + ": " + std::strerror(errno);
        ::close(descriptor);
        ::unlink(aside.c_str());
        return failure(std::move(text));
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        auto wrote = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return fail("write");
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::fsync(descriptor) != 0)
        return fail("sync");
    if (::close(descriptor) != 0) {
        std::string text = "close " + file.string() + ": " + std::strerror(errno);
        ::unlink(aside.c_str());
        return failure(std::move(text));
    }
    if (::rename(aside.c_str(), file.c_str()) != 0) {
        std::string text = "rename " + file.string() + ": " + std::strerror(errno);
        ::unlink(aside.c_str());
        return failure(std::move(text));
    }
    return {};
}

} // namespace EditorFeatures::ArchiveInstall
