#pragma once

#include "app/kit/Presenter.h"
#include "store/Settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace SettingsTests {

// Every test starts from the defaults of all four groups.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { resetAll(); }
    void TearDown() override { resetAll(); }

    static void resetAll()
    {
        for (auto group : EditorStore::allSettingGroups)
            EditorStore::Settings::shared().reset(group);
    }

    static EditorStore::Settings& settings() { return EditorStore::Settings::shared(); }
};

// Answers alerts with a chosen button and keeps what it was asked.
class RecordingPresenter : public EditorKit::Presenter
{
public:
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        alerts.push_back(alert);
        if (onAlert)
            onAlert();
        return answer;
    }
    std::optional<std::filesystem::path> runSavePanel(QWidget*, const QString&) override
    {
        return std::nullopt;
    }

    int answer = 0;
    std::function<void()> onAlert;
    std::vector<EditorKit::Alert> alerts;
};

// Keeps the delayed work instead of running it, so a test says when time has passed.
struct ManualScheduler
{
    struct Work
    {
        std::chrono::milliseconds delay;
        std::function<void()> work;
    };
    std::vector<Work> pending;

    std::function<void(std::chrono::milliseconds, std::function<void()>)> function()
    {
        return [this](std::chrono::milliseconds delay, std::function<void()> work) {
            pending.push_back({delay, std::move(work)});
        };
    }
    void runAll()
    {
        auto due = std::move(pending);
        pending.clear();
        for (auto& item : due)
            item.work();
    }
};

} // namespace SettingsTests
