#pragma once

#include <tree_sitter/api.h>

#include <cstdint>
#include <optional>
#include <string>

namespace EditorFeatures {

// A tree-sitter language whose ABI version this runtime can use. The handle is borrowed: it
// lives as long as the library that made it and is never freed here.
class SyntaxLanguage
{
public:
    static constexpr std::uint32_t minimumSupportedVersion = 13;
    static constexpr std::uint32_t maximumSupportedVersion = 15;
    static bool supportsVersion(std::uint32_t version);

    // None for a null handle or an ABI version outside 13...15.
    static std::optional<SyntaxLanguage> make(std::string name, const TSLanguage* raw);

    // The grammar's name ("json", "markdown_inline", ...).
    const std::string& name() const { return m_name; }
    const TSLanguage* raw() const { return m_raw; }
    std::uint32_t version() const;

private:
    SyntaxLanguage(std::string name, const TSLanguage* raw);

    std::string m_name;
    const TSLanguage* m_raw;
};

} // namespace EditorFeatures
