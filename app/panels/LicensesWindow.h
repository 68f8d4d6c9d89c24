#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QTextEdit;
class QWidget;

namespace EditorPanels {

// One scrolling read-only text with the licence of every component the application is built
// from and ships, each under its heading. One per process, built once. Main thread only.
class LicensesWindow : public QObject
{
    Q_OBJECT
public:
    static constexpr int windowWidth = 620;
    static constexpr int windowHeight = 520;

    static LicensesWindow& shared();

    // Where the licence files lie: "licenses" beside the binary in the build tree, else the
    // installed data folder (<prefix>/share/orlune-viewer/licenses); none when neither is there.
    static std::optional<std::filesystem::path> licenseFolder();

    // The folder's direct entries whose extension is exactly "txt", sorted by file name; empty
    // for a missing or unreadable folder.
    static std::vector<std::filesystem::path>
    licenseFiles(const std::optional<std::filesystem::path>& folder);
    // The file name without its extension, every "-" shown as " · ".
    static QString heading(const std::filesystem::path& file);
    // The whole file as UTF-8; empty when it cannot be read or is not valid UTF-8.
    static QString body(const std::filesystem::path& file);

    // Without a folder: `licenseFolder()`.
    explicit LicensesWindow(std::optional<std::filesystem::path> folder = licenseFolder());
    ~LicensesWindow() override;

    // Centred when it is not on screen; a visible window keeps its place.
    void showWindow();

    QWidget* window() const { return m_window.get(); }
    QTextEdit* textView() const { return m_text; }

private:
    std::unique_ptr<QWidget> m_window;
    QTextEdit* m_text = nullptr;
};

} // namespace EditorPanels
