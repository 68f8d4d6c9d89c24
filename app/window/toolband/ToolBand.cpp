#include "app/window/toolband/ToolBand.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "app/kit/MenuBuilder.h"
#include "app/kit/Symbols.h"
#include "app/window/CommandMenu.h"
#include "app/window/DocumentWindowController.h"
#include "commands/CommandCatalog.h"
#include "store/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QMetaObject>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace EditorWindow {

using EditorCommands::Command;
using EditorCommands::CommandID;
using EditorStore::SettingKeys;

namespace {

constexpr int buttonWidth = 28;
constexpr int buttonHeight = 22;
constexpr int menuButtonWidth = 40;
constexpr int fontPopupWidth = 130;

const std::array<int, 15> fontSizes = {9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 28, 32, 36};
const std::array<double, 6> lineSpacings = {1.0, 1.2, 1.4, 1.6, 1.8, 2.0};

QString sizeText(double size)
{
    // std::lround rounds halves away from zero.
    return QString::number(std::lround(size));
}

QString spacingText(double spacing)
{
    return QString::asprintf("%.1f", spacing);
}

bool hasAction(const CommandID& id)
{
    return EditorKit::CommandRouter::actionSelectors().count(id.rawValue) > 0;
}

// A bordered horizontal row of controls.
class GroupView : public QWidget
{
public:
    explicit GroupView(QWidget* parent)
        : QWidget(parent)
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(2, 0, 2, 0);
        row->setSpacing(0);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
};

EditorStore::Settings& settingsOf(const DocumentWindowController& controller)
{
    EditorStore::Settings* settings = controller.environment().settings;
    return settings ? *settings : EditorStore::Settings::shared();
}

} // namespace

// MARK: button

ToolBandButton::ToolBandButton(QWidget* parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(16, 16));
    setFixedSize(buttonWidth, buttonHeight);
}

void ToolBandButton::setSymbol(std::string_view name)
{
    m_symbol = std::string(name);
    m_otherIcon = {};
    setIcon(EditorKit::Symbols::icon(name, QPalette::ButtonText));
}

void ToolBandButton::setOn(bool on)
{
    if (m_on == on)
        return;
    m_on = on;
    if (!m_symbol.empty()) {
        // The two drawings trade places; the accent one is drawn once, when first needed.
        const QIcon shown = icon();
        if (m_otherIcon.isNull())
            m_otherIcon = EditorKit::Symbols::icon(m_symbol, QPalette::Highlight);
        setIcon(m_otherIcon);
        m_otherIcon = shown;
    }
    update();
}

void ToolBandButton::paintEvent(QPaintEvent* event)
{
    if (m_on) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor accent = palette().color(QPalette::Highlight);
        accent.setAlphaF(0.18f);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
        painter.fillPath(path, accent);
    }
    QToolButton::paintEvent(event);
}

// MARK: building

ToolBandView::ToolBandView(DocumentWindowController& controller, QWidget* parent)
    : QWidget(parent)
    , m_controller(&controller)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    resize(800, 34);
    makeCommandGroups();
}

void ToolBandView::makeCommandGroups()
{
    std::vector<QWidget*> collected;
    for (const auto& slot : EditorCommands::CommandCatalog::toolbarItems()) {
        if (!slot) {
            finishGroup(collected);
            continue;
        }
        auto command = EditorCommands::CommandCatalog::command(*slot);
        if (!command || !hasAction(*slot))
            continue;
        if (slot->rawValue == "text.tidyMenu") {
            collected.push_back(
                makeMenuButton(*command, EditorCommands::CommandCatalog::tidyMenuItems()));
        } else if (slot->rawValue == "edit.multiMenu") {
            collected.push_back(
                makeMenuButton(*command, EditorCommands::CommandCatalog::multiCursorMenuItems()));
        } else {
            ToolBandButton* button = makeCommandButton(*command, this);
            connect(button, &QToolButton::clicked, this, [this, command = *command] {
                sendAction(command);
            });
            m_commandButtons.push_back({*command, button});
            collected.push_back(button);
        }
        if (slot->rawValue == "view.zoomOut") {
            finishGroup(collected);
            collected.push_back(makeFontControls());
            finishGroup(collected);
        }
    }
    finishGroup(collected);
}

void ToolBandView::finishGroup(std::vector<QWidget*>& collected)
{
    if (collected.empty())
        return;
    auto* group = new GroupView(this);
    auto* row = static_cast<QHBoxLayout*>(group->layout());
    for (QWidget* view : collected)
        row->addWidget(view, 0, Qt::AlignVCenter);
    m_groups.push_back(group);
    collected.clear();
}

QString ToolBandView::toolTip(const Command& command)
{
    QString title = EditorKit::localized(command.title);
    if (!command.shortcut)
        return title;
    QString keys = EditorKit::KeyMapping::shortcutText(*command.shortcut);
    if (keys.isEmpty())
        return title;
    return title + QStringLiteral(" (") + keys + QStringLiteral(")");
}

ToolBandButton* ToolBandView::makeCommandButton(const Command& command, QWidget* parent)
{
    auto* button = new ToolBandButton(parent);
    const QString title = EditorKit::localized(command.title);
    button->setSymbol(command.symbol.value_or("questionmark"));
    button->setText(title);
    button->setToolTip(toolTip(command));
    button->setAccessibleName(title);
    button->setObjectName(QString::fromStdString(command.id.rawValue));
    button->isToggle = command.isToggle;
    return button;
}

QToolButton* ToolBandView::makeMenuButton(const Command& command,
                                          const std::vector<std::optional<CommandID>>& items)
{
    auto* button = new QToolButton(this);
    const QString title = EditorKit::localized(command.title);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setIcon(
        EditorKit::Symbols::icon(command.symbol.value_or("ellipsis"), QPalette::ButtonText));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(title);
    button->setAccessibleName(title);
    button->setObjectName(QString::fromStdString(command.id.rawValue));
    button->setFixedSize(menuButtonWidth, buttonHeight);
    if (m_controller)
        button->setMenu(EditorWindow::makeCommandMenu(items, *m_controller, button));
    m_menuButtons.push_back({command, button});
    return button;
}

const ToolBandView::FontFamilies& ToolBandView::fontFamilies()
{
    // The font database does not change while the application runs here; reading the pitch of
    // every family once keeps a new window quick.
    static const FontFamilies families = [] {
        FontFamilies sorted;
        for (const QString& family : QFontDatabase::families()) {
            const bool monospaced =
                family == QStringLiteral("D2Coding") || QFontDatabase::isFixedPitch(family);
            (monospaced ? sorted.monospaced : sorted.others).append(family);
        }
        return sorted;
    }();
    return families;
}

QWidget* ToolBandView::makeFontControls()
{
    auto* controls = new QWidget(this);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    QFont small = font();
    small.setPixelSize(11);
    auto makePopup = [&](const char* tip) {
        auto* popup = new QComboBox(controls);
        popup->setFont(small);
        popup->setFrame(false);
        popup->setFocusPolicy(Qt::NoFocus);
        popup->setToolTip(EditorKit::localized(tip));
        popup->setFixedHeight(buttonHeight);
        row->addWidget(popup, 0, Qt::AlignVCenter);
        return popup;
    };

    m_fontPopup = makePopup("글꼴 (이 탭만)");
    const FontFamilies& families = fontFamilies();
    m_fontPopup->addItems(families.monospaced);
    m_fontPopup->insertSeparator(m_fontPopup->count());
    m_fontPopup->addItems(families.others);
    m_fontPopup->setFixedWidth(fontPopupWidth);
    connect(m_fontPopup, &QComboBox::activated, this, [this] { fontChosen(); });

    m_sizePopup = makePopup("글자 크기 (이 탭만)");
    for (int size : fontSizes)
        m_sizePopup->addItem(QString::number(size));
    connect(m_sizePopup, &QComboBox::activated, this, [this] { sizeChosen(); });

    m_spacingPopup = makePopup("줄 간격 (이 탭만)");
    for (double spacing : lineSpacings)
        m_spacingPopup->addItem(spacingText(spacing));
    connect(m_spacingPopup, &QComboBox::activated, this, [this] { spacingChosen(); });

    m_pin = new ToolBandButton(controls);
    m_pin->setIcon(EditorKit::Symbols::icon("pin", QPalette::ButtonText));
    m_pin->setIconSize(QSize(14, 14));
    m_pin->setToolTip(EditorKit::localized("이 글꼴 · 크기 · 줄 간격을 새 탭의 기본으로"));
    m_pin->setAccessibleName(m_pin->toolTip());
    connect(m_pin, &QToolButton::clicked, this, [this] { makeDefault(); });
    row->addWidget(m_pin, 0, Qt::AlignVCenter);
    return controls;
}

void ToolBandView::sendAction(const Command& command)
{
    if (!m_controller)
        return;
    auto selector = EditorKit::CommandRouter::actionSelectors().find(command.id.rawValue);
    EditorKit::HostWindow* host = m_controller->hostWindow();
    if (!host || selector == EditorKit::CommandRouter::actionSelectors().end())
        return;
    EditorKit::ActionSender sender;
    sender.kind = EditorKit::ActionSender::Kind::button;
    sender.identifier = QString::fromStdString(command.id.rawValue);
    host->sendAction(selector->second, sender);
}

// MARK: refreshing

void ToolBandView::setNeedsRefresh()
{
    m_refresh.schedule();
}

void ToolBandView::refresh()
{
    m_refresh.cancel();
    if (!m_controller)
        return;
    ++m_refreshes;
    const CommandStateInputs inputs = m_controller->commandStateInputs();
    const auto& hiddenWhenUnavailable = EditorCommands::CommandCatalog::hiddenWhenUnavailable();
    bool visibilityChanged = false;
    for (const auto& [command, button] : m_commandButtons) {
        const CommandState state = commandState(command.id, inputs);
        if (button->isEnabled() != state.enabled)
            button->setEnabled(state.enabled);
        if (button->isToggle)
            button->setOn(state.isOn);
        if (hiddenWhenUnavailable.count(command.id) && button->isHidden() == state.enabled) {
            button->setHidden(!state.enabled);
            visibilityChanged = true;
        }
    }

    const EditorViews::EditorViewOptions& options = inputs.options;
    EditorStore::Settings& values = settingsOf(*m_controller);

    QString family = options.fontFamily.value_or(QString());
    if (!options.fontFamily && m_controller->textView())
        family = m_controller->textView()->editorFont().family();
    if (m_fontPopup->currentText() != family)
        m_fontPopup->setCurrentIndex(m_fontPopup->findText(family));

    auto select = [](QComboBox* popup, const QString& text) {
        if (popup->currentText() == text)
            return;
        int index = popup->findText(text);
        if (index < 0) {
            popup->addItem(text);
            index = popup->count() - 1;
        }
        popup->setCurrentIndex(index);
    };
    select(m_sizePopup,
           sizeText(options.fontSize.value_or(values.value(SettingKeys::viewFontSize))));
    select(m_spacingPopup,
           spacingText(options.lineSpacing.value_or(values.value(SettingKeys::viewLineSpacing))));

    if (visibilityChanged) {
        for (QWidget* group : m_groups) {
            if (group->layout())
                group->layout()->invalidate();
        }
        layoutGroups();
        if (DocumentContentView* content = m_controller->content())
            content->layoutContent();
    }
}

// MARK: choices

void ToolBandView::applyChoice(const std::function<void(EditorViews::EditorViewOptions&)>& change)
{
    if (!m_controller)
        return;
    EditorViews::EditorViewOptions options = m_controller->display()->options;
    change(options);
    m_controller->applyDisplayOptions(options, false);
    if (const auto& save = m_controller->environment().scheduleWindowStateSave)
        save();
    m_controller->rememberViewOptions();
    refresh();
    if (m_controller->textView())
        m_controller->textView()->setFocus();
}

void ToolBandView::fontChosen()
{
    const int index = m_fontPopup->currentIndex();
    std::optional<QString> family;
    if (index >= 0)
        family = m_fontPopup->itemText(index);
    applyChoice([&](EditorViews::EditorViewOptions& options) { options.fontFamily = family; });
}

void ToolBandView::sizeChosen()
{
    bool number = false;
    const double size = m_sizePopup->currentText().toDouble(&number);
    if (m_sizePopup->currentIndex() < 0 || !number)
        return;
    applyChoice([&](EditorViews::EditorViewOptions& options) { options.fontSize = size; });
}

void ToolBandView::spacingChosen()
{
    bool number = false;
    const double spacing = m_spacingPopup->currentText().toDouble(&number);
    if (m_spacingPopup->currentIndex() < 0 || !number)
        return;
    applyChoice([&](EditorViews::EditorViewOptions& options) { options.lineSpacing = spacing; });
}

void ToolBandView::makeDefault()
{
    if (!m_controller)
        return;
    const EditorViews::EditorViewOptions& options = m_controller->display()->options;
    EditorStore::Settings& values = settingsOf(*m_controller);
    if (options.fontFamily)
        values.set(options.fontFamily->toStdString(), SettingKeys::viewFontName);
    if (options.fontSize)
        values.set(*options.fontSize, SettingKeys::viewFontSize);
    if (options.lineSpacing)
        values.set(*options.lineSpacing, SettingKeys::viewLineSpacing);
}

// MARK: rows

ToolBandView::RowLayout ToolBandView::rowFrames(const std::vector<std::optional<int>>& groupWidths,
                                                int width)
{
    RowLayout layout;
    int x = margin;
    int y = topInset;
    for (const auto& groupWidth : groupWidths) {
        if (!groupWidth) {
            layout.frames.emplace_back();
            continue;
        }
        const int w = *groupWidth;
        if (x > margin && x + w > width - margin) {
            ++layout.rows;
            y += DocumentContentView::rowHeight;
            x = margin;
        }
        layout.frames.emplace_back(x, y, w, groupHeight);
        x += w + groupGap;
    }
    return layout;
}

ToolBandView::RowLayout ToolBandView::rowFrames(int width) const
{
    std::vector<std::optional<int>> widths;
    widths.reserve(m_groups.size());
    for (QWidget* group : m_groups) {
        if (group->isHidden())
            widths.emplace_back();
        else
            widths.emplace_back(group->sizeHint().width());
    }
    return rowFrames(widths, width);
}

int ToolBandView::rowsForWidth(int width) const
{
    return rowFrames(width).rows;
}

void ToolBandView::layoutGroups()
{
    const RowLayout layout = rowFrames(width());
    for (std::size_t i = 0; i < m_groups.size() && i < layout.frames.size(); ++i)
        m_groups[i]->setGeometry(layout.frames[i]);
}

void ToolBandView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutGroups();
}

} // namespace EditorWindow
