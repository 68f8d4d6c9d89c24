#pragma once

#include "app/settings/SettingsControls.h"
#include "store/Settings.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace EditorSettings {

// A pop-up's or radio group's choice: the title shown and the value stored.
template<class T>
struct SettingsChoice
{
    QString title;
    T value;
};

// The controls of a stepper row: the number field, its stepper and the unit text.
struct StepperRow
{
    QLineEdit* field = nullptr;
    SettingsStepper* stepper = nullptr;
    QLabel* unit = nullptr;
    QWidget* stack = nullptr;
};

// A two-column form of settings: right-aligned labels ending in ":" and controls bound to
// setting keys. A control only writes the store; the owner runs `refresh` on every change
// notification, so every control shows what the store holds, whoever changed it. Builders set
// no initial state: the first refresh does. Main thread only.
class SettingsForm
{
public:
    using Row = std::vector<QWidget*>;

    explicit SettingsForm(EditorStore::Settings& settings = EditorStore::Settings::shared());
    SettingsForm(const SettingsForm&) = delete;
    SettingsForm& operator=(const SettingsForm&) = delete;

    EditorStore::Settings& settings() const { return m_settings; }
    const std::vector<Row>& rows() const { return m_rows; }
    const std::set<std::size_t>& unalignedRows() const { return m_unalignedRows; }
    // The user's name of each bound setting, by key name, for the reset question.
    const std::map<std::string, QString, std::less<>>& labels() const { return m_labels; }
    // The grid of the view made by makeView; null before, or once the view is gone.
    QWidget* grid() const { return m_grid; }

    // Records (or, with none, removes) the label of a key bound by the caller itself.
    void recordLabel(std::string_view keyName, const std::optional<QString>& label);
    // Refresh work of a control bound by the caller itself, run in order with the others.
    void addRefresher(std::function<void()> refresher);

    // A row of a label (shown with ":"; an empty cell when none) and a control. A row that is
    // not aligned is centred in its height.
    QLabel* addRow(const std::optional<QString>& label, QWidget* control, bool aligned = true);
    // A small secondary text in the control column, wrapping at 360 points.
    QLabel* addNote(const QString& text);
    void addSeparator();

    StepperRow addStepper(const std::optional<QString>& label,
                          const EditorStore::SettingKeys::Integer& key,
                          int minimum,
                          int maximum,
                          const QString& unit);
    ActionCheckBox* addCheckbox(const std::optional<QString>& rowLabel,
                                const QString& title,
                                const EditorStore::SettingKeys::Boolean& key,
                                std::function<void()> onChange = {});
    ActionTextField* addTextField(const QString& label,
                                  const EditorStore::SettingKeys::Text& key,
                                  std::function<void()> onChange = {});

    // Pop-ups add no row: the caller places them.
    QComboBox* addPopup(const std::optional<QString>& label,
                        const EditorStore::SettingKeys::Text& key,
                        std::vector<SettingsChoice<std::string>> choices);
    QComboBox* addPopup(const std::optional<QString>& label,
                        const EditorStore::SettingKeys::Integer& key,
                        std::vector<SettingsChoice<std::int64_t>> choices);
    QComboBox* addPopup(const std::optional<QString>& label,
                        const EditorStore::SettingKeys::Double& key,
                        std::vector<SettingsChoice<double>> choices);

    // The radio buttons, in the order of the choices, followed in the row by `extraViews`.
    std::vector<ActionRadioButton*> addRadioGroup(const QString& label,
                                                  const EditorStore::SettingKeys::Boolean& key,
                                                  std::vector<SettingsChoice<bool>> choices,
                                                  std::vector<QWidget*> extraViews = {});
    std::vector<ActionRadioButton*> addRadioGroup(const QString& label,
                                                  const EditorStore::SettingKeys::Text& key,
                                                  std::vector<SettingsChoice<std::string>> choices,
                                                  std::vector<QWidget*> extraViews = {});

    // The form's view: the grid of rows with insets of 20 above and below and 24 at the sides,
    // at least 540 wide. Made once.
    QWidget* makeView();
    // Runs every refresher once, in the order the controls were added.
    void refresh();

    // The horizontal stack the radio groups and stepper rows use (spacing 8, no margins).
    static QWidget* makeStack(const std::vector<QWidget*>& views);

    static constexpr int rowSpacing = 8;
    static constexpr int columnSpacing = 10;
    static constexpr int topInset = 20;
    static constexpr int sideInset = 24;
    static constexpr int minimumWidth = 540;
    static constexpr int noteWidth = 360;

private:
    template<class T>
    QComboBox* addPopupOf(const std::optional<QString>& label,
                          const EditorStore::SettingKey<T>& key,
                          std::vector<SettingsChoice<T>> choices);
    template<class T>
    std::vector<ActionRadioButton*> addRadioGroupOf(const QString& label,
                                                    const EditorStore::SettingKey<T>& key,
                                                    std::vector<SettingsChoice<T>> choices,
                                                    std::vector<QWidget*> extraViews);

    EditorStore::Settings& m_settings;
    std::vector<Row> m_rows;
    std::set<std::size_t> m_unalignedRows;
    std::vector<std::function<void()>> m_refreshers;
    std::map<std::string, QString, std::less<>> m_labels;
    QPointer<QWidget> m_grid;
    QPointer<QWidget> m_view;
};

} // namespace EditorSettings
