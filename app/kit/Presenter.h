#pragma once

#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;
class QWidget;

namespace EditorKit {

// An alert with its buttons in the order they are shown.
struct Alert
{
    enum class Style { informational, warning, critical };

    Style style = Style::warning;
    QString text;
    QString informativeText;
    std::vector<QString> buttons;
    // Indexes into `buttons`: what Return chooses, and what Escape or closing the alert
    // chooses (none: the alert cannot be dismissed without a button).
    int defaultButton = 0;
    std::optional<int> cancelButton;
    // The button that loses something (drawn as such); none: no such button.
    std::optional<int> destructiveButton;
    // Shown below the informative text in a small fixed-pitch font (a preview of bytes);
    // empty: nothing.
    QString accessoryText;
    // What the question is about (a file's or an untitled text's name): the alert names it;
    // empty: nothing.
    QString subject;
};

// Every prompt and panel of the application goes through one presenter, so a test answers
// them. Main thread only.
class Presenter
{
public:
    virtual ~Presenter() = default;

    // Shows the alert over `parent` (window-modal) and returns the index of the chosen button.
    virtual int runAlert(const Alert& alert, QWidget* parent) = 0;
    // The save panel; none when the user cancelled.
    virtual std::optional<std::filesystem::path> runSavePanel(QWidget* parent,
                                                              const QString& suggestedName) = 0;
    // The print panel: the user sets up `printer`; false when the user cancelled. Without a
    // panel (a presenter of tests that do not print) the print is cancelled.
    virtual bool runPrintPanel(QPrinter& printer, QWidget* parent)
    {
        (void)printer;
        (void)parent;
        return false;
    }

    // The open panel: several files, no folders. The chosen files in the panel's order; empty
    // when the user cancelled. A presenter without panels cancels.
    virtual std::vector<std::filesystem::path> runOpenPanel(QWidget* parent)
    {
        (void)parent;
        return {};
    }
    // The folder open panel: one folder; none when the user cancelled.
    virtual std::optional<std::filesystem::path> runOpenFolderPanel(QWidget* parent)
    {
        (void)parent;
        return std::nullopt;
    }
};

// The presenter of the running application: message boxes and the file dialog.
class WidgetPresenter : public Presenter
{
public:
    int runAlert(const Alert& alert, QWidget* parent) override;
    std::optional<std::filesystem::path> runSavePanel(QWidget* parent,
                                                      const QString& suggestedName) override;
    bool runPrintPanel(QPrinter& printer, QWidget* parent) override;
    std::vector<std::filesystem::path> runOpenPanel(QWidget* parent) override;
    std::optional<std::filesystem::path> runOpenFolderPanel(QWidget* parent) override;
};

} // namespace EditorKit
