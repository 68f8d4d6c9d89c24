#pragma once

#include "core/ChunkedText.h"
#include "core/DiskIdentity.h"
#include "core/LineEnding.h"
#include "core/LineIndex.h"
#include "core/TextEncoding.h"

#include <filesystem>
#include <optional>

namespace EditorDocuments {

// A document's file read again as it is now, for a window that already shows it: the text in
// the document's encoding (else as detection reads it), the identity of exactly those bytes,
// and the text's line index and breaks, all made on the reading worker.
struct CurrentFile
{
    EditorCore::TextSnapshot text;
    std::optional<EditorCore::DiskIdentity> identity;
    EditorCore::LineIndex lines;
    EditorCore::LineEndingSummary lineEndings;
};

// Reads `url` so, blocking on the file system (a worker's job); none when it cannot be read
// or decoded.
std::optional<CurrentFile> readCurrentFile(const std::filesystem::path& url,
                                           EditorCore::TextEncoding encoding);

} // namespace EditorDocuments
