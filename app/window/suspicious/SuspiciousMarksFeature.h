#pragma once

#include "app/window/WindowFeature.h"
#include "core/SuspiciousCharacters.h"

#include <QObject>

#include <memory>
#include <optional>

class QMenu;

namespace EditorWindow {

class SuspiciousScan;

// Boxes the suspicious characters in the text and keeps the status bar's count of them (and
// the document's summary of line breaks): a count when the window opens or its whole text is
// replaced, and one after typing pauses. Its segment's menu steps through them by kind and
// replaces them all with ordinary characters.
class SuspiciousMarksFeature
    : public QObject
    , public WindowFeature
{
public:
    SuspiciousMarksFeature();
    ~SuspiciousMarksFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;
    bool statusSegmentClicked(StatusBarView::Segment segment, QPushButton* button) override;
    // The count's total on the status bar, and the counts the command rules read.
    void contributeStatus(StatusContent::Inputs& inputs) const override;
    void contributeCommandState(CommandStateInputs& inputs) const override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

    // A count of the current text after the delay (a pending one is dropped).
    void scheduleScan(std::chrono::milliseconds delay);
    // A count is scheduled or under way.
    bool isCounting() const;
    // The last count of suspicious characters.
    const EditorCore::SuspiciousReport& report() const { return m_report; }
    // The segment's menu, built anew at each click (the caller owns it).
    std::unique_ptr<QMenu> suspiciousMenu();
    // Selects the next occurrence at or after the selection's end (of the kind, or of any
    // kind), wrapping to the first; nothing when there is none.
    void selectNextSuspicious(std::optional<EditorCore::SuspiciousKind> kind);
    // Every suspicious character but the replacement character becomes an ordinary one, as
    // one undoable step.
    void normalizeSuspicious();

private:
    DocumentWindowController* m_window = nullptr;
    std::unique_ptr<SuspiciousScan> m_scan;
    EditorCore::SuspiciousReport m_report;
};

} // namespace EditorWindow
