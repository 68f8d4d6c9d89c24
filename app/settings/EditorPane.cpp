#include "app/settings/SettingsWindowController.h"

namespace EditorSettings {

void SettingsWindowController::makeEditorPane(SettingsForm& form, SettingsPane& pane)
{
    form.addSeparator();
    pane.addResetButton();
}

} // namespace EditorSettings
