#pragma once

#include "platform/Uuid.h"
#include "store/RequestBox.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The back half of olv: finding the application, handing it files and request URLs, and
// waiting for a request to be done.
namespace Olv {

inline constexpr std::string_view applicationIdentifier = "app.orlune.viewer";
inline constexpr std::string_view applicationBinaryName = "orlune-viewer";
// Beside the application binary: {"identifier":"app.orlune.viewer","shortVersion":"…"}.
inline constexpr std::string_view installationInfoName = "Info.json";

// The folder that holds the application binary: installed, <prefix>/lib/orlune-viewer/ with
// olv beside it; in the build tree, the application's own folder (app/shell/, which gets its
// own Info.json).
struct Installation
{
    std::filesystem::path folder;
    std::filesystem::path application;
};

// Looks beside the resolved path olv was started by (argv[0], through PATH when it has no
// slash) and beside /proc/self/exe; links are resolved, so <prefix>/bin/olv leads to the
// installation. An installation whose info names another identifier is not ours.
std::optional<Installation> findInstallation(std::string_view programPath);
std::optional<Installation> installationBeside(const std::filesystem::path& program);

// The installation's "shortVersion"; "?" when there is none or it says nothing.
std::string appVersion(const std::optional<Installation>& installation);

// Hands the arguments to the running application and returns true when it acknowledged them.
// When nothing listens, starts the installation's application detached (its own session,
// never waited for) with the arguments after "--" on its command line, and returns true once
// it listens. OLV_BACKGROUND (any value) keeps the
// application in the background.
bool openApp(const std::vector<std::string>& arguments,
             const std::optional<Installation>& installation);

// The request URL handed to the application after the request file is written.
std::string requestUrl(const Platform::Uuid& id);

// Whether a process is there and has not ended: a zombie has quit.
bool processIsRunning(pid_t processId);

enum class WaitOutcome {
    done,        // <id>.done, empty
    failed,      // <id>.done says the application could not open a file
    appQuit,     // the acknowledging process is gone
    notAccepted, // no acknowledgement within the limit
};

struct WaitTiming
{
    std::chrono::milliseconds step{200};
    std::chrono::milliseconds acknowledgementLimit{30000};
};

// Polls the mailbox until the request is answered. The application's done signal on the
// session bus says nothing the done file does not, so olv needs no bus and only polls. Removes
// <id>.done and <id>.ack when done or failed, <id>.ack when the application quit; never the
// request's own files.
WaitOutcome waitForRequest(const EditorStore::RequestBox& box,
                           const Platform::Uuid& id,
                           WaitTiming timing = {});

} // namespace Olv
