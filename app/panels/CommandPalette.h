#pragma once

#include "app/panels/CommandListing.h"
#include "commands/Command.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLineEdit;
class QTableWidget;

namespace EditorKit {
class ActionRouter;
}

namespace EditorPanels {

// A floating search panel over the commands that can run in the window the user was working
// in; the chosen one runs against that window as its menu item would. One per process.
// Main thread only.
class CommandPalette : public QObject
{
    Q_OBJECT
public:
    struct Row
    {
        EditorCommands::Command command;
        QString title;
        QString place;
        // The primary shortcut only.
        QString shortcut;
        // title, place, shortcut and the identifier, joined by single spaces.
        QString haystack;
    };

    // Whether a command can run now in the target; empty when the target is no document
    // window (then nothing is left out for being disabled).
    using EnabledTest = std::function<bool(const EditorCommands::CommandID&)>;

    // Tests give their own; every empty field is the running application's.
    struct Environment
    {
        EditorKit::ActionRouter* router = nullptr;
        std::optional<std::vector<EditorCommands::Command>> commands;
        std::optional<CommandListing::Selectors> selectors;
        // The key window, then the window to fall back on when none is key.
        std::function<QWidget*()> keyWindow;
        std::function<QWidget*()> mainWindow;
        // The command state of the window's current tab, when it is a document window.
        std::function<EnabledTest(QWidget* window)> enabledTest;
    };

    static constexpr int panelWidth = 560;
    static constexpr int panelHeight = 360;
    static constexpr int rowHeight = 24;
    // The panel's top edge below the target window's.
    static constexpr int offsetBelowTargetTop = 80;

    static CommandPalette& shared();

    CommandPalette();
    explicit CommandPalette(Environment environment);
    ~CommandPalette() override;

    // In catalog order, without the palette itself, commands without an action, commands with
    // neither a menu place nor a shortcut, and, with an enabled test, disabled commands.
    static std::vector<Row> makeRows(const std::vector<EditorCommands::Command>& commands,
                                     const CommandListing::Selectors& selectors,
                                     const EnabledTest& isEnabled);
    // The rows containing every white-space separated term of the query (case-insensitive),
    // those whose title begins with the first term first.
    static std::vector<Row> filterRows(const std::vector<Row>& rows, const QString& query);

    // Picks the target, rebuilds the rows, clears the query and shows the panel.
    void show();
    void close();
    // Runs the selected row, else the clicked one: closes, activates the target and sends the
    // command's action to it on the next turn of the event loop.
    void runSelected();

    QWidget* panel() const { return m_panel.get(); }
    QLineEdit* searchField() const { return m_search; }
    QTableWidget* table() const { return m_table; }
    QWidget* targetWindow() const { return m_targetWindow; }
    const std::vector<Row>& allRows() const { return m_allRows; }
    const std::vector<Row>& rows() const { return m_rows; }
    // -1 when none.
    int selectedRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel();
    void applyFilter();
    void moveSelection(int step);
    void placePanel();
    EditorKit::ActionRouter& router() const;

    Environment m_environment;
    std::vector<EditorCommands::Command> m_commands;
    CommandListing::Selectors m_selectors;
    std::vector<Row> m_allRows;
    std::vector<Row> m_rows;
    std::unique_ptr<QWidget> m_panel;
    QLineEdit* m_search = nullptr;
    QTableWidget* m_table = nullptr;
    QPointer<QWidget> m_targetWindow;
    int m_clickedRow = -1;
};

} // namespace EditorPanels
