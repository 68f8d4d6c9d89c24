#include "features/ArchiveInstall.h"

#include "platform/Files.h"
#include "platform/Uuid.h"

#include <archive.h>
#include <archive_entry.h>
#include <map>
#include <memory>

namespace EditorFeatures::ArchiveInstall {
namespace fs = std::filesystem;
using EditorCore::failure;

namespace {

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
        if (auto written = Platform::writeAtomically(bundle, archive, 0644); !written)
            return failure(StoreFailure::unpack(describe("write", bundle, written.error())));

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

        const auto record = activation.ownFolder / "current.json";
        if (auto written = Platform::writeAtomically(record, activation.record, 0644); !written)
            return failure(StoreFailure::unpack(describe("write", record, written.error())));
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
    return ".staging-" + Platform::Uuid::random().text();
}

} // namespace EditorFeatures::ArchiveInstall
