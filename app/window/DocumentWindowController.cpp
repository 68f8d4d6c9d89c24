#include "app/window/DocumentWindowController.h"

#include "app/features/GrammarCenter.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/TabPage.h"
#include "app/views/CentimeterRuler.h"
#include "app/views/EditorFont.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/SpellChecker.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentContentView.h"
#include "app/window/FileManagerReveal.h"
#include "app/window/SelectionCounter.h"
#include "app/window/StatusContent.h"
#include "app/window/WindowDocument.h"
#include "app/window/WindowFormat.h"
#include "app/window/hosting/HostWindows.h"
#include "features/CodeLanguageDetector.h"
#include "features/SyntaxGrammars.h"
#include "platform/FileWatcher.h"
#include "store/Settings.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QMetaObject>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace EditorWindow {

using EditorCore::IndentStyle;
using EditorCore::LineEnding;
using EditorFeatures::CodeLanguage;
using EditorStore::SettingKeys;

namespace {

QString qstring16(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

QString qstring(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

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
    markLaunchPhase("window");

    // The window: one tab page with the content view filling it.
    m_page = new EditorKit::TabPage();
    m_page->setWindowController(this);
    if (dynamic_cast<EditorKit::Responder*>(m_documentObject.data()))
        m_page->setDocument(m_documentObject);
    m_page->setUndoStack(document.undoStack());
    markLaunchPhase("w.nswindow");
    markLaunchPhase("w.toolbar");

    m_textView = new EditorViews::EditorTextView(m_display);
    m_textView->setUndoStack(document.undoStack());
    // A followed log or a read-only file takes no edits, and none of its undo steps either
    // (undone, a followed log's edit was saved over the file).
    m_page->setUndoAllowed([view = QPointer<EditorViews::EditorTextView>(m_textView)] {
        return view && view->isEditable();
    });
    markLaunchPhase("w.textview");
    m_ruler = new EditorViews::LineNumberRuler(m_textView);
    m_textView->setLineNumberRuler(m_ruler);
    m_centimeterRuler = new EditorViews::CentimeterRuler(m_textView);
    m_textView->setCentimeterRuler(m_centimeterRuler);
    m_statusBar = new StatusBarView();
    m_bodySplit = new QSplitter(Qt::Horizontal);
    m_bodySplit->setChildrenCollapsible(false);
    m_bodySplit->addWidget(m_textView);
    m_content = new DocumentContentView(m_bodySplit, m_statusBar, m_page);
    auto* pageLayout = new QVBoxLayout(m_page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_content);
    markLaunchPhase("w.views");

    QPointer<DocumentWindowController> weak(this);
    m_statusBar->onPathClick = [weak] {
        if (weak)
            weak->revealInFinder();
    };

    // The document's text, caret at the start; the view's line index follows it.
    m_textView->setText(document.loadedText());
    m_textView->setSelectedRange({0, 0});
    m_textView->setDelegate(this);
    // The edited marker follows the undo stack's clean state.
    connect(document.undoStack(), &QUndoStack::cleanChanged, this, [this] { setNeedsRefresh(); });

    m_selectionCounter = std::make_unique<SelectionCounter>([this] {
        return SelectionCounter::Source{m_textView->storage().snapshot(),
                                        m_textView->storage().version()};
    });
    m_selectionCounter->onCounted = [weak] {
        if (weak)
            weak->setNeedsRefresh();
    };
    markLaunchPhase("w.text");

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
    markLaunchPhase("w.options");

    m_statusBar->setHidden(!values.value(SettingKeys::viewShowStatusBar));
    applyEditability();
    applyAutocorrectSettings();

    addHandler("toggleStatusBar:", [weak](const EditorKit::ActionSender&) {
        if (weak)
            weak->toggleStatusBar();
    });
    addWindowCommands();

    m_statusBar->onClick = [weak](StatusBarView::Segment segment, QPushButton* button) {
        if (weak)
            weak->showStatusMenu(segment, button);
    };
    m_features = m_environment.features ? m_environment.features() : standardWindowFeatures();
    for (const auto& feature : m_features)
        feature->attach(*this);
    observeWindowNotifications();
    layoutBands();
    markLaunchPhase("window.built");
    refreshNow();
    markLaunchPhase("window.status");

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
    for (auto feature = m_features.rbegin(); feature != m_features.rend(); ++feature)
        (*feature)->detach();
    m_bodyHolders.clear();
    m_features.clear();
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
        if (!m_environment.hosts)
            m_environment.hosts = std::make_shared<HostWindows>(m_router);
        // An outside version is shown beside its file's window, never as one of its tabs.
        WindowDocument* current = document();
        host = current && current->isExternalCopy() ? m_environment.hosts->makeWindow()
                                                    : m_environment.hosts->windowForNewPage();
        host->addPage(m_page);
        // The text of the tab the user selects takes the keyboard.
        connect(host, &EditorKit::HostWindow::currentPageChanged, this, [this](auto* page) {
            if (page && page == m_page) {
                m_textView->setFocus();
                windowBecameKey();
            }
        });
        host->installEventFilter(this);
    }
    host->setCurrentPage(m_page);
    // A minimised (hidden) window comes back for the tab it is asked to show.
    if (host->isMinimized())
        host->setWindowState(host->windowState() & ~Qt::WindowMinimized);
    host->show();
    // A window restored behind others stays there until the restore is done.
    if (!host->testAttribute(Qt::WA_ShowWithoutActivating)) {
        host->raise();
        host->activateWindow();
    }
    m_textView->setFocus();
}

void DocumentWindowController::askAboutTab(std::function<void()> question)
{
    QPointer<DocumentWindowController> self(this);
    auto ask = [self, question = std::move(question)] {
        if (!self || !self->m_page)
            return;
        if (EditorKit::HostWindow* host = self->hostWindow()) {
            EditorKit::bringPageForward(self->m_page);
            if (self->m_environment.hosts)
                self->m_environment.hosts->bringToFront(host);
        }
        question();
    };
    if (m_environment.whenWindowsSettle)
        m_environment.whenWindowsSettle(std::move(ask));
    else
        ask();
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
    for (const auto& feature : m_features)
        feature->windowDidOpen();
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
                                             settings().value(SettingKeys::fileNewLineEnding),
                                             m_chosenLineEnding);
}

CodeLanguage DocumentWindowController::detectedLanguage() const
{
    const QString prefix = m_textView->storage().mid(0, 256);
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
    return m_languageChoice.value_or(detectedLanguage());
}

void DocumentWindowController::setLanguageChoice(std::optional<CodeLanguage> language)
{
    m_languageChoice = language;
    setNeedsRefresh();
}

// MARK: display options and settings

EditorViews::EditorFontSettings DocumentWindowController::fontSettings() const
{
    const EditorStore::Settings& values = settings();
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QString::fromStdString(values.value(SettingKeys::viewFontName));
    fonts.fontSize = values.value(SettingKeys::viewFontSize);
    fonts.lineSpacing = values.value(SettingKeys::viewLineSpacing);
    return fonts;
}

void DocumentWindowController::applyDisplayOptions(const EditorViews::EditorViewOptions& options,
                                                   bool relayout)
{
    const EditorViews::EditorViewOptions old = m_display->options;
    m_display->options = options;
    const EditorViews::EditorFontSettings fontSettings = this->fontSettings();
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
    for (const auto& feature : m_features)
        feature->displayOptionsDidChange();
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
        setNeedsRefresh();
    if (has("view.showTabBarAlways"))
        updateTabBarVisibility();
    if (hasPrefix("editor.autocorrect."))
        applyAutocorrectSettings();
    if (hasPrefix("editor.indent.")) {
        applyDisplayOptions(m_display->options, true);
        setNeedsRefresh();
    }
    for (const auto& feature : m_features)
        feature->settingsDidChange(changedKeys);
}

void DocumentWindowController::markLaunchPhase(std::string_view name) const
{
    if (m_environment.markLaunchPhase)
        m_environment.markLaunchPhase(name);
}

void DocumentWindowController::applyAutocorrectSettings()
{
    EditorStore::Settings& values = settings();
    EditorViews::EditorTextView::Autocorrection autocorrection;
    autocorrection.spelling = values.value(SettingKeys::editorAutocorrectSpelling);
    autocorrection.quotes = values.value(SettingKeys::editorAutocorrectQuotes);
    autocorrection.dashes = values.value(SettingKeys::editorAutocorrectDashes);
    // The dictionaries load the first time a window checks spelling.
    if (autocorrection.spelling && !m_textView->spellChecker())
        m_textView->setSpellChecker(EditorViews::SpellChecker::shared());
    m_textView->setAutocorrection(autocorrection);
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

void DocumentWindowController::setNeedsRefresh()
{
    m_refresh.schedule();
}

void DocumentWindowController::refreshNow()
{
    m_refresh.cancel();
    updateTitle();
    updateStatusBar();
}

void DocumentWindowController::updateStatusBar()
{
    m_textView->setNewlineString(qstring16(EditorCore::characters(effectiveLineEnding())));
    WindowDocument* current = document();
    if (!current)
        return;

    StatusContent::Inputs inputs;
    inputs.text = m_textView->storage().snapshot();
    inputs.lineIndex = &m_textView->lineIndex();
    inputs.selection = m_textView->selectedRange();
    inputs.selectedCharacters = m_selectionCounter->count(inputs.selection);
    inputs.selectionCountPending = !inputs.selectedCharacters;
    inputs.encoding = current->encoding();
    inputs.hasByteOrderMark = current->hasByteOrderMark();
    inputs.lineEndings = current->lineEndings();
    inputs.effectiveLineEnding = effectiveLineEnding();
    inputs.indentStyle = effectiveIndentStyle();
    const CodeLanguage language = effectiveLanguage();
    inputs.languageName = qstring(EditorFeatures::displayName(language));
    inputs.editable = m_textView->isEditable();
    if (auto url = current->fileURL())
        inputs.filePath = QString::fromStdString(url->string());
    inputs.homeFolder = m_environment.homeFolder;
    for (const auto& feature : m_features)
        feature->contributeStatus(inputs);

    StatusBarView::Content content = StatusContent::compute(inputs);
    m_statusBar->update(content);
    emit statusDidUpdate(content);
}

void DocumentWindowController::replaceAllText(const QString& text,
                                              std::optional<EditorCore::LineIndex> lines)
{
    m_textView->setText(text, std::move(lines));
    m_textView->setSelectedRange({0, 0});
    setNeedsRefresh();
}

void DocumentWindowController::replaceAllText(EditorCore::TextSnapshot text,
                                              std::optional<EditorCore::LineIndex> lines)
{
    m_textView->setText(std::move(text), std::move(lines));
    m_textView->setSelectedRange({0, 0});
    setNeedsRefresh();
}

void DocumentWindowController::toggleStatusBar()
{
    m_statusBar->setHidden(!m_statusBar->isHidden());
    m_content->layoutContent();
}

void DocumentWindowController::updateTitle()
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

void DocumentWindowController::showStatusMenu(StatusBarView::Segment segment, QPushButton* button)
{
    // The segment's menu belongs to the feature that owns the segment.
    for (const auto& feature : m_features) {
        if (feature->statusSegmentClicked(segment, button))
            return;
    }
}

void DocumentWindowController::revealInFinder()
{
    WindowDocument* current = document();
    if (!current)
        return;
    auto url = current->fileURL();
    if (!url)
        return;
    revealInFileManager(*url);
}

// MARK: bands and banners

BannerView* DocumentWindowController::showBanner(const QString& key,
                                                 BannerView::Kind kind,
                                                 const QString& message,
                                                 std::vector<BannerView::Action> actions)
{
    QPointer<DocumentWindowController> weak(this);
    // After an action the keyboard goes back to the text, unless the action put it elsewhere.
    for (auto& action : actions) {
        action.run = [weak, run = std::move(action.run)] {
            if (run)
                run();
            if (weak)
                weak->refocusTextAfterBand();
        };
    }
    auto* created = new BannerView(key, kind, message, std::move(actions));
    created->onClose = [weak, key] {
        if (weak)
            weak->dismissBanner(key);
    };
    // A replacing banner goes below the ones still shown, not into the old one's place.
    for (auto& entry : m_banners) {
        if (entry && entry->key() == key) {
            entry->hide();
            entry->deleteLater();
        }
    }
    std::erase_if(m_banners, [&](const auto& entry) { return !entry || entry->key() == key; });
    m_banners.emplace_back(created);
    layoutBands();
    return created;
}

void DocumentWindowController::dismissBanner(const QString& key)
{
    std::vector<QPointer<BannerView>> gone;
    std::erase_if(m_banners, [&](const auto& entry) {
        if (entry && entry->key() != key)
            return false;
        gone.push_back(entry);
        return true;
    });
    const bool hadFocus = std::any_of(gone.begin(), gone.end(), [](const auto& entry) {
        return entry && entry->isAncestorOf(QApplication::focusWidget());
    });
    layoutBands();
    if (hadFocus)
        m_textView->setFocus();
    for (const auto& entry : gone) {
        if (entry) {
            entry->hide();
            // Later: the close button that asked for this is still on the stack.
            entry->deleteLater();
        }
    }
}

void DocumentWindowController::refocusTextAfterBand()
{
    QWidget* focus = m_page ? m_page->focusWidget() : nullptr;
    const bool inBand = std::any_of(m_banners.begin(), m_banners.end(), [focus](const auto& entry) {
        return entry && focus && entry->isAncestorOf(focus);
    });
    if (!focus || inBand || !focus->isVisible())
        m_textView->setFocus();
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

void DocumentWindowController::removeExtraBand(QWidget* band)
{
    std::erase_if(m_extraBands, [band](const auto& entry) { return !entry || entry == band; });
    layoutBands();
}

void DocumentWindowController::layoutBands()
{
    // Top first: features' bands above the banners (the tool band), extra bands, banners,
    // features' bands below them (the find bar).
    std::vector<QWidget*> above;
    std::vector<QWidget*> below;
    for (const auto& feature : m_features) {
        WindowFeature::Bands bands = feature->bands();
        above.insert(above.end(), bands.aboveBanners.begin(), bands.aboveBanners.end());
        below.insert(below.end(), bands.belowBanners.begin(), bands.belowBanners.end());
    }
    std::vector<QWidget*> bands = std::move(above);
    for (const auto& band : m_extraBands) {
        if (band)
            bands.push_back(band);
    }
    for (const auto& entry : m_banners) {
        if (entry)
            bands.push_back(entry);
    }
    bands.insert(bands.end(), below.begin(), below.end());
    m_content->setBands(bands);
}

// MARK: editability and the file watcher

void DocumentWindowController::applyEditability()
{
    WindowDocument* current = document();
    // A followed file's text grows from the file alone.
    m_textView->setEditable(current && !current->isReadOnly() && !isTextLocked());
    if (current)
        applyEditabilityBanners(*current);
}

bool DocumentWindowController::isTextLocked() const
{
    return std::any_of(m_features.begin(), m_features.end(), [](const auto& feature) {
        return feature->locksText();
    });
}

bool DocumentWindowController::documentEvent(DocumentEvent event)
{
    bool acted = false;
    for (const auto& feature : m_features)
        acted = feature->documentEvent(event) || acted;
    return acted;
}

void DocumentWindowController::claimBody(WindowFeature& claimant, BodyClaim claim)
{
    // A holder that yields releases the body from inside its hook: walk a copy.
    const std::vector<WindowFeature*> holders = m_bodyHolders;
    for (WindowFeature* holder : holders) {
        if (holder != &claimant && holdsBody(*holder))
            holder->bodyWasTaken(claim);
    }
    if (!holdsBody(claimant))
        m_bodyHolders.push_back(&claimant);
}

void DocumentWindowController::releaseBody(WindowFeature& holder)
{
    std::erase(m_bodyHolders, &holder);
}

bool DocumentWindowController::holdsBody(const WindowFeature& feature) const
{
    return std::find(m_bodyHolders.begin(), m_bodyHolders.end(), &feature) != m_bodyHolders.end();
}

// MARK: responder

EditorKit::Responder* DocumentWindowController::featureResponding(std::string_view action) const
{
    for (const auto& feature : m_features) {
        if (feature->respondsToAction(action))
            return feature.get();
    }
    return nullptr;
}

bool DocumentWindowController::respondsToAction(std::string_view action) const
{
    return ActionTableResponder::respondsToAction(action) || featureResponding(action);
}

bool DocumentWindowController::validateAction(std::string_view action,
                                              const EditorKit::ActionSender& sender) const
{
    if (ActionTableResponder::respondsToAction(action))
        return ActionTableResponder::validateAction(action, sender);
    auto* responder = featureResponding(action);
    return responder && responder->validateAction(action, sender);
}

void DocumentWindowController::performAction(std::string_view action,
                                             const EditorKit::ActionSender& sender)
{
    if (ActionTableResponder::respondsToAction(action)) {
        ActionTableResponder::performAction(action, sender);
        return;
    }
    if (auto* responder = featureResponding(action))
        responder->performAction(action, sender);
}

} // namespace EditorWindow
