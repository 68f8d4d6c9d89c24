#pragma once

#include "core/Result.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace EditorKit {
class Presenter;
}

namespace EditorDocuments {
class DocumentController;
class TextDocument;
} // namespace EditorDocuments

namespace EditorShell {

// The small always-on-top panel for jotting a note from anywhere: closing it (Escape, the hot
// key again, its close button) appends the note as one dated entry to the memo file. Built on
// the first show and kept while hidden. Main thread only.
class QuickMemoPanel : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        std::shared_ptr<EditorKit::Presenter> presenter;
        // "탭으로 열기" opens the memo file here, shown.
        EditorDocuments::DocumentController* documents = nullptr;
        // Brings the application to the front; none: nothing.
        std::function<void()> activate;
        std::function<std::chrono::system_clock::time_point()> now;
        // Reads the present memo file (a test injects a failure here).
        std::function<EditorCore::Result<std::vector<std::uint8_t>, std::error_code>(
            const std::filesystem::path&)>
            readFile;
    };

    explicit QuickMemoPanel(Services services);
    ~QuickMemoPanel() override;

    // "quickMemo.path" with a leading "~" expanded, else "빠른 메모.txt" (localized) in the
    // Documents folder; none when no home folder is known.
    static std::optional<std::filesystem::path> memoFileURL();

    // Builds the panel on first use, refreshes the hint, places it above the middle of the
    // screen and shows it with the text focused. Text left in it is still there.
    void show();
    // Saves and hides: false when saving failed (after the alert; the panel and its text stay).
    // A blank text is neither written nor cleared.
    bool close();
    // The hot key and the "app.quickMemo" command: closes a visible panel, shows a hidden one.
    void toggle();
    bool isVisible() const;

    // Appends `memo` as one entry to the memo file; a blank memo writes nothing. The file is
    // written whole only when there is none; a file that exists but cannot be read is an error,
    // never replaced.
    [[nodiscard]] EditorCore::Result<void, std::error_code> appendToMemoFile(const QString& memo);
    // "탭으로 열기": saves first (and stops when that fails), creates the file empty when there
    // is none, then opens it as a tab with the caret at the end.
    void openMemoAsTab();

    // Null until the first show.
    QWidget* panel() const { return m_panel; }
    QPlainTextEdit* textView() const { return m_textView; }
    QLabel* hint() const { return m_hint; }
    QPushButton* openButton() const { return m_openButton; }

    // The hint under the text, with the hot key and the memo file's name.
    static QString hintText();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void makePanel();
    void place();

    Services m_services;
    QPointer<QWidget> m_panel;
    QPlainTextEdit* m_textView = nullptr;
    QLabel* m_hint = nullptr;
    QPushButton* m_openButton = nullptr;
};

} // namespace EditorShell
