#pragma once

#include "core/Result.h"
#include "platform/Uuid.h"
#include "store/CommandRequest.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

namespace EditorStore {

// How the application ended a waited request, as told by <id>.done.
enum class RequestOutcome { succeeded, failed };

// The request mailbox: <id>.json, <id>.stdin, <id>.ack and <id>.done in one folder shared by
// the application, olv and the file-manager extension. Nothing is cached; every operation
// goes to the file system on the caller's thread. Every file is written atomically.
class RequestBox
{
public:
    // How far a request's date may lie from the present, before or after.
    static constexpr std::chrono::seconds freshness{120};
    // Older entries are removed by the sweep.
    static constexpr std::chrono::seconds sweepAge{3600};
    // The session-bus signal that tells a waiting olv its request is done.
    static constexpr std::string_view doneNotification = "app.orlune.viewer.request.done";

    // <app group container>/Requests.
    static std::filesystem::path defaultDirectory();

    RequestBox();
    explicit RequestBox(std::filesystem::path directory);

    const std::filesystem::path& directory() const { return m_directory; }

    // The application's side.

    // The request of <id>.json when it decodes, has schema version 1, carries this identifier
    // and is dated within `freshness` of `now`; else none, whatever the reason.
    std::optional<CommandRequest> read(const Platform::Uuid& id,
                                       std::chrono::system_clock::time_point now) const;
    // A running application takes only fresh requests. At its start it also takes what the
    // file manager left while it could not be started ("openFiles", "newFile"), up to
    // `sweepAge` old; the command-line program's requests stay as fresh as ever.
    enum class Taking { running, atLaunch };
    std::optional<CommandRequest> read(const Platform::Uuid& id,
                                       std::chrono::system_clock::time_point now,
                                       Taking taking) const;
    // The identifiers of the requests waiting in the folder (the <id>.json files under the
    // names the senders write), oldest file first.
    std::vector<Platform::Uuid> waiting() const;
    std::optional<std::vector<std::uint8_t>> readStdin(const Platform::Uuid& id) const;
    // <id>.ack: the decimal process identifier, no line end. Failures are ignored.
    void writeAck(const Platform::Uuid& id, std::int32_t processId) const;
    // <id>.done: empty for success, the text "failed" otherwise. Failures are ignored.
    void writeDone(const Platform::Uuid& id,
                   RequestOutcome outcome = RequestOutcome::succeeded) const;
    // Removes <id>.json, then <id>.stdin; missing files are fine.
    void remove(const Platform::Uuid& id) const;
    // Removes every entry (any name, hidden ones and folders included) last modified more than
    // `sweepAge` before `now`, or whose date cannot be read.
    void sweep(std::chrono::system_clock::time_point now) const;

    // The senders' side (olv, the file-manager extension).

    // Creates the folder (mode 0700) when needed, writes <id>.stdin when bytes are given, then
    // <id>.json.
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    write(const CommandRequest& request,
          std::optional<std::span<const std::uint8_t>> stdinBytes = std::nullopt) const;
    // The process identifier of <id>.ack, once the whole file parses as a 32-bit integer.
    std::optional<std::int32_t> readAck(const Platform::Uuid& id) const;
    // None while <id>.done does not exist; "failed" means failed, any other content success.
    std::optional<RequestOutcome> readDone(const Platform::Uuid& id) const;
    // Removes <id>.done and <id>.ack once the sender is done waiting.
    void removeAnswers(const Platform::Uuid& id) const;

private:
    std::filesystem::path file(const Platform::Uuid& id, std::string_view extension) const;

    std::filesystem::path m_directory;
};

} // namespace EditorStore
