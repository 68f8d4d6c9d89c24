#pragma once

#include <string_view>

// Which names the file-manager extension offers to open in the editor.
namespace OrluneViewerFinder::TextFiles {

// The extension of a file name: what follows its last dot, empty when there is none or when
// the only dot starts the name (".bashrc").
std::string_view extension(std::string_view name);

// Judged by the name alone, never by the content: a name without an extension is text (a
// Makefile); otherwise its extension must be a text type of the shared MIME database, or one
// of the property lists and source files that the database does not know as text. Folders
// are never text; the caller knows which items are folders.
bool isTextFileName(std::string_view name);

} // namespace OrluneViewerFinder::TextFiles
