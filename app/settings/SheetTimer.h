#pragma once

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

} // namespace EditorSettings
