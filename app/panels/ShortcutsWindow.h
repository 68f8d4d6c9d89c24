#pragma once

#include "app/panels/CommandListing.h"
#include "commands/Command.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QLineEdit;
class QTableWidget;
class QWidget;

namespace EditorPanels {

// The list of every command's shortcuts and menu place, narrowed by a search field. It only
// shows; it runs nothing. One per process, built once. Main thread only.
class ShortcutsWindow : public QObject
{
    Q_OBJECT
public:
    struct Row
    {
        QString title;
        // The primary and the alternate shortcut, those there are, joined by two spaces.
        QString shortcut;
        QString place;

        bool operator==(const Row&) const = default;
    };

    static constexpr int windowWidth = 560;
    static constexpr int windowHeight = 520;

    static ShortcutsWindow& shared();

    // Empty: the catalog and the router's actions.
    explicit ShortcutsWindow(std::optional<std::vector<EditorCommands::Command>> commands = {},
                             std::optional<CommandListing::Selectors> selectors = {});
    ~ShortcutsWindow() override;

    // Commands with an action and a shortcut or a menu place, in catalog order.
    static std::vector<Row> makeRows(const std::vector<EditorCommands::Command>& commands,
                                     const CommandListing::Selectors& selectors);
    // The rows whose title, shortcut or place contains the text trimmed of spaces and tabs
    // (case-insensitive), as one term; all rows for a blank text.
    static std::vector<Row> filterRows(const std::vector<Row>& rows, const QString& text);

    // Centred when it is not on screen; a visible window keeps its place.
    void showWindow();

    QWidget* window() const { return m_window.get(); }
    QLineEdit* searchField() const { return m_search; }
    QTableWidget* table() const { return m_table; }
    const std::vector<Row>& allRows() const { return m_allRows; }
    const std::vector<Row>& rows() const { return m_rows; }

private:
    void applySearch();

    std::vector<Row> m_allRows;
    std::vector<Row> m_rows;
    std::unique_ptr<QWidget> m_window;
    QLineEdit* m_search = nullptr;
    QTableWidget* m_table = nullptr;
};

} // namespace EditorPanels
