#pragma once

#include "app/kit/OncePerTurn.h"
#include "app/kit/Responder.h"
#include "app/kit/TabPage.h"
#include "app/views/EditorDisplayState.h"
#include "app/views/EditorTextView.h"
#include "app/window/BannerView.h"
#include "app/window/CommandState.h"
#include "app/window/StatusBarView.h"
#include "app/window/WindowFeature.h"
#include "core/DocumentError.h"
#include "core/Indentation.h"
#include "core/LineCommands.h"
#include "core/LineEnding.h"
#include "core/TextEdit.h"
#include "features/CodeLanguage.h"
#include "store/WindowState.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSplitter;

namespace EditorKit {
class ActionRouter;
class HostWindow;
class Presenter;
} // namespace EditorKit

namespace EditorStore {
class Settings;
}

namespace EditorViews {
class CentimeterRuler;
class LineNumberRuler;
}

namespace EditorWindow {

class DocumentContentView;
class HostWindows;
class SelectionCounter;
class WindowDocument;

// What a window needs from outside besides its document: the settings, the per-file view
// memory, where the home folder is, the host windows it may join and its features. Tests give
// their own.
struct WindowEnvironment
{
    // nullptr: the application's shared settings.
    EditorStore::Settings* settings = nullptr;
    // The remembered view of a file, or none.
    std::function<std::optional<EditorViews::EditorViewOptions::RememberedView>(
        const std::filesystem::path&)>
        viewMemory;
    // Records the view of a file.
    std::function<void(const std::filesystem::path&, const EditorViews::EditorViewOptions&)>
        rememberView;
    // Empty: the user's home folder.
    QString homeFolder;
    // Where the file watcher points a file's change; by default nothing more happens (the
    // disk check belongs to the window features).
    std::function<void()> onDiskChange;
    // The host windows a shown window joins; none: each window gets a host of its own.
    std::shared_ptr<HostWindows> hosts;
    // The window's features; none: `standardWindowFeatures()`.
    WindowFeatureFactory features;
    // The alerts of the window's features; none: message boxes.
    std::shared_ptr<EditorKit::Presenter> presenter;
    // Asks the window restorer for its debounced save of the window state; none: nothing.
    std::function<void()> scheduleWindowStateSave;
    // Notes a phase of the launch measurement while the launch is measured; none: nothing.
    std::function<void(std::string_view)> markLaunchPhase;
    // Runs a question about a tab once the windows stand where they stay (after the window
    // restorer has placed them all); none: at once.
    std::function<void(std::function<void()>)> whenWindowsSettle;
    // The date and time the date insertion uses; none: the system clock.
    std::function<std::chrono::system_clock::time_point()> now;
};

// The controller of one document window: one tab page of a host window with its text view,
// line-number ruler, status bar and bands, and the list of its features. It is the text view's
// delegate, so every change of the text passes through its edit pipeline, which publishes one
// edit record per change to the display state's range stores and to every feature. The title,
// the edited marker and the status bar are refreshed at most once per turn of the event loop.
// Owned by its document; holds the document weakly. Main thread only.
class DocumentWindowController
    : public QObject
    , public EditorKit::ActionTableResponder
    , public EditorViews::EditorTextViewDelegate
{
    Q_OBJECT
public:
    DocumentWindowController(WindowDocument& document,
                             EditorKit::ActionRouter& router,
                             WindowEnvironment environment = {});
    ~DocumentWindowController() override;

    // The window: a tab page, shown by `showWindow` in a host window.
    EditorKit::TabPage* page() const { return m_page; }
    EditorKit::HostWindow* hostWindow() const;
    EditorViews::EditorTextView* textView() const { return m_textView; }
    EditorViews::LineNumberRuler* ruler() const { return m_ruler; }
    EditorViews::CentimeterRuler* centimeterRuler() const { return m_centimeterRuler; }
    StatusBarView* statusBar() const { return m_statusBar; }
    DocumentContentView* content() const { return m_content; }
    // The content's body: the text, then what features show beside it (the preview).
    QSplitter* bodySplit() const { return m_bodySplit; }
    const std::shared_ptr<EditorViews::EditorDisplayState>& display() const { return m_display; }
    WindowDocument* document() const;
    const WindowEnvironment& environment() const { return m_environment; }

    // The features, in the order they were formed.
    const WindowFeatureList& features() const { return m_features; }
    // The first feature of that type, or null.
    template<class Feature>
    Feature* feature() const
    {
        for (const auto& entry : m_features) {
            if (auto* found = dynamic_cast<Feature*>(entry.get()))
                return found;
        }
        return nullptr;
    }

    // The first feature that offers that service (an interface of the frame's, such as
    // `FindBarService`), or null: how a feature asks another for something without naming it.
    template<class Service>
    Service* service() const
    {
        return feature<Service>();
    }

    // The one slot of the window's body for the views that take the text's place. A claim
    // tells every other holder, in the order they claimed, that the body was taken
    // (`WindowFeature::bodyWasTaken`); each decides whether its view yields. A holder releases
    // the body when its view goes.
    void claimBody(WindowFeature& claimant, BodyClaim claim);
    void releaseBody(WindowFeature& holder);
    bool holdsBody(const WindowFeature& feature) const;

    // Joins the host window to join (see HostWindows), or opens a new one, and brings the tab
    // to the front.
    void showWindow();
    // Asks a question about this tab (an alert, a chooser) once the windows have settled, with
    // the tab selected and its window in front, so the question shows over the right text.
    void askAboutTab(std::function<void()> question);
    // What closing the tab does (the document closes itself); by default the tab just goes.
    void setCloseHandler(std::function<void()> handler);
    // Closes as the tab's close does once its document agreed, without asking.
    void closeWithoutReview()
    {
        if (m_closeHandler)
            m_closeHandler();
    }

    // Indentation and line ending of inserted text.
    EditorCore::IndentStyle effectiveIndentStyle() const;
    EditorCore::LineEnding effectiveLineEnding() const;
    // The ending the user chose for a text without breaks (the count's summary of such a
    // text has none to show).
    void setChosenLineEnding(std::optional<EditorCore::LineEnding> ending)
    {
        m_chosenLineEnding = ending;
    }
    EditorFeatures::CodeLanguage detectedLanguage() const;
    const std::optional<EditorFeatures::CodeLanguage>& languageChoice() const
    {
        return m_languageChoice;
    }
    void setLanguageChoice(std::optional<EditorFeatures::CodeLanguage> language);

    // The font settings ("view.font.name", "view.font.size", "view.lineSpacing") as stored,
    // which the text's font and the fonts of the window's other views start from.
    EditorViews::EditorFontSettings fontSettings() const;
    void applyDisplayOptions(const EditorViews::EditorViewOptions& options, bool relayout);
    void applySettings(const std::vector<std::string>& changedKeys);
    void rememberViewOptions();
    // The text view's spelling underline and quote and dash substitution, from the settings.
    void applyAutocorrectSettings();
    // With fewer than two tabs, the window shows its tab bar as "view.showTabBarAlways" says.
    void updateTabBarVisibility();

    // Asks for the title, the edited marker and the status bar to be computed again, once,
    // on the next turn of the event loop.
    void setNeedsRefresh();
    // Computes them now (a pending refresh is then skipped).
    void refreshNow();
    // A re-read file replaces the whole text: fresh line index (or `lines`, the text's index
    // built already), caret at the start.
    void replaceAllText(const QString& text,
                        std::optional<EditorCore::LineIndex> lines = std::nullopt);
    // The same with a text in chunks (a read's), which the view adopts without a copy.
    void replaceAllText(EditorCore::TextSnapshot text,
                        std::optional<EditorCore::LineIndex> lines = std::nullopt);
    void toggleStatusBar();

    // The window commands (menus, shortcuts, tool band, palette): view switches and zoom.
    void toggleViewOption(bool EditorViews::EditorViewOptions::*option);
    void toggleCentimeterRuler();
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void toggleToolBand();
    // Text commands, each one undoable step under its name.
    void revertToOpened();
    void indentSelectedLines();
    void outdentSelectedLines();
    void duplicateLines();
    void moveLines(EditorCore::LineCommands::MoveDirection direction);
    void deleteLines();
    void joinLines();
    void insertDateTime();
    // Brings tab `number` of the host window to the front; 9 is the last tab.
    void selectTabByNumber(int number);

    // Whether a command can run now and whether its switch is on (tool band, palette).
    CommandState commandState(const EditorCommands::CommandID& id) const;
    // The window's state as the command state reads it; gather once to ask for many commands.
    CommandStateInputs commandStateInputs() const;

    // The tab's part of the saved window state: none without a document, for an external copy
    // and for an untitled document that was never kept.
    std::optional<EditorStore::TabRestoreState> makeTabRestoreState() const;
    // Gives a reopened tab its saved view back. While the document's text has not arrived (a
    // file read on a worker, a large file before its first part) the state waits in
    // `pendingRestore` until `textArrived`.
    void applyTabRestoreState(const EditorStore::TabRestoreState& state);
    // Whoever brings the document's text in says so here once the text and its line index are
    // installed (the window's document after a read on a worker, the large-file loader): a
    // restored tab's state that waited for it is applied. The frame alone holds that state.
    void textArrived();
    const std::optional<EditorStore::TabRestoreState>& pendingRestore() const
    {
        return m_pendingRestore;
    }
    // 1-based number of the first line the text view shows.
    std::int64_t topVisibleLine() const;
    // Puts that line (clamped to the text's lines) at the top of the view; lines below 2 need
    // no scrolling.
    void scrollToSavedTopLine(std::int64_t line);

    // Notification handlers.
    void visibleAreaDidChange();
    void windowBecameKey();
    void grammarsDidChange();

    // Every command's change of the text: one undoable step under the action name. Absent
    // edits and read-only text change nothing.
    void replaceText(const std::optional<EditorCore::TextEdit>& edit, const QString& actionName);
    // True only while replaceText runs: the typing transforms leave command edits alone.
    bool isApplyingCommand() const { return m_applyingCommand; }

    // Banners, one per key: a new banner replaces the one with the same key and goes below
    // the banners still shown.
    BannerView* showBanner(const QString& key,
                           BannerView::Kind kind,
                           const QString& message,
                           std::vector<BannerView::Action> actions);
    void dismissBanner(const QString& key);
    BannerView* banner(const QString& key) const;
    // Gives the keyboard back to the text when a band's action left it on the band or nowhere.
    void refocusTextAfterBand();
    const std::vector<QPointer<BannerView>>& banners() const { return m_banners; }
    // Other bands (progress and the like), above the banners.
    void setExtraBands(std::vector<QWidget*> bands);
    // Takes that band (by identity) out of the extra bands.
    void removeExtraBand(QWidget* band);
    const std::vector<QPointer<QWidget>>& extraBands() const { return m_extraBands; }

    // "save.unencodable" for a save that stopped on characters the encoding cannot write.
    void showUnencodableBanner(const EditorCore::DocumentError& error);
    // "lineEndings.mixed" when the editable text mixes kinds of line ending.
    void showMixedLineEndingsBanner();
    // A shown "lineEndings.mixed" takes the document's present counts, and goes once the endings
    // are no longer mixed.
    void refreshMixedLineEndingsBanner();
    static QString mixedLineEndingsMessage(const EditorCore::LineEndingSummary& summary);
    // Deletes `characters` and every other character the save encoding cannot write, as one
    // undoable step; when nothing is left to delete, nothing changes and the banner stays.
    void removeUnencodableCharacters(const std::vector<std::u16string>& characters);
    // Places the bands again: features' above the banners, extra bands, banners, features'
    // below the banners.
    void layoutBands();

    // Tells every feature, in list order; true when one of them acted on it.
    bool documentEvent(DocumentEvent event);
    // A feature locks the text (nothing may be typed; the file alone writes it).
    bool isTextLocked() const;

    // The text view's editability and the banners of a read-only or administrator's file.
    void applyEditability();

    // EditorTextViewDelegate: the edit pipeline.
    bool shouldChangeText(EditorViews::EditorTextView& view,
                          EditorViews::TextRange range,
                          const QString& replacement) override;
    bool doCommandBySelector(EditorViews::EditorTextView& view, const QString& selector) override;
    void textDidChange(EditorViews::EditorTextView& view) override;
    void textDidEdit(EditorViews::EditorTextView& view,
                     const EditorViews::EditRecord& edit) override;
    void selectionDidChange(EditorViews::EditorTextView& view) override;
    // Dropped files open as documents of their own.
    void openDroppedFiles(EditorViews::EditorTextView& view, const QList<QUrl>& urls) override;

    // Responder: the controller's own actions, then its features' in list order.
    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;
    // The check mark of a switch's menu item: its command state.
    std::optional<bool> actionState(std::string_view action,
                                    const EditorKit::ActionSender& sender) const override;

protected:
    // Scrolls and resizes of the text's viewport, and the host window becoming active.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After each status refresh, with what the status bar shows.
    void statusDidUpdate(const EditorWindow::StatusBarView::Content& content);
    // After every change of the text: the one edit record (features get it first).
    void textDidEditRecord(const EditorViews::EditRecord& edit);

private:
    EditorStore::Settings& settings() const;
    // The indentation the typing transforms use: YAML indents with spaces.
    EditorCore::IndentStyle typingIndentStyle(EditorFeatures::CodeLanguage language) const;
    EditorFeatures::CodeLanguage effectiveLanguage() const;
    void finishOpening();
    void applyEditabilityBanners(WindowDocument& current);
    void updateTitle();
    void updateStatusBar();
    void showStatusMenu(StatusBarView::Segment segment, QPushButton* button);
    void markLaunchPhase(std::string_view name) const;
    void revealInFinder();
    EditorKit::Responder* featureResponding(std::string_view action) const;
    void addWindowCommands();
    void observeWindowNotifications();
    void setZoom(double zoom);
    // Applies a command's edit unless it changes nothing.
    void applyCommandEdit(const std::optional<EditorCore::TextEdit>& edit,
                          std::string_view actionName);

    QPointer<QObject> m_documentObject;
    WindowDocument* m_document = nullptr;
    EditorKit::ActionRouter& m_router;
    WindowEnvironment m_environment;

    std::shared_ptr<EditorViews::EditorDisplayState> m_display;
    QPointer<EditorKit::TabPage> m_page;
    EditorViews::EditorTextView* m_textView = nullptr;
    EditorViews::LineNumberRuler* m_ruler = nullptr;
    EditorViews::CentimeterRuler* m_centimeterRuler = nullptr;
    StatusBarView* m_statusBar = nullptr;
    DocumentContentView* m_content = nullptr;
    QSplitter* m_bodySplit = nullptr;
    std::vector<QPointer<BannerView>> m_banners;
    std::vector<QPointer<QWidget>> m_extraBands;
    WindowFeatureList m_features;
    // The features holding the body, in the order they claimed it.
    std::vector<WindowFeature*> m_bodyHolders;
    std::unique_ptr<SelectionCounter> m_selectionCounter;
    std::function<void()> m_closeHandler;
    std::uint64_t m_settingsObserver = 0;
    std::optional<EditorFeatures::CodeLanguage> m_languageChoice;
    std::optional<EditorCore::LineEnding> m_chosenLineEnding;
    bool m_applyingCommand = false;
    std::optional<EditorStore::TabRestoreState> m_pendingRestore;
    // Whether the text differs from the loaded text, for one version of the storage and one
    // loaded text.
    struct RevertCheck
    {
        std::uint64_t version = 0;
        const QChar* loaded = nullptr;
        qsizetype loadedLength = 0;
        bool differs = false;
    };
    mutable std::optional<RevertCheck> m_revertCheck;
    EditorKit::OncePerTurn m_refresh{this, [this] { refreshNow(); }};
};

} // namespace EditorWindow
