#pragma once

#include "app/settings/SettingsPane.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAbstractButton;
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

// What the General pane shows of the application's shell and its outside parts. Each one unset
// reads as nothing known: no date, no version ("?"), "system" as the launch language, the
// file-manager module and the command link not installed, buttons that do nothing.
struct SettingsGeneralPaneServices
{
    // The language choice applied at this launch ("system" when none was applied).
    std::function<std::string()> launchLanguage;
    // The name of the language the environment would give the interface ("English").
    std::function<QString()> systemLanguageName;
    // Restarts the application (after the quit's own review).
    std::function<void()> relaunch;
    // When the updater last checked for a new version.
    std::function<std::optional<std::chrono::system_clock::time_point>()> lastUpdateCheckDate;
    // This build's short version ("0.8.2"); none or empty: "?".
    std::function<std::optional<std::string>()> appVersion;
    // A "quickMemo.shortcut" value in the key names of the interface ("Meta+Alt+N"); none: the
    // stored text.
    std::function<QString(std::string_view)> shortcutText;
    // The quick memo's file.
    std::function<std::optional<std::filesystem::path>()> memoFileURL;
    // The save dialog for the memo file: its suggested name and folder, plain text only; none
    // when cancelled. None: a file dialog over `parent`.
    std::function<std::optional<std::filesystem::path>(
        QWidget* parent, const QString& name, const QString& folder)>
        chooseMemoFile;
    // Whether the file manager's module of this application is installed.
    std::function<bool()> fileManagerModuleInstalled;
    // Whether the "olv" link points to this copy of the application.
    std::function<bool()> commandLinkIsOurs;
    // Whether the desktop entry "app.orlune.viewer.desktop" is installed, so that file managers
    // list the editor under "Open With"; none: looked up in the XDG data folders.
    std::function<bool()> desktopEntryInstalled;
    // The sheets the two status rows present: the file-manager guide and the command-line
    // installer.
    std::function<SettingsSheet*()> makeFileManagerSheet;
    std::function<SettingsSheet*()> makeCommandLineToolSheet;
};

struct SettingsWindowEnvironment
{
    EditorStore::Settings* settings = nullptr;       // none: the shared store
    std::shared_ptr<EditorKit::Presenter> presenter; // none: message boxes
    SettingsScheduler schedule;                      // none: single-shot timers
    // Where the position is remembered; none: the application's own preferences.
    std::shared_ptr<Platform::PreferencesDomain> preferences;
    SettingsViewPaneSources viewPane;
    SettingsGeneralPaneServices generalPane;
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
    using GeneralPaneServices = SettingsGeneralPaneServices;
    using Environment = SettingsWindowEnvironment;

    static constexpr const char* frameAutosaveName = "SettingsWindow";

    // The window of the running application, created on first use and kept for the run.
    static SettingsWindowController& shared();
    // What the shared window's General pane uses; set where the application starts, before
    // the window is first made.
    static GeneralPaneServices& sharedGeneralPaneServices();

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
    static void makeGeneralPane(SettingsForm& form,
                                SettingsPane& pane,
                                const GeneralPaneServices& services = {});
    static void makeEditorPane(SettingsForm& form, SettingsPane& pane);
    static void
    makeViewPane(SettingsForm& form, SettingsPane& pane, const ViewPaneSources& sources = {});
    static void makeFilePane(SettingsForm& form, SettingsPane& pane);

    // General pane: its refresh work and its buttons.
    static void updateLanguageRows(SettingsPane* pane,
                                   const std::vector<QWidget*>& relaunchRows,
                                   const GeneralPaneServices& services);
    static void updateUpdateStatus(QLabel* note, const GeneralPaneServices& services);
    static void updateQuickMemoPath(QLabel* pathLabel, const GeneralPaneServices& services);
    static void updateFinderStatus(QLabel* status,
                                   QAbstractButton* button,
                                   const GeneralPaneServices& services);
    static void updateCommandLineToolStatus(QLabel* status,
                                            QAbstractButton* button,
                                            const GeneralPaneServices& services);
    static void chooseQuickMemoFile(SettingsPane& pane, const GeneralPaneServices& services);
    static void showDefaultAppHelp(SettingsPane& pane);
    // "마지막 확인: …" or "아직 확인 안 함", " · ", "지금 …".
    static QString updateStatusText(std::optional<std::chrono::system_clock::time_point> lastCheck,
                                    const std::optional<std::string>& version);

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
