#pragma once

#include "app/features/GrammarCenter.h"
#include "app/window/BannerView.h"
#include "app/window/WindowFeature.h"
#include "features/CodeLanguage.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>
#include <vector>

namespace EditorWindow {

// Which banner about the grammar of a tab's language the window shows, decided from plain
// inputs so that every combination can be checked on its own.
namespace GrammarBanners {

// The tab's syntax colouring: switched off, no grammar for the language, too large, running.
enum class ColoringState { off, noGrammar, tooLarge, on };

struct Situation
{
    EditorFeatures::CodeLanguage language = EditorFeatures::CodeLanguage::plainText;
    bool syntaxEnabled = true;
    ColoringState state = ColoringState::off;
    // A grammar listing the language is installed.
    bool installed = false;
    // The installed grammar needs a newer edition.
    bool needsUpdate = false;
    AppFeatures::GrammarCenter::Phase phase;
    bool autoDownload = false;
    bool declined = false;
};

enum class Action { download, decline };

struct Decision
{
    enum class Step {
        // Remove any grammar banner.
        remove,
        // Load the installed grammar, and remove any grammar banner.
        loadInstalled,
        // Start the download at once; the banner stays as it is.
        startDownload,
        // Show the banner below unless its signature is the one shown.
        show,
    };
    Step step = Step::remove;
    QString signature;
    BannerView::Kind kind = BannerView::Kind::info;
    QString message;
    // Each with its title: "받기", "이 언어는 묻지 않기", "다시 받기", "새 판 받기".
    std::vector<std::pair<Action, QString>> actions;
};

// `serverName` is named in the offer.
Decision decide(const Situation& situation, const QString& serverName);

// The language's display name as the interface shows it.
QString languageName(EditorFeatures::CodeLanguage language);

} // namespace GrammarBanners

// The window's grammar banner (key "grammar"): after every status update it looks at the
// tab's language, its colouring state and the grammar center's phase, and offers, reports or
// removes the banner. The banner is rebuilt only when its signature changes.
class GrammarBannerFeature
    : public QObject
    , public WindowFeature
{
public:
    // `center`: none for the application's shared center.
    explicit GrammarBannerFeature(AppFeatures::GrammarCenter* center = nullptr);
    ~GrammarBannerFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;

    void updateGrammarBanner(EditorFeatures::CodeLanguage language);
    // The signature of the banner shown, or none.
    const std::optional<QString>& grammarBanner() const { return m_grammarBanner; }
    // The colouring state of the tab for a language.
    GrammarBanners::ColoringState coloringState(EditorFeatures::CodeLanguage language) const;

private:
    AppFeatures::GrammarCenter& center() const;
    void run(GrammarBanners::Action action, EditorFeatures::CodeLanguage language);
    void removeBanner();

    AppFeatures::GrammarCenter* m_center = nullptr;
    QPointer<DocumentWindowController> m_window;
    QMetaObject::Connection m_statusConnection;
    std::optional<QString> m_grammarBanner;
};

} // namespace EditorWindow
