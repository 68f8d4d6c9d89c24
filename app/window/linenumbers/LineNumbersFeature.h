#pragma once

#include "app/window/WindowFeature.h"

#include <QPointer>

namespace EditorViews {
class LineNumberRuler;
}

namespace EditorWindow {

// Keeps the line-number ruler's width and drawing in step with the text: its numbers come
// from the view's line index, its width from the line count.
class LineNumbersFeature : public WindowFeature
{
public:
    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;

private:
    QPointer<EditorViews::LineNumberRuler> m_ruler;
};

} // namespace EditorWindow
