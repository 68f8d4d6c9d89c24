#include "app/window/grammar/GrammarBannerFeature.h"

#include "app/kit/Localized.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "features/SyntaxGrammars.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

#include <initializer_list>

namespace EditorWindow {

using AppFeatures::GrammarCenter;
using EditorFeatures::CodeLanguage;
using EditorStore::SettingKeys;

namespace GrammarBanners {

namespace {

// The translated text with each "%@" replaced by the next value, in order.
QString filled(std::string_view koreanText, std::initializer_list<QString> values)
{
    const QString pattern = EditorKit::localized(koreanText);
    QString result;
    auto next = values.begin();
    qsizetype start = 0;
    while (true) {
        const qsizetype found = pattern.indexOf(QStringLiteral("%@"), start);
        if (found < 0 || next == values.end())
            break;
        result += QStringView(pattern).mid(start, found - start);
        result += *next++;
        start = found + 2;
    }
    result += QStringView(pattern).mid(start);
    return result;
}

QString identifier(CodeLanguage language)
{
    return QString::fromUtf8(EditorFeatures::rawValue(language));
}

} // namespace

QString languageName(CodeLanguage language)
{
    return EditorKit::localized(EditorFeatures::displayName(language));
}

Decision decide(const Situation& situation, const QString& serverName)
{
    using Kind = GrammarCenter::Phase::Kind;
    const QString id = identifier(situation.language);
    const QString name = languageName(situation.language);
    const auto& phase = situation.phase;
    Decision decision;

    if (situation.syntaxEnabled && situation.state == ColoringState::on && situation.needsUpdate) {
        decision.step = Decision::Step::show;
        switch (phase.kind) {
        case Kind::idle:
        case Kind::loading:
            decision.signature = QStringLiteral("update.") + id;
            decision.message = filled(
                "「%@」 색칠 문법 새 판이 있어요 — 안에 든 다른 언어(코드 블록 · script 같은)까지 "
                "칠해요.",
                {name});
            decision.actions = {{Action::download, EditorKit::localized("새 판 받기")}};
            break;
        case Kind::downloading:
            decision.signature = QStringLiteral("updating.") + id;
            decision.message = filled("「%@」 색칠 문법 새 판을 받는 중이에요…", {name});
            break;
        case Kind::failed:
            decision.signature = QStringLiteral("updateFailed.") + id + u'.' + phase.message;
            decision.kind = BannerView::Kind::warning;
            decision.message = filled("「%@」 색칠 문법 새 판 — %@", {name, phase.message});
            decision.actions = {{Action::download, EditorKit::localized("다시 받기")}};
            break;
        }
        return decision;
    }

    if (situation.syntaxEnabled && situation.state == ColoringState::noGrammar
        && EditorFeatures::SyntaxGrammars::downloadableLanguages().contains(situation.language)) {
        // An installed grammar whose library failed to load keeps its failure banner (with
        // its retry) instead of vanishing as if it had loaded.
        if (situation.installed && phase.kind != Kind::failed) {
            decision.step = Decision::Step::loadInstalled;
            return decision;
        }
        switch (phase.kind) {
        case Kind::loading:
        case Kind::downloading:
            decision.step = Decision::Step::show;
            decision.signature = QStringLiteral("downloading.") + id;
            decision.message = filled("「%@」 색칠 문법을 받는 중이에요…", {name});
            return decision;
        case Kind::failed:
            decision.step = Decision::Step::show;
            decision.signature = QStringLiteral("failed.") + id + u'.' + phase.message;
            decision.kind = BannerView::Kind::warning;
            decision.message = filled("「%@」 색칠 문법 — %@", {name, phase.message});
            decision.actions = {{Action::download, EditorKit::localized("다시 받기")}};
            return decision;
        case Kind::idle:
            if (situation.autoDownload) {
                decision.step = Decision::Step::startDownload;
                return decision;
            }
            if (situation.declined)
                return decision;
            decision.step = Decision::Step::show;
            decision.signature = QStringLiteral("offer.") + id;
            decision.message =
                filled("「%@」 에 색을 칠하려면 문법을 한 번 받아야 해요 (%@ · 수백 KB).",
                       {name, serverName});
            decision.actions = {{Action::download, EditorKit::localized("받기")},
                                {Action::decline, EditorKit::localized("이 언어는 묻지 않기")}};
            return decision;
        }
    }
    return decision;
}

} // namespace GrammarBanners

GrammarBannerFeature::GrammarBannerFeature(GrammarCenter* center)
    : m_center(center)
{}

GrammarBannerFeature::~GrammarBannerFeature() = default;

GrammarCenter& GrammarBannerFeature::center() const
{
    return m_center ? *m_center : GrammarCenter::shared();
}

void GrammarBannerFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    m_statusConnection = connect(&window, &DocumentWindowController::statusDidUpdate, this, [this] {
        if (m_window)
            updateGrammarBanner(m_window->languageChoice().value_or(m_window->detectedLanguage()));
    });
}

void GrammarBannerFeature::detach()
{
    disconnect(m_statusConnection);
    m_window = nullptr;
}

GrammarBanners::ColoringState GrammarBannerFeature::coloringState(CodeLanguage language) const
{
    using State = GrammarBanners::ColoringState;
    if (!m_window)
        return State::off;
    EditorStore::Settings& settings = m_window->environment().settings
                                          ? *m_window->environment().settings
                                          : EditorStore::Settings::shared();
    if (!settings.value(SettingKeys::syntaxEnabled))
        return State::off;
    if (!center().grammar(language))
        return State::noGrammar;
    WindowDocument* document = m_window->document();
    if (document && document->hasLargeFile())
        return State::tooLarge;
    std::int64_t limit = settings.value(SettingKeys::syntaxMaxMB) * 1'048'576;
    if (language == CodeLanguage::markdown)
        limit /= 2;
    return m_window->textView()->storage().length() > limit ? State::tooLarge : State::on;
}

void GrammarBannerFeature::updateGrammarBanner(CodeLanguage language)
{
    if (!m_window)
        return;
    GrammarCenter& grammars = center();
    EditorStore::Settings& settings = m_window->environment().settings
                                          ? *m_window->environment().settings
                                          : EditorStore::Settings::shared();
    GrammarBanners::Situation situation;
    situation.language = language;
    situation.syntaxEnabled = settings.value(SettingKeys::syntaxEnabled);
    situation.state = coloringState(language);
    situation.installed = grammars.isInstalled(language);
    situation.needsUpdate = grammars.needsUpdate(language);
    situation.phase = grammars.phase(language);
    situation.autoDownload = settings.value(SettingKeys::syntaxAutoDownload);

    auto decision = GrammarBanners::decide(situation, grammars.serverName());
    // The declined list is a file: read only when it decides (an offer), not on every update.
    if (decision.step == GrammarBanners::Decision::Step::show
        && decision.signature.startsWith(QStringLiteral("offer."))
        && grammars.store().isDeclined(language)) {
        situation.declined = true;
        decision = GrammarBanners::decide(situation, grammars.serverName());
    }
    using Step = GrammarBanners::Decision::Step;
    switch (decision.step) {
    case Step::remove:
        removeBanner();
        return;
    case Step::loadInstalled:
        grammars.loadInstalled(language);
        removeBanner();
        return;
    case Step::startDownload:
        grammars.startDownload(language);
        return;
    case Step::show:
        break;
    }
    if (m_grammarBanner == decision.signature)
        return;
    m_grammarBanner = decision.signature;
    QPointer<GrammarBannerFeature> weak(this);
    std::vector<BannerView::Action> actions;
    for (const auto& [action, title] : decision.actions) {
        const auto chosen = action;
        actions.push_back({title, [weak, chosen, language] {
                               if (weak)
                                   weak->run(chosen, language);
                           }});
    }
    m_window->showBanner(
        QStringLiteral("grammar"), decision.kind, decision.message, std::move(actions));
}

void GrammarBannerFeature::run(GrammarBanners::Action action, CodeLanguage language)
{
    GrammarCenter& grammars = center();
    switch (action) {
    case GrammarBanners::Action::download:
        grammars.startDownload(language);
        break;
    case GrammarBanners::Action::decline:
        grammars.store().setDeclined(language, true);
        grammars.postChange();
        break;
    }
}

void GrammarBannerFeature::removeBanner()
{
    if (!m_grammarBanner)
        return;
    m_grammarBanner.reset();
    if (m_window)
        m_window->dismissBanner(QStringLiteral("grammar"));
}

} // namespace EditorWindow
