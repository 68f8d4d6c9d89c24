#pragma once

#include "core/DocumentError.h"
#include "core/TextCodec.h"
#include "platform/SerialQueue.h"
#include "store/ErrorLog.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// The application's one entry for recording an event in the event log.
namespace AppLog {

// Formats on the caller's thread and appends on a serial queue, so lines reach the log in
// the order of the calls while the caller never waits for the disk.
class Writer
{
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    Writer(EditorStore::ErrorLog log, std::string version, Clock clock = {});

    void record(EditorStore::ErrorLog::Level level,
                std::string_view eventKey,
                const EditorStore::ErrorLog::Fields& fields = {});

    // The line record() appends: the event log's line with " app=<version>" at its end.
    std::string line(EditorStore::ErrorLog::Level level,
                     std::string_view eventKey,
                     const EditorStore::ErrorLog::Fields& fields) const;

    // Blocks until every line recorded before the call is on disk.
    void waitUntilWritten();

    const EditorStore::ErrorLog& log() const { return m_log; }

private:
    EditorStore::ErrorLog m_log;
    std::string m_version;
    Clock m_clock;
    std::unique_ptr<Platform::SerialQueue> m_queue;
};

// The shared writer over the default event log, labelled "app.orlune.viewer.errorlog".
Writer& shared();

void record(EditorStore::ErrorLog::Level level,
            std::string_view eventKey,
            const EditorStore::ErrorLog::Fields& fields = {});

// Blocks until every line recorded so far is on disk; the program entry calls it before the
// process exits, since the queue's thread does not outlive the process.
void waitUntilWritten();

// "<short version>(<build>)", "?" for a part the build did not give, as 0.8.2(19) or ?(?).
std::string versionText(const std::optional<std::string>& shortVersion,
                        const std::optional<std::string>& build);
// This build's version text.
const std::string& appVersion();

// Short texts of errors for a log field.
std::string describe(const EditorCore::DocumentError& error); // binary, unencodable(euc-kr,3)
std::string describe(const std::error_code& error);           // <category>(<value>)
// The codec's error goes by the rule for other errors, its domain and case number:
// EditorCore.TextCodecError(0) for notDecodable, (1) for unencodable.
std::string describe(const EditorCore::TextCodecError& error);

// Writes "crash.exception" with the field name straight to the default event log, on the
// calling thread, so the line is on disk before the process ends.
void logUncaughtException(std::string_view name);

// Makes an exception that nothing caught end in logUncaughtException before the process
// aborts. Call once, first thing in main().
void installUncaughtExceptionHandler();

} // namespace AppLog
