#pragma once

#include "features/CodeLanguage.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// The record of an installed grammar version: the contents of its "current.json".
struct InstalledGrammar
{
    // Also the name of the grammar's folder.
    std::string name;
    std::string version;
    // Language identifiers (`CodeLanguage` raw values), in the index's order.
    std::vector<std::string> languages;
    // The library's exported function that returns its tree-sitter language.
    std::string symbol;
    // The library's file name inside the version folder.
    std::string dylib;
    // 1 when the index gives none.
    std::int64_t revision = 1;

    bool serves(CodeLanguage) const;
    // `version`, or `version` + "-r" + `revision` from revision 2 on.
    std::string versionFolderName() const;

    // Compact JSON with all six keys.
    std::string encodeJSON() const;
    // Needs the first five keys (a missing "revision" reads as 1). A record whose `name`,
    // `version` or `dylib` is no single plain path component is refused like a damaged one,
    // so that a hand-edited file cannot point the loader outside the grammar folder.
    static std::optional<InstalledGrammar> decodeJSON(std::span<const std::uint8_t>);

    bool operator==(const InstalledGrammar&) const = default;
};

std::ostream& operator<<(std::ostream&, const InstalledGrammar&);

} // namespace EditorFeatures
