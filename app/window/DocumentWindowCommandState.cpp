// The window's side of the command state: gathering what the rules read.
#include "app/views/TextStorage.h"
#include "app/window/CommandState.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "commands/CommandCatalog.h"
#include "store/Settings.h"

#include <QUndoStack>

namespace EditorWindow {

using EditorStore::SettingKeys;

CommandState DocumentWindowController::commandState(const EditorCommands::CommandID& id) const
{
    return EditorWindow::commandState(id, commandStateInputs());
}

std::optional<bool> DocumentWindowController::actionState(std::string_view,
                                                          const EditorKit::ActionSender& sender) const
{
    if (sender.identifier.isEmpty())
        return std::nullopt;
    const EditorCommands::CommandID id{sender.identifier.toStdString()};
    const auto command = EditorCommands::CommandCatalog::command(id);
    if (!command || !command->isToggle || !hasCommandStateRule(id))
        return std::nullopt;
    return commandState(id).isOn;
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
    // version of the text. A long text without a copy differs while it is edited.
    EditorViews::TextStorage& storage = m_textView->storage();
    const std::optional<QString> opened = current->openedText();
    if (!opened) {
        m_revertCheck.reset();
        inputs.textDiffersFromLoaded = current->isEdited();
        return inputs;
    }
    if (!m_revertCheck || m_revertCheck->version != storage.version()
        || m_revertCheck->loaded != opened->constData()
        || m_revertCheck->loadedLength != opened->size()) {
        const bool differs = !EditorViews::snapshotEquals(storage.current(), *opened);
        m_revertCheck =
            RevertCheck{storage.version(), opened->constData(), opened->size(), differs};
    }
    inputs.textDiffersFromLoaded = m_revertCheck->differs;
    return inputs;
}

} // namespace EditorWindow
