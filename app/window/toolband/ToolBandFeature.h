#pragma once

#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>

namespace EditorWindow {

class ToolBandView;

// The tool band of a window: made when "view.showToolbar" is on, placed above the banners, and
// refreshed once per turn of the event loop after edits, selection and focus changes, settings
// changes, routed commands and status refreshes (which the other features ask for).
class ToolBandFeature
    : public QObject
    , public WindowFeature
{
    Q_OBJECT
public:
    ToolBandFeature() = default;
    ~ToolBandFeature() override;

    // None while the band is turned off.
    ToolBandView* band() const;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;
    void selectionDidChange(EditorViews::TextRange selection) override;
    void settingsDidChange(const std::vector<std::string>& changedKeys) override;
    void windowBecameKey() override;
    Bands bands() const override;

private:
    bool isShown() const;
    // Makes or drops the band to match the setting.
    void followSetting();
    void setNeedsRefresh();

    DocumentWindowController* m_window = nullptr;
    QPointer<ToolBandView> m_band;
};

} // namespace EditorWindow
