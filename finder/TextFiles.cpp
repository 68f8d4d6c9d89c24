#include "finder/TextFiles.h"

#include <algorithm>
#include <array>
#include <gio/gio.h>
#include <memory>
#include <string>

namespace OrluneViewerFinder::TextFiles {
namespace {

// Property lists, Apple's source and resource files, shell scripts and the grammar sources
// that shared-mime-info (2.2) leaves as unknown data but that are plain text to read and edit.
// Lower case, sorted.
constexpr std::array<std::string_view, 38> textExtensions = {
    "ada",   "applescript",  "asm", "bash",       "command", "cp",          "csh",
    "defs",  "entitlements", "f77", "javascript", "jscript", "jsx",         "ksh",
    "l",     "lm",           "lpp", "lxx",        "make",    "pbxproj",     "pch",
    "phtml", "plist",        "s",   "storyboard", "strings", "stringsdict", "swift",
    "tcsh",  "text",         "tsx", "xcconfig",   "xib",     "y",           "ym",
    "ypp",   "yxx",          "zsh",
};

std::string lowercased(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    });
    return result;
}

bool isInTable(std::string_view extension)
{
    auto lower = lowercased(extension);
    return std::find(textExtensions.begin(), textExtensions.end(), lower) != textExtensions.end();
}

struct GFreeDeleter
{
    void operator()(char* text) const { g_free(text); }
};

// The database's type for the name (globs only, no content), and whether it is a kind of
// plain text; property lists, scripts and source files are subclasses of text/plain there.
bool isTextByDatabase(std::string_view name)
{
    std::string terminated(name);
    gboolean uncertain = FALSE;
    std::unique_ptr<char, GFreeDeleter> type(
        g_content_type_guess(terminated.c_str(), nullptr, 0, &uncertain));
    if (!type)
        return false;
    return g_content_type_is_a(type.get(), "text/plain") != FALSE;
}

} // namespace

std::string_view extension(std::string_view name)
{
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

bool isTextFileName(std::string_view name)
{
    auto ext = extension(name);
    if (ext.empty())
        return true;
    return isInTable(ext) || isTextByDatabase(name);
}

} // namespace OrluneViewerFinder::TextFiles
