#pragma once

#include "core/TextEncoding.h"

#include <optional>

namespace EditorWindow {

// The background load of a file over the large-file threshold, as the other features of the
// window start it (the disk states after an outside change, the hex view and the not-text
// question). Found through `DocumentWindowController::service`. Main thread only.
class LargeFileLoading
{
public:
    virtual ~LargeFileLoading() = default;
    // Loads from what is loaded so far to the next target; none: the document's encoding. A
    // load already under way is left alone.
    virtual void startLargeLoad(std::optional<EditorCore::TextEncoding> encoding) = 0;
    // The file changed on disk: a load under way is dropped and the file is loaded again from
    // its start, its text replacing the text shown.
    virtual void restartLargeLoad() = 0;
    virtual bool isLoading() const = 0;
};

} // namespace EditorWindow
