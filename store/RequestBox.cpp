#include "store/RequestBox.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "store/AppGroup.h"

#include <algorithm>
#include <charconv>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorStore {
namespace {

constexpr mode_t privateFile = 0600;
constexpr mode_t privateFolder = 0700;

// |now - createdAt| <= freshness, exactly. Worked in whole seconds: a date far from the
// present (a request may say year 9999) would overflow the clock's nanoseconds.
bool isWithinFreshness(std::chrono::sys_seconds createdAt,
                       std::chrono::system_clock::time_point now)
{
    auto nowSeconds = std::chrono::floor<std::chrono::seconds>(now);
    bool hasFraction = nowSeconds != now;
    auto distance = nowSeconds - createdAt; // now - createdAt, less the fraction
    if (distance < -RequestBox::freshness)
        return false;
    return distance < RequestBox::freshness || (distance == RequestBox::freshness && !hasFraction);
}

// now - modified > sweepAge, exactly, for any date a file system can hold.
bool isOlderThanSweepAge(const timespec& modified, std::chrono::system_clock::time_point now)
{
    using Nanoseconds = __int128;
    constexpr Nanoseconds perSecond = 1000000000;
    auto nowSeconds = std::chrono::floor<std::chrono::seconds>(now);
    Nanoseconds present =
        Nanoseconds(nowSeconds.time_since_epoch().count()) * perSecond
        + std::chrono::duration_cast<std::chrono::nanoseconds>(now - nowSeconds).count();
    Nanoseconds then = Nanoseconds(modified.tv_sec) * perSecond + modified.tv_nsec;
    return present - then > Nanoseconds(RequestBox::sweepAge.count()) * perSecond;
}

} // namespace

std::filesystem::path RequestBox::defaultDirectory()
{
    return Platform::Folders::appGroupContainer(appGroupIdentifier) / "Requests";
}

RequestBox::RequestBox()
    : m_directory(defaultDirectory())
{}

RequestBox::RequestBox(std::filesystem::path directory)
    : m_directory(std::move(directory))
{}

std::filesystem::path RequestBox::file(const Platform::Uuid& id, std::string_view extension) const
{
    return m_directory / (id.text() + std::string(extension));
}

std::optional<CommandRequest> RequestBox::read(const Platform::Uuid& id,
                                               std::chrono::system_clock::time_point now) const
{
    return read(id, now, Taking::running);
}

std::optional<CommandRequest> RequestBox::read(const Platform::Uuid& id,
                                               std::chrono::system_clock::time_point now,
                                               Taking taking) const
{
    auto bytes = Platform::readWholeFile(file(id, ".json"));
    if (!bytes)
        return std::nullopt;
    auto request = CommandRequest::decode(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!request)
        return std::nullopt;
    if (request->schemaVersion != CommandRequest::currentSchemaVersion)
        return std::nullopt;
    if (request->id != id)
        return std::nullopt;
    if (isWithinFreshness(request->createdAt, now))
        return request;
    // What the file manager left while the application could not be started is taken at its
    // start, up to the age at which the sweep would remove it. Never a request dated ahead.
    const bool leftByFileManager = request->kind == CommandRequest::Kind::openFiles
                                   || request->kind == CommandRequest::Kind::newFile;
    if (taking == Taking::atLaunch && leftByFileManager) {
        auto age = std::chrono::floor<std::chrono::seconds>(now) - request->createdAt;
        if (age >= std::chrono::seconds(0) && age < sweepAge)
            return request;
    }
    return std::nullopt;
}

std::vector<Platform::Uuid> RequestBox::waiting() const
{
    struct Entry
    {
        Platform::Uuid id;
        std::filesystem::file_time_type modified;
    };
    std::vector<Entry> entries;
    std::error_code error;
    std::filesystem::directory_iterator listing(m_directory, error);
    if (error)
        return {};
    for (auto end = std::filesystem::directory_iterator(); listing != end;
         listing.increment(error)) {
        const auto& path = listing->path();
        if (path.extension() != ".json")
            continue;
        auto id = Platform::Uuid::parse(path.stem().string());
        // Only the names a sender writes: a stray file is no request.
        if (!id || id->text() != path.stem().string())
            continue;
        std::error_code dateError;
        auto modified = std::filesystem::last_write_time(path, dateError);
        entries.push_back({*id, dateError ? std::filesystem::file_time_type::min() : modified});
        if (error)
            break;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.modified != b.modified ? a.modified < b.modified : a.id < b.id;
    });
    std::vector<Platform::Uuid> ids;
    for (const auto& entry : entries)
        ids.push_back(entry.id);
    return ids;
}

std::optional<std::vector<std::uint8_t>> RequestBox::readStdin(const Platform::Uuid& id) const
{
    auto bytes = Platform::readWholeFile(file(id, ".stdin"));
    if (!bytes)
        return std::nullopt;
    return std::move(*bytes);
}

void RequestBox::writeAck(const Platform::Uuid& id, std::int32_t processId) const
{
    (void)Platform::writeAtomically(file(id, ".ack"), std::to_string(processId), privateFile);
}

void RequestBox::writeDone(const Platform::Uuid& id, RequestOutcome outcome) const
{
    std::string_view content = outcome == RequestOutcome::failed ? "failed" : "";
    (void)Platform::writeAtomically(file(id, ".done"), content, privateFile);
}

void RequestBox::remove(const Platform::Uuid& id) const
{
    ::unlink(file(id, ".json").c_str());
    ::unlink(file(id, ".stdin").c_str());
}

void RequestBox::sweep(std::chrono::system_clock::time_point now) const
{
    std::error_code error;
    std::filesystem::directory_iterator entries(m_directory, error);
    if (error)
        return;
    for (auto end = std::filesystem::directory_iterator(); entries != end;
         entries.increment(error)) {
        auto path = entries->path();
        struct stat info = {};
        bool stale = true; // no readable date: infinitely old
        if (::lstat(path.c_str(), &info) == 0)
            stale = isOlderThanSweepAge(info.st_mtim, now);
        if (stale) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        if (error)
            break;
    }
}

EditorCore::Result<void, std::error_code>
RequestBox::write(const CommandRequest& request,
                  std::optional<std::span<const std::uint8_t>> stdinBytes) const
{
    auto json = request.encode();
    if (!json)
        return EditorCore::failure(std::make_error_code(std::errc::illegal_byte_sequence));
    if (auto made = Platform::createFolders(m_directory, privateFolder); !made)
        return made;
    if (stdinBytes) {
        if (auto written =
                Platform::writeAtomically(file(request.id, ".stdin"), *stdinBytes, privateFile);
            !written)
            return written;
    }
    return Platform::writeAtomically(file(request.id, ".json"), *json, privateFile);
}

std::optional<std::int32_t> RequestBox::readAck(const Platform::Uuid& id) const
{
    auto bytes = Platform::readWholeFile(file(id, ".ack"));
    if (!bytes || bytes->empty())
        return std::nullopt;
    const char* begin = reinterpret_cast<const char*>(bytes->data());
    const char* end = begin + bytes->size();
    std::int32_t processId = 0;
    auto [stop, error] = std::from_chars(begin, end, processId);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return processId;
}

std::optional<RequestOutcome> RequestBox::readDone(const Platform::Uuid& id) const
{
    auto path = file(id, ".done");
    auto bytes = Platform::readWholeFile(path);
    if (!bytes) {
        // A done file that exists but cannot be read still says the request is over.
        struct stat info = {};
        if (::lstat(path.c_str(), &info) == 0)
            return RequestOutcome::succeeded;
        return std::nullopt;
    }
    std::string_view content(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return content == "failed" ? RequestOutcome::failed : RequestOutcome::succeeded;
}

void RequestBox::removeAnswers(const Platform::Uuid& id) const
{
    ::unlink(file(id, ".done").c_str());
    ::unlink(file(id, ".ack").c_str());
}

} // namespace EditorStore
