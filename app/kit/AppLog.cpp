#include "app/kit/AppLog.h"

#include "app/kit/AppVersion.h"

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

namespace AppLog {
namespace {

std::optional<std::string> buildText(const char* text)
{
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    return std::string(text);
}

std::string withVersion(std::string line, std::string_view version)
{
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    line += " app=";
    line += version;
    line += '\n';
    return line;
}

std::string demangled(const char* name)
{
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || readable == nullptr)
        return name;
    std::string text(readable);
    std::free(readable);
    return text;
}

[[noreturn]] void terminateWithLog()
{
    std::string name = "unknown";
    if (auto exception = std::current_exception()) {
        try {
            std::rethrow_exception(exception);
        } catch (const std::exception& caught) {
            name = demangled(typeid(caught).name());
        } catch (...) {
            if (auto* type = abi::__cxa_current_exception_type())
                name = demangled(type->name());
        }
    } else {
        name = "std::terminate";
    }
    logUncaughtException(name);
    std::abort();
}

} // namespace

Writer::Writer(EditorStore::ErrorLog log, std::string version, Clock clock)
    : m_log(std::move(log))
    , m_version(std::move(version))
    , m_clock(clock ? std::move(clock) : [] { return std::chrono::system_clock::now(); })
    , m_queue(std::make_unique<Platform::SerialQueue>("app.orlune.viewer.errorlog"))
{}

std::string Writer::line(EditorStore::ErrorLog::Level level,
                         std::string_view eventKey,
                         const EditorStore::ErrorLog::Fields& fields) const
{
    return withVersion(EditorStore::ErrorLog::formatLine(level, eventKey, fields, m_clock()),
                       m_version);
}

void Writer::record(EditorStore::ErrorLog::Level level,
                    std::string_view eventKey,
                    const EditorStore::ErrorLog::Fields& fields)
{
    m_queue->async([log = m_log, text = line(level, eventKey, fields)] { log.append(text); });
}

void Writer::waitUntilWritten()
{
    m_queue->waitUntilIdle();
}

Writer& shared()
{
    // Never destroyed: records may come from other threads while the process exits.
    static Writer* writer = new Writer(EditorStore::ErrorLog(), appVersion());
    return *writer;
}

void record(EditorStore::ErrorLog::Level level,
            std::string_view eventKey,
            const EditorStore::ErrorLog::Fields& fields)
{
    shared().record(level, eventKey, fields);
}

void waitUntilWritten()
{
    shared().waitUntilWritten();
}

std::string versionText(const std::optional<std::string>& shortVersion,
                        const std::optional<std::string>& build)
{
    return shortVersion.value_or("?") + "(" + build.value_or("?") + ")";
}

const std::string& appVersion()
{
    static const std::string version =
        versionText(buildText(OLV_SHORT_VERSION), buildText(OLV_BUILD_NUMBER));
    return version;
}

std::string describe(const EditorCore::DocumentError& error)
{
    if (const auto* unencodable =
            std::get_if<EditorCore::DocumentError::Unencodable>(&error.payload))
        return "unencodable(" + std::string(EditorCore::rawValue(unencodable->encoding)) + ","
               + std::to_string(unencodable->characters.size()) + ")";
    if (const auto* rewritten =
            std::get_if<EditorCore::DocumentError::FormsRewritten>(&error.payload))
        return "formsRewritten(" + std::string(EditorCore::rawValue(rewritten->encoding)) + ","
               + std::to_string(rewritten->characters.size()) + ")";
    return "binary";
}

std::string describe(const EditorCore::TextCodecError& error)
{
    return "EditorCore.TextCodecError(" + std::to_string(error.reason.index()) + ")";
}

std::string describe(const std::error_code& error)
{
    return std::string(error.category().name()) + "(" + std::to_string(error.value()) + ")";
}

void logUncaughtException(std::string_view name)
{
    EditorStore::ErrorLog::Fields fields = {{"name", std::string(name)}};
    auto line = EditorStore::ErrorLog::formatLine(EditorStore::ErrorLog::Level::error,
                                                  "crash.exception",
                                                  fields,
                                                  std::chrono::system_clock::now());
    EditorStore::ErrorLog().append(withVersion(std::move(line), appVersion()));
}

void installUncaughtExceptionHandler()
{
    std::set_terminate(terminateWithLog);
}

} // namespace AppLog
