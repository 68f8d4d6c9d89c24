#include "app/panels/ShortcutsWindow.h"

#include "app/kit/CommandRouter.h"
#include "app/kit/Localized.h"
#include "app/panels/WindowPlacement.h"
#include "commands/CommandCatalog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWidget>

namespace EditorPanels {

namespace {

enum Column { titleColumn, shortcutColumn, placeColumn };

QString trimmedOfBlanks(const QString& text)
{
    auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

ShortcutsWindow& ShortcutsWindow::shared()
{
    static ShortcutsWindow* window = new ShortcutsWindow();
    return *window;
}

ShortcutsWindow::ShortcutsWindow(std::optional<std::vector<EditorCommands::Command>> commands,
                                 std::optional<CommandListing::Selectors> selectors)
{
    m_allRows = makeRows(commands.value_or(EditorCommands::CommandCatalog::all()),
                         selectors.value_or(EditorKit::CommandRouter::actionSelectors()));
    m_rows = m_allRows;

    m_window = std::make_unique<QWidget>(nullptr, Qt::Window);
    m_window->setObjectName(QStringLiteral("shortcutsWindow"));
    m_window->setWindowTitle(EditorKit::localized("단축키 목록"));
    m_window->setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    m_window->resize(windowWidth, windowHeight);
    m_window->setMinimumSize(420, 300);

    m_search = new QLineEdit(m_window.get());
    m_search->setPlaceholderText(EditorKit::localized("찾기"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, this, [this] { applySearch(); });

    m_table = new QTableWidget(0, 3, m_window.get());
    m_table->setHorizontalHeaderLabels({EditorKit::localized("명령"),
                                        EditorKit::localized("단축키"),
                                        EditorKit::localized("메뉴")});
    m_table->horizontalHeader()->resizeSection(titleColumn, 230);
    m_table->horizontalHeader()->resizeSection(shortcutColumn, 110);
    m_table->horizontalHeader()->resizeSection(placeColumn, 170);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionsClickable(false);
    m_table->verticalHeader()->hide();
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 12, 0, 0);
    layout->setSpacing(8);
    auto* searchRow = new QHBoxLayout();
    searchRow->setContentsMargins(12, 0, 12, 0);
    searchRow->addWidget(m_search);
    layout->addLayout(searchRow);
    layout->addWidget(m_table, 1);

    // Esc and the close chord close the list, from the search field too.
    for (const QKeySequence& chord :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(chord, m_window.get());
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, m_window.get(), &QWidget::close);
    }

    applySearch();
}

ShortcutsWindow::~ShortcutsWindow() = default;

std::vector<ShortcutsWindow::Row>
ShortcutsWindow::makeRows(const std::vector<EditorCommands::Command>& commands,
                          const CommandListing::Selectors& selectors)
{
    std::vector<Row> rows;
    for (const auto& command : commands) {
        if (!CommandListing::hasSelector(command, selectors))
            continue;
        if (!command.shortcut && !command.menu)
            continue;
        Row row;
        row.title = CommandListing::title(command);
        QStringList shortcuts;
        for (const auto& shortcut : {command.shortcut, command.alternateShortcut}) {
            const QString text = CommandListing::shortcut(shortcut);
            if (!text.isEmpty())
                shortcuts << text;
        }
        row.shortcut = shortcuts.join(QStringLiteral("  "));
        row.place = CommandListing::place(command);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ShortcutsWindow::Row> ShortcutsWindow::filterRows(const std::vector<Row>& rows,
                                                              const QString& text)
{
    const QString term = trimmedOfBlanks(text);
    if (term.isEmpty())
        return rows;
    std::vector<Row> kept;
    for (const auto& row : rows) {
        if (row.title.contains(term, Qt::CaseInsensitive)
            || row.shortcut.contains(term, Qt::CaseInsensitive)
            || row.place.contains(term, Qt::CaseInsensitive))
            kept.push_back(row);
    }
    return kept;
}

void ShortcutsWindow::applySearch()
{
    m_rows = filterRows(m_allRows, m_search->text());
    QFont shortcutFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    shortcutFont.setPointSizeF(m_table->font().pointSizeF());
    shortcutFont.setWeight(QFont::Normal);
    const QBrush secondary = QApplication::palette().brush(QPalette::PlaceholderText);

    m_table->clearContents();
    m_table->setRowCount(static_cast<int>(m_rows.size()));
    for (int index = 0; index < static_cast<int>(m_rows.size()); ++index) {
        const Row& row = m_rows[static_cast<std::size_t>(index)];
        auto* title = new QTableWidgetItem(row.title);
        auto* shortcut = new QTableWidgetItem(row.shortcut);
        shortcut->setFont(shortcutFont);
        auto* place = new QTableWidgetItem(row.place);
        place->setForeground(secondary);
        m_table->setItem(index, titleColumn, title);
        m_table->setItem(index, shortcutColumn, shortcut);
        m_table->setItem(index, placeColumn, place);
    }
}

void ShortcutsWindow::showWindow()
{
    showCentredWhenHidden(*m_window);
    m_search->setFocus();
}

} // namespace EditorPanels
