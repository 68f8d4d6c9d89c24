#include "app/settings/SettingsWindowController.h"

#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/Symbols.h"
#include "platform/PreferencesDomain.h"
#include "store/AppGroup.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStringList>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace EditorSettings {

using EditorKit::localized;
using EditorStore::SettingGroup;

namespace {

std::optional<QPoint> parsePosition(const std::optional<Platform::PreferenceValue>& stored)
{
    const auto* text = stored ? std::get_if<std::string>(&*stored) : nullptr;
    if (!text)
        return std::nullopt;
    const QStringList parts =
        QString::fromStdString(*text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return std::nullopt;
    bool xOk = false, yOk = false;
    const int x = parts[0].toInt(&xOk);
    const int y = parts[1].toInt(&yOk);
    if (!xOk || !yOk)
        return std::nullopt;
    return QPoint(x, y);
}

} // namespace

SettingsWindowController& SettingsWindowController::shared()
{
    // Never released: it lives as long as the application, and widgets must not outlive it.
    static auto* controller = [] {
        Environment environment;
        environment.generalPane = sharedGeneralPaneServices();
        return new SettingsWindowController(std::move(environment));
    }();
    return *controller;
}

SettingsGeneralPaneServices& SettingsWindowController::sharedGeneralPaneServices()
{
    static GeneralPaneServices services;
    return services;
}

SettingsWindowController::SettingsWindowController(Environment environment)
    : m_environment(std::move(environment))
{
    if (!m_environment.preferences) {
        m_environment.preferences =
            std::make_shared<Platform::PreferencesDomain>(EditorStore::standardPreferencesFile());
    }
    if (!m_environment.presenter)
        m_environment.presenter = std::make_shared<EditorKit::WidgetPresenter>();

    auto* window = new QWidget(nullptr,
                               Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                   | Qt::WindowCloseButtonHint);
    m_window = window;
    window->setObjectName(QStringLiteral("SettingsWindow"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window takes the size of its content, and the user cannot change it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_toolBar = new QToolBar(window);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(24, 24));
    layout->addWidget(m_toolBar);
    m_stack = new QStackedWidget(window);
    layout->addWidget(m_stack);
    m_tabGroup = new QActionGroup(window);
    m_tabGroup->setExclusive(true);

    SettingsPane::Environment paneEnvironment{
        m_environment.settings, m_environment.presenter, m_environment.schedule};
    struct PaneSpec
    {
        const char* title;
        const char* symbol;
        std::optional<SettingGroup> group;
        std::function<void(SettingsForm&, SettingsPane&)> build;
    };
    const ViewPaneSources viewSources = m_environment.viewPane;
    const GeneralPaneServices generalServices = m_environment.generalPane;
    const PaneSpec specs[] = {
        {"일반",
         "gearshape",
         std::nullopt,
         [generalServices](SettingsForm& form, SettingsPane& pane) {
             makeGeneralPane(form, pane, generalServices);
         }},
        {"편집", "pencil", SettingGroup::editor, &makeEditorPane},
        {"보기",
         "eye",
         SettingGroup::view,
         [viewSources](SettingsForm& form, SettingsPane& pane) {
             makeViewPane(form, pane, viewSources);
         }},
        {"파일", "doc", SettingGroup::file, &makeFilePane},
    };
    for (const PaneSpec& spec : specs) {
        auto* pane =
            new SettingsPane(localized(spec.title), spec.symbol, spec.group, paneEnvironment);
        spec.build(pane->form(), *pane);
        pane->loadView();
        pane->onPreferredContentSizeChange = [this, pane](QSize size) {
            applyContentSize(pane, size);
        };
        const int index = m_stack->addWidget(pane);
        m_panes.push_back(pane);

        auto* action = new QAction(pane->title(), m_tabGroup);
        action->setCheckable(true);
        action->setToolTip(pane->title());
        action->setObjectName(QString::fromStdString(pane->symbol()));
        connect(action, &QAction::triggered, this, [this, index] { selectTab(index); });
        m_toolBar->addAction(action);
    }
    tintIcons();

    auto* close = new QShortcut(QKeySequence::Close, window);
    connect(close, &QShortcut::activated, window, &QWidget::close);

    window->installEventFilter(this);
    restorePosition();
    selectTab(0);
}

SettingsWindowController::~SettingsWindowController()
{
    delete m_window.data();
}

QList<QAction*> SettingsWindowController::tabActions() const
{
    return m_tabGroup->actions();
}

SettingsPane* SettingsWindowController::selectedPane() const
{
    return qobject_cast<SettingsPane*>(m_stack->currentWidget());
}

void SettingsWindowController::selectTab(int index)
{
    if (index < 0 || index >= static_cast<int>(m_panes.size()))
        return;
    SettingsPane* pane = m_panes[static_cast<std::size_t>(index)];
    tabActions().at(index)->setChecked(true);
    m_stack->setCurrentWidget(pane);
    m_window->setWindowTitle(pane->title());
    pane->viewWillAppear();
    pane->viewDidAppear();
}

void SettingsWindowController::applyContentSize(SettingsPane* pane, QSize size)
{
    if (pane != selectedPane() || size.isEmpty())
        return;
    // The layout's fixed-size rule resizes the window; its top-left corner stays, unless the
    // window would then reach below the screen, as a tall pane shown after a short one can.
    m_stack->setFixedSize(size);
    m_window->adjustSize();
    if (!m_window->isVisible())
        return;
    if (QScreen* screen = m_window->screen()) {
        const QRect available = screen->availableGeometry();
        const QRect frame = m_window->frameGeometry();
        if (frame.bottom() > available.bottom()) {
            const int top =
                std::max(available.top(), frame.top() - (frame.bottom() - available.bottom()));
            m_window->move(frame.left(), top);
        }
    }
}

void SettingsWindowController::centre()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QWidget* active = QApplication::activeWindow(); active && active != m_window)
        screen = active->screen();
    if (!screen)
        return;
    QRect frame = m_window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    m_window->move(frame.topLeft());
}

void SettingsWindowController::showWindow()
{
    const bool wasHidden = !m_window->isVisible();
    if (wasHidden) {
        m_window->adjustSize();
        centre();
    }
    m_window->show();
    // Styling at the first show can change the tool bar's size; centre what is shown.
    if (wasHidden)
        centre();
    m_window->raise();
    m_window->activateWindow();
    if (SettingsPane* pane = selectedPane())
        pane->viewDidAppear();
}

void SettingsWindowController::presentSheet(const std::function<SettingsSheet*()>& makeSheet)
{
    showWindow();
    selectTab(0);
    SettingsPane* pane = m_panes.empty() ? nullptr : m_panes.front();
    if (!pane || !makeSheet)
        return;
    pane->presentSheet(makeSheet());
}

void SettingsWindowController::tintIcons()
{
    const QColor colour = m_window->palette().color(QPalette::WindowText);
    const QList<QAction*> actions = tabActions();
    for (qsizetype i = 0; i < actions.size(); ++i)
        actions[i]->setIcon(
            EditorKit::Symbols::icon(m_panes[static_cast<std::size_t>(i)]->symbol(), colour));
}

void SettingsWindowController::rememberPosition()
{
    if (m_restoringPosition)
        return;
    const QRect frame = m_window->frameGeometry();
    const std::string value = QStringLiteral("%1 %2 %3 %4")
                                  .arg(frame.x())
                                  .arg(frame.y())
                                  .arg(frame.width())
                                  .arg(frame.height())
                                  .toStdString();
    if (m_environment.preferences->object(frameAutosaveName)
        == std::optional<Platform::PreferenceValue>(value))
        return;
    (void)m_environment.preferences->set(frameAutosaveName, value);
}

void SettingsWindowController::restorePosition()
{
    if (auto position = parsePosition(m_environment.preferences->object(frameAutosaveName))) {
        m_restoringPosition = true;
        m_window->move(*position);
        m_restoringPosition = false;
    }
}

bool SettingsWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Move:
            if (m_window->isVisible())
                rememberPosition();
            break;
        case QEvent::Hide:
            rememberPosition();
            break;
        case QEvent::PaletteChange:
            tintIcons();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace EditorSettings
