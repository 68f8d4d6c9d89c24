#include "app/window/hex/HexViewFeature.h"

#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/HexView.h"
#include "app/window/CommandState.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LargeFileLoading.h"
#include "app/window/WindowDocument.h"
#include "core/TextCodec.h"

#include <QTimer>

namespace EditorWindow {

namespace {

const QString notTextKey = QStringLiteral("notText");
const QString hexKey = QStringLiteral("hex");

} // namespace

HexViewFeature::~HexViewFeature()
{
    delete m_hexView;
}

void HexViewFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void HexViewFeature::detach()
{
    if (m_hexView && m_window)
        m_window->content()->setBodyCover(nullptr);
    delete m_hexView;
    m_window = nullptr;
}

void HexViewFeature::windowDidOpen()
{
    m_opened = true;
    askIfPending();
}

void HexViewFeature::documentDidLoad()
{
    askIfPending();
}

void HexViewFeature::askIfPending()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!m_opened || m_asked || !document || document->isLoading()
        || !document->pendingBinaryHead())
        return;
    m_asked = true;
    // Later: the question waits for an answer, and the other parts finish opening first.
    QPointer<HexViewFeature> weak(this);
    QTimer::singleShot(0, this, [weak] {
        if (weak && weak->m_window)
            weak->m_window->askAboutTab([weak] {
                if (weak)
                    weak->showNotTextAlert();
            });
    });
}

EditorKit::Presenter& HexViewFeature::presenter()
{
    if (m_window && m_window->environment().presenter)
        return *m_window->environment().presenter;
    if (!m_ownPresenter)
        m_ownPresenter = std::make_shared<EditorKit::WidgetPresenter>();
    return *m_ownPresenter;
}

QString HexViewFeature::hexPreview(std::span<const std::uint8_t> data)
{
    static const char digits[] = "0123456789ABCDEF";
    QString preview;
    const std::size_t count = std::min<std::size_t>(data.size(), 32);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            preview += i % 8 == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
        preview += QLatin1Char(digits[data[i] >> 4]);
        preview += QLatin1Char(digits[data[i] & 0xF]);
    }
    return preview;
}

void HexViewFeature::showNotTextAlert()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || !m_window->page())
        return;
    const auto head = document->pendingBinaryHead();
    if (!head)
        return;
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = EditorKit::localized("글자 파일이 아닌 것 같아요.");
    alert.informativeText = EditorKit::localized("그래도 열면 읽기 전용으로 열고 저장하지 않아요.");
    alert.accessoryText = hexPreview(*head);
    alert.buttons = {EditorKit::localized("그래도 열기 (읽기 전용)"), EditorKit::localized("취소")};
    if (document->fileURL())
        alert.buttons.push_back(EditorKit::localized("16진으로 열기"));
    alert.defaultButton = openAnyway;
    alert.cancelButton = cancel;
    alert.subject = document->displayName();
    QPointer<HexViewFeature> weak(this);
    const int response = presenter().runAlert(alert, m_window->page());
    if (weak)
        weak->openNotTextReadOnly(response);
}

void HexViewFeature::openNotTextReadOnly(int response)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    const bool asHex = response == openAsHex && document->fileURL();
    if (response != openAnyway && !asHex) {
        m_window->closeWithoutReview();
        return;
    }
    const bool large = document->largeFileState().has_value();
    // The head is forgotten and the reason becomes `notText`; a small file comes back as
    // ISO Latin-1, which decodes every byte.
    QPointer<HexViewFeature> weak(this);
    document->openNotTextReadOnly(
        [weak, large, asHex](std::optional<EditorCore::TextSnapshot> text, auto lines) {
            if (!weak || !weak->m_window)
                return;
            DocumentWindowController& window = *weak->m_window;
            if (!large && text)
                window.replaceAllText(std::move(*text), std::move(lines));
            window.applyEditability();
            if (large && !asHex) {
                if (auto* loader = window.service<LargeFileLoading>())
                    loader->startLargeLoad(EditorCore::TextEncoding::isoLatin1);
            }
            weak->showNotTextBanner();
            if (asHex)
                weak->setHexMode(true);
        });
}

void HexViewFeature::showNotTextBanner()
{
    if (!m_window)
        return;
    m_window->showBanner(
        notTextKey,
        BannerView::Kind::info,
        EditorKit::localized("글자 파일이 아닌 것 같아 읽기 전용으로 열었어요. 저장하지 않아요."),
        {});
}

void HexViewFeature::toggleHex()
{
    setHexMode(!isHexShown());
}

std::optional<std::uint64_t> HexViewFeature::caretByteOffset() const
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    // Only the text as read from the file maps to the file's bytes one to one.
    if (!document || document->isEdited() || document->hasLargeFile())
        return std::nullopt;
    EditorViews::EditorTextView* view = m_window->textView();
    const auto caret = static_cast<std::size_t>(view->selectedRange().location);
    if (caret == 0)
        return std::nullopt;
    // A caret deep in a huge text would cost a long encode on the interface thread.
    if (caret > (std::size_t(16) << 20))
        return std::nullopt;
    const std::u16string_view before = EditorKit::utf16View(view->text()).substr(0, caret);
    auto bytes = EditorCore::TextCodec::encode(before,
                                               document->encoding(),
                                               document->hasByteOrderMark()
                                                   ? EditorCore::AddByteOrderMark::yes
                                                   : EditorCore::AddByteOrderMark::no);
    if (!bytes)
        return std::nullopt;
    return bytes->size();
}

void HexViewFeature::setHexMode(bool on)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (on) {
        if (m_hexView || !document)
            return;
        const auto url = document->fileURL();
        if (!url)
            return;
        // Hex takes the whole body: the other views of the body leave it first.
        m_window->claimBody(*this, BodyClaim::whole);
        std::error_code error;
        auto source = EditorViews::HexFileSource::open(*url, error);
        if (!source) {
            m_window->releaseBody(*this);
            m_window->showBanner(hexKey,
                                 BannerView::Kind::warning,
                                 EditorKit::localized("16진으로 열지 못했어요 — %@")
                                     .replace(QLatin1String("%@"),
                                              QString::fromStdString(error.message())),
                                 {});
            return;
        }
        auto* view = new EditorViews::HexView();
        view->setSource(std::move(source));
        m_hexView = view;
        m_window->content()->setBodyCover(view);
        if (auto offset = caretByteOffset())
            view->scrollToByte(*offset);
        view->setFocus();
        m_window->setNeedsRefresh();
        return;
    }

    if (!m_hexView)
        return;
    if (m_window) {
        m_window->releaseBody(*this);
        m_window->content()->setBodyCover(nullptr);
    }
    m_hexView->deleteLater();
    m_hexView = nullptr;
    if (!m_window)
        return;
    m_window->textView()->setFocus();
    // A large file opened straight as hex has no text yet: it comes now, byte for byte.
    if (document) {
        const auto state = document->largeFileState();
        auto* loader = m_window->service<LargeFileLoading>();
        if (state && state->loadedBytes == 0 && loader && !loader->isLoading())
            loader->startLargeLoad(EditorCore::TextEncoding::isoLatin1);
    }
    m_window->setNeedsRefresh();
}

bool HexViewFeature::respondsToAction(std::string_view action) const
{
    return action == "toggleHex:";
}

bool HexViewFeature::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    return action == "toggleHex:" && document && document->fileURL();
}

void HexViewFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "toggleHex:")
        toggleHex();
}

void HexViewFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.hexShown = isHexShown();
}

void HexViewFeature::bodyWasTaken(BodyClaim claim)
{
    if (claim == BodyClaim::whole)
        setHexMode(false);
}

bool HexViewFeature::documentEvent(DocumentEvent event)
{
    switch (event) {
    case DocumentEvent::didLoad:
        documentDidLoad();
        return true;
    case DocumentEvent::saveRefusedNotText:
        showNotTextBanner();
        return true;
    default:
        return false;
    }
}

} // namespace EditorWindow
