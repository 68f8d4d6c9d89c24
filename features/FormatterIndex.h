#pragma once

#include "core/Result.h"
#include "features/SignedIndex.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// The signed catalogue of downloadable formatters ("index.json" beside "index.json.sig"),
// signed like the grammar index.
struct FormatterIndex
{
    using Failure = IndexFailure;

    // One downloadable formatter; also the record kept as "current.json" once installed.
    struct Entry
    {
        // A single path component: names the formatter's folder.
        std::string name;
        // A single path component: names the version folder.
        std::string version;
        // The archive's path relative to the index's base URL.
        std::string file;
        // The archive's exact size in bytes.
        std::int64_t size = 0;
        // The archive's SHA-256 as 64 lower-case hexadecimal digits.
        std::string sha256;
        // Script files relative to the archive's top, in evaluation order; each a relative
        // path without empty, "." or ".." segments.
        std::vector<std::string> scripts;

        // Whether downloaded archive bytes are the ones described: size first, then digest.
        bool matches(std::span<const std::uint8_t> archive) const;

        // Compact JSON with all six keys.
        std::string encodeJSON() const;
        // Needs all six keys, with the same checks as an index entry, so that a hand-edited
        // record cannot point outside the formatter's folder.
        static std::optional<Entry> decodeJSON(std::span<const std::uint8_t>);

        bool operator==(const Entry&) const = default;
    };

    std::int64_t format = 1;
    std::string generated;
    std::vector<Entry> formatters;

    // Checks the signature, then reads the document, in that order: a bad key, signature
    // text or signature is `badSignature`; a document that is not an index of format 1, or
    // whose entry names a file or folder outside its place, is `unreadable`.
    [[nodiscard]] static EditorCore::Result<FormatterIndex, Failure> verify(
        std::span<const std::uint8_t> data, std::string_view signature, std::string_view publicKey);

    // The first entry whose name is exactly `name`.
    std::optional<Entry> entry(std::string_view name) const;

    bool operator==(const FormatterIndex&) const = default;
};

std::ostream& operator<<(std::ostream&, const FormatterIndex::Entry&);

} // namespace EditorFeatures
