#include "features/FormatterIndex.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace EditorFeatures {
namespace {

std::optional<FormatterIndex::Entry> decodeEntry(const nlohmann::json& object)
{
    using namespace SignedIndex;
    if (!object.is_object())
        return std::nullopt;
    auto name = stringField(object, "name");
    auto version = stringField(object, "version");
    auto file = stringField(object, "file");
    auto size = integerField(object, "size");
    auto sha256 = stringField(object, "sha256");
    auto scripts = stringsField(object, "scripts");
    if (!name || !version || !file || !size || !sha256 || !scripts)
        return std::nullopt;
    // These become folder names, the path of a download and paths read inside the version
    // folder.
    if (!isPathComponent(*name) || !isPathComponent(*version) || !isRelativePath(*file))
        return std::nullopt;
    if (!std::all_of(scripts->begin(), scripts->end(), [](const std::string& script) {
            return isRelativePath(script);
        }))
        return std::nullopt;
    return FormatterIndex::Entry{*name, *version, *file, *size, *sha256, std::move(*scripts)};
}

} // namespace

bool FormatterIndex::Entry::matches(std::span<const std::uint8_t> archive) const
{
    return SignedIndex::archiveMatches(archive, size, sha256);
}

std::string FormatterIndex::Entry::encodeJSON() const
{
    nlohmann::json object = {
        {"name", name},
        {"version", version},
        {"file", file},
        {"size", size},
        {"sha256", sha256},
        {"scripts", scripts},
    };
    // Index texts are checked UTF-8, so the replacement handler never acts on them.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<FormatterIndex::Entry>
FormatterIndex::Entry::decodeJSON(std::span<const std::uint8_t> bytes)
{
    auto object = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (object.is_discarded())
        return std::nullopt;
    return decodeEntry(object);
}

EditorCore::Result<FormatterIndex, FormatterIndex::Failure> FormatterIndex::verify(
    std::span<const std::uint8_t> data, std::string_view signature, std::string_view publicKey)
{
    using EditorCore::failure;
    auto document = SignedIndex::open(data, signature, publicKey);
    if (!document)
        return failure(document.error());

    auto generated = SignedIndex::stringField(*document, "generated");
    auto formatters = document->find("formatters");
    if (!generated || formatters == document->end() || !formatters->is_array())
        return failure(Failure::unreadable);
    FormatterIndex index;
    index.format = 1;
    index.generated = *generated;
    for (const auto& object : *formatters) {
        auto entry = decodeEntry(object);
        if (!entry)
            return failure(Failure::unreadable);
        index.formatters.push_back(std::move(*entry));
    }
    return index;
}

std::optional<FormatterIndex::Entry> FormatterIndex::entry(std::string_view name) const
{
    auto found = std::find_if(formatters.begin(), formatters.end(), [&](const Entry& candidate) {
        return candidate.name == name;
    });
    if (found == formatters.end())
        return std::nullopt;
    return *found;
}

std::ostream& operator<<(std::ostream& out, const FormatterIndex::Entry& entry)
{
    out << entry.name << "@" << entry.version << " (" << entry.file << ") [";
    for (std::size_t i = 0; i < entry.scripts.size(); ++i)
        out << (i ? "," : "") << entry.scripts[i];
    return out << "]";
}

} // namespace EditorFeatures
