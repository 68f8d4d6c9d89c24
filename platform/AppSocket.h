#pragma once

#include "core/Result.h"
#include "platform/Json.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The local socket of the single running application. Other programs (olv, a second start of
// the application, the file-manager extension) hand it files and request URLs here.
//
// Protocol, one connection per hand-over:
// 1. The client connects to the stream socket `path()` and writes one message: a compact JSON
//    object in UTF-8 followed by one line feed, at most `maximumMessageLength` bytes in all:
//        {"activate":true,"arguments":["/home/me/notes.txt","orlune-viewer://request?id=…"]}
//    "arguments": absolute file paths and request URLs, in the order they are to be handled.
//    "activate": false when the application is to stay in the background.
//    Unknown keys are ignored; a message without both keys is refused.
// 2. When the application has taken the arguments over (the files are opening, the request
//    URL has been read), it writes `acknowledgement` ("ok" and a line feed) and closes the
//    connection. Closing without it, or any other reply, refuses the hand-over.
namespace Platform::AppSocket {

inline constexpr std::string_view socketName = "orlune-viewer.sock";
inline constexpr std::string_view acknowledgement = "ok\n";
inline constexpr std::size_t maximumMessageLength = 16 * 1024 * 1024;

// $XDG_RUNTIME_DIR/orlune-viewer.sock, or `containerFolder`/orlune-viewer.sock when the
// variable is unset, empty or not absolute.
std::filesystem::path path(const std::filesystem::path& containerFolder);

struct HandOver
{
    std::vector<std::string> arguments;
    bool activate = true;

    bool operator==(const HandOver&) const = default;
};

// The message with its line feed. Fails only for an argument that is not UTF-8.
[[nodiscard]] EditorCore::Result<std::string, JsonWriteError> encode(const HandOver& handOver);
// One message, with or without its line feed.
std::optional<HandOver> decode(std::string_view message);

enum class HandOverError {
    noListener,      // no socket file, or nobody accepts on it
    notAcknowledged, // connected, but the application did not say "ok" in time
    unwritable,      // the message could not be made or sent
};

// Connects, sends the message and waits up to `timeout` for the acknowledgement.
[[nodiscard]] EditorCore::Result<void, HandOverError>
handOver(const std::filesystem::path& socketPath,
         const HandOver& handOver,
         std::chrono::milliseconds timeout);

// A connected or listening stream socket (close-on-exec). Paths longer than a socket address
// holds are reached through their folder, so any path works.
[[nodiscard]] EditorCore::Result<int, std::error_code> connect(const std::filesystem::path& path);
// Binds and listens; an existing file at `path` makes it fail (address in use): whoever
// listens decides, under its own lock, when a left-over socket file may go.
[[nodiscard]] EditorCore::Result<int, std::error_code> listen(const std::filesystem::path& path);

// Starts `application` with `arguments`, detached: in a session of its own, reaped by init
// (never the caller's zombie), standard streams on /dev/null. False when it could not be run.
bool startDetached(const std::filesystem::path& application,
                   const std::vector<std::string>& arguments = {});

struct Launch
{
    // Starts the application when nothing listens; false when it could not be started.
    std::function<bool()> start;
    // The start hands the message's arguments over on the application's command line, so once
    // something listens the hand-over is done and is not sent again.
    bool startCarriesMessage = false;
    // How long a listening application may take to acknowledge.
    std::chrono::milliseconds acknowledgementTimeout{30000};
    // How long a started application may take to listen.
    std::chrono::milliseconds startTimeout{30000};
    std::chrono::milliseconds pollInterval{50};
};

enum class LaunchError {
    notAcknowledged, // something listens but did not take the message
    couldNotStart,
    neverListened, // started, but not listening within the start timeout
    unwritable,    // the message could not be made or sent
};

// Hands the message over; when nobody listens, starts the application and hands it over as
// soon as it listens. Blocks the calling thread until then.
[[nodiscard]] EditorCore::Result<void, LaunchError> handOverLaunching(
    const std::filesystem::path& socketPath, const HandOver& handOver, const Launch& launch);

} // namespace Platform::AppSocket
