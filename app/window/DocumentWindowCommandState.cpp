// The window's side of the command state: gathering what the rules read.
#include "app/views/TextStorage.h"
#include "app/window/CommandState.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "store/Settings.h"

#include <QUndoStack>

namespace EditorWindow {

using EditorStore::SettingKeys;

CommandState DocumentWindowController::commandState(const EditorCommands::CommandID& id) const
{
    return EditorWindow::commandState(id, commandStateInputs());
}

CommandStateInputs DocumentWindowController::commandStateInputs() const
{
    CommandStateInputs inputs;
    inputs.options = m_display->options;
    inputs.editable = m_textView->isEditable();
    inputs.selectionIsEmpty = m_textView->selectedRange().length == 0;
    if (QUndoStack* stack = m_textView->undoStack()) {
        inputs.canUndo = stack->canUndo();
        inputs.canRedo = stack->canRedo();
    }
    inputs.statusBarHidden = m_statusBar->isHidden();
    EditorStore::Settings& values = settings();
    inputs.showToolbarSetting = values.value(SettingKeys::viewShowToolbar);
    inputs.syntaxErrorsSetting = values.value(SettingKeys::viewSyntaxErrors);
    inputs.suspiciousTotal = m_suspiciousReport.total();
    inputs.replacementCharacters =
        m_suspiciousReport.count(EditorCore::SuspiciousKind::replacementCharacter);
    inputs.language = effectiveLanguage();
    for (const auto& feature : m_features)
        feature->contributeCommandState(inputs);

    WindowDocument* current = document();
    if (!current)
        return inputs;
    inputs.hasDocument = true;
    inputs.hasFileURL = current->fileURL().has_value();
    inputs.hasLargeFile = current->hasLargeFile();
    inputs.encoding = current->encoding();
    inputs.hasByteOrderMark = current->hasByteOrderMark();

    // Asked at every tool-band refresh: lengths first, a full comparison at most once per
    // version of the text.
    EditorViews::TextStorage& storage = m_textView->storage();
    const QString loaded = current->loadedText();
    if (!m_revertCheck || m_revertCheck->version != storage.version()
        || m_revertCheck->loaded != loaded.constData()
        || m_revertCheck->loadedLength != loaded.size()) {
        const QString& text = storage.text();
        const bool differs = loaded.size() != text.size() || loaded != text;
        m_revertCheck = RevertCheck{storage.version(), loaded.constData(), loaded.size(), differs};
    }
    inputs.textDiffersFromLoaded = m_revertCheck->differs;
    return inputs;
}

} // namespace EditorWindow
