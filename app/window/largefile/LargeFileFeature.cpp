#include "app/window/largefile/LargeFileFeature.h"

#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/largefile/LargeLoadBand.h"
#include "app/window/WindowDocument.h"
#include "platform/SerialQueue.h"
#include "platform/SystemLog.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <climits>
#include <filesystem>

namespace EditorWindow {

using EditorDocuments::ReadOnlyReason;

// One job of a load: what the worker reads between its reads, set by the main thread.
struct LargeFileFeature::Job
{
    std::atomic<bool> cancelled{false};
    // False once the window is gone or a newer job replaced this one.
    std::atomic<bool> wanted{true};
    std::uint64_t start = 0;
    std::chrono::steady_clock::time_point startTime;
    std::filesystem::path url;
};

namespace {

const QString largeFileKey = QStringLiteral("largeFile");

// One worker reads for every window, another counts; each ends with the last window.
std::shared_ptr<Platform::SerialQueue> sharedQueue(std::weak_ptr<Platform::SerialQueue>& shared,
                                                   const char* label)
{
    auto queue = shared.lock();
    if (!queue) {
        queue = std::make_shared<Platform::SerialQueue>(label);
        shared = queue;
    }
    return queue;
}

std::shared_ptr<Platform::SerialQueue> readQueue()
{
    static std::weak_ptr<Platform::SerialQueue> shared;
    return sharedQueue(shared, "app.orlune.viewer.large");
}

std::shared_ptr<Platform::SerialQueue> indexQueue()
{
    static std::weak_ptr<Platform::SerialQueue> shared;
    return sharedQueue(shared, "app.orlune.viewer.large.index");
}

// On the main thread, later.
void onMainThread(std::function<void()> call)
{
    if (auto* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(call), Qt::QueuedConnection);
}

void logLarge(Platform::SystemLog::Level level, const QString& message)
{
    Platform::SystemLog::write("app.orlune.viewer", "large", level, message.toStdString());
}

// The translated text with each "%@" replaced by the next value, in order.
QString filled(const char* korean, std::initializer_list<QString> values)
{
    QString text = EditorKit::localized(korean);
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QLatin1String("%@"), from);
        if (at < 0)
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

// The text view counts in int: a text is never let grow past that (no encoding of ours gives
// more UTF-16 units than bytes, so bytes bound it).
constexpr std::uint64_t textLimit = INT_MAX;

} // namespace

LargeFileFeature::LargeFileFeature(LargeLoadSteps steps)
    : m_steps(steps)
{}

LargeFileFeature::~LargeFileFeature()
{
    dropJob();
}

void LargeFileFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void LargeFileFeature::detach()
{
    dropJob();
    m_window = nullptr;
}

void LargeFileFeature::dropJob()
{
    if (m_job)
        m_job->wanted = false;
    m_job.reset();
    if (m_band) {
        if (m_window)
            m_window->removeExtraBand(m_band);
        m_band->deleteLater();
    }
    m_band = nullptr;
}

void LargeFileFeature::windowDidOpen()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    // A file that does not look like text waits for the user's answer first.
    if (!document || !document->largeFileState() || document->pendingBinaryHead())
        return;
    if (document->largeFileState()->loadedBytes == 0 && !isLoading())
        startLargeLoad();
}

void LargeFileFeature::startLargeLoad(std::optional<EditorCore::TextEncoding> encoding)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || isLoading())
        return;
    const auto state = document->largeFileState();
    if (!state)
        return;

    // A very large text is shown without wrapping and without invisible marks: both would
    // walk it.
    EditorViews::EditorViewOptions options = m_window->display()->options;
    options.showsInvisibles = false;
    options.wrapsLines = false;
    m_window->applyDisplayOptions(options, false);

    LargeLoadRequest request;
    request.url = state->url;
    request.start = state->loadedBytes;
    request.encoding = encoding.value_or(document->encoding());
    request.skipByteOrderMark = document->hasByteOrderMark() && state->loadedBytes == 0;
    request.readLength = m_steps.readLength;
    request.target = largeLoadTarget(state->size, state->loadedBytes, m_steps);
    const std::uint64_t shown =
        request.start == 0 ? 0 : static_cast<std::uint64_t>(m_window->textView()->storage().length());
    if (request.target - request.start > textLimit - shown)
        request.target = request.start + (textLimit - shown);
    request.targetIsEndOfFile = request.target >= state->size;
    request.buildIndex = request.start == 0;

    auto job = std::make_shared<Job>();
    job->start = request.start;
    job->startTime = std::chrono::steady_clock::now();
    job->url = state->url;
    m_job = job;

    auto* band = new LargeLoadBand(state->size, state->loadedBytes, request.target);
    QPointer<LargeFileFeature> weak(this);
    band->onCancel = [weak] {
        if (weak)
            weak->cancelLargeLoad();
    };
    m_band = band;
    std::vector<QWidget*> bands;
    for (const auto& existing : m_window->extraBands()) {
        if (existing)
            bands.push_back(existing);
    }
    bands.push_back(band);
    m_window->setExtraBands(std::move(bands));

    if (!m_readQueue)
        m_readQueue = readQueue();
    m_readQueue->async([weak, job, request] {
        auto result = std::make_shared<LargeLoadResult>(runLargeLoad(
            request,
            [job] { return job->wanted && !job->cancelled; },
            [weak, job](std::uint64_t offset) {
                onMainThread([weak, job, offset] {
                    if (weak && weak->m_job == job && weak->m_band)
                        weak->m_band->update(offset);
                });
            }));
        onMainThread([weak, job, result] {
            if (weak)
                weak->finishLargeLoad(job, *result);
        });
    });
}

void LargeFileFeature::cancelLargeLoad()
{
    if (m_job)
        m_job->cancelled = true;
}

void LargeFileFeature::restartLargeLoad()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    auto state = document->largeFileState();
    if (!state)
        return;
    const bool hadText = state->loadedBytes > 0 || isLoading();
    dropJob();
    std::error_code error;
    const auto size = std::filesystem::file_size(state->url, error);
    if (!error)
        state->size = size;
    state->loadedBytes = 0;
    state->lossy = false;
    document->setLargeFileState(*state);
    // A file whose text was never asked for (shown as hex, say) stays unloaded.
    if (hadText)
        startLargeLoad();
}

void LargeFileFeature::finishLargeLoad(const std::shared_ptr<Job>& job, LargeLoadResult& result)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    // A window that went, or a job a newer one replaced.
    if (!document || m_job != job)
        return;
    m_job.reset();
    if (m_band) {
        m_window->removeExtraBand(m_band);
        m_band->deleteLater();
        m_band = nullptr;
    }
    if (job->cancelled) {
        m_window->closeWithoutReview();
        return;
    }

    EditorViews::EditorTextView* view = m_window->textView();
    if (job->start == 0) {
        if (result.index)
            view->setText(
                std::move(result.text), std::move(*result.index), std::move(result.visualLines));
        else
            view->setText(std::move(result.text));
        view->setSelectedRange({0, 0});
    } else {
        // A step after the first joins the text as an append (one string of the step's text).
        view->appendText(EditorViews::snapshotText(result.text));
        result.text = {};
    }

    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - job->startTime)
                             .count();
    logLarge(Platform::SystemLog::Level::notice,
             QStringLiteral("큰 파일 읽음 %1 바이트 %2ms")
                 .arg(static_cast<qulonglong>(result.offset - job->start))
                 .arg(static_cast<long>(elapsed)));
    if (result.error)
        logLarge(Platform::SystemLog::Level::error,
                 QStringLiteral("큰 파일을 읽지 못함 %1: %2")
                     .arg(QString::fromStdString(job->url.string()),
                          QString::fromStdString(result.error->message())));

    if (auto state = document->largeFileState()) {
        state->loadedBytes = result.offset - result.carry;
        state->lossy = state->lossy || result.lossy;
        // The file is shorter than when it was opened: what is there is all there is.
        if (result.endedEarly && !result.error)
            state->size = state->loadedBytes;
        document->setLargeFileState(*state);
    }
    showLargeFileBanner();
}

void LargeFileFeature::showLargeFileBanner()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || !document->largeFileState())
        return;
    indexLoadedLargeText();
    raiseLargeFileBanner();
}

void LargeFileFeature::indexLoadedLargeText()
{
    EditorViews::EditorTextView* view = m_window->textView();
    // A shared copy: the worker reads it while the view may go on (an edit then copies).
    QString text = view->text();
    const std::uint64_t version = view->storage().version();
    QPointer<LargeFileFeature> weak(this);
    if (!m_indexQueue)
        m_indexQueue = indexQueue();
    m_indexQueue->async([weak, text = std::move(text), version] {
        EditorCore::LineEndingSummary summary(EditorKit::utf16View(text));
        onMainThread([weak, version, summary] {
            if (weak)
                weak->applyLargeLoadIndex(version, summary);
        });
    });
}

void LargeFileFeature::applyLargeLoadIndex(std::uint64_t version,
                                           const EditorCore::LineEndingSummary& summary)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    // The view's line index came with the text; the ruler now fits its line count.
    EditorViews::EditorTextView* view = m_window->textView();
    view->updateRulerThickness();
    if (m_window->ruler())
        m_window->ruler()->update();
    // Counted for a text that is still the one shown.
    if (view->storage().version() == version)
        document->setLineEndings(summary);
    m_window->setNeedsRefresh();
    m_window->textArrived();
}

void LargeFileFeature::showSaveRefusedBanner()
{
    raiseLargeFileBanner();
}

void LargeFileFeature::raiseLargeFileBanner()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    const auto state = document->largeFileState();
    if (!state || document->readOnlyReason() != ReadOnlyReason::largeFile)
        return;
    QPointer<LargeFileFeature> weak(this);
    if (state->loadedBytes < state->size) {
        m_window->showBanner(largeFileKey,
                             BannerView::Kind::info,
                             filled("큰 파일(%@)이라 앞부분 %@만 읽기 전용으로 열었어요.",
                                    {fileStyleSize(state->size), fileStyleSize(state->loadedBytes)}),
                             {{EditorKit::localized("더 읽기"), [weak] {
                                   if (weak)
                                       weak->startLargeLoad();
                               }}});
        return;
    }
    std::vector<BannerView::Action> actions;
    if (!state->lossy) {
        QPointer<DocumentWindowController> window(m_window);
        actions.push_back({EditorKit::localized("고치기 허용"), [window] {
                               if (window)
                                   window->performAction("allowEditing:", {});
                           }});
    }
    m_window->showBanner(
        largeFileKey,
        BannerView::Kind::info,
        filled("큰 파일(%@)이라 읽기 전용으로 열었어요. 줄바꿈 · 숨은 문자는 꺼 두었어요.",
               {fileStyleSize(state->size)}),
        std::move(actions));
}

bool LargeFileFeature::documentEvent(DocumentEvent event)
{
    if (event != DocumentEvent::saveRefusedPartlyLoaded)
        return false;
    showSaveRefusedBanner();
    return true;
}

} // namespace EditorWindow
