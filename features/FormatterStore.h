#pragma once

#include "core/Result.h"
#include "features/DownloadTransport.h"
#include "features/FormatterIndex.h"
#include "features/GrammarStore.h"
#include "features/StoreFailure.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace EditorFeatures {

// Downloads, checks and installs formatter bundles (Prettier's JavaScript files) under one
// formatter folder, and tells which version is installed. Keeps nothing in memory: every
// call reads the folder again, and every installation fetches the index again. Installing
// blocks (network and files): call it off the main thread. Installations of one formatter
// name are serialized within the process.
class FormatterStore
{
public:
    using Failure = StoreFailure;

    // The active version of a formatter: its record and its version folder.
    struct Installed
    {
        FormatterIndex::Entry entry;
        std::filesystem::path directory;
        bool operator==(const Installed&) const = default;
    };

    // The formatter index is signed with the grammar index's key.
    static std::string_view builtinPublicKey() { return GrammarStore::builtinPublicKey(); }
    // The formatter index this build published (a file URL; see PublishedIndex).
    static const std::string& defaultBaseURL();
    // "Formatters" in the application's data folder ($XDG_DATA_HOME/app.orlune.viewer).
    static std::filesystem::path defaultRoot();

    // `root` is the formatter folder; `baseURL` the folder on the server that holds
    // "index.json", "index.json.sig" and the archives.
    explicit FormatterStore(std::filesystem::path root = defaultRoot(),
                            std::string baseURL = defaultBaseURL(),
                            std::string publicKey = std::string(builtinPublicKey()),
                            DownloadTransport::Fetch fetch = DownloadTransport::defaultFetch);

    const std::filesystem::path& root() const { return m_root; }
    const std::string& baseURL() const { return m_baseURL; }

    // Fetches "index.json", then (only when that worked) "index.json.sig", and verifies them.
    [[nodiscard]] EditorCore::Result<FormatterIndex, Failure> refreshIndex() const;

    // Makes the index's current version of the named formatter the installed one. When the
    // installed record equals the index entry in all six fields and its scripts are in place,
    // only the index is fetched.
    [[nodiscard]] EditorCore::Result<Installed, Failure> install(std::string_view name) const;

    // The record in the formatter's "current.json" and its version folder; none when the
    // record is missing, damaged or names another formatter, or one of its scripts is not
    // in the version folder.
    std::optional<Installed> installed(std::string_view name) const;

private:
    [[nodiscard]] EditorCore::Result<DownloadTransport::Bytes, Failure>
    fetchRelative(std::string_view path) const;

    std::filesystem::path m_root;
    std::string m_baseURL;
    std::string m_publicKey;
    DownloadTransport::Fetch m_fetch;
};

} // namespace EditorFeatures
