#pragma once

#include "app/settings/SettingsControls.h"
#include "app/settings/SheetTimer.h"

#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace EditorSettings {

struct FinderMenuSheetEnvironment
{
    std::optional<std::filesystem::path> extensionFolder; // none: the file manager's
    std::function<bool(const QUrl&)> openUrl;             // none: the desktop services
    std::unique_ptr<SheetTimer> timer;                    // none: a QTimer
};

// The guide to the file manager's context menu. The file manager has no switch for its
// extensions: it loads every module in its extension folder when it starts, so "on" means our
// module is installed there. Read again every second while shown, never stored.
class FinderMenuSheet : public RefreshingSheet
{
    Q_OBJECT

public:
    using Environment = FinderMenuSheetEnvironment;

    static constexpr int rowWidth = 480;

    explicit FinderMenuSheet(QWidget* parent = nullptr);
    explicit FinderMenuSheet(Environment environment, QWidget* parent = nullptr);
    ~FinderMenuSheet() override;

    // The extension folder named at build time and our module's file name in it.
    static std::filesystem::path defaultExtensionFolder();
    static const char* moduleFileName();
    static bool isModuleInstalled(const std::filesystem::path& extensionFolder);
    // In the file manager's own extension folder.
    static bool isExtensionEnabled();

    void refresh() override;
    // Opens the file manager in the home folder.
    void openExtensionSettings();

    QLabel* statusLabel() const { return m_statusLabel; }
    ActionButton* openButton() const { return m_open; }
    ActionButton* closeButton() const { return m_close; }

private:
    void buildView();

    std::filesystem::path m_extensionFolder;
    std::function<bool(const QUrl&)> m_openUrl;
    QLabel* m_statusLabel = nullptr;
    ActionButton* m_open = nullptr;
    ActionButton* m_close = nullptr;
};

} // namespace EditorSettings
