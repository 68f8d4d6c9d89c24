#pragma once

#include "core/ChunkedText.h"

#include <QString>
#include <QStringView>

namespace EditorDocuments {

// A snapshot's text as one QString: O(n), for whole-text uses run once (a short text kept for
// reverting, a windowless document's text handed to a caller), never per key.
QString flatText(const EditorCore::TextSnapshot& text);
// A snapshot holding the string's units (chunks one byte per unit where they fit).
EditorCore::TextSnapshot snapshotOf(QStringView text);

} // namespace EditorDocuments
