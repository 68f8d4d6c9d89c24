#pragma once

#include "app/settings/SheetTimer.h"

#include <functional>
#include <memory>

namespace SettingsTests {

// A sheet timer the test fires by hand; the state it shares outlives the sheet.
struct ManualTimerState
{
    bool active = false;
    std::function<void()> tick;
    int starts = 0;
    void fire()
    {
        if (active && tick)
            tick();
    }
};

class ManualSheetTimer : public EditorSettings::SheetTimer
{
public:
    explicit ManualSheetTimer(std::shared_ptr<ManualTimerState> state)
        : m_state(std::move(state))
    {}
    ~ManualSheetTimer() override { m_state->active = false; }
    void start(std::chrono::milliseconds, std::function<void()> tick) override
    {
        m_state->active = true;
        m_state->tick = std::move(tick);
        ++m_state->starts;
    }
    void stop() override { m_state->active = false; }
    bool isActive() const override { return m_state->active; }

private:
    std::shared_ptr<ManualTimerState> m_state;
};

} // namespace SettingsTests
