#include "app/window/linenumbers/LineNumbersFeature.h"

#include "app/views/LineNumberRuler.h"
#include "app/window/DocumentWindowController.h"

namespace EditorWindow {

void LineNumbersFeature::attach(DocumentWindowController& window)
{
    m_ruler = window.ruler();
}

void LineNumbersFeature::detach()
{
    m_ruler = nullptr;
}

void LineNumbersFeature::textDidEdit(const EditorViews::EditRecord&)
{
    if (!m_ruler)
        return;
    m_ruler->updateThickness();
    m_ruler->update();
}

} // namespace EditorWindow
