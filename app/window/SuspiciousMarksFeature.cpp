#include "app/window/SuspiciousMarksFeature.h"

#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/SuspiciousScan.h"

#include <QPointer>

namespace EditorWindow {

SuspiciousMarksFeature::SuspiciousMarksFeature() = default;
SuspiciousMarksFeature::~SuspiciousMarksFeature() = default;

void SuspiciousMarksFeature::attach(DocumentWindowController& window)
{
    QPointer<DocumentWindowController> weak(&window);
    window.textView()->setSuspiciousClassifier(SuspiciousScan::classifier());
    m_scan = std::make_unique<SuspiciousScan>(
        [weak] { return weak ? weak->textView()->text() : QString(); },
        [weak](EditorCore::SuspiciousReport report) {
            if (weak)
                weak->setSuspiciousReport(std::move(report));
        });
    m_scan->schedule(std::chrono::milliseconds(0));
}

void SuspiciousMarksFeature::detach()
{
    m_scan.reset();
}

void SuspiciousMarksFeature::textDidEdit(const EditorViews::EditRecord& edit)
{
    if (!m_scan)
        return;
    m_scan->schedule(edit.origin == EditorViews::EditOrigin::reload ? std::chrono::milliseconds(0)
                                                                    : SuspiciousScan::afterTyping);
}

} // namespace EditorWindow
