#include "features/CodeLanguageDetector.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace EditorFeatures {
namespace {

using LanguageMap = std::unordered_map<std::u16string_view, CodeLanguage>;

const LanguageMap& specialFileNames()
{
    static const LanguageMap map = {
        {u"dockerfile", CodeLanguage::dockerfile}, {u"containerfile", CodeLanguage::dockerfile},
        {u"makefile", CodeLanguage::make},         {u"gnumakefile", CodeLanguage::make},
        {u".env", CodeLanguage::dotenv},           {u".bashrc", CodeLanguage::shell},
        {u".bash_profile", CodeLanguage::shell},   {u".bash_login", CodeLanguage::shell},
        {u".bash_logout", CodeLanguage::shell},    {u".profile", CodeLanguage::shell},
        {u".zshrc", CodeLanguage::shell},          {u".zprofile", CodeLanguage::shell},
        {u".zshenv", CodeLanguage::shell},         {u".zlogin", CodeLanguage::shell},
        {u".zlogout", CodeLanguage::shell},        {u".gitconfig", CodeLanguage::ini},
        {u".editorconfig", CodeLanguage::ini},     {u".npmrc", CodeLanguage::ini},
        {u"gemfile", CodeLanguage::ruby},          {u"rakefile", CodeLanguage::ruby},
        {u"podfile", CodeLanguage::ruby},          {u"brewfile", CodeLanguage::ruby},
        {u"cargo.lock", CodeLanguage::toml},       {u"pipfile", CodeLanguage::toml},
    };
    return map;
}

constexpr std::pair<std::u16string_view, CodeLanguage> fileNamePrefixes[] = {
    {u"dockerfile.", CodeLanguage::dockerfile},
    {u"containerfile.", CodeLanguage::dockerfile},
    {u".env.", CodeLanguage::dotenv},
    {u"makefile.", CodeLanguage::make},
};

struct LanguageExtensions
{
    CodeLanguage language;
    std::vector<std::u16string_view> extensions;
};

const LanguageMap& extensions()
{
    static const LanguageMap map = [] {
        const LanguageExtensions perLanguage[] = {
            {CodeLanguage::log, {u"log"}},
            {CodeLanguage::ini, {u"ini", u"cfg", u"inf", u"properties", u"desktop"}},
            {CodeLanguage::toml, {u"toml"}},
            {CodeLanguage::dotenv, {u"env"}},
            {CodeLanguage::markdown, {u"md", u"markdown", u"mdown", u"mkd", u"mkdn"}},
            {CodeLanguage::json, {u"json", u"jsonc", u"geojson", u"webmanifest", u"har"}},
            {CodeLanguage::yaml, {u"yaml", u"yml"}},
            {CodeLanguage::shell, {u"sh", u"bash", u"zsh", u"ksh", u"command"}},
            {CodeLanguage::javascript, {u"js", u"mjs", u"cjs", u"jsx"}},
            {CodeLanguage::typescript, {u"ts", u"mts", u"cts"}},
            {CodeLanguage::tsx, {u"tsx"}},
            {CodeLanguage::php, {u"php", u"phtml"}},
            {CodeLanguage::html, {u"html", u"htm", u"xhtml"}},
            {CodeLanguage::css, {u"css"}},
            {CodeLanguage::python, {u"py", u"pyw", u"pyi"}},
            {CodeLanguage::sql, {u"sql"}},
            {CodeLanguage::xml,
             {u"xml", u"xsd", u"xsl", u"xslt", u"svg", u"plist", u"xib", u"storyboard"}},
            {CodeLanguage::go, {u"go"}},
            {CodeLanguage::rust, {u"rs"}},
            {CodeLanguage::java, {u"java"}},
            {CodeLanguage::kotlin, {u"kt", u"kts"}},
            {CodeLanguage::swift, {u"swift"}},
            {CodeLanguage::c, {u"c", u"h"}},
            {CodeLanguage::cpp, {u"cc", u"cpp", u"cxx", u"c++", u"hpp", u"hh", u"hxx", u"ipp"}},
            {CodeLanguage::ruby, {u"rb", u"rake", u"gemspec", u"ru"}},
            {CodeLanguage::dockerfile, {u"dockerfile"}},
            {CodeLanguage::make, {u"mk", u"mak"}},
        };
        LanguageMap result;
        for (const auto& entry : perLanguage) {
            for (auto extension : entry.extensions)
                result.emplace(extension, entry.language);
        }
        return result;
    }();
    return map;
}

const LanguageMap& interpreters()
{
    static const LanguageMap map = {
        {u"sh", CodeLanguage::shell},
        {u"bash", CodeLanguage::shell},
        {u"zsh", CodeLanguage::shell},
        {u"dash", CodeLanguage::shell},
        {u"ksh", CodeLanguage::shell},
        {u"ash", CodeLanguage::shell},
        {u"node", CodeLanguage::javascript},
        {u"nodejs", CodeLanguage::javascript},
        {u"deno", CodeLanguage::javascript},
        {u"bun", CodeLanguage::javascript},
        {u"python", CodeLanguage::python},
        {u"pypy", CodeLanguage::python},
        {u"ruby", CodeLanguage::ruby},
        {u"php", CodeLanguage::php},
        {u"make", CodeLanguage::make},
    };
    return map;
}

std::optional<CodeLanguage> find(const LanguageMap& map, std::u16string_view key)
{
    auto found = map.find(key);
    if (found == map.end())
        return std::nullopt;
    return found->second;
}

std::u16string lowercased(std::u16string_view text)
{
    icu::UnicodeString string(text.data(), static_cast<int32_t>(text.size()));
    string.toLower(icu::Locale::getRoot());
    return std::u16string(string.getBuffer(), static_cast<std::size_t>(string.length()));
}

bool isNumber(std::u16string_view text)
{
    std::size_t index = 0;
    while (index < text.size()) {
        UChar32 c;
        U16_NEXT(text.data(), index, text.size(), c);
        if (u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) == U_NT_NONE)
            return false;
    }
    return true;
}

bool isLineBreak(char16_t unit)
{
    return (unit >= 0x0A && unit <= 0x0D) || unit == 0x85 || unit == 0x2028 || unit == 0x2029;
}

// The text after the last dot; none when there is no dot or the name starts with its only
// dot ('.bashrc').
std::optional<std::u16string_view> rawExtension(std::u16string_view name)
{
    auto dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0)
        return std::nullopt;
    return name.substr(dot + 1);
}

std::optional<CodeLanguage> languageFromFileName(std::u16string_view normalized)
{
    auto name = lowercased(normalized);
    if (auto language = find(specialFileNames(), name))
        return language;
    for (const auto& [prefix, language] : fileNamePrefixes) {
        if (std::u16string_view(name).starts_with(prefix))
            return language;
    }
    // Rotated logs: 'server.log.1', 'app.log.12' (and 'x.log.'), but not 'app.log.1.gz'.
    constexpr std::u16string_view logInfix = u".log.";
    auto infix = name.find(logInfix);
    if (infix != std::u16string::npos
        && isNumber(std::u16string_view(name).substr(infix + logInfix.size())))
        return CodeLanguage::log;
    return std::nullopt;
}

std::optional<CodeLanguage> languageFromExtension(std::u16string_view normalized)
{
    auto extension = rawExtension(normalized);
    if (!extension || extension->empty())
        return std::nullopt;
    return find(extensions(), lowercased(*extension));
}

std::u16string_view lastPathComponent(std::u16string_view piece)
{
    while (!piece.empty() && piece.back() == u'/')
        piece.remove_suffix(1);
    auto slash = piece.rfind(u'/');
    return slash == std::u16string_view::npos ? piece : piece.substr(slash + 1);
}

std::optional<CodeLanguage> languageFromShebang(std::u16string_view line)
{
    if (!line.starts_with(u"#!"))
        return std::nullopt;
    line.remove_prefix(2);

    std::vector<std::u16string_view> words;
    std::size_t index = 0;
    while (index < line.size()) {
        auto end = line.find_first_of(u" \t", index);
        if (end == std::u16string_view::npos)
            end = line.size();
        if (end > index)
            words.push_back(lastPathComponent(line.substr(index, end - index)));
        index = end + 1;
    }
    if (words.empty())
        return std::nullopt;

    if (words.front() == u"env") {
        // '#!/usr/bin/env -S LC_ALL=C python3 -u' runs python3.
        words.erase(words.begin());
        std::erase_if(words, [](std::u16string_view word) {
            return word.starts_with(u'-') || word.find(u'=') != std::u16string_view::npos;
        });
        if (words.empty())
            return std::nullopt;
    }

    auto word = words.front();
    auto stripped = word;
    while (!stripped.empty()
           && (stripped.back() == u'.' || (stripped.back() >= u'0' && stripped.back() <= u'9')))
        stripped.remove_suffix(1);
    if (auto language = find(interpreters(), stripped))
        return language;
    return find(interpreters(), word);
}

} // namespace

std::ostream& operator<<(std::ostream& out, CodeLanguageSource source)
{
    switch (source) {
    case CodeLanguageSource::fileName:
        return out << "fileName";
    case CodeLanguageSource::fileExtension:
        return out << "fileExtension";
    case CodeLanguageSource::shebang:
        return out << "shebang";
    case CodeLanguageSource::none:
        return out << "none";
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const CodeLanguageDetection& detection)
{
    return out << detection.language << " from " << detection.source;
}

namespace CodeLanguageDetector {

CodeLanguageDetection detect(std::optional<std::u16string_view> fileName,
                             std::optional<std::u16string_view> firstLine)
{
    if (fileName && !fileName->empty()) {
        auto name = normalizedName(*fileName);
        if (auto language = languageFromFileName(name))
            return {*language, CodeLanguageSource::fileName};
        if (auto language = languageFromExtension(name))
            return {*language, CodeLanguageSource::fileExtension};
    }
    if (firstLine) {
        if (auto language = languageFromShebang(*firstLine))
            return {*language, CodeLanguageSource::shebang};
    }
    return {CodeLanguage::plainText, CodeLanguageSource::none};
}

std::u16string_view firstLine(std::u16string_view text)
{
    constexpr int characterLimit = 256;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !characters) {
        // Without ICU's data every unit counts as one character.
        auto end = std::min<std::size_t>(text.size(), characterLimit);
        for (std::size_t index = 0; index < end; ++index) {
            if (isLineBreak(text[index]))
                return text.substr(0, index);
        }
        return text.substr(0, end);
    }
    // Read-only alias: the iterator walks the caller's units without a copy.
    icu::UnicodeString alias(false, text.data(), static_cast<int32_t>(text.size()));
    characters->setText(alias);
    int32_t start = characters->first();
    for (int count = 0; count < characterLimit; ++count) {
        int32_t end = characters->next();
        if (end == icu::BreakIterator::DONE)
            return text;
        if (isLineBreak(text[static_cast<std::size_t>(start)]))
            return text.substr(0, static_cast<std::size_t>(start));
        start = end;
    }
    return text.substr(0, static_cast<std::size_t>(start));
}

std::u16string pathExtension(std::u16string_view fileName)
{
    auto component = lastPathComponent(normalizedName(fileName));
    auto extension = rawExtension(component);
    if (!extension)
        return {};
    return lowercased(*extension);
}

std::u16string_view normalizedName(std::u16string_view name)
{
    auto mark = name.find_first_of(u"?#");
    if (mark == std::u16string_view::npos || mark == 0)
        return name;
    auto part = name.substr(0, mark);
    auto dot = part.rfind(u'.');
    if (dot != std::u16string_view::npos && dot != 0 && dot != part.size() - 1)
        return part;
    return name;
}

} // namespace CodeLanguageDetector

} // namespace EditorFeatures
