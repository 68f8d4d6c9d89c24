// The window commands of a document window: the view switches and the zoom, the tool band,
// reverting, indentation, the line commands, date insertion and choosing a tab by number, and
// the handlers of the notifications the window observes.
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/NotificationCenter.h"
#include "app/kit/TabPage.h"
#include "app/kit/Utf16.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LinesAround.h"
#include "app/window/WindowDocument.h"
#include "core/DateInsertion.h"
#include "store/Settings.h"

#include <QEvent>
#include <QScrollBar>

namespace EditorWindow {

using EditorCore::LineCommands::MoveDirection;
using EditorStore::SettingKeys;
using EditorViews::EditorViewOptions;

namespace {} // namespace

void DocumentWindowController::addWindowCommands()
{
    QPointer<DocumentWindowController> weak(this);
    // Each handler runs on the controller while it lives.
    auto command = [this, weak](std::string action, std::function<void()> run) {
        addHandler(std::move(action), [weak, run = std::move(run)](const EditorKit::ActionSender&) {
            if (weak)
                run();
        });
    };
    command("toggleInvisibles:", [this] { toggleViewOption(&EditorViewOptions::showsInvisibles); });
    command("toggleWrap:", [this] { toggleViewOption(&EditorViewOptions::wrapsLines); });
    command("toggleLineNumbers:",
            [this] { toggleViewOption(&EditorViewOptions::showsLineNumbers); });
    command("toggleCurrentLine:",
            [this] { toggleViewOption(&EditorViewOptions::highlightsCurrentLine); });
    command("toggleCentimeterRuler:", [this] { toggleCentimeterRuler(); });
    command("zoomIn:", [this] { zoomIn(); });
    command("zoomOut:", [this] { zoomOut(); });
    command("zoomReset:", [this] { zoomReset(); });
    command("toggleToolBand:", [this] { toggleToolBand(); });
    // The menu item and the palette row are there only when the text differs from the opened
    // text.
    addHandler(
        "revertToOpened:",
        [weak](const EditorKit::ActionSender&) {
            if (weak)
                weak->revertToOpened();
        },
        [weak](const EditorKit::ActionSender&) {
            return weak
                   && weak->commandState(EditorCommands::CommandID{"file.revertToOpened"}).enabled;
        });
    command("indentSelectedLines:", [this] { indentSelectedLines(); });
    command("outdentSelectedLines:", [this] { outdentSelectedLines(); });
    command("duplicateLines:", [this] { duplicateLines(); });
    command("moveLinesUp:", [this] { moveLines(MoveDirection::up); });
    command("moveLinesDown:", [this] { moveLines(MoveDirection::down); });
    command("deleteLines:", [this] { deleteLines(); });
    command("joinLines:", [this] { joinLines(); });
    command("insertDateTime:", [this] { insertDateTime(); });
    addHandler("selectTabByNumber:", [weak](const EditorKit::ActionSender& sender) {
        // Only a menu item (shown, or the window's hidden shortcut item) carries the number.
        if (weak && sender.kind == EditorKit::ActionSender::Kind::menuItem)
            weak->selectTabByNumber(sender.tag);
    });
}

void DocumentWindowController::observeWindowNotifications()
{
    m_textView->viewport()->installEventFilter(this);
    auto visible = [this] { visibleAreaDidChange(); };
    connect(m_textView->verticalScrollBar(), &QScrollBar::valueChanged, this, visible);
    connect(m_textView->horizontalScrollBar(), &QScrollBar::valueChanged, this, visible);
    // Where the text is scrolled to is part of the saved window state.
    connect(m_textView->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_environment.scheduleWindowStateSave)
            m_environment.scheduleWindowStateSave();
    });
    connect(&EditorKit::NotificationCenter::shared(),
            &EditorKit::NotificationCenter::posted,
            this,
            [this](const QString& name) {
                if (name == EditorKit::NotificationCenter::grammarsDidChange)
                    grammarsDidChange();
            });
}

bool DocumentWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (m_textView && watched == m_textView->viewport() && event->type() == QEvent::Resize)
        visibleAreaDidChange();
    else if (event->type() == QEvent::WindowActivate && watched == hostWindow()
             && hostWindow()->currentPage() == m_page)
        windowBecameKey();
    return QObject::eventFilter(watched, event);
}

// MARK: view switches and zoom

void DocumentWindowController::toggleViewOption(bool EditorViewOptions::*option)
{
    EditorViewOptions options = m_display->options;
    options.*option = !(options.*option);
    applyDisplayOptions(options, false);
    if (m_environment.scheduleWindowStateSave)
        m_environment.scheduleWindowStateSave();
}

void DocumentWindowController::toggleCentimeterRuler()
{
    toggleViewOption(&EditorViewOptions::showsRuler);
    // A file reopens with its own ruler choice.
    rememberViewOptions();
}

void DocumentWindowController::setZoom(double zoom)
{
    EditorViewOptions options = m_display->options;
    options.zoom = zoom;
    applyDisplayOptions(options, false);
    if (m_environment.scheduleWindowStateSave)
        m_environment.scheduleWindowStateSave();
}

void DocumentWindowController::zoomIn()
{
    if (auto step = EditorViewOptions::zoomStepAbove(m_display->options.zoom))
        setZoom(*step);
}

void DocumentWindowController::zoomOut()
{
    if (auto step = EditorViewOptions::zoomStepBelow(m_display->options.zoom))
        setZoom(*step);
}

void DocumentWindowController::zoomReset()
{
    setZoom(1.0);
}

void DocumentWindowController::toggleToolBand()
{
    // Every window lays out its bands again through the settings' change notification.
    EditorStore::Settings& values = settings();
    values.set(!values.value(SettingKeys::viewShowToolbar), SettingKeys::viewShowToolbar);
}

// MARK: text commands

void DocumentWindowController::applyCommandEdit(const std::optional<EditorCore::TextEdit>& edit,
                                                std::string_view actionName)
{
    if (!edit)
        return;
    const auto range = edit->range;
    // An edit that leaves the text as it is makes no undo step (the document stays unedited).
    if (range.location >= 0 && range.location + range.length <= m_textView->storage().length()
        && static_cast<std::size_t>(range.length) == edit->replacement.size()
        && EditorKit::utf16View(m_textView->storage().mid(range.location, range.length))
               == edit->replacement)
        return;
    replaceText(edit, EditorKit::localized(actionName));
}

void DocumentWindowController::revertToOpened()
{
    WindowDocument* current = document();
    if (!current || !m_textView->isEditable())
        return;
    // A long text is read from its file again, on a worker: what is typed meanwhile is
    // reverted with the rest, as one step.
    QPointer<DocumentWindowController> self(this);
    current->readOpenedText([self](std::optional<QString> opened) {
        if (!self)
            return;
        if (!opened) {
            self->showBanner(QStringLiteral("revert.failed"),
                             BannerView::Kind::error,
                             EditorKit::localized("연 상태를 다시 읽지 못했어요. 파일이 바깥에서 "
                                                  "바뀌었거나 읽을 수 없어요."),
                             {});
            return;
        }
        self->dismissBanner(QStringLiteral("revert.failed"));
        const QString& text = self->m_textView->text();
        if (text == *opened)
            return;
        // replaceText asks the view's delegate for the whole range and refuses a read-only view.
        self->replaceText(EditorCore::TextEdit{{0, static_cast<int>(text.size())},
                                               std::u16string(EditorKit::utf16View(*opened)),
                                               {0, 0}},
                          EditorKit::localized("연 상태로 되돌리기"));
    });
}

void DocumentWindowController::indentSelectedLines()
{
    // The selected lines and one line each side: all that a line command reads.
    const LinesAround around = linesAround(*m_textView, m_textView->selectedRange(), 1);
    applyCommandEdit(around.global(EditorCore::Indentation::indentLines(
                         EditorKit::utf16View(around.text),
                         around.local(m_textView->selectedRange()),
                         effectiveIndentStyle())),
                     "들여쓰기");
}

void DocumentWindowController::outdentSelectedLines()
{
    const LinesAround around = linesAround(*m_textView, m_textView->selectedRange(), 1);
    applyCommandEdit(around.global(EditorCore::Indentation::outdentLines(
                         EditorKit::utf16View(around.text),
                         around.local(m_textView->selectedRange()),
                         effectiveIndentStyle())),
                     "내어쓰기");
}

void DocumentWindowController::duplicateLines()
{
    const LinesAround around = linesAround(*m_textView, m_textView->selectedRange(), 1);
    applyCommandEdit(around.global(EditorCore::LineCommands::duplicateLines(
                         EditorKit::utf16View(around.text),
                         around.local(m_textView->selectedRange()),
                         effectiveLineEnding())),
                     "줄 복제");
}

void DocumentWindowController::moveLines(MoveDirection direction)
{
    const LinesAround around = linesAround(*m_textView, m_textView->selectedRange(), 1);
    applyCommandEdit(
        around.global(EditorCore::LineCommands::moveLines(EditorKit::utf16View(around.text),
                                                          around.local(m_textView->selectedRange()),
                                                          direction,
                                                          effectiveLineEnding())),
        direction == MoveDirection::up ? "줄 위로" : "줄 아래로");
}

void DocumentWindowController::deleteLines()
{
    const LinesAround around = linesAround(*m_textView, m_textView->selectedRange(), 1);
    applyCommandEdit(
        around.global(EditorCore::LineCommands::deleteLines(
            EditorKit::utf16View(around.text), around.local(m_textView->selectedRange()))),
        "줄 지우기");
}

void DocumentWindowController::joinLines()
{
    const LinesAround around = linesAround(*m_textView, m_textView->selectedRange(), 1);
    applyCommandEdit(
        around.global(EditorCore::LineCommands::joinLines(
            EditorKit::utf16View(around.text), around.local(m_textView->selectedRange()))),
        "줄 합치기");
}

void DocumentWindowController::insertDateTime()
{
    const QString format = QString::fromStdString(settings().value(SettingKeys::editorDateFormat));
    const auto now = m_environment.now ? m_environment.now() : std::chrono::system_clock::now();
    const std::u16string date = EditorCore::DateInsertion::text(
        now, EditorKit::utf16View(format), EditorCore::DateInsertion::currentTimeZone());
    if (date.empty())
        return;
    const EditorCore::TextRange selection = m_textView->selectedRange();
    replaceText(EditorCore::TextEdit{selection,
                                     date,
                                     {selection.location + static_cast<int>(date.size()), 0}},
                EditorKit::localized("날짜 · 시각 넣기"));
}

// MARK: tabs

void DocumentWindowController::selectTabByNumber(int number)
{
    EditorKit::HostWindow* host = hostWindow();
    if (!host || number < 1 || number > 9)
        return;
    const QList<EditorKit::TabPage*> pages = host->pages();
    const qsizetype index = number == 9 ? pages.size() - 1 : number - 1;
    if (index < 0 || index >= pages.size())
        return;
    host->setCurrentPage(pages[index]);
    host->show();
    host->raise();
    host->activateWindow();
}

// MARK: notifications

void DocumentWindowController::visibleAreaDidChange()
{
    // The colouring of the newly visible part and the preview's scroll sync are features.
    for (const auto& feature : m_features)
        feature->visibleAreaDidChange();
}

void DocumentWindowController::windowBecameKey()
{
    // Folder adoption from the tab group and revealing the file in the sidebar are features.
    for (const auto& feature : m_features)
        feature->windowBecameKey();
}

void DocumentWindowController::grammarsDidChange()
{
    updateStatusBar();
    for (const auto& feature : m_features)
        feature->grammarsDidChange();
}

} // namespace EditorWindow
