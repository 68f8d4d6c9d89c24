#include "app/window/disk/DiskStatesFeature.h"

#include "app/documents/DocumentReading.h"
#include "app/documents/SaveRules.h"
#include "app/documents/SnapshotStrings.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LargeFileLoading.h"
#include "app/window/WindowDocument.h"
#include "platform/Files.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUndoStack>

namespace EditorWindow {

using EditorCore::DiskIdentity;

namespace {

const QString fileGoneKey = QStringLiteral("file.gone");
const QString externalChangedKey = QStringLiteral("external.changed");
const QString rescuedKey = QStringLiteral("rescued");

// One worker compares for every window; it ends with the last window.
std::shared_ptr<Platform::SerialQueue> checkQueue()
{
    static std::weak_ptr<Platform::SerialQueue> shared;
    auto queue = shared.lock();
    if (!queue) {
        queue = std::make_shared<Platform::SerialQueue>("app.orlune.viewer.disk.check");
        shared = queue;
    }
    return queue;
}

} // namespace

DiskStatesFeature::DiskStatesFeature()
    : m_queue(checkQueue())
{}

DiskStatesFeature::~DiskStatesFeature() = default;

void DiskStatesFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    if (WindowDocument* document = window.document()) {
        if (auto origin = document->rescuedOrigin())
            showRescuedBanner(*origin);
    }
}

void DiskStatesFeature::detach()
{
    m_window = nullptr;
}

void DiskStatesFeature::windowDidOpen()
{
    rememberBookmark();
}

void DiskStatesFeature::rememberBookmark()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    if (auto url = document->fileURL()) {
        if (auto bookmark = Platform::FileBookmark::make(*url)) {
            m_bookmark = std::move(bookmark);
            m_bookmarkURL = *url;
        }
    }
}

// MARK: checking

void DiskStatesFeature::checkDisk()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || document->isWritingToDisk() || document->isExternalCopy())
        return;
    // While following, a sign of change is a follow step: the new bytes show at once.
    if (m_window->isTextLocked()) {
        m_window->documentEvent(DocumentEvent::lockedFileChanged);
        return;
    }
    auto url = document->fileURL();
    auto stored = document->diskIdentity();
    if (!url || !stored)
        return;
    if (EditorDocuments::SaveRules::isInTrash(*url)) {
        showFileGoneBanner();
        return;
    }
    // Saved under another name since: the old bookmark says nothing about this file.
    if (m_bookmarkURL != *url)
        rememberBookmark();
    ++m_comparisonsStarted;
    QPointer<DiskStatesFeature> weak(this);
    m_queue->async([weak, stored = *stored, url = *url] {
        auto comparison = DiskIdentity::compare(stored, url);
        std::optional<Platform::FileBookmark> bookmark;
        if (comparison.change != DiskIdentity::Change::missing)
            bookmark = Platform::FileBookmark::make(url);
        auto* application = QCoreApplication::instance();
        if (!application)
            return;
        QMetaObject::invokeMethod(
            application,
            [weak, stored, comparison, bookmark, url] {
                if (!weak)
                    return;
                if (bookmark) {
                    weak->m_bookmark = bookmark;
                    weak->m_bookmarkURL = url;
                }
                weak->handleExternalChange(stored, comparison.change, comparison.identity);
                if (weak)
                    ++weak->m_comparisonsFinished;
            },
            Qt::QueuedConnection);
    });
}

void DiskStatesFeature::handleExternalChange(const DiskIdentity& stored,
                                             DiskIdentity::Change change,
                                             const std::optional<DiskIdentity>& current)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    // A save or reload that ran meanwhile wins.
    if (document->diskIdentity() != stored)
        return;
    switch (change) {
    case DiskIdentity::Change::same:
        // A touched but unchanged file is not compared by content again.
        document->adoptDiskIdentity(current);
        return;
    case DiskIdentity::Change::changed:
        // Unedited, a large file's load starts over.
        if (document->hasLargeFile()) {
            if (document->isEdited() || m_window->textView()->hasMarkedText()
                || !restartLargeLoad(current))
                showExternalChangeBanner();
            return;
        }
        if (!document->isEdited() && !m_window->textView()->hasMarkedText())
            reloadFromDisk(false);
        else
            showExternalChangeBanner();
        return;
    case DiskIdentity::Change::missing:
        fileVanished(stored);
        return;
    }
}

void DiskStatesFeature::fileVanished(const DiskIdentity& stored)
{
    // Another program may be replacing the file (write a new one, rename it over the old):
    // give the watcher's re-arm time, then look again.
    QPointer<DiskStatesFeature> weak(this);
    QTimer::singleShot(settleMilliseconds, this, [weak, stored] {
        if (!weak || !weak->m_window)
            return;
        WindowDocument* document = weak->m_window->document();
        if (!document || document->diskIdentity() != stored)
            return;
        auto url = document->fileURL();
        if (!url)
            return;
        std::error_code error;
        if (std::filesystem::exists(*url, error)) {
            weak->checkDisk();
            return;
        }
        // Renamed within its folder: the document follows it there. A file moved to another
        // folder (the trash included) counts as gone.
        // Only a bookmark of this very file: after a save under another name it may still
        // name the old one.
        if (weak->m_bookmark && weak->m_bookmarkURL == *url) {
            auto resolved = weak->m_bookmark->resolve();
            if (resolved && *resolved != *url && resolved->parent_path() == url->parent_path()) {
                document->moveToURL(*resolved);
                weak->m_window->documentEvent(DocumentEvent::startWatcher);
                weak->rememberBookmark();
                weak->m_window->setNeedsRefresh();
                weak->checkDisk();
                return;
            }
        }
        weak->showFileGoneBanner();
    });
}

// MARK: reloading

bool DiskStatesFeature::restartLargeLoad(const std::optional<DiskIdentity>& identity)
{
    auto* large = m_window->service<LargeFileLoading>();
    if (!large)
        return false;
    m_window->document()->adoptDiskIdentity(identity);
    large->restartLargeLoad();
    return true;
}

void DiskStatesFeature::reloadFromDisk(bool undoable)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    EditorViews::EditorTextView* view = m_window->textView();
    // An undoable load is an edit: a text that may not be edited keeps its question.
    if (undoable && !view->isEditable())
        return;
    if (document->hasLargeFile() && document->fileURL()
        && restartLargeLoad(DiskIdentity::read(*document->fileURL(), 0)))
        return;
    QPointer<DiskStatesFeature> weak(this);
    document->readCurrentFile(true,
                              [weak, undoable](std::optional<EditorDocuments::CurrentFile> read) {
                                  if (weak)
                                      weak->applyCurrentFile(undoable, std::move(read));
                              });
}

void DiskStatesFeature::applyCurrentFile(bool undoable,
                                         std::optional<EditorDocuments::CurrentFile> decoded)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    if (!decoded) {
        showFileGoneBanner();
        return;
    }
    EditorViews::EditorTextView* view = m_window->textView();
    const std::int64_t start = view->selectedRange().location;
    const int vertical = view->verticalScrollBar()->value();
    const int horizontal = view->horizontalScrollBar()->value();
    const std::int64_t caret = std::min<std::int64_t>(start, decoded->text.length());

    if (!undoable) {
        m_window->replaceAllText(std::move(decoded->text), std::move(decoded->lines));
        if (QUndoStack* stack = document->undoStack())
            stack->clear();
        document->markUnedited();
        view->setSelectedRange({caret, 0});
    } else {
        EditorCore::TextEdit edit;
        edit.range = {0, static_cast<std::int64_t>(view->text().size())};
        edit.replacement = decoded->text.text();
        edit.selection = {caret, 0};
        m_window->replaceText(edit, EditorKit::localized("바깥 것 불러오기"));
    }
    view->verticalScrollBar()->setValue(vertical);
    view->horizontalScrollBar()->setValue(horizontal);

    document->adoptDiskIdentity(decoded->identity);
    // The text now is the file's: its breaks were counted with it, on the worker.
    const EditorCore::LineEndingSummary endings = decoded->lineEndings;
    document->setLineEndings(endings);
    m_window->dismissBanner(externalChangedKey);
    // The offer to unify the endings speaks of the text that was replaced.
    if (!endings.isMixed())
        m_window->dismissBanner(QStringLiteral("lineEndings.mixed"));
    m_window->setNeedsRefresh();
    m_window->documentEvent(DocumentEvent::reloaded);
}

void DiskStatesFeature::showExternalCopy()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || !document->fileURL())
        return;
    QPointer<DiskStatesFeature> weak(this);
    document->readCurrentFile(false, [weak](std::optional<EditorDocuments::CurrentFile> decoded) {
        if (weak && decoded)
            weak->showExternalCopyOf(EditorDocuments::flatText(decoded->text));
    });
}

void DiskStatesFeature::showExternalCopyOf(const QString& text)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    DocumentWindowController* copy = document->openExternalCopy(text);
    if (!copy)
        return;
    // This window on the left half of the screen, the copy on the right half (window managers
    // under Wayland place windows themselves).
    if (!copy->hostWindow())
        copy->showWindow();
    EditorKit::HostWindow* own = m_window->hostWindow();
    EditorKit::HostWindow* other = copy->hostWindow();
    QScreen* screen = own ? own->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen || !other)
        return;
    const QRect area = screen->availableGeometry();
    const QRect left(area.x(), area.y(), area.width() / 2, area.height());
    if (own)
        own->setGeometry(left);
    other->setGeometry(left.translated(left.width(), 0));
    other->show();
}

void DiskStatesFeature::overwriteExternal()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    auto url = document->fileURL();
    if (!url)
        return;
    // The hash of a file of up to 100 MiB is taken on the reading worker.
    QPointer<DiskStatesFeature> weak(this);
    document->readDiskIdentity([weak](std::optional<DiskIdentity> identity) {
        WindowDocument* current = weak && weak->m_window ? weak->m_window->document() : nullptr;
        if (!current)
            return;
        if (identity)
            current->adoptDiskIdentity(identity);
        weak->m_window->dismissBanner(externalChangedKey);
        current->saveDocument();
    });
}

// MARK: editability

bool DiskStatesFeature::canAllowEditing() const
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return false;
    const auto reason = document->readOnlyReason();
    if (reason == EditorDocuments::ReadOnlyReason::userChose)
        return true;
    if (reason == EditorDocuments::ReadOnlyReason::largeFile) {
        auto state = document->largeFileState();
        return !state || (state->loadedBytes >= state->size && !state->lossy);
    }
    return false;
}

void DiskStatesFeature::allowEditing()
{
    if (!canAllowEditing())
        return;
    m_window->document()->clearReadOnlyReason();
    m_window->applyEditability();
    m_window->dismissBanner(QStringLiteral("largeFile"));
}

// MARK: banners

void DiskStatesFeature::showFileGoneBanner()
{
    if (!m_window || m_window->banner(fileGoneKey))
        return;
    QPointer<DocumentWindowController> window(m_window);
    m_window->showBanner(
        fileGoneKey,
        BannerView::Kind::error,
        EditorKit::localized("파일이 지워지거나 옮겨졌어요. 내용은 이 탭에 지켜 두었어요."),
        {{EditorKit::localized("다른 이름으로 저장"), [window] {
              if (!window)
                  return;
              window->dismissBanner(fileGoneKey);
              if (WindowDocument* document = window->document())
                  document->saveDocumentAs();
          }}});
}

void DiskStatesFeature::showExternalChangeBanner()
{
    if (!m_window || m_window->banner(externalChangedKey))
        return;
    WindowDocument* document = m_window->document();
    std::vector<BannerView::Action> actions;
    QPointer<DiskStatesFeature> weak(this);
    // A large file's outside version comes with its own loading; read whole it would stall. Keeping
    // mine reads nothing and stays.
    if (document && !document->hasLargeFile()) {
        actions = {{EditorKit::localized("바깥 것 보기"),
                    [weak] {
                        if (weak)
                            weak->showExternalCopy();
                    }},
                   {EditorKit::localized("바깥 것 불러오기"), [weak] {
                        if (weak)
                            weak->reloadFromDisk(true);
                    }}};
    }
    if (document) {
        actions.push_back({EditorKit::localized("내 것 저장"), [weak] {
                               if (weak)
                                   weak->overwriteExternal();
                           }});
    }
    m_window->showBanner(
        externalChangedKey,
        BannerView::Kind::warning,
        EditorKit::localized("다른 프로그램이 이 파일을 바꿨어요. 여기서 고친 것과 겹쳐요."),
        std::move(actions));
}

void DiskStatesFeature::showRescuedBanner(const std::filesystem::path& origin)
{
    if (!m_window)
        return;
    QPointer<DocumentWindowController> window(m_window);
    std::vector<BannerView::Action> actions;
    std::error_code error;
    if (std::filesystem::exists(origin, error)) {
        actions.push_back({EditorKit::localized("원래 파일 열기"), [window] {
                               if (window && window->document())
                                   window->document()->openRescuedOrigin();
                           }});
    }
    actions.push_back({EditorKit::localized("다른 이름으로 저장"), [window] {
                           if (window && window->document())
                               window->document()->saveDocumentAs();
                       }});
    actions.push_back({EditorKit::localized("버리기"), [window] {
                           if (!window)
                               return;
                           window->documentEvent(DocumentEvent::stopWatcher);
                           // Later: the window and this banner's button go with the close.
                           QTimer::singleShot(0, window, [window] {
                               if (window && window->document())
                                   window->document()->discardRescuedText();
                           });
                       }});
    QString message = EditorKit::localized(
        "「%@」 에 저장하지 못한 고침이에요 — 끌 때 바깥에서 바뀌었거나 파일이 없었어요. "
        "파일에는 들어가지 않았어요.");
    message.replace(QLatin1String("%@"), QString::fromStdString(origin.filename().string()));
    m_window->showBanner(rescuedKey, BannerView::Kind::warning, message, std::move(actions));
}

// MARK: responder

bool DiskStatesFeature::respondsToAction(std::string_view action) const
{
    return action == "allowEditing:" || action == "showExternalCopy:"
           || action == "overwriteExternal:";
}

bool DiskStatesFeature::validateAction(std::string_view action,
                                       const EditorKit::ActionSender&) const
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return false;
    if (action == "allowEditing:")
        return canAllowEditing();
    const bool onDisk = document->fileURL() && !document->isExternalCopy();
    if (action == "showExternalCopy:")
        return onDisk && !document->hasLargeFile();
    if (action == "overwriteExternal:")
        return onDisk && !document->isReadOnly();
    return false;
}

void DiskStatesFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "allowEditing:")
        allowEditing();
    else if (action == "showExternalCopy:")
        showExternalCopy();
    else if (action == "overwriteExternal:")
        overwriteExternal();
}

bool DiskStatesFeature::documentEvent(DocumentEvent event)
{
    switch (event) {
    case DocumentEvent::watcherStarted:
        fileWatcherStarted();
        return true;
    case DocumentEvent::fileChanged:
        checkDisk();
        return true;
    case DocumentEvent::reloadSilently:
        reloadFromDisk(false);
        return true;
    case DocumentEvent::reloadUndoably:
        reloadFromDisk(true);
        return true;
    case DocumentEvent::fileGone:
        showFileGoneBanner();
        return true;
    case DocumentEvent::externalChange:
        showExternalChangeBanner();
        return true;
    default:
        return false;
    }
}

} // namespace EditorWindow
