#include "app/documents/RecoveryCopies.h"

#include "platform/Base64.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/InternetDate.h"
#include "platform/Json.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorDocuments::RecoveryCopies {

namespace {

using Platform::lastError;

constexpr std::string_view extension = ".recovery";
constexpr std::int64_t schemaVersion = 1;
// A header longer than this is not ours.
constexpr std::size_t headerLimit = 65536;

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A path that is not UTF-8 travels as Base64 of its bytes.
nlohmann::json
header(const std::filesystem::path& origin, std::chrono::sys_seconds savedAt, std::size_t size)
{
    nlohmann::json json = {{"savedAt", Platform::InternetDate::format(savedAt)},
                           {"schemaVersion", schemaVersion},
                           {"size", size}};
    const auto& raw = origin.native();
    json["origin"] = raw;
    if (!Platform::writeJson(json, Platform::JsonStyle::compact)) {
        json.erase("origin");
        json["originBase64"] = Platform::Base64::encode(bytesOf(raw));
    }
    return json;
}

std::optional<Copy> readHeader(const std::filesystem::path& file, const Platform::Uuid& id)
{
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info = {};
    std::string text(4096, '\0');
    std::string head;
    std::size_t lineEnd = std::string::npos;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        while (head.size() < headerLimit) {
            ssize_t got = ::read(fd, text.data(), text.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            head.append(text.data(), static_cast<std::size_t>(got));
            lineEnd = head.find('\n');
            if (lineEnd != std::string::npos)
                break;
        }
    }
    ::close(fd);
    if (lineEnd == std::string::npos)
        return std::nullopt;
    auto json = Platform::parseJson(std::string_view(head).substr(0, lineEnd));
    if (!json || !json->is_object())
        return std::nullopt;

    Copy copy;
    copy.id = id;
    copy.file = file;
    copy.contentOffset = lineEnd + 1;
    const auto size = json->find("size");
    const auto savedAt = json->find("savedAt");
    if (size == json->end() || !size->is_number_unsigned() || savedAt == json->end()
        || !savedAt->is_string())
        return std::nullopt;
    copy.size = size->get<std::uint64_t>();
    auto time = Platform::InternetDate::parse(savedAt->get<std::string>());
    if (!time)
        return std::nullopt;
    copy.savedAt = *time;
    if (auto origin = json->find("origin"); origin != json->end() && origin->is_string()) {
        copy.origin = origin->get<std::string>();
    } else if (auto coded = json->find("originBase64");
               coded != json->end() && coded->is_string()) {
        auto raw = Platform::Base64::decode(coded->get<std::string>());
        if (!raw)
            return std::nullopt;
        copy.origin = std::string(raw->begin(), raw->end());
    } else {
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(info.st_size) != copy.contentOffset + copy.size)
        return std::nullopt;
    return copy;
}

} // namespace

std::filesystem::path defaultFolder()
{
    return Platform::Folders::applicationSupport() / "Recovery";
}

namespace {

// Bytes known beforehand get their header exactly; content made while it is written gets a
// header as wide as the largest size would make it, filled in at the end.
EditorCore::Result<Copy, std::error_code> keepContent(const std::filesystem::path& folder,
                                                      const std::filesystem::path& origin,
                                                      std::optional<std::uint64_t> knownSize,
                                                      const SaveContent& content,
                                                      const SaveCalls& calls,
                                                      std::chrono::system_clock::time_point now)
{
    if (auto made = Platform::createFolders(folder, 0700); !made)
        return EditorCore::failure(made.error());
    TemporaryFile::removeStraysInFolder(folder);

    Copy copy;
    copy.id = Platform::Uuid::random();
    copy.file = folder / (copy.id.text() + std::string(extension));
    copy.origin = origin;
    copy.savedAt = std::chrono::floor<std::chrono::seconds>(now);
    auto headerLine = [&](std::uint64_t size) -> std::optional<std::string> {
        auto line =
            Platform::writeJson(header(origin, copy.savedAt, size), Platform::JsonStyle::compact);
        if (!line)
            return std::nullopt;
        return std::move(*line);
    };
    auto line = headerLine(knownSize.value_or(std::numeric_limits<std::uint64_t>::max()));
    if (!line)
        return EditorCore::failure(std::make_error_code(std::errc::invalid_argument));
    const std::size_t headerWidth = line->size();
    *line += '\n';
    copy.contentOffset = line->size();

    auto file = TemporaryFile::create(copy.file, calls, 0600);
    if (!file)
        return EditorCore::failure(file.error());
    if (!Platform::writeAll(file->fd(), *line))
        return EditorCore::failure(lastError());
    auto written = writeContent(file->fd(), content);
    if (!written)
        return EditorCore::failure(written.error());
    copy.size = *written;
    if (!knownSize) {
        auto exact = headerLine(copy.size);
        if (!exact || exact->size() > headerWidth)
            return EditorCore::failure(std::make_error_code(std::errc::invalid_argument));
        exact->append(headerWidth - exact->size(), ' ');
        if (::pwrite(file->fd(), exact->data(), exact->size(), 0)
            != static_cast<ssize_t>(exact->size()))
            return EditorCore::failure(lastError());
    }
    if (auto committed = file->commit(); !committed) {
        // Even a copy that reached its name is no use when it may not be on disk.
        if (Platform::isUnfinishedWrite(committed.error(), Platform::UnfinishedWrite::renamed))
            ::unlink(copy.file.c_str());
        return EditorCore::failure(
            std::error_code(committed.error().value(), std::generic_category()));
    }
    // Every earlier copy of this file is older than what is about to be written.
    for (const auto& older : list(folder)) {
        if (older.origin == origin && older.id != copy.id)
            remove(older);
    }
    return copy;
}

} // namespace

EditorCore::Result<Copy, std::error_code> keep(const std::filesystem::path& folder,
                                               const std::filesystem::path& origin,
                                               std::span<const std::uint8_t> bytes,
                                               const SaveCalls& calls,
                                               std::chrono::system_clock::time_point now)
{
    return keepContent(folder, origin, bytes.size(), contentOf(bytes), calls, now);
}

EditorCore::Result<Copy, std::error_code> keepFrom(const std::filesystem::path& folder,
                                                   const std::filesystem::path& origin,
                                                   const SaveContent& content,
                                                   const SaveCalls& calls,
                                                   std::chrono::system_clock::time_point now)
{
    return keepContent(folder, origin, std::nullopt, content, calls, now);
}

void remove(const Copy& copy)
{
    ::unlink(copy.file.c_str());
}

std::vector<Copy> list(const std::filesystem::path& folder)
{
    std::vector<Copy> copies;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const auto name = it->path().filename().string();
        if (name.size() <= extension.size()
            || name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
            continue;
        auto id =
            Platform::Uuid::parse(std::string_view(name).substr(0, name.size() - extension.size()));
        if (!id)
            continue;
        if (auto copy = readHeader(it->path(), *id))
            copies.push_back(std::move(*copy));
    }
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        return a.savedAt != b.savedAt ? a.savedAt < b.savedAt : a.id < b.id;
    });
    return copies;
}

EditorCore::Result<std::vector<std::uint8_t>, std::error_code> content(const Copy& copy)
{
    auto bytes = Platform::readWholeFile(copy.file);
    if (!bytes)
        return EditorCore::failure(bytes.error());
    if (bytes->size() != copy.contentOffset + copy.size)
        return EditorCore::failure(std::make_error_code(std::errc::io_error));
    bytes->erase(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(copy.contentOffset));
    return bytes;
}

bool isFinished(const Copy& copy)
{
    struct stat info = {};
    if (::stat(copy.origin.c_str(), &info) != 0
        || static_cast<std::uint64_t>(info.st_size) != copy.size)
        return false;
    auto original = Platform::readWholeFile(copy.origin);
    auto saved = content(copy);
    return original && saved && *original == *saved;
}

std::vector<Copy> review(const std::filesystem::path& folder)
{
    auto copies = list(folder);
    std::vector<Copy> kept;
    // Newest first, so the first copy of a file seen is the one that stays.
    for (auto copy = copies.rbegin(); copy != copies.rend(); ++copy) {
        const bool superseded = std::any_of(
            kept.begin(), kept.end(), [&](const Copy& k) { return k.origin == copy->origin; });
        if (superseded || isFinished(*copy))
            remove(*copy);
        else
            kept.push_back(*copy);
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

std::optional<Copy> pendingFor(const std::filesystem::path& folder,
                               const std::filesystem::path& origin)
{
    auto copies = list(folder);
    for (auto copy = copies.rbegin(); copy != copies.rend(); ++copy) {
        if (copy->origin != origin)
            continue;
        if (isFinished(*copy)) {
            remove(*copy);
            return std::nullopt;
        }
        return *copy;
    }
    return std::nullopt;
}

} // namespace EditorDocuments::RecoveryCopies
