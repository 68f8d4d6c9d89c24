#include "features/GrammarIndex.h"

#include <algorithm>
#include <limits>

namespace EditorFeatures {
namespace {

std::optional<GrammarIndex::Entry> decodeEntry(const nlohmann::json& object)
{
    using namespace SignedIndex;
    if (!object.is_object())
        return std::nullopt;
    auto name = stringField(object, "name");
    auto version = stringField(object, "version");
    auto languages = stringsField(object, "languages");
    auto symbol = stringField(object, "symbol");
    auto abi = integerField(object, "abi");
    auto file = stringField(object, "file");
    auto size = integerField(object, "size");
    auto sha256 = stringField(object, "sha256");
    auto dylib = stringField(object, "dylib");
    if (!name || !version || !languages || !symbol || !abi || !file || !size || !sha256 || !dylib)
        return std::nullopt;
    if (*abi < 0 || *abi > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    // These become file and folder names on disk and the path of a download.
    if (!isPathComponent(*name) || !isPathComponent(*version) || !isPathComponent(*dylib)
        || !isRelativePath(*file))
        return std::nullopt;

    GrammarIndex::Entry entry{*name,
                              *version,
                              *languages,
                              *symbol,
                              static_cast<std::uint32_t>(*abi),
                              *file,
                              *size,
                              *sha256,
                              *dylib,
                              std::nullopt,
                              std::nullopt};
    // An optional key that is absent or null reads as absent; one of another type is an error.
    if (auto found = object.find("revision"); found != object.end() && !found->is_null()) {
        entry.revision = integerField(object, "revision");
        if (!entry.revision)
            return std::nullopt;
    }
    if (auto found = object.find("requires"); found != object.end() && !found->is_null()) {
        entry.requiredGrammars = stringsField(object, "requires");
        if (!entry.requiredGrammars)
            return std::nullopt;
    }
    return entry;
}

} // namespace

bool GrammarIndex::Entry::matches(std::span<const std::uint8_t> archive) const
{
    return SignedIndex::archiveMatches(archive, size, sha256);
}

EditorCore::Result<GrammarIndex, GrammarIndex::Failure> GrammarIndex::verify(
    std::span<const std::uint8_t> data, std::string_view signature, std::string_view publicKey)
{
    using EditorCore::failure;
    auto document = SignedIndex::open(data, signature, publicKey);
    if (!document)
        return failure(document.error());

    auto generated = SignedIndex::stringField(*document, "generated");
    auto notarized = SignedIndex::booleanField(*document, "notarized");
    auto grammars = document->find("grammars");
    if (!generated || !notarized || grammars == document->end() || !grammars->is_array())
        return failure(Failure::unreadable);
    GrammarIndex index;
    index.format = 1;
    index.generated = *generated;
    index.notarized = *notarized;
    for (const auto& object : *grammars) {
        auto entry = decodeEntry(object);
        if (!entry)
            return failure(Failure::unreadable);
        index.grammars.push_back(std::move(*entry));
    }
    if (!index.notarized)
        return failure(Failure::notNotarized);
    return index;
}

std::optional<GrammarIndex::Entry> GrammarIndex::entry(CodeLanguage language) const
{
    auto identifier = rawValue(language);
    auto found = std::find_if(grammars.begin(), grammars.end(), [&](const Entry& candidate) {
        return std::find(candidate.languages.begin(), candidate.languages.end(), identifier)
               != candidate.languages.end();
    });
    if (found == grammars.end())
        return std::nullopt;
    return *found;
}

std::optional<GrammarIndex::Entry> GrammarIndex::entry(std::string_view name) const
{
    auto found = std::find_if(grammars.begin(), grammars.end(), [&](const Entry& candidate) {
        return candidate.name == name;
    });
    if (found == grammars.end())
        return std::nullopt;
    return *found;
}

std::ostream& operator<<(std::ostream& out, const GrammarIndex::Entry& entry)
{
    return out << entry.name << "@" << entry.version << " (" << entry.file << ")";
}

} // namespace EditorFeatures
