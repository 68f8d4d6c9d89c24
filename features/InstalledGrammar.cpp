#include "features/InstalledGrammar.h"

#include "features/SignedIndex.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace EditorFeatures {

bool InstalledGrammar::serves(CodeLanguage language) const
{
    return std::find(languages.begin(), languages.end(), rawValue(language)) != languages.end();
}

std::string InstalledGrammar::versionFolderName() const
{
    if (revision < 2)
        return version;
    return version + "-r" + std::to_string(revision);
}

std::string InstalledGrammar::encodeJSON() const
{
    nlohmann::json object = {
        {"name", name},
        {"version", version},
        {"languages", languages},
        {"symbol", symbol},
        {"dylib", dylib},
        {"revision", revision},
    };
    // Index texts are checked UTF-8, so the replacement handler never acts on them.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<InstalledGrammar> InstalledGrammar::decodeJSON(std::span<const std::uint8_t> bytes)
{
    using namespace SignedIndex;
    auto object = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (object.is_discarded() || !object.is_object())
        return std::nullopt;
    auto nameField = stringField(object, "name");
    auto versionField = stringField(object, "version");
    auto languagesField = stringsField(object, "languages");
    auto symbolField = stringField(object, "symbol");
    auto dylibField = stringField(object, "dylib");
    if (!nameField || !versionField || !languagesField || !symbolField || !dylibField)
        return std::nullopt;
    if (!isPathComponent(*nameField) || !isPathComponent(*versionField)
        || !isPathComponent(*dylibField))
        return std::nullopt;
    InstalledGrammar record{
        *nameField, *versionField, *languagesField, *symbolField, *dylibField, 1};
    if (auto found = object.find("revision"); found != object.end() && !found->is_null()) {
        auto revisionField = integerField(object, "revision");
        if (!revisionField)
            return std::nullopt;
        record.revision = *revisionField;
    }
    return record;
}

std::ostream& operator<<(std::ostream& out, const InstalledGrammar& record)
{
    out << record.name << "@" << record.versionFolderName() << " [";
    for (std::size_t i = 0; i < record.languages.size(); ++i)
        out << (i ? "," : "") << record.languages[i];
    return out << "] " << record.symbol << " in " << record.dylib;
}

} // namespace EditorFeatures
