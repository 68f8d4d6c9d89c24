#include "app/window/DocumentWindowController.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorFont.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentContentView.h"
#include "app/window/StatusContent.h"
#include "app/window/WindowDocument.h"
#include "app/window/WindowFormat.h"
#include "features/CodeLanguageDetector.h"
#include "features/SyntaxGrammars.h"
#include "platform/FileWatcher.h"
#include "store/Settings.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

namespace EditorWindow {

using EditorCore::IndentStyle;
using EditorCore::LineEnding;
using EditorFeatures::CodeLanguage;
using EditorStore::SettingKeys;

namespace {

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString qstring16(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

QString qstring(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The host window a new document joins: the one most recently made active.
class HostTracker : public QObject
{
public:
    static HostTracker& shared()
    {
        static auto* tracker = new HostTracker();
        return *tracker;
    }

    void track(EditorKit::HostWindow* window)
    {
        window->installEventFilter(this);
        m_lastActive = window;
    }

    EditorKit::HostWindow* windowToJoin() const
    {
        if (auto* active = qobject_cast<EditorKit::HostWindow*>(QApplication::activeWindow()))
            return active;
        if (m_lastActive && m_lastActive->isVisible())
            return m_lastActive;
        return nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate)
            m_lastActive = qobject_cast<EditorKit::HostWindow*>(watched);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<EditorKit::HostWindow> m_lastActive;
};

} // namespace

DocumentWindowController::DocumentWindowController(WindowDocument& document,
                                                   EditorKit::ActionRouter& router,
                                                   WindowEnvironment environment)
    : m_documentObject(document.documentObject())
    , m_document(&document)
    , m_router(router)
    , m_environment(std::move(environment))
    , m_display(std::make_shared<EditorViews::EditorDisplayState>())
{
    if (m_environment.homeFolder.isEmpty())
        m_environment.homeFolder = QDir::homePath();

    // The window: one tab page with the content view filling it.
    m_page = new EditorKit::TabPage();
    m_page->setWindowController(this);
    if (dynamic_cast<EditorKit::Responder*>(m_documentObject.data()))
        m_page->setDocument(m_documentObject);
    m_page->setUndoStack(document.undoStack());

    m_textView = new EditorViews::EditorTextView(m_display);
    m_textView->setUndoStack(document.undoStack());
    m_ruler = new EditorViews::LineNumberRuler(m_textView);
    m_textView->setLineNumberRuler(m_ruler);
    m_statusBar = new StatusBarView();
    m_content = new DocumentContentView(m_textView, m_statusBar, m_page);
    auto* pageLayout = new QVBoxLayout(m_page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_content);

    QPointer<DocumentWindowController> weak(this);
    m_statusBar->onPathClick = [weak] {
        if (weak)
            weak->revealInFinder();
    };

    // The document's text, caret at the start, and the line index of that text.
    m_textView->storage().setText(document.loadedText());
    m_textView->setSelectedRange({0, 0});
    m_ruler->lineIndex = EditorCore::LineIndex(view(m_textView->text()));
    m_textView->setDelegate(this);
    connect(&m_textView->storage(),
            &EditorViews::TextStorage::didReplace,
            this,
            &DocumentWindowController::storageDidProcessEditing);
    connect(document.undoStack(), &QUndoStack::cleanChanged, this, [this] {
        synchronizeWindowTitleWithDocumentName();
        updateStatusBar();
    });

    // View memory of the file, else the new-tab settings.
    EditorStore::Settings& values = settings();
    EditorViews::EditorViewOptions::NewTabSettings newTab;
    newTab.invisibles = values.value(SettingKeys::viewNewTabInvisibles);
    newTab.wrap = values.value(SettingKeys::viewNewTabWrap);
    newTab.lineNumbers = values.value(SettingKeys::viewNewTabLineNumbers);
    newTab.currentLine = values.value(SettingKeys::viewNewTabCurrentLine);
    newTab.ruler = values.value(SettingKeys::viewNewTabRuler);
    std::optional<EditorViews::EditorViewOptions::RememberedView> memory;
    if (auto url = document.fileURL(); url && m_environment.viewMemory)
        memory = m_environment.viewMemory(*url);
    applyDisplayOptions(EditorViews::EditorViewOptions::fromSettings(newTab, memory), false);

    m_statusBar->setHidden(!values.value(SettingKeys::viewShowStatusBar));
    layoutBands();
    applyEditability();

    addHandler("toggleStatusBar:", [weak](const EditorKit::ActionSender&) {
        if (weak)
            weak->toggleStatusBar();
    });

    m_statusBar->onClick = [weak](StatusBarView::Segment segment, QPushButton* button) {
        if (weak)
            weak->showStatusMenu(segment, button);
    };
    synchronizeWindowTitleWithDocumentName();
    updateStatusBar();

    m_settingsObserver = EditorStore::SettingsChangeCenter::shared()->addObserver(
        [weak](const std::vector<std::string>& keys) {
            if (weak)
                weak->applySettings(keys);
        });

    QTimer::singleShot(0, this, [weak] {
        if (weak && weak->document())
            weak->finishOpening();
    });
}

DocumentWindowController::~DocumentWindowController()
{
    EditorStore::SettingsChangeCenter::shared()->removeObserver(m_settingsObserver);
    stopFileWatcher();
    if (m_textView)
        m_textView->setDelegate(nullptr);
    if (m_page) {
        if (auto* host = m_page->hostWindow())
            host->closePage(m_page);
        else
            delete m_page;
    }
}

WindowDocument* DocumentWindowController::document() const
{
    return m_documentObject ? m_document : nullptr;
}

EditorStore::Settings& DocumentWindowController::settings() const
{
    return m_environment.settings ? *m_environment.settings : EditorStore::Settings::shared();
}

EditorKit::HostWindow* DocumentWindowController::hostWindow() const
{
    return m_page ? m_page->hostWindow() : nullptr;
}

void DocumentWindowController::showWindow()
{
    if (!m_page)
        return;
    EditorKit::HostWindow* host = m_page->hostWindow();
    if (!host) {
        host = HostTracker::shared().windowToJoin();
        if (!host) {
            host = new EditorKit::HostWindow(m_router);
            host->setAttribute(Qt::WA_DeleteOnClose);
            host->resize(EditorKit::HostWindow::newWindowSize);
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                QRect frame(QPoint(), EditorKit::HostWindow::newWindowSize);
                frame.moveCenter(screen->availableGeometry().center());
                host->move(frame.topLeft());
            }
            HostTracker::shared().track(host);
        }
        host->addPage(m_page);
    }
    host->setCurrentPage(m_page);
    host->show();
    host->raise();
    host->activateWindow();
    m_textView->setFocus();
    // The encoding chooser for an unsure guess comes with the status menus.
}

void DocumentWindowController::setCloseHandler(std::function<void()> handler)
{
    m_closeHandler = std::move(handler);
    if (m_page)
        m_page->setCloseHandler(m_closeHandler);
}

void DocumentWindowController::finishOpening()
{
    updateTabBarVisibility();
    startFileWatcher();
}

void DocumentWindowController::updateTabBarVisibility()
{
    EditorKit::HostWindow* host = hostWindow();
    if (!host || host->pageCount() >= 2)
        return;
    if (host->isTabBarAlwaysShown() != settings().value(SettingKeys::viewShowTabBarAlways))
        host->toggleTabBar();
}

// MARK: format

IndentStyle DocumentWindowController::effectiveIndentStyle() const
{
    EditorStore::Settings& values = settings();
    WindowFormat::IndentSettings indent;
    indent.detect = values.value(SettingKeys::editorIndentDetect);
    indent.useTabs = values.value(SettingKeys::editorIndentUseTabs);
    indent.width = values.value(SettingKeys::editorIndentWidth);
    WindowDocument* current = document();
    return WindowFormat::effectiveIndentStyle(current ? current->indentStyle() : std::nullopt,
                                              current && current->indentChosenByUser(),
                                              indent);
}

LineEnding DocumentWindowController::effectiveLineEnding() const
{
    WindowDocument* current = document();
    if (!current)
        return LineEnding::lf;
    return WindowFormat::effectiveLineEnding(current->lineEndings(),
                                             settings().value(SettingKeys::fileNewLineEnding));
}

CodeLanguage DocumentWindowController::detectedLanguage() const
{
    QStringView prefix = QStringView(m_textView->text()).left(256);
    std::u16string_view text(reinterpret_cast<const char16_t*>(prefix.utf16()),
                             static_cast<std::size_t>(prefix.size()));
    std::optional<std::u16string> fileName;
    if (WindowDocument* current = document()) {
        if (auto url = current->fileURL())
            fileName = url->filename().u16string();
    }
    std::optional<std::u16string_view> name;
    if (fileName)
        name = *fileName;
    return EditorFeatures::CodeLanguageDetector::detect(
               name, EditorFeatures::CodeLanguageDetector::firstLine(text))
        .language;
}

CodeLanguage DocumentWindowController::effectiveLanguage() const
{
    return languageChoice.value_or(detectedLanguage());
}

bool DocumentWindowController::syntaxTooLarge(CodeLanguage language) const
{
    // The size rule of the tab's syntax colouring, which reports its state here once it exists.
    EditorStore::Settings& values = settings();
    if (!values.value(SettingKeys::syntaxEnabled))
        return false;
    if (!EditorFeatures::SyntaxGrammars::grammar(language))
        return false;
    WindowDocument* current = document();
    if (current && current->hasLargeFile())
        return true;
    std::int64_t limit = values.value(SettingKeys::syntaxMaxMB) * 1'048'576;
    if (language == CodeLanguage::markdown)
        limit /= 2;
    return m_textView->storage().length() > limit;
}

// MARK: display options and settings

void DocumentWindowController::applyDisplayOptions(const EditorViews::EditorViewOptions& options,
                                                   bool relayout)
{
    const EditorViews::EditorViewOptions old = m_display->options;
    m_display->options = options;
    EditorStore::Settings& values = settings();
    EditorViews::EditorFontSettings fontSettings;
    fontSettings.fontName = QString::fromStdString(values.value(SettingKeys::viewFontName));
    fontSettings.fontSize = values.value(SettingKeys::viewFontSize);
    fontSettings.lineSpacing = values.value(SettingKeys::viewLineSpacing);
    QFont font =
        EditorViews::editorFont(options.fontFamily, options.fontSize, options.zoom, fontSettings);
    auto style = EditorViews::editorParagraphStyle(
        font, effectiveIndentStyle().effectiveWidth(), options.lineSpacing, fontSettings);
    const bool metricsChanged = old.zoom != options.zoom || old.fontFamily != options.fontFamily
                                || old.fontSize != options.fontSize
                                || old.lineSpacing != options.lineSpacing;
    if (relayout || metricsChanged || m_textView->editorFont() != font)
        m_textView->setEditorFont(font, style);
    m_textView->displayOptionsDidChange();
    m_textView->updateRulerThickness();
    m_textView->viewport()->update();
    if (m_ruler)
        m_ruler->update();
}

void DocumentWindowController::applySettings(const std::vector<std::string>& changedKeys)
{
    auto has = [&](std::string_view key) {
        return std::find(changedKeys.begin(), changedKeys.end(), key) != changedKeys.end();
    };
    auto hasPrefix = [&](std::string_view prefix) {
        return std::any_of(changedKeys.begin(), changedKeys.end(), [&](const std::string& key) {
            return std::string_view(key).substr(0, prefix.size()) == prefix;
        });
    };
    if (has("view.font.name") || has("view.font.size") || has("view.lineSpacing"))
        applyDisplayOptions(m_display->options, true);
    if (has("view.showStatusBar")) {
        m_statusBar->setHidden(!settings().value(SettingKeys::viewShowStatusBar));
        m_content->layoutContent();
    }
    if (has("view.showToolbar"))
        layoutBands();
    if (has("syntax.enabled") || has("syntax.maxMB") || has("syntax.autoDownload"))
        updateStatusBar();
    if (has("view.showTabBarAlways"))
        updateTabBarVisibility();
    if (hasPrefix("editor.indent.")) {
        applyDisplayOptions(m_display->options, true);
        updateStatusBar();
    }
}

void DocumentWindowController::rememberViewOptions()
{
    WindowDocument* current = document();
    if (!current || current->isExternalCopy() || !m_environment.rememberView)
        return;
    if (auto url = current->fileURL())
        m_environment.rememberView(*url, m_display->options);
}

// MARK: status

void DocumentWindowController::updateStatusBar()
{
    m_textView->setNewlineString(qstring16(EditorCore::characters(effectiveLineEnding())));
    WindowDocument* current = document();
    if (!current)
        return;

    StatusContent::Inputs inputs;
    inputs.text = m_textView->text();
    inputs.lineIndex = &m_ruler->lineIndex;
    inputs.selection = m_textView->selectedRange();
    inputs.encoding = current->encoding();
    inputs.hasByteOrderMark = current->hasByteOrderMark();
    inputs.lineEndings = current->lineEndings();
    inputs.effectiveLineEnding = effectiveLineEnding();
    inputs.indentStyle = effectiveIndentStyle();
    const CodeLanguage language = effectiveLanguage();
    inputs.languageName = qstring(EditorFeatures::displayName(language));
    inputs.syntaxTooLarge = syntaxTooLarge(language);
    inputs.suspiciousTotal = suspiciousReport.total();
    inputs.editable = m_textView->isEditable();
    if (auto url = current->fileURL())
        inputs.filePath = QString::fromStdString(url->string());
    inputs.homeFolder = m_environment.homeFolder;

    StatusBarView::Content content = StatusContent::compute(inputs);
    m_statusBar->update(content);
    emit statusDidUpdate(content);
}

void DocumentWindowController::replaceAllText(const QString& text)
{
    m_textView->storage().setText(text);
    m_ruler->lineIndex = EditorCore::LineIndex(view(m_textView->text()));
    m_textView->setSelectedRange({0, 0});
    m_ruler->updateThickness();
    m_ruler->update();
    updateStatusBar();
}

void DocumentWindowController::toggleStatusBar()
{
    m_statusBar->setHidden(!m_statusBar->isHidden());
    m_content->layoutContent();
}

void DocumentWindowController::synchronizeWindowTitleWithDocumentName()
{
    WindowDocument* current = document();
    if (!current || !m_page)
        return;
    QString title = current->displayName();
    // The edited marker, as Linux editors show it.
    if (current->isEdited())
        title.prepend(QLatin1Char('*'));
    m_page->setWindowTitle(title);
    if (auto url = current->fileURL())
        m_page->setWindowFilePath(QString::fromStdString(url->string()));
}

void DocumentWindowController::showStatusMenu(StatusBarView::Segment segment, QPushButton*)
{
    // The menus of the encoding, line-ending, indentation, language and suspicious segments,
    // and the problems and follow actions, come with the window features that own them.
    (void)segment;
}

void DocumentWindowController::revealInFinder()
{
    WindowDocument* current = document();
    if (!current)
        return;
    auto url = current->fileURL();
    if (!url)
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QString::fromStdString(url->string())).toString()}
         << QString();
    QDBusConnection::sessionBus().asyncCall(call);
}

// MARK: bands and banners

BannerView* DocumentWindowController::showBanner(const QString& key,
                                                 BannerView::Kind kind,
                                                 const QString& message,
                                                 std::vector<BannerView::Action> actions)
{
    auto* created = new BannerView(key, kind, message, std::move(actions));
    QPointer<DocumentWindowController> weak(this);
    created->onClose = [weak, key] {
        if (weak)
            weak->dismissBanner(key);
    };
    bool replaced = false;
    for (auto& entry : m_banners) {
        if (entry && entry->key() == key) {
            entry->hide();
            entry->deleteLater();
            entry = created;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        m_banners.emplace_back(created);
    layoutBands();
    return created;
}

void DocumentWindowController::dismissBanner(const QString& key)
{
    auto found = std::find_if(m_banners.begin(), m_banners.end(), [&](const auto& entry) {
        return entry && entry->key() == key;
    });
    if (found == m_banners.end())
        return;
    QPointer<BannerView> gone = *found;
    m_banners.erase(found);
    layoutBands();
    if (gone) {
        gone->hide();
        // Later: the close button that asked for this is still on the stack.
        gone->deleteLater();
    }
}

BannerView* DocumentWindowController::banner(const QString& key) const
{
    for (const auto& entry : m_banners) {
        if (entry && entry->key() == key)
            return entry;
    }
    return nullptr;
}

void DocumentWindowController::setExtraBands(std::vector<QWidget*> bands)
{
    m_extraBands.assign(bands.begin(), bands.end());
    layoutBands();
}

void DocumentWindowController::layoutBands()
{
    // Top first: tool band, extra bands, banners, find bar. The tool band and find bar come
    // with the window features.
    std::vector<QWidget*> bands;
    for (const auto& band : m_extraBands) {
        if (band)
            bands.push_back(band);
    }
    for (const auto& entry : m_banners) {
        if (entry)
            bands.push_back(entry);
    }
    m_content->setBands(bands);
}

// MARK: editability and the file watcher

void DocumentWindowController::applyEditability()
{
    WindowDocument* current = document();
    m_textView->setEditable(current && !current->isReadOnly());
}

void DocumentWindowController::stopFileWatcher()
{
    if (m_fileWatcherNotifier) {
        // Possibly from inside its own signal (a disk check that re-arms the watcher).
        m_fileWatcherNotifier->setEnabled(false);
        m_fileWatcherNotifier->deleteLater();
        m_fileWatcherNotifier = nullptr;
    }
    if (m_fileWatcher)
        m_fileWatcher->stop();
    m_fileWatcher.reset();
}

void DocumentWindowController::startFileWatcher()
{
    stopFileWatcher();
    WindowDocument* current = document();
    if (!current || current->isExternalCopy())
        return;
    auto url = current->fileURL();
    if (!url)
        return;
    QPointer<DocumentWindowController> weak(this);
    m_fileWatcher = std::make_unique<Platform::FileWatcher>(
        *url,
        [weak] {
            // Our own save's writing is not someone else's change.
            if (weak && weak->m_environment.onDiskChange && weak->document()
                && !weak->document()->isWritingToDisk())
                weak->m_environment.onDiskChange();
        },
        [weak](std::chrono::milliseconds delay, std::function<void()> task) {
            if (weak)
                QTimer::singleShot(delay, weak.data(), std::move(task));
        });
    m_fileWatcher->start();
    if (m_fileWatcher->descriptor() >= 0) {
        m_fileWatcherNotifier =
            new QSocketNotifier(m_fileWatcher->descriptor(), QSocketNotifier::Read, this);
        connect(m_fileWatcherNotifier, &QSocketNotifier::activated, this, [this] {
            if (m_fileWatcher)
                m_fileWatcher->handleEvents();
        });
    }
}

} // namespace EditorWindow
