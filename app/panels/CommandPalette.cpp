#include "app/panels/CommandPalette.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/TabPage.h"
#include "app/window/CommandState.h"
#include "app/window/DocumentWindowController.h"
#include "commands/CommandCatalog.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace EditorPanels {

namespace {

enum Column { titleColumn, placeColumn, shortcutColumn };

// The document window behind the host window's current tab, as the command state sees it.
CommandPalette::EnabledTest documentWindowTest(QWidget* window)
{
    auto* host = qobject_cast<EditorKit::HostWindow*>(window);
    EditorKit::TabPage* page = host ? host->currentPage() : nullptr;
    auto* controller = page ? dynamic_cast<EditorWindow::DocumentWindowController*>(
                           page->windowControllerResponder())
                            : nullptr;
    if (!controller)
        return {};
    // Gathered once: the enabled state of that moment for every row.
    auto inputs =
        std::make_shared<EditorWindow::CommandStateInputs>(controller->commandStateInputs());
    return [inputs](const EditorCommands::CommandID& id) {
        return EditorWindow::commandState(id, *inputs).enabled;
    };
}

std::vector<QString> splitTerms(const QString& query)
{
    std::vector<QString> terms;
    QString term;
    for (QChar c : query) {
        if (c.isSpace()) {
            if (!term.isEmpty())
                terms.push_back(std::exchange(term, {}));
        } else {
            term += c;
        }
    }
    if (!term.isEmpty())
        terms.push_back(term);
    return terms;
}

QTableWidgetItem* cell(const QString& text, const QFont& font, bool secondary)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setFont(font);
    if (secondary)
        item->setForeground(QApplication::palette().brush(QPalette::PlaceholderText));
    return item;
}

} // namespace

CommandPalette& CommandPalette::shared()
{
    static CommandPalette* palette = new CommandPalette();
    return *palette;
}

CommandPalette::CommandPalette()
    : CommandPalette(Environment())
{}

CommandPalette::CommandPalette(Environment environment)
    : m_environment(std::move(environment))
{
    m_commands = m_environment.commands.value_or(EditorCommands::CommandCatalog::all());
    m_selectors = m_environment.selectors.value_or(EditorKit::CommandRouter::actionSelectors());
    if (!m_environment.keyWindow)
        m_environment.keyWindow = [] { return QApplication::activeWindow(); };
    if (!m_environment.mainWindow)
        m_environment.mainWindow = [] {
            return static_cast<QWidget*>(EditorKit::HostWindow::mainWindow());
        };
    if (!m_environment.enabledTest)
        m_environment.enabledTest = documentWindowTest;
    buildPanel();
}

CommandPalette::~CommandPalette() = default;

EditorKit::ActionRouter& CommandPalette::router() const
{
    return m_environment.router ? *m_environment.router : EditorKit::ActionRouter::shared();
}

std::vector<CommandPalette::Row>
CommandPalette::makeRows(const std::vector<EditorCommands::Command>& commands,
                         const CommandListing::Selectors& selectors,
                         const EnabledTest& isEnabled)
{
    std::vector<Row> rows;
    for (const auto& command : commands) {
        if (command.id.rawValue == "app.commandPalette")
            continue;
        if (!CommandListing::hasSelector(command, selectors))
            continue;
        if (!command.menu && !command.shortcut)
            continue;
        if (isEnabled && !isEnabled(command.id))
            continue;
        Row row;
        row.command = command;
        row.title = CommandListing::title(command);
        row.place = CommandListing::place(command);
        row.shortcut = CommandListing::shortcut(command.shortcut);
        row.haystack = row.title + QLatin1Char(' ') + row.place + QLatin1Char(' ') + row.shortcut
                       + QLatin1Char(' ') + QString::fromStdString(command.id.rawValue);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<CommandPalette::Row> CommandPalette::filterRows(const std::vector<Row>& rows,
                                                            const QString& query)
{
    const auto terms = splitTerms(query);
    if (terms.empty())
        return rows;
    std::vector<Row> kept;
    for (const auto& row : rows) {
        const bool matches = std::all_of(terms.begin(), terms.end(), [&](const QString& term) {
            return row.haystack.contains(term, Qt::CaseInsensitive);
        });
        if (matches)
            kept.push_back(row);
    }
    const QLocale locale;
    const QString first = locale.toLower(terms.front());
    std::stable_partition(kept.begin(), kept.end(), [&](const Row& row) {
        return locale.toLower(row.title).startsWith(first);
    });
    return kept;
}

void CommandPalette::buildPanel()
{
    // Frameless, so it draws its own edge; it goes away as soon as it is not the active
    // window (see eventFilter).
    auto* frame = new QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    m_panel.reset(frame);
    frame->setObjectName(QStringLiteral("commandPalette"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFixedSize(panelWidth, panelHeight);
    frame->setWindowTitle(EditorKit::localized("명령 찾기"));
    frame->installEventFilter(this);

    m_search = new QLineEdit(frame);
    m_search->setPlaceholderText(EditorKit::localized("명령 찾기"));
    m_search->setClearButtonEnabled(true);
    QFont searchFont = m_search->font();
    searchFont.setPointSizeF(15);
    m_search->setFont(searchFont);
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this, [this] { applyFilter(); });

    m_table = new QTableWidget(0, 3, frame);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_table->horizontalHeader()->setSectionResizeMode(titleColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(placeColumn, QHeaderView::Fixed);
    m_table->horizontalHeader()->setSectionResizeMode(shortcutColumn, QHeaderView::Fixed);
    // Linux key names ("Ctrl+Alt+Shift+S") are longer than key glyphs: the shortcut column is
    // wider than the place column, and the title takes what is left (about 250).
    m_table->horizontalHeader()->resizeSection(titleColumn, 250);
    m_table->horizontalHeader()->resizeSection(placeColumn, 130);
    m_table->horizontalHeader()->resizeSection(shortcutColumn, 150);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setFrameShape(QFrame::NoFrame);
    connect(
        m_table, &QTableWidget::cellClicked, this, [this](int row, int) { m_clickedRow = row; });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        m_clickedRow = row;
        runSelected();
    });

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 14, 0, 6);
    layout->setSpacing(8);
    auto* searchRow = new QHBoxLayout();
    searchRow->setContentsMargins(12, 0, 12, 0);
    searchRow->addWidget(m_search);
    layout->addLayout(searchRow);
    layout->addWidget(m_table, 1);
}

void CommandPalette::show()
{
    QWidget* candidate = m_environment.keyWindow();
    if (!candidate)
        candidate = m_environment.mainWindow();
    // Asked again while it is open, the palette keeps the window it was opened for.
    if (candidate != m_panel.get())
        m_targetWindow = candidate;
    m_allRows =
        makeRows(m_commands,
                 m_selectors,
                 m_targetWindow ? m_environment.enabledTest(m_targetWindow) : EnabledTest());
    m_clickedRow = -1;
    {
        const QSignalBlocker quiet(m_search);
        m_search->clear();
    }
    applyFilter();
    placePanel();
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    m_search->setFocus();
}

void CommandPalette::close()
{
    m_panel->hide();
}

void CommandPalette::placePanel()
{
    if (m_targetWindow) {
        const QRect target = m_targetWindow->frameGeometry();
        m_panel->move(target.center().x() - panelWidth / 2, target.top() + offsetBelowTargetTop);
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    m_panel->move(area.center().x() - panelWidth / 2, area.center().y() - panelHeight / 2);
}

void CommandPalette::applyFilter()
{
    m_rows = filterRows(m_allRows, m_search->text());
    m_clickedRow = -1;
    QFont titleFont = m_table->font();
    titleFont.setPointSizeF(13);
    QFont placeFont = m_table->font();
    placeFont.setPointSizeF(11.5);
    QFont shortcutFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    shortcutFont.setPointSizeF(12);
    shortcutFont.setWeight(QFont::Normal);

    m_table->clearContents();
    m_table->setRowCount(static_cast<int>(m_rows.size()));
    for (int index = 0; index < static_cast<int>(m_rows.size()); ++index) {
        const Row& row = m_rows[static_cast<std::size_t>(index)];
        m_table->setItem(index, titleColumn, cell(row.title, titleFont, false));
        m_table->setItem(index, placeColumn, cell(row.place, placeFont, true));
        auto* shortcut = cell(row.shortcut, shortcutFont, true);
        shortcut->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(index, shortcutColumn, shortcut);
    }
    m_table->clearSelection();
    if (!m_rows.empty())
        m_table->selectRow(0);
}

int CommandPalette::selectedRow() const
{
    const auto selected = m_table->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void CommandPalette::moveSelection(int step)
{
    if (m_rows.empty())
        return;
    const int last = static_cast<int>(m_rows.size()) - 1;
    const int next = std::clamp(selectedRow() + step, 0, last);
    m_table->selectRow(next);
    m_table->scrollToItem(m_table->item(next, titleColumn));
}

void CommandPalette::runSelected()
{
    int index = selectedRow();
    if (index < 0)
        index = m_clickedRow;
    if (index < 0 || index >= static_cast<int>(m_rows.size()))
        return;
    const EditorCommands::Command& command = m_rows[static_cast<std::size_t>(index)].command;
    const auto selector = m_selectors.find(command.id.rawValue);
    if (selector == m_selectors.end())
        return;
    close();
    QPointer<QWidget> target = m_targetWindow;
    if (target) {
        target->raise();
        target->activateWindow();
    }
    EditorKit::ActionSender sender;
    sender.identifier = QString::fromStdString(command.id.rawValue);
    // The tab commands read their tab number from the sender, as from their menu item.
    sender.tag = EditorKit::CommandRouter::tagOf(command.id);
    // One turn later, so that the target is the active window again when the action arrives.
    QTimer::singleShot(0, this, [this, action = selector->second, sender, target] {
        router().send(action, sender, target ? target.data() : m_environment.keyWindow());
    });
}

bool CommandPalette::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel.get() && event->type() == QEvent::WindowDeactivate) {
        close();
        return false;
    }
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Down:
            moveSelection(1);
            return true;
        case Qt::Key_Up:
            moveSelection(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            runSelected();
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            return false;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace EditorPanels
