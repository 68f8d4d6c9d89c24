#include "features/FormatterStore.h"

#include "features/ArchiveInstall.h"
#include "features/PublishedIndex.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <algorithm>

namespace EditorFeatures {
namespace fs = std::filesystem;
using EditorCore::failure;

fs::path FormatterStore::defaultRoot()
{
    return Platform::Folders::applicationSupport() / "Formatters";
}

const std::string& FormatterStore::defaultBaseURL()
{
    static const std::string url = PublishedIndex::baseURL("formatters");
    return url;
}

FormatterStore::FormatterStore(fs::path root,
                               std::string baseURL,
                               std::string publicKey,
                               DownloadTransport::Fetch fetch)
    : m_root(std::move(root))
    , m_baseURL(std::move(baseURL))
    , m_publicKey(std::move(publicKey))
    , m_fetch(std::move(fetch))
{}

EditorCore::Result<DownloadTransport::Bytes, FormatterStore::Failure>
FormatterStore::fetchRelative(std::string_view path) const
{
    return DownloadTransport::fetchRelative(m_fetch, m_baseURL, path);
}

EditorCore::Result<FormatterIndex, FormatterStore::Failure> FormatterStore::refreshIndex() const
{
    auto fetched = DownloadTransport::fetchSignedIndex(m_fetch, m_baseURL);
    if (!fetched)
        return failure(fetched.error());
    auto index = FormatterIndex::verify(fetched->document, fetched->signature, m_publicKey);
    if (!index)
        return failure(Failure::index(index.error()));
    return std::move(*index);
}

EditorCore::Result<FormatterStore::Installed, FormatterStore::Failure>
FormatterStore::install(std::string_view name) const
{
    auto index = refreshIndex();
    if (!index)
        return failure(index.error());
    auto entry = index->entry(name);
    if (!entry)
        return failure(Failure::notAvailable());

    // A second installation of the same formatter waits, then finds this one's record.
    auto lock = ArchiveInstall::lockName(m_root, entry->name);
    if (auto current = installed(entry->name); current && current->entry == *entry)
        return std::move(*current);

    auto archive = fetchRelative(entry->file);
    if (!archive)
        return failure(archive.error());
    if (!entry->matches(*archive))
        return failure(Failure::corrupted());

    const auto ownFolder = m_root / entry->name;
    // The work folder lies in the formatter's own folder, where the clean-up after the move
    // takes it away with the older versions.
    ArchiveInstall::Activation activation{
        ownFolder, ownFolder, entry->version, entry->scripts, entry->encodeJSON()};
    if (auto unpacked = ArchiveInstall::unpackAndActivate(*archive, activation); !unpacked)
        return failure(unpacked.error());
    return Installed{std::move(*entry), ownFolder / activation.versionFolder};
}

std::optional<FormatterStore::Installed> FormatterStore::installed(std::string_view name) const
{
    if (!SignedIndex::isPathComponent(name))
        return std::nullopt;
    const auto ownFolder = m_root / std::string(name);
    auto bytes = Platform::readWholeFile(ownFolder / "current.json");
    if (!bytes)
        return std::nullopt;
    auto entry = FormatterIndex::Entry::decodeJSON(*bytes);
    if (!entry || entry->name != name)
        return std::nullopt;
    auto directory = ownFolder / entry->version;
    bool complete = std::all_of(entry->scripts.begin(), entry->scripts.end(), [&](const auto& s) {
        std::error_code ignored;
        return fs::symlink_status(directory / s, ignored).type() == fs::file_type::regular;
    });
    if (!complete)
        return std::nullopt;
    return Installed{std::move(*entry), std::move(directory)};
}

} // namespace EditorFeatures
