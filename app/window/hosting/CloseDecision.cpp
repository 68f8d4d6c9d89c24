#include "app/window/hosting/CloseDecision.h"

#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentTexts.h"
#include "app/documents/TextDocument.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/window/hosting/TextDocumentWindow.h"

#include <QPointer>

#include <functional>
#include <optional>

namespace EditorWindow {

using EditorDocuments::TextDocument;

namespace {

// While a close asks about a failed save, the failure shows in its question, not in an alert.
int closingDepth = 0;

// Saves the file of an edited document before its tab closes. When that fails for another
// reason than a change on disk (the file's encoding cannot hold some characters, the disk
// refused the write), `reason` says what it was.
bool saveBeforeClosing(TextDocument& document, std::optional<QString>& reason)
{
    std::optional<EditorDocuments::DocumentFailure> failure;
    auto connection = QObject::connect(
        &document,
        &TextDocument::failureOccurred,
        [&failure](const EditorDocuments::DocumentFailure& occurred) { failure = occurred; });
    // The save is written on a worker: its result is the one the close waits for.
    const bool saved = document.saveDocument() && document.waitForSaves();
    QObject::disconnect(connection);
    if (saved)
        return true;
    auto* window = dynamic_cast<TextDocumentWindow*>(document.editor());
    if (failure)
        reason = EditorDocuments::DocumentTexts::describe(*failure);
    else if (BannerView* banner =
                 window ? window->controller().banner(QStringLiteral("save.unencodable")) : nullptr)
        reason = banner->message();
    return false;
}

// The three close questions share their shape: save somewhere, lose the edits, or cancel.
enum Answer { first = 0, second = 1 };

int ask(EditorKit::Presenter& presenter,
        QWidget* parent,
        // Empty when the text names the document already.
        const QString& subject,
        const QString& text,
        const QString& informativeText,
        const QString& firstButton,
        const QString& secondButton)
{
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = text;
    alert.informativeText = informativeText;
    alert.buttons = {firstButton, secondButton, EditorKit::localized("취소")};
    alert.defaultButton = first;
    alert.cancelButton = 2;
    alert.destructiveButton = second;
    alert.subject = subject;
    // Several texts closing at once are asked about one by one, each over its own tab.
    if (auto* page = qobject_cast<EditorKit::TabPage*>(parent))
        EditorKit::bringPageForward(page);
    return presenter.runAlert(alert, parent);
}

// The edits are thrown away: the document counts as unedited and may close.
void discardEdits(TextDocument& document)
{
    document.updateChangeCount(TextDocument::ChangeType::changeCleared);
    document.scheduleMainQueueUpdate();
    if (auto* editor = document.editor())
        editor->setHasUnsavedEdits(false);
}

// The save panel opened from a question: the document closes only when it was saved.
bool saveElsewhere(TextDocument& document)
{
    return document.saveDocumentAs() && document.waitForSaves();
}

// What a sheet's answer does: the first or second button's action, or no for Cancel and for a
// document that went while the sheet was up.
bool follow(const QPointer<TextDocument>& held,
            int answer,
            const std::function<bool()>& onFirst,
            const std::function<bool()>& onSecond)
{
    if (!held)
        return false;
    switch (answer) {
    case first:
        return onFirst();
    case second:
        return onSecond();
    default:
        return false;
    }
}

// A keep or rescue that failed: the document stays open with its edits, and the user sees why.
bool closesAfterKeeping(const TextDocument::KeepResult& kept,
                        EditorKit::Presenter& presenter,
                        QWidget* parent)
{
    if (kept)
        return true;
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::critical;
    alert.text = EditorKit::localized("고친 것을 보관 자리에 넣지 못해 닫지 않았어요.");
    alert.informativeText = QString::fromStdString(kept.error().message());
    alert.buttons = {EditorKit::localized("확인")};
    alert.cancelButton = 0;
    presenter.runAlert(alert, parent);
    return false;
}

bool askAboutUnsavedEdits(TextDocument& document,
                          EditorKit::Presenter& presenter,
                          QWidget* parent,
                          const std::optional<QString>& reason)
{
    QPointer<TextDocument> held(&document);
    const QString informative =
        reason ? *reason + QLatin1Char(' ') + EditorKit::localized("닫으면 고친 것이 사라져요.")
               : EditorKit::localized("바깥에서 바뀌었거나 파일이 없어 저장을 멈췄어요. "
                                      "닫으면 고친 것이 사라져요.");
    const int answer = ask(
        presenter,
        parent,
        QString(),
        EditorKit::localized("「%1」 에 저장하지 못한 고침이 있어요").arg(document.displayName()),
        informative,
        EditorKit::localized("다른 이름으로 저장…"),
        EditorKit::localized("버리고 닫기"));
    return follow(
        held,
        answer,
        [&] { return saveElsewhere(document); },
        [&] {
            discardEdits(document);
            return true;
        });
}

} // namespace

bool isDecidingClose()
{
    return closingDepth > 0;
}

bool decideClose(TextDocument& document, EditorKit::Presenter& presenter, QWidget* parent)
{
    ++closingDepth;
    struct Leave
    {
        ~Leave() { --closingDepth; }
    } leave;
    const auto& services = document.services();
    const bool quitting = services->isTerminating && services->isTerminating();
    const bool hasWindow = parent != nullptr;
    const bool titled = document.fileURL().has_value();
    QPointer<TextDocument> held(&document);

    // 1. An external copy is never written nor kept.
    if (document.isExternalCopy())
        return true;

    // A save under way ends first: until it has, the file on disk is ours but looks changed by
    // someone else, and the text looks edited.
    document.waitForSaves();
    const bool edited = document.isDocumentEdited();

    // 2. A file only an administrator may write is saved only when the user asks for it.
    if (titled && edited && document.adminEditing() && !quitting && hasWindow) {
        const int answer = ask(
            presenter,
            parent,
            QString(),
            EditorKit::localized("「%1」 의 고친 것을 저장할까요?").arg(document.displayName()),
            EditorKit::localized(
                "관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요."),
            EditorKit::localized("저장…"),
            EditorKit::localized("버리고 닫기"));
        return follow(
            held,
            answer,
            [&] { return document.saveAsAdministrator(); },
            [&] {
                discardEdits(document);
                return true;
            });
    }

    // 3. Edits that cannot be saved safely now (changed or gone on disk, in the Trash, a
    // composition, administrator editing while quitting or without a window).
    if (titled && edited && document.isSaveUnsafe()) {
        if (!quitting && hasWindow)
            return askAboutUnsavedEdits(document, presenter, parent, std::nullopt);
        return closesAfterKeeping(document.rescueUnsavedEdits(), presenter, parent);
    }

    // 4. An untitled memo.
    if (!titled) {
        if (quitting)
            return closesAfterKeeping(document.keepScratchText(), presenter, parent);
        if (!document.currentSnapshot().isEmpty() && hasWindow) {
            const int answer = ask(presenter,
                                   parent,
                                   document.displayName(),
                                   EditorKit::localized("이 메모를 어떻게 할까요?"),
                                   EditorKit::localized("닫으면 보관 자리에서도 사라져요."),
                                   EditorKit::localized("파일로 저장…"),
                                   EditorKit::localized("지우기"));
            return follow(
                held,
                answer,
                [&] { return saveElsewhere(document); },
                [&] {
                    document.discardKeptText();
                    return true;
                });
        }
        document.discardKeptText();
        return true;
    }

    // 5. Everything else saves in place; a save that fails is asked about, never dropped.
    if (!edited)
        return true;
    std::optional<QString> reason;
    if (saveBeforeClosing(document, reason))
        return true;
    if (!held)
        return false;
    return askAboutUnsavedEdits(document, presenter, parent, reason);
}

} // namespace EditorWindow
