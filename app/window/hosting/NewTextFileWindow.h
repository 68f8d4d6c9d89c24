#pragma once

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace EditorDocuments {
class DocumentController;
}

namespace EditorWindow {

// The small floating window that creates an empty text file in a folder: the user types a
// name, checked as it is typed; the file is created without ever overwriting one, shown in the
// file manager and, when the setting "finder.openAfterCreate" is on, opened. Several may be
// open at once; each lives (and deletes itself) until it closes. Main thread only.
class NewTextFileWindow : public QWidget
{
    Q_OBJECT

public:
    struct Environment
    {
        // Opens the created file as a document (the document controller); none: nothing.
        std::function<void(const std::filesystem::path&)> openDocument;
        // The setting "finder.openAfterCreate"; none: read from the settings.
        std::function<bool()> openAfterCreate;
        // Shows the created file in the file manager; none: revealInFileManager.
        std::function<void(const std::filesystem::path&)> reveal;
    };

    // The running application's: the created file opens through `documents` (shown).
    static Environment environmentFor(EditorDocuments::DocumentController& documents);

    // Opens a window for `folder`; nothing (null) when no directory is there.
    static NewTextFileWindow*
    show(const std::filesystem::path& folder, bool activate, Environment environment = {});
    // The windows shown and not yet closed, oldest first.
    static std::vector<NewTextFileWindow*> openWindows();

    ~NewTextFileWindow() override;

    // The file the name stands for; none for a name that cannot be one.
    std::optional<std::filesystem::path> targetURL() const;
    void validateName();
    // Creates the file; a failure shows in the message and keeps the window open.
    void create();

    const std::filesystem::path& folder() const { return m_folder; }
    QLineEdit* nameField() const { return m_nameField; }
    QLabel* folderLine() const { return m_folderLine; }
    QLabel* message() const { return m_message; }
    QPushButton* createButton() const { return m_createButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    static constexpr QSize contentSize{420, 150};

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    NewTextFileWindow(std::filesystem::path folder, Environment environment);
    void showMessage(const QString& text);

    std::filesystem::path m_folder;
    Environment m_environment;
    QLabel* m_folderLine = nullptr;
    QLineEdit* m_nameField = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_createButton = nullptr;
};

} // namespace EditorWindow
