#pragma once

#include "core/Result.h"
#include "features/CodeLanguage.h"
#include "features/DownloadTransport.h"
#include "features/GrammarIndex.h"
#include "features/InstalledGrammar.h"
#include "features/StoreFailure.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// Downloads, checks and installs tree-sitter grammars under one grammar folder, and reads
// what is installed there. Keeps nothing in memory: every call reads the folder again, and
// every installation fetches the index again. Installing blocks (network and files): call it
// off the main thread. Installations of one grammar name are serialized within the process.
class GrammarStore
{
public:
    using Failure = StoreFailure;

    // The languages whose grammar offer the user turned down, in the order declined.
    struct State
    {
        std::vector<std::string> declined;
        bool operator==(const State&) const = default;
    };

    // The publisher's Ed25519 public key (raw 32 bytes in standard Base64) that signs the
    // grammar index served at `defaultBaseURL`.
    static std::string_view builtinPublicKey();
    // The grammar index this build published (a file URL; see PublishedIndex).
    static const std::string& defaultBaseURL();
    // "Grammars" in the application's data folder ($XDG_DATA_HOME/app.orlune.viewer).
    static std::filesystem::path defaultRoot();

    // `root` is the grammar folder; `baseURL` the folder on the server that holds
    // "index.json", "index.json.sig" and the archives.
    GrammarStore(std::filesystem::path root,
                 std::string baseURL,
                 std::string publicKey = std::string(builtinPublicKey()),
                 DownloadTransport::Fetch fetch = DownloadTransport::defaultFetch);

    const std::filesystem::path& root() const { return m_root; }
    const std::string& baseURL() const { return m_baseURL; }

    // Fetches "index.json", then (only when that worked) "index.json.sig", and verifies them.
    [[nodiscard]] EditorCore::Result<GrammarIndex, Failure> refreshIndex() const;

    // Installs the first grammar of the index that colours the language, after the grammars
    // it requires (those stay installed when a later step fails).
    [[nodiscard]] EditorCore::Result<InstalledGrammar, Failure> install(CodeLanguage) const;

    // Installs one entry, or returns the installed record when it equals the entry's in all
    // six fields (then only the index was fetched).
    [[nodiscard]] EditorCore::Result<InstalledGrammar, Failure>
    install(const GrammarIndex::Entry&) const;

    // Unpacks checked archive bytes into the record's version folder and activates it by
    // writing "current.json". The caller keeps other installations of the name away
    // (`install` holds the name's lock while it calls this).
    [[nodiscard]] EditorCore::Result<void, Failure> unpack(std::span<const std::uint8_t> archive,
                                                           const InstalledGrammar&) const;

    // root/name/version folder; no file-system access.
    std::filesystem::path versionDirectory(const InstalledGrammar&) const;

    // The records of "current.json" files directly below the root whose library exists,
    // sorted by folder name (this order decides which grammar wins for a language served
    // twice). Never fails: an unreadable root lists nothing.
    std::vector<InstalledGrammar> installed() const;
    std::optional<InstalledGrammar> installed(CodeLanguage) const;

    // Reads "state.json"; a missing or damaged file counts as an empty list.
    bool isDeclined(CodeLanguage) const;
    // Rewrites "state.json" with the language removed, then appended when `declined`; write
    // errors are swallowed (the choice is then simply not kept).
    void setDeclined(CodeLanguage, bool declined) const;

    // True when the record's revision is below its name's minimum revision, or a companion
    // grammar that its name needs is missing from `installed`.
    static bool needsUpdate(const InstalledGrammar&,
                            const std::vector<InstalledGrammar>& installed);

private:
    [[nodiscard]] EditorCore::Result<DownloadTransport::Bytes, Failure>
    fetchRelative(std::string_view path) const;
    State readState() const;

    std::filesystem::path m_root;
    std::string m_baseURL;
    std::string m_publicKey;
    DownloadTransport::Fetch m_fetch;
};

} // namespace EditorFeatures
