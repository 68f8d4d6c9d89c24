#pragma once

#include "core/Result.h"
#include "platform/Json.h"
#include "platform/Uuid.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace EditorStore {

// One request of olv or the file-manager extension to the application, as stored in the
// mailbox file <id>.json.
struct CommandRequest
{
    enum class Kind { open, stdin, openFiles, newFile };

    static constexpr std::int64_t currentSchemaVersion = 1;

    std::int64_t schemaVersion = currentSchemaVersion;
    Platform::Uuid id;
    Kind kind = Kind::open;
    std::vector<std::string> paths;     // file-system paths, in the sender's order
    std::optional<std::int64_t> line;   // 1-based
    std::optional<std::int64_t> column; // 1-based, only meaningful with `line`
    bool wait = false;
    std::chrono::sys_seconds createdAt{};

    CommandRequest() = default;
    CommandRequest(Platform::Uuid id,
                   Kind kind,
                   std::vector<std::string> paths,
                   std::optional<std::int64_t> line,
                   std::optional<std::int64_t> column,
                   bool wait,
                   std::chrono::sys_seconds createdAt);

    // Compact JSON, keys sorted, slashes escaped; "line" and "column" only when present.
    // Fails only for a path that is not UTF-8.
    [[nodiscard]] EditorCore::Result<std::string, Platform::JsonWriteError> encode() const;

    // Every required key with its JSON type, an "id" that parses as a UUID, a known kind and a
    // date without fractional seconds; other keys are ignored. The schema version is not
    // checked here.
    static std::optional<CommandRequest> decode(std::string_view json);

    bool operator==(const CommandRequest&) const = default;
};

std::string_view rawValue(CommandRequest::Kind);
std::optional<CommandRequest::Kind> commandRequestKindFromRawValue(std::string_view);
std::ostream& operator<<(std::ostream&, CommandRequest::Kind);
std::ostream& operator<<(std::ostream&, const CommandRequest&);

} // namespace EditorStore
