#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string_view>

namespace EditorFeatures {

// The languages the editor recognises, in menu order.
enum class CodeLanguage {
    plainText,
    log,
    ini,
    toml,
    dotenv,
    markdown,
    json,
    yaml,
    shell,
    javascript,
    typescript,
    tsx,
    php,
    html,
    css,
    python,
    sql,
    xml,
    go,
    rust,
    java,
    kotlin,
    swift,
    c,
    cpp,
    ruby,
    dockerfile,
    make,
};

inline constexpr std::array<CodeLanguage, 28> allCodeLanguages = {
    CodeLanguage::plainText,  CodeLanguage::log,        CodeLanguage::ini,
    CodeLanguage::toml,       CodeLanguage::dotenv,     CodeLanguage::markdown,
    CodeLanguage::json,       CodeLanguage::yaml,       CodeLanguage::shell,
    CodeLanguage::javascript, CodeLanguage::typescript, CodeLanguage::tsx,
    CodeLanguage::php,        CodeLanguage::html,       CodeLanguage::css,
    CodeLanguage::python,     CodeLanguage::sql,        CodeLanguage::xml,
    CodeLanguage::go,         CodeLanguage::rust,       CodeLanguage::java,
    CodeLanguage::kotlin,     CodeLanguage::swift,      CodeLanguage::c,
    CodeLanguage::cpp,        CodeLanguage::ruby,       CodeLanguage::dockerfile,
    CodeLanguage::make,
};

// The identifier of a language wherever it is named outside memory (grammar index, installed
// grammars, query folders, the declined list, logs): "text" for plainText, "bash" for shell,
// the case name otherwise.
std::string_view rawValue(CodeLanguage);
// Exact, case-sensitive match of an identifier.
std::optional<CodeLanguage> codeLanguageFromRawValue(std::string_view);

// UTF-8; also the key under which the user-interface text lookup translates it.
std::string_view displayName(CodeLanguage);

// The display names that need translating: those of plainText, log and shell, in that order.
inline constexpr std::array<std::string_view, 3> localizedDisplayNames = {
    "일반 텍스트",
    "로그",
    "셸 스크립트",
};

std::ostream& operator<<(std::ostream&, CodeLanguage);

} // namespace EditorFeatures
