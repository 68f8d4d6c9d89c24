#pragma once

#include "app/settings/SettingsControls.h"

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

namespace EditorSettings {

// The repeating timer a sheet runs while it is on screen; tests give one they fire by hand.
class SheetTimer
{
public:
    virtual ~SheetTimer() = default;
    virtual void start(std::chrono::milliseconds interval, std::function<void()> tick) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// A QTimer on the main thread's event loop.
std::unique_ptr<SheetTimer> makeSheetTimer();

// A sheet that shows the state of an installation, which other programs may change: the state is
// read again every second while the sheet is on screen.
class RefreshingSheet : public SettingsSheet
{
public:
    virtual void refresh() = 0;
    SheetTimer& timer() const { return *m_timer; }

protected:
    // `timer`: none, a QTimer.
    RefreshingSheet(std::unique_ptr<SheetTimer> timer, QWidget* parent);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::unique_ptr<SheetTimer> m_timer;
};

} // namespace EditorSettings
