#pragma once

#include "app/settings/SettingsPane.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QActionGroup;
class QAction;
class QCheckBox;
class QLabel;
class QStackedWidget;
class QToolBar;

namespace Platform {
class PreferencesDomain;
}

namespace EditorSettings {

// Where the View pane takes the fonts it offers and the grammar server it names.
struct SettingsViewPaneSources
{
    // The fixed-pitch families installed; none: the font database's.
    std::function<QStringList()> fixedPitchFamilies;
    // The grammar download server's host; none: the grammar center's.
    std::function<QString()> grammarHost;
};

struct SettingsWindowEnvironment
{
    EditorStore::Settings* settings = nullptr;       // none: the shared store
    std::shared_ptr<EditorKit::Presenter> presenter; // none: message boxes
    SettingsScheduler schedule;                      // none: single-shot timers
    // Where the position is remembered; none: the application's own preferences.
    std::shared_ptr<Platform::PreferencesDomain> preferences;
    SettingsViewPaneSources viewPane;
};

// The application's one settings window: the panes "일반", "편집", "보기" and "파일" as
// exclusive tool-bar buttons over the panes; the window's size follows the pane shown and it
// cannot be resized by the user. Its position is remembered under "SettingsWindow" in the
// application's preferences. Main thread only.
class SettingsWindowController : public QObject
{
    Q_OBJECT

public:
    using ViewPaneSources = SettingsViewPaneSources;
    using Environment = SettingsWindowEnvironment;

    static constexpr const char* frameAutosaveName = "SettingsWindow";

    // The window of the running application, created on first use and kept for the run.
    static SettingsWindowController& shared();

    explicit SettingsWindowController(Environment environment = {});
    ~SettingsWindowController() override;

    QWidget* window() const { return m_window; }
    QToolBar* toolBar() const { return m_toolBar; }
    // The tab buttons, in tab order.
    QList<QAction*> tabActions() const;
    // The panes, in tab order: General, Edit, View, File.
    const std::vector<SettingsPane*>& panes() const { return m_panes; }
    SettingsPane* selectedPane() const;
    void selectTab(int index);

    // Centres the window when it is not shown yet, then shows it in front.
    void showWindow();

    // Shows the window on its General pane and presents the sheet `makeSheet` makes there.
    void presentSheet(const std::function<SettingsSheet*()>& makeSheet);

    // The pane builders.
    static void makeGeneralPane(SettingsForm& form, SettingsPane& pane);
    static void makeEditorPane(SettingsForm& form, SettingsPane& pane);
    static void
    makeViewPane(SettingsForm& form, SettingsPane& pane, const ViewPaneSources& sources = {});
    static void makeFilePane(SettingsForm& form, SettingsPane& pane);

    // Edit pane: "넣으면: …" with the stored date format applied to the present moment.
    static void updateDatePreview(QLabel* note, const EditorStore::Settings& settings);

    // File pane: the byte-order-mark check box, usable only for an encoding that has a mark.
    static void storeNewFileBOM(QCheckBox* checkBox, EditorStore::Settings& settings);
    static void updateBOMCheckbox(QCheckBox* checkBox, const EditorStore::Settings& settings);

    // View pane: "D2Coding" first, then the other fixed-pitch families and the stored one
    // (unless hidden, with a name starting with "."), in the file manager's name order.
    static QStringList fixedPitchFontFamilies(const QStringList& installedFixedPitch,
                                              const QString& storedFamily);
    static QStringList installedFixedPitchFamilies();
    static const std::vector<double>& fontSizeChoices();
    static std::vector<double> lineSpacingChoices();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyContentSize(SettingsPane* pane, QSize size);
    void centre();
    void tintIcons();
    void rememberPosition();
    void restorePosition();

    Environment m_environment;
    QPointer<QWidget> m_window;
    QToolBar* m_toolBar = nullptr;
    QActionGroup* m_tabGroup = nullptr;
    QStackedWidget* m_stack = nullptr;
    std::vector<SettingsPane*> m_panes;
    bool m_restoringPosition = false;
};

} // namespace EditorSettings
