#include "features/GrammarStore.h"

#include "features/ArchiveInstall.h"
#include "features/PublishedIndex.h"
#include "features/SyntaxGrammars.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace EditorFeatures {
namespace fs = std::filesystem;
using EditorCore::failure;

namespace {

InstalledGrammar candidateRecord(const GrammarIndex::Entry& entry)
{
    return InstalledGrammar{entry.name,
                            entry.version,
                            entry.languages,
                            entry.symbol,
                            entry.dylib,
                            entry.revision.value_or(1)};
}

} // namespace

fs::path GrammarStore::defaultRoot()
{
    return Platform::Folders::applicationSupport() / "Grammars";
}

const std::string& GrammarStore::defaultBaseURL()
{
    static const std::string url = PublishedIndex::baseURL("grammars");
    return url;
}

std::string_view GrammarStore::builtinPublicKey()
{
    return PublishedIndex::publicKey();
}

GrammarStore::GrammarStore(fs::path root,
                           std::string baseURL,
                           std::string publicKey,
                           DownloadTransport::Fetch fetch)
    : m_root(std::move(root))
    , m_baseURL(std::move(baseURL))
    , m_publicKey(std::move(publicKey))
    , m_fetch(std::move(fetch))
{}

EditorCore::Result<DownloadTransport::Bytes, GrammarStore::Failure>
GrammarStore::fetchRelative(std::string_view path) const
{
    return DownloadTransport::fetchRelative(m_fetch, m_baseURL, path);
}

EditorCore::Result<GrammarIndex, GrammarStore::Failure> GrammarStore::refreshIndex() const
{
    auto fetched = DownloadTransport::fetchSignedIndex(m_fetch, m_baseURL);
    if (!fetched)
        return failure(fetched.error());
    auto index = GrammarIndex::verify(fetched->document, fetched->signature, m_publicKey);
    if (!index)
        return failure(Failure::index(index.error()));
    return std::move(*index);
}

EditorCore::Result<InstalledGrammar, GrammarStore::Failure>
GrammarStore::install(CodeLanguage language) const
{
    auto index = refreshIndex();
    if (!index)
        return failure(index.error());
    auto entry = index->entry(language);
    if (!entry)
        return failure(Failure::notAvailable());
    for (const auto& name : entry->requiredGrammars.value_or(std::vector<std::string>{})) {
        auto required = index->entry(std::string_view(name));
        if (!required)
            return failure(Failure::notAvailable());
        if (auto installedRequirement = install(*required); !installedRequirement)
            return failure(installedRequirement.error());
    }
    return install(*entry);
}

EditorCore::Result<InstalledGrammar, GrammarStore::Failure>
GrammarStore::install(const GrammarIndex::Entry& entry) const
{
    auto candidate = candidateRecord(entry);
    // Two installations of one name must not interleave: one would remove the other's
    // version folder while the other's "current.json" names it. The second one in finds the
    // first one's record and downloads nothing.
    auto lock = ArchiveInstall::lockName(m_root, candidate.name);

    auto records = installed();
    auto current = std::find_if(records.begin(), records.end(), [&](const InstalledGrammar& r) {
        return r.name == candidate.name;
    });
    if (current != records.end() && *current == candidate)
        return *current;

    auto archive = fetchRelative(entry.file);
    if (!archive)
        return failure(archive.error());
    if (!entry.matches(*archive))
        return failure(Failure::corrupted());
    if (auto unpacked = unpack(*archive, candidate); !unpacked)
        return failure(unpacked.error());
    return candidate;
}

EditorCore::Result<void, GrammarStore::Failure>
GrammarStore::unpack(std::span<const std::uint8_t> archive, const InstalledGrammar& record) const
{
    // Records made outside the index reader get the same check before they name folders.
    if (!SignedIndex::isPathComponent(record.name) || !SignedIndex::isPathComponent(record.version)
        || !SignedIndex::isPathComponent(record.dylib))
        return failure(Failure::unpack("invalid grammar name, version or library name"));
    ArchiveInstall::Activation activation{
        m_root,
        m_root / record.name,
        record.versionFolderName(),
        {record.dylib, "highlights.scm"},
        record.encodeJSON(),
    };
    return ArchiveInstall::unpackAndActivate(archive, activation);
}

fs::path GrammarStore::versionDirectory(const InstalledGrammar& record) const
{
    return m_root / record.name / record.versionFolderName();
}

std::vector<InstalledGrammar> GrammarStore::installed() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(m_root, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    if (error)
        names.clear();
    std::sort(names.begin(), names.end());

    std::vector<InstalledGrammar> records;
    for (const auto& name : names) {
        auto bytes = Platform::readWholeFile(m_root / name / "current.json");
        if (!bytes)
            continue;
        auto record = InstalledGrammar::decodeJSON(*bytes);
        if (!record)
            continue;
        std::error_code ignored;
        if (fs::is_regular_file(versionDirectory(*record) / record->dylib, ignored))
            records.push_back(std::move(*record));
    }
    return records;
}

std::optional<InstalledGrammar> GrammarStore::installed(CodeLanguage language) const
{
    for (auto& record : installed()) {
        if (record.serves(language))
            return std::move(record);
    }
    return std::nullopt;
}

GrammarStore::State GrammarStore::readState() const
{
    auto bytes = Platform::readWholeFile(m_root / "state.json");
    if (!bytes)
        return {};
    auto object = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (object.is_discarded() || !object.is_object())
        return {};
    auto declined = SignedIndex::stringsField(object, "declined");
    if (!declined)
        return {};
    return State{std::move(*declined)};
}

bool GrammarStore::isDeclined(CodeLanguage language) const
{
    auto state = readState();
    return std::find(state.declined.begin(), state.declined.end(), rawValue(language))
           != state.declined.end();
}

void GrammarStore::setDeclined(CodeLanguage language, bool declined) const
{
    auto state = readState();
    auto identifier = std::string(rawValue(language));
    std::erase(state.declined, identifier);
    if (declined)
        state.declined.push_back(identifier);
    std::error_code ignored;
    fs::create_directories(m_root, ignored);
    nlohmann::json object = {{"declined", state.declined}};
    // The choice is simply not kept when the file cannot be written.
    (void)Platform::writeAtomically(
        m_root / "state.json",
        object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
        0644);
}

bool GrammarStore::needsUpdate(const InstalledGrammar& grammar,
                               const std::vector<InstalledGrammar>& installed)
{
    if (grammar.revision < SyntaxGrammars::minimumRevision(grammar.name))
        return true;
    const auto& companions = SyntaxGrammars::companions();
    auto needed = companions.find(grammar.name);
    if (needed == companions.end())
        return false;
    for (const auto& name : needed->second) {
        bool present = std::any_of(installed.begin(), installed.end(), [&](const auto& record) {
            return record.name == name;
        });
        if (!present)
            return true;
    }
    return false;
}

} // namespace EditorFeatures
