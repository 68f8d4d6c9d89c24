#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QIcon;
class QLabel;
class QPushButton;
class QWidget;

namespace EditorPanels {

// The application's icon: the one the application was given, else the icon of its desktop
// entry.
QIcon applicationIcon();

// The about window: icon, name, version and build, tag line, a notice, and the button to the
// licences. One per process, built once. Main thread only.
class AboutWindow : public QObject
{
    Q_OBJECT
public:
    static constexpr int windowWidth = 380;
    static constexpr int windowHeight = 320;

    static AboutWindow& shared();

    struct Version
    {
        std::optional<std::string> shortVersion;
        std::optional<std::string> build;
    };
    // This build's version and build number; a value the build did not give is missing.
    static Version buildVersion();

    explicit AboutWindow(const Version& version = buildVersion());
    ~AboutWindow() override;

    // "판 <version> (빌드 <build>)" in the interface language, "?" for a missing value.
    static QString versionLine(const std::optional<std::string>& shortVersion,
                               const std::optional<std::string>& build);

    // Centred when it is not on screen; a visible window keeps its place.
    void showWindow();
    // The button's action: the shared licences window.
    void showLicenses();

    QWidget* window() const { return m_window.get(); }
    QLabel* versionLabel() const { return m_version; }
    QPushButton* licensesButton() const { return m_licenses; }

private:
    std::unique_ptr<QWidget> m_window;
    QLabel* m_version = nullptr;
    QPushButton* m_licenses = nullptr;
};

} // namespace EditorPanels
