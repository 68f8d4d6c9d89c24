#pragma once

#include "app/kit/OncePerTurn.h"
#include "app/views/EditorDisplayState.h"
#include "app/window/DocumentContentView.h"
#include "commands/Command.h"

#include <QIcon>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QMenu;

namespace EditorWindow {

class DocumentWindowController;

// A tool-band button. A switch's on state is drawn as a tinted rounded background.
class ToolBandButton : public QToolButton
{
    Q_OBJECT
public:
    explicit ToolBandButton(QWidget* parent = nullptr);

    bool isToggle = false;
    bool isOn() const { return m_on; }
    // Also tints the symbol in the accent colour while on.
    void setOn(bool on);
    // The line icon, drawn in the button's text colour.
    void setSymbol(std::string_view name);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_on = false;
    std::string m_symbol;
    // The drawing not shown now (accent or plain); made the first time it is needed.
    QIcon m_otherIcon;
};

// The strip of small command buttons above the text: the catalog's tool-band slots in bordered
// groups, with the tab's font, size and line-spacing pop-ups and the pin after the zoom buttons.
// The groups flow into as many rows as the width needs. Buttons send their commands' actions
// through the window's responder chain like menu items; `refresh` greys, hides and highlights
// them from the window's command state. Main thread only.
class ToolBandView
    : public QWidget
    , public RowBand
{
    Q_OBJECT
public:
    static constexpr int groupHeight = 24;
    static constexpr int groupGap = 6;
    static constexpr int margin = 8;
    static constexpr int topInset = 5;

    explicit ToolBandView(DocumentWindowController& controller, QWidget* parent = nullptr);

    struct CommandButton
    {
        EditorCommands::Command command;
        ToolBandButton* button = nullptr;
    };
    // Every command button in creation order (not the pull-downs or the pin).
    const std::vector<CommandButton>& commandButtons() const { return m_commandButtons; }
    struct MenuButton
    {
        EditorCommands::Command command;
        QToolButton* button = nullptr;
    };
    // The pull-down buttons with their commands.
    const std::vector<MenuButton>& menuButtons() const { return m_menuButtons; }
    const std::vector<QWidget*>& groups() const { return m_groups; }
    QComboBox* fontPopup() const { return m_fontPopup; }
    QComboBox* sizePopup() const { return m_sizePopup; }
    QComboBox* spacingPopup() const { return m_spacingPopup; }
    ToolBandButton* pinButton() const { return m_pin; }

    // Brings every button and pop-up into line with the window: enabled, on, hidden and the
    // pop-ups' selections, each changed only when it differs; the rows are laid out again only
    // when a visibility changed.
    void refresh();
    // One refresh on the next turn of the event loop, however often asked.
    void setNeedsRefresh();
    int refreshCount() const { return m_refreshes; }

    struct RowLayout
    {
        std::vector<QRect> frames;
        int rows = 1;
    };
    // The frame of each group for a band `width` wide: `groupWidths` in order, none for a hidden
    // group (an empty frame that takes no room).
    static RowLayout rowFrames(const std::vector<std::optional<int>>& groupWidths, int width);
    RowLayout rowFrames(int width) const;
    int rowsForWidth(int width) const override;

    // The button of a catalog command: its icon ("questionmark" without a symbol), its title
    // and shortcut as tool tip.
    static ToolBandButton* makeCommandButton(const EditorCommands::Command& command,
                                             QWidget* parent);
    // The title, and the shortcut in Linux key names in parentheses when there is one.
    static QString toolTip(const EditorCommands::Command& command);

    // Sorted as the pop-up lists them: monospaced families first, then the others.
    struct FontFamilies
    {
        QStringList monospaced;
        QStringList others;
    };
    static const FontFamilies& fontFamilies();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void makeCommandGroups();
    void finishGroup(std::vector<QWidget*>& collected);
    QWidget* makeFontControls();
    QToolButton* makeMenuButton(const EditorCommands::Command& command,
                                const std::vector<std::optional<EditorCommands::CommandID>>& items);
    void sendAction(const EditorCommands::Command& command);
    void layoutGroups();
    void fontChosen();
    void sizeChosen();
    void spacingChosen();
    void makeDefault();
    void applyChoice(const std::function<void(EditorViews::EditorViewOptions&)>& change);

    QPointer<DocumentWindowController> m_controller;
    std::vector<QWidget*> m_groups;
    std::vector<CommandButton> m_commandButtons;
    std::vector<MenuButton> m_menuButtons;
    QComboBox* m_fontPopup = nullptr;
    QComboBox* m_sizePopup = nullptr;
    QComboBox* m_spacingPopup = nullptr;
    ToolBandButton* m_pin = nullptr;
    EditorKit::OncePerTurn m_refresh{this, [this] { refresh(); }};
    int m_refreshes = 0;
};

} // namespace EditorWindow
