#pragma once

#include "core/Result.h"
#include "features/CodeLanguage.h"
#include "features/SignedIndex.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// The signed catalogue of downloadable grammars ("index.json" beside "index.json.sig").
struct GrammarIndex
{
    using Failure = IndexFailure;

    struct Entry
    {
        // A single path component: names the grammar's folder.
        std::string name;
        // A single path component: names the version folder.
        std::string version;
        // Language identifiers (`CodeLanguage` raw values) this grammar colours.
        std::vector<std::string> languages;
        // The exported function that returns the tree-sitter language.
        std::string symbol;
        std::uint32_t abi = 0;
        // The archive's path relative to the index's base URL.
        std::string file;
        // The archive's exact size in bytes.
        std::int64_t size = 0;
        // The archive's SHA-256 as 64 lower-case hexadecimal digits.
        std::string sha256;
        // A single path component: the library's file name at the archive's top.
        std::string dylib;
        // The publisher's packaging revision; absent counts as 1 where one is needed.
        std::optional<std::int64_t> revision;
        // Names of entries that must be installed with this one (the index's `requires`).
        std::optional<std::vector<std::string>> requiredGrammars;

        // Whether downloaded archive bytes are the ones described: size first, then digest.
        bool matches(std::span<const std::uint8_t> archive) const;

        bool operator==(const Entry&) const = default;
    };

    std::int64_t format = 1;
    std::string generated;
    bool notarized = true;
    std::vector<Entry> grammars;

    // Checks the signature, then reads the document, in that order: a bad key, signature
    // text or signature is `badSignature`; a document that is not an index of format 1, or
    // whose entry names a file or folder outside its place, is `unreadable`; an index whose
    // `notarized` is false is `notNotarized`.
    [[nodiscard]] static EditorCore::Result<GrammarIndex, Failure> verify(
        std::span<const std::uint8_t> data, std::string_view signature, std::string_view publicKey);

    // The first entry, in index order, that colours the language.
    std::optional<Entry> entry(CodeLanguage) const;
    // The first entry whose name is exactly `name`.
    std::optional<Entry> entry(std::string_view name) const;

    bool operator==(const GrammarIndex&) const = default;
};

std::ostream& operator<<(std::ostream&, const GrammarIndex::Entry&);

} // namespace EditorFeatures
