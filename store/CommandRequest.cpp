#include "store/CommandRequest.h"

#include "platform/InternetDate.h"
#include "store/StoredValues.h"

#include <array>

namespace EditorStore {
namespace {

constexpr std::array<std::string_view, 4> kindRawValues = {"open", "stdin", "openFiles", "newFile"};

// Absent and null both mean none; any other non-integer fails the whole request.
bool optionalInteger(const nlohmann::json& object,
                     const char* key,
                     std::optional<std::int64_t>& out)
{
    auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return true;
    out = jsonInteger(*found);
    return out.has_value();
}

} // namespace

CommandRequest::CommandRequest(Platform::Uuid id_,
                               Kind kind_,
                               std::vector<std::string> paths_,
                               std::optional<std::int64_t> line_,
                               std::optional<std::int64_t> column_,
                               bool wait_,
                               std::chrono::sys_seconds createdAt_)
    : id(id_)
    , kind(kind_)
    , paths(std::move(paths_))
    , line(line_)
    , column(column_)
    , wait(wait_)
    , createdAt(createdAt_)
{}

EditorCore::Result<std::string, Platform::JsonWriteError> CommandRequest::encode() const
{
    nlohmann::json object = nlohmann::json::object();
    object["schemaVersion"] = schemaVersion;
    object["id"] = id.text();
    object["kind"] = std::string(rawValue(kind));
    object["paths"] = paths;
    if (line)
        object["line"] = *line;
    if (column)
        object["column"] = *column;
    object["wait"] = wait;
    object["createdAt"] = Platform::InternetDate::format(createdAt);
    return Platform::writeJson(object, Platform::JsonStyle::compact);
}

std::optional<CommandRequest> CommandRequest::decode(std::string_view json)
{
    auto parsed = Platform::parseJson(json);
    if (!parsed || !parsed->is_object())
        return std::nullopt;
    const auto& object = *parsed;
    auto member = [&](const char* key) -> const nlohmann::json* {
        auto found = object.find(key);
        return found == object.end() ? nullptr : &*found;
    };

    CommandRequest request;
    const auto* version = member("schemaVersion");
    if (!version)
        return std::nullopt;
    auto versionNumber = jsonInteger(*version);
    if (!versionNumber)
        return std::nullopt;
    request.schemaVersion = *versionNumber;

    const auto* id = member("id");
    if (!id || !id->is_string())
        return std::nullopt;
    auto uuid = Platform::Uuid::parse(id->get_ref<const std::string&>());
    if (!uuid)
        return std::nullopt;
    request.id = *uuid;

    const auto* kind = member("kind");
    if (!kind || !kind->is_string())
        return std::nullopt;
    auto kindValue = commandRequestKindFromRawValue(kind->get_ref<const std::string&>());
    if (!kindValue)
        return std::nullopt;
    request.kind = *kindValue;

    const auto* paths = member("paths");
    if (!paths || !paths->is_array())
        return std::nullopt;
    for (const auto& path : *paths) {
        if (!path.is_string())
            return std::nullopt;
        request.paths.push_back(path.get_ref<const std::string&>());
    }

    if (!optionalInteger(object, "line", request.line)
        || !optionalInteger(object, "column", request.column))
        return std::nullopt;

    const auto* wait = member("wait");
    if (!wait || !wait->is_boolean())
        return std::nullopt;
    request.wait = wait->get_ref<const bool&>();

    const auto* createdAt = member("createdAt");
    if (!createdAt || !createdAt->is_string())
        return std::nullopt;
    auto date = Platform::InternetDate::parse(createdAt->get_ref<const std::string&>());
    if (!date)
        return std::nullopt;
    request.createdAt = *date;
    return request;
}

std::string_view rawValue(CommandRequest::Kind kind)
{
    return kindRawValues[static_cast<std::size_t>(kind)];
}

std::optional<CommandRequest::Kind> commandRequestKindFromRawValue(std::string_view raw)
{
    for (std::size_t i = 0; i < kindRawValues.size(); ++i) {
        if (kindRawValues[i] == raw)
            return static_cast<CommandRequest::Kind>(i);
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, CommandRequest::Kind kind)
{
    return out << rawValue(kind);
}

std::ostream& operator<<(std::ostream& out, const CommandRequest& request)
{
    auto text = request.encode();
    return out << (text ? *text : std::string("<unencodable request>"));
}

} // namespace EditorStore
