#pragma once

#include "app/window/WindowFeature.h"

#include <memory>

namespace EditorWindow {

class SuspiciousScan;

// Boxes the suspicious characters in the text and keeps the status bar's count of them: a
// count when the window opens or its whole text is replaced, and one after typing pauses.
class SuspiciousMarksFeature : public WindowFeature
{
public:
    SuspiciousMarksFeature();
    ~SuspiciousMarksFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;

private:
    std::unique_ptr<SuspiciousScan> m_scan;
};

} // namespace EditorWindow
