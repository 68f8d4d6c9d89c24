#pragma once

class QWidget;

namespace EditorDocuments {
class TextDocument;
}

namespace EditorKit {
class Presenter;
}

namespace EditorWindow {

// Whether the tab of `document` may close (its window for questions is `parent`; none: no
// question can be asked). An external copy closes; an edited administrator file, edits that
// cannot be saved safely and a memo with text are asked about (while quitting they are kept
// instead); anything else edited is saved in place, and a failed save is asked about too.
// Edits are never dropped without the user's word or a successful keep.
bool decideClose(EditorDocuments::TextDocument& document,
                 EditorKit::Presenter& presenter,
                 QWidget* parent);

// Whether a close is being decided now: a failed save then shows in the close's question, not
// in an alert of its own.
bool isDecidingClose();

} // namespace EditorWindow
