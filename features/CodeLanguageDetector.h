#pragma once

#include "features/CodeLanguage.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace EditorFeatures {

// How a language was chosen, strongest first; none always comes with plainText.
enum class CodeLanguageSource { fileName, fileExtension, shebang, none };

std::ostream& operator<<(std::ostream&, CodeLanguageSource);

struct CodeLanguageDetection
{
    CodeLanguage language = CodeLanguage::plainText;
    CodeLanguageSource source = CodeLanguageSource::none;
    bool operator==(const CodeLanguageDetection&) const = default;
};

std::ostream& operator<<(std::ostream&, const CodeLanguageDetection&);

// Pure: no files, settings or clock; the same inputs always give the same language.
namespace CodeLanguageDetector {

// The file name (last path component) wins over its extension, and both over a `#!` line.
CodeLanguageDetection detect(std::optional<std::u16string_view> fileName,
                             std::optional<std::u16string_view> firstLine);

// The text up to its first line break, looked for within its first 256 user-perceived
// characters only; without a break there, those 256 characters (or the whole shorter text).
// The result views `text`.
std::u16string_view firstLine(std::u16string_view text);

// The lower-cased extension of the normalized name; empty when it has none.
std::u16string pathExtension(std::u16string_view fileName);

// Drops a "?query" or "#fragment" tail that a name copied from a URL carries ("notes.md?raw=1"
// is "notes.md"), but only when what stays still has an extension. The result views `name`.
std::u16string_view normalizedName(std::u16string_view name);

} // namespace CodeLanguageDetector

} // namespace EditorFeatures
