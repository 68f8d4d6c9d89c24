#pragma once

#include "app/views/VisualLineMap.h"
#include "core/ChunkedText.h"
#include "core/LineIndex.h"
#include "core/TextEncoding.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

namespace EditorWindow {

// The sizes a large file is loaded in; tests make them small.
struct LargeLoadSteps
{
    // A file up to this size is read whole in one job.
    std::uint64_t wholeFileLimit = 536'870'912;
    // A larger file is read this much further per job ("더 읽기").
    std::uint64_t step = 67'108'864;
    // One read of the job.
    std::size_t readLength = 8'388'608;
};

// The file offset at which a job stops: the file's end, or for a file over the whole-file
// limit the step beyond what is loaded (never past the end).
std::uint64_t largeLoadTarget(std::uint64_t size,
                              std::uint64_t loadedBytes,
                              const LargeLoadSteps& steps = {});

// One job of a large-file load.
struct LargeLoadRequest
{
    std::filesystem::path url;
    // Where the job starts (the bytes already loaded) and stops.
    std::uint64_t start = 0;
    std::uint64_t target = 0;
    // The target is the end of the file: what is left there is decoded whole. Otherwise an
    // unfinished line waits for the next job.
    bool targetIsEndOfFile = true;
    // Drop the encoding's byte-order mark when the first read begins with it.
    bool skipByteOrderMark = false;
    EditorCore::TextEncoding encoding = EditorCore::TextEncoding::utf8;
    std::size_t readLength = LargeLoadSteps{}.readLength;
    // The text is the whole text (start 0): its line index is built with it.
    bool buildIndex = false;
};

struct LargeLoadResult
{
    // The text of this job, in chunks (one byte per unit where they fit).
    EditorCore::TextSnapshot text;
    // Of `text`, when asked for, with its visual lines unwrapped.
    std::optional<EditorCore::LineIndex> index;
    std::optional<EditorViews::VisualLineMap> visualLines;
    // File offset reached, and the bytes read but not decoded (a character or line that goes
    // on past `offset`); the bytes loaded are `offset - carry`.
    std::uint64_t offset = 0;
    std::uint64_t carry = 0;
    bool lossy = false;
    // The file ended before the target (it shrank since it was opened).
    bool endedEarly = false;
    // The file could not be opened or read; what was decoded before stays.
    std::optional<std::error_code> error;
    bool stopped = false;
};

// Reads and decodes the job on the calling thread (a worker). Before every read it asks
// `shouldGoOn` (false: stop, `stopped` set); after every read it reports the offset reached.
// Reads never map the file. The text is decoded piece by piece straight into chunks (ASCII
// bytes of the one-byte encodings and of UTF-8 taken as they are), with its line index in the
// same pass when asked for: no string of the whole text is made.
LargeLoadResult runLargeLoad(const LargeLoadRequest& request,
                             const std::function<bool()>& shouldGoOn,
                             const std::function<void(std::uint64_t)>& progress);

} // namespace EditorWindow
