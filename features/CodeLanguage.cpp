#include "features/CodeLanguage.h"

namespace EditorFeatures {
namespace {

struct LanguageInfo
{
    CodeLanguage language;
    std::string_view raw;
    std::string_view displayName;
};

constexpr std::array<LanguageInfo, 28> languageTable = {{
    {CodeLanguage::plainText, "text", "일반 텍스트"},
    {CodeLanguage::log, "log", "로그"},
    {CodeLanguage::ini, "ini", "INI"},
    {CodeLanguage::toml, "toml", "TOML"},
    {CodeLanguage::dotenv, "dotenv", ".env"},
    {CodeLanguage::markdown, "markdown", "Markdown"},
    {CodeLanguage::json, "json", "JSON"},
    {CodeLanguage::yaml, "yaml", "YAML"},
    {CodeLanguage::shell, "bash", "셸 스크립트"},
    {CodeLanguage::javascript, "javascript", "JavaScript"},
    {CodeLanguage::typescript, "typescript", "TypeScript"},
    {CodeLanguage::tsx, "tsx", "TSX"},
    {CodeLanguage::php, "php", "PHP"},
    {CodeLanguage::html, "html", "HTML"},
    {CodeLanguage::css, "css", "CSS"},
    {CodeLanguage::python, "python", "Python"},
    {CodeLanguage::sql, "sql", "SQL"},
    {CodeLanguage::xml, "xml", "XML"},
    {CodeLanguage::go, "go", "Go"},
    {CodeLanguage::rust, "rust", "Rust"},
    {CodeLanguage::java, "java", "Java"},
    {CodeLanguage::kotlin, "kotlin", "Kotlin"},
    {CodeLanguage::swift, "swift", "Swift"},
    {CodeLanguage::c, "c", "C"},
    {CodeLanguage::cpp, "cpp", "C++"},
    {CodeLanguage::ruby, "ruby", "Ruby"},
    {CodeLanguage::dockerfile, "dockerfile", "Dockerfile"},
    {CodeLanguage::make, "make", "Makefile"},
}};

const LanguageInfo& info(CodeLanguage language)
{
    return languageTable[static_cast<std::size_t>(language)];
}

} // namespace

std::string_view rawValue(CodeLanguage language)
{
    return info(language).raw;
}

std::optional<CodeLanguage> codeLanguageFromRawValue(std::string_view raw)
{
    for (const auto& entry : languageTable) {
        if (entry.raw == raw)
            return entry.language;
    }
    return std::nullopt;
}

std::string_view displayName(CodeLanguage language)
{
    return info(language).displayName;
}

std::ostream& operator<<(std::ostream& out, CodeLanguage language)
{
    return out << rawValue(language);
}

} // namespace EditorFeatures
