#pragma once

#include "core/ChunkedText.h"

#include <unicode/utext.h>

#include <cstdint>

namespace EditorCore {

// Opens a read-only UText over [location, location + length) of snapshot (clamped), reading its
// chunks in place: no copy of the text, and chunks of one byte per unit are widened one at a
// time. Native indexes are UTF-16 offsets from location, so the range's ends are the text's
// ends for whoever reads it (the regular-expression engine's anchors and look-around). The
// UText holds its own copy of the snapshot; like utext_openUChars it reuses ut when given one,
// and is closed with utext_close. Clones share the snapshot and may move to other threads.
UText* openSnapshotUText(UText* ut,
                         const TextSnapshot& snapshot,
                         std::int64_t location,
                         std::int64_t length,
                         UErrorCode* status);

} // namespace EditorCore
