#pragma once

#include "core/ByteForms.h"
#include "core/ChunkedText.h"
#include "core/EncodingGuess.h"
#include "core/Indentation.h"
#include "core/LineEnding.h"
#include "core/LineIndex.h"
#include "core/TextEncoding.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace EditorDocuments {

// How a document's text is stored on disk.
struct FileFormat
{
    EditorCore::TextEncoding encoding = EditorCore::TextEncoding::utf8;
    // The file starts (or is to start) with the encoding's byte-order mark.
    bool hasByteOrderMark = false;
    // The detection that chose the encoding; a choice by hand is a guess with source
    // `userChoice`. None for new documents and for files that are not text.
    std::optional<EditorCore::EncodingGuess> guess;
    // The file's own byte forms of characters its encoding's table writes otherwise. The
    // braces keep the usual three-part brace form of a format free of a warning.
    EditorCore::ByteForms byteForms{};

    bool operator==(const FileFormat&) const = default;

    // The format of a new document from the settings "file.new.encoding" (a raw value; one
    // that names no encoding gives UTF-8) and "file.new.bom" (kept only for the Unicode forms).
    static FileFormat newDocumentDefault(std::string_view encodingRawValue, bool byteOrderMark);
};

std::ostream& operator<<(std::ostream&, const FileFormat&);

// Loading state of a file over the large-file threshold; the window's loader advances it.
struct LargeFileState
{
    std::filesystem::path url;
    std::uint64_t size = 0;        // bytes on disk when opened
    std::uint64_t loadedBytes = 0; // bytes decoded so far
    bool lossy = false;            // decoding lost characters

    bool operator==(const LargeFileState&) const = default;
};

enum class ReadOnlyReason { userChose, noPermission, externalCopy, largeFile, notText };

std::string_view rawValue(ReadOnlyReason);
std::ostream& operator<<(std::ostream&, ReadOnlyReason);

// A decoded text with what was found in it. The text is a snapshot of chunks built as it was
// decoded: a view takes it over without a copy, and any thread may read it.
struct Loaded
{
    EditorCore::TextSnapshot text;
    FileFormat format;
    EditorCore::LineEndingSummary lineEndings;
    std::optional<EditorCore::IndentStyle> indentStyle;
    // The text's lines, from the same scan that gives `lineEndings`, for a view to take.
    EditorCore::LineIndex lines;
};

} // namespace EditorDocuments
