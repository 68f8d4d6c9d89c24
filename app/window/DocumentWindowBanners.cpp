// The banners the window controller shows itself: a save stopped on characters the encoding
// cannot write, mixed line endings, and the read-only and administrator states.
#include "app/documents/DocumentTexts.h"
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/window/DisplayNames.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LineEndingConversion.h"
#include "app/window/WindowDocument.h"
#include "core/TextCodec.h"

#include <QTextBoundaryFinder>

#include <set>

namespace EditorWindow {

namespace {

// How many distinct characters the repair looks for besides the ones the save reported.
constexpr std::size_t unencodableLimit = 1000;

QString normalForm(QStringView cluster)
{
    return cluster.toString().normalized(QString::NormalizationForm_C);
}

QString withCounts(const QString& format, std::initializer_list<std::int64_t> counts)
{
    QString result = format;
    for (std::int64_t count : counts) {
        const auto at = result.indexOf(QLatin1String("%lld"));
        if (at < 0)
            break;
        result.replace(at, 4, QString::number(count));
    }
    return result;
}

} // namespace

void DocumentWindowController::applyEditabilityBanners(WindowDocument& current)
{
    QPointer<DocumentWindowController> weak(this);
    // There is no version browsing here, so the document is never in viewing mode.
    if (current.readOnlyReason() == EditorDocuments::ReadOnlyReason::noPermission) {
        showBanner(QStringLiteral("readOnly.permission"),
                   BannerView::Kind::info,
                   EditorKit::localized("이 파일은 쓸 권한이 없어 읽기 전용으로 열었어요."),
                   {{EditorKit::localized("관리자로 고치기"),
                     [weak] {
                         if (weak && weak->document())
                             weak->document()->beginAdminEditing();
                     }},
                    {EditorKit::localized("다른 이름으로 저장"), [weak] {
                         if (weak && weak->document())
                             weak->document()->saveDocumentAs();
                     }}});
    } else if (banner(QStringLiteral("readOnly.permission"))) {
        dismissBanner(QStringLiteral("readOnly.permission"));
    }
    if (current.isAdminEditing()) {
        if (!banner(QStringLiteral("admin")))
            showBanner(QStringLiteral("admin"),
                       BannerView::Kind::warning,
                       EditorKit::localized("관리자 권한으로 고치는 중 — 저절로 저장하지 않아요. "
                                            "⌘S 로 저장할 때 맥이 관리자 암호를 물어요."),
                       {});
    } else if (banner(QStringLiteral("admin"))) {
        dismissBanner(QStringLiteral("admin"));
    }
}

void DocumentWindowController::showUnencodableBanner(const EditorCore::DocumentError& error)
{
    const auto* unencodable = std::get_if<EditorCore::DocumentError::Unencodable>(&error.payload);
    if (!unencodable)
        return;
    QPointer<DocumentWindowController> weak(this);
    std::vector<std::u16string> characters = unencodable->characters;
    showBanner(QStringLiteral("save.unencodable"),
               BannerView::Kind::error,
               EditorDocuments::DocumentTexts::describe(
                   error, DisplayNames::shortName(unencodable->encoding)),
               {{EditorKit::localized("UTF-8 로 바꿔 저장"),
                 [weak] {
                     if (!weak)
                         return;
                     if (WindowDocument* current = weak->document())
                         current->changeEncoding(EditorCore::TextEncoding::utf8,
                                                 false,
                                                 EditorKit::localized("인코딩 바꾸기"));
                     weak->dismissBanner(QStringLiteral("save.unencodable"));
                     if (WindowDocument* current = weak->document())
                         current->autosave();
                 }},
                {EditorKit::localized("그 글자 지우기"), [weak, characters] {
                     if (weak)
                         weak->removeUnencodableCharacters(characters);
                 }}});
}

void DocumentWindowController::removeUnencodableCharacters(
    const std::vector<std::u16string>& characters)
{
    WindowDocument* current = document();
    if (!current)
        return;
    const QString text = m_textView->text();
    std::set<QString> removed;
    for (const auto& character : characters)
        removed.insert(normalForm(EditorKit::qstringFrom(character)));
    for (const auto& character : EditorCore::TextCodec::unencodableCharacters(
             EditorKit::utf16View(text), current->encoding(), unencodableLimit))
        removed.insert(normalForm(EditorKit::qstringFrom(character)));

    QString kept;
    kept.reserve(text.size());
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = clusters.toNextBoundary();
        if (end < 0)
            end = text.size();
        const QStringView cluster = QStringView(text).mid(start, end - start);
        // Plain ASCII is written by every encoding offered; only the rest is looked up.
        const bool ascii = cluster.size() == 1 && cluster[0].unicode() < 0x80;
        if (ascii || !removed.contains(normalForm(cluster)))
            kept += cluster;
        start = end;
    }
    if (kept == text)
        return;
    EditorCore::TextEdit edit;
    edit.range = {0, static_cast<std::int64_t>(text.size())};
    edit.replacement = kept.toStdU16String();
    edit.selection = {0, 0};
    replaceText(edit, EditorKit::localized("그 글자 지우기"));
    dismissBanner(QStringLiteral("save.unencodable"));
}

void DocumentWindowController::refreshMixedLineEndingsBanner()
{
    BannerView* shown = banner(QStringLiteral("lineEndings.mixed"));
    if (!shown)
        return;
    WindowDocument* current = document();
    if (!current || !current->lineEndings().isMixed()) {
        dismissBanner(QStringLiteral("lineEndings.mixed"));
        return;
    }
    if (shown->message() != mixedLineEndingsMessage(current->lineEndings()))
        showMixedLineEndingsBanner();
}

QString
DocumentWindowController::mixedLineEndingsMessage(const EditorCore::LineEndingSummary& summary)
{
    return withCounts(EditorKit::localized("줄끝이 섞여 있어요 — CRLF %lld줄 · LF %lld줄 · "
                                           "CR %lld줄. 고치기 전에는 그대로 둬요."),
                      {summary.crlf, summary.lf, summary.cr});
}

void DocumentWindowController::showMixedLineEndingsBanner()
{
    WindowDocument* current = document();
    if (!current || !m_textView->isEditable())
        return;
    const EditorCore::LineEndingSummary summary = current->lineEndings();
    if (!summary.isMixed())
        return;
    QPointer<DocumentWindowController> weak(this);
    auto convert = [weak](EditorCore::LineEnding ending) {
        if (!weak)
            return;
        if (auto* conversion = weak->service<LineEndingConversion>())
            conversion->convertLineEndings(ending);
        weak->dismissBanner(QStringLiteral("lineEndings.mixed"));
    };
    showBanner(
        QStringLiteral("lineEndings.mixed"),
        BannerView::Kind::warning,
        mixedLineEndingsMessage(summary),
        {{EditorKit::localized("모두 CRLF 로"),
          [convert] { convert(EditorCore::LineEnding::crlf); }},
         {EditorKit::localized("모두 LF 로"), [convert] { convert(EditorCore::LineEnding::lf); }}});
}

} // namespace EditorWindow
