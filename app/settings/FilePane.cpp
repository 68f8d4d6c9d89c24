#include "app/settings/SettingsWindowController.h"

namespace EditorSettings {

void SettingsWindowController::makeFilePane(SettingsForm& form, SettingsPane& pane)
{
    form.addSeparator();
    pane.addResetButton();
}

} // namespace EditorSettings
