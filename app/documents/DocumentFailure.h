#pragma once

#include "app/documents/AdminWriter.h"
#include "core/DocumentError.h"
#include "core/TextCodec.h"

#include <string>
#include <system_error>
#include <variant>

namespace EditorDocuments {

// Every failure a document reports from a read or a write: its own error, the codec's, the
// administrator writer's, or the platform's.
using DocumentFailure = std::variant<EditorCore::DocumentError,
                                     EditorCore::TextCodecError,
                                     AdminWriter::Failure,
                                     std::error_code>;

// The document error inside a failure, if it is one.
const EditorCore::DocumentError* findDocumentError(const DocumentFailure& failure);

// The short text of an "err" field in the event log.
std::string describeForLog(const DocumentFailure& failure);

} // namespace EditorDocuments
