#include "app/settings/SettingsWindowController.h"

namespace EditorSettings {

void SettingsWindowController::makeViewPane(SettingsForm& form, SettingsPane& pane, const ViewPaneSources&)
{
    form.addSeparator();
    pane.addResetButton();
}

} // namespace EditorSettings
