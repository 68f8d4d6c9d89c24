#pragma once

#include "app/settings/SettingsForm.h"
#include "store/SettingKeys.h"

#include <QPointer>
#include <QSize>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace EditorKit {
class Presenter;
}

namespace EditorSettings {

// Runs the work after the delay on the main thread (a single-shot timer; tests inject one).
using SettingsScheduler = std::function<void(std::chrono::milliseconds, std::function<void()>)>;

struct SettingsPaneEnvironment
{
    EditorStore::Settings* settings = nullptr;       // none: the shared store
    std::shared_ptr<EditorKit::Presenter> presenter; // none: message boxes
    SettingsScheduler schedule;                      // none: a single-shot timer
};

// One tab of the settings window: a form kept in step with the store, and for a settings
// group a last "기본값으로…" button that resets the group after naming what will change. It
// sizes the window to its form and presents the sheets of the window. Main thread only.
class SettingsPane : public QWidget
{
    Q_OBJECT

public:
    using Environment = SettingsPaneEnvironment;

    // `title` is the localized title.
    SettingsPane(QString title,
                 std::string symbol,
                 std::optional<EditorStore::SettingGroup> group,
                 Environment environment = {},
                 QWidget* parent = nullptr);
    ~SettingsPane() override;

    const QString& title() const { return m_title; }
    const std::string& symbol() const { return m_symbol; }
    std::optional<EditorStore::SettingGroup> group() const { return m_group; }
    SettingsForm& form() { return m_form; }
    const SettingsForm& form() const { return m_form; }
    EditorStore::Settings& settings() const { return m_form.settings(); }
    ActionButton* resetButton() const { return m_resetButton; }
    EditorKit::Presenter& presenter() const { return *m_presenter; }

    // Further refresh work of the pane's builder, run after the form's refreshers.
    std::vector<std::function<void()>> onRefresh;

    // The builder's last row: the reset button, without a label.
    void addResetButton();

    // Shows the form and starts following the store; after the builder has run. Once.
    void loadView();
    bool isViewLoaded() const { return m_view != nullptr; }

    // The window shows the pane: before, it sizes the pane by the size rule; after, it
    // refreshes it.
    void viewWillAppear();
    void viewDidAppear();

    void refresh();

    // The content size by the rule: max(540, grid width + 48) by grid height + 40; zero
    // without a grid.
    QSize fittingContentSize() const;
    // What the window makes its content size while the pane is shown.
    QSize preferredContentSize() const { return m_preferredContentSize; }
    void setPreferredContentSize(QSize size);
    // The window's hook: resize to the given content size, keeping the top-left corner.
    std::function<void(QSize)> onPreferredContentSizeChange;

    // Resizes the window to the form, when the pane is loaded and in a window.
    void fitWindowToContent();

    // Presents the sheet over the window (taking it over), one turn of the event loop later;
    // a sheet asked for while another one is shown is dropped.
    void presentSheet(SettingsSheet* sheet);
    SettingsSheet* presentedSheet() const { return m_sheet; }

    // Asks before resetting the group, naming the labels of its stored keys; nothing when none
    // of them has a label.
    void confirmReset();
    // The end of the reset question: only the first button resets.
    void resetToDefaults(int chosenButton);

    // The question's texts for the labels given, in their order.
    QString resetQuestion() const;
    static QString resetInformativeText(const std::vector<QString>& labels);
    std::vector<QString> storedLabels() const;

private:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work);

    QString m_title;
    std::string m_symbol;
    std::optional<EditorStore::SettingGroup> m_group;
    SettingsForm m_form;
    std::shared_ptr<EditorKit::Presenter> m_presenter;
    SettingsScheduler m_schedule;
    ActionButton* m_resetButton = nullptr;
    QWidget* m_view = nullptr;
    QPointer<SettingsSheet> m_sheet;
    bool m_sheetPending = false;
    QSize m_preferredContentSize;
    std::uint64_t m_observer = 0;
};

} // namespace EditorSettings
