#pragma once

#include "app/window/largefile/LargeFileLoad.h"
#include "app/window/largefile/LargeLoadBand.h"
#include "app/window/LargeFileLoading.h"
#include "app/window/WindowFeature.h"
#include "core/LineEnding.h"
#include "core/TextEncoding.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace Platform {
class SerialQueue;
}

namespace EditorWindow {

// Fills the window of a file over the large-file threshold in the background: one job reads
// the file in pieces on a worker (the whole file, or for a very large one the next step of
// it), shows its progress in a band with a cancel button, and hands the text over once; the
// line endings are then counted on another worker and the "largeFile" banner says what was
// loaded. Main thread only, except the jobs.
class LargeFileFeature
    : public QObject
    , public WindowFeature
    , public LargeFileLoading
{
    Q_OBJECT
public:
    explicit LargeFileFeature(LargeLoadSteps steps = {});
    ~LargeFileFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    // A large file that waits for no question starts loading once its window is open.
    void windowDidOpen() override;
    bool documentEvent(DocumentEvent event) override;

    // Loads from what is loaded so far to the next target; none: the document's encoding. A
    // load already under way is left alone.
    void startLargeLoad(std::optional<EditorCore::TextEncoding> encoding = std::nullopt) override;
    // The band's cancel: the load stops before its next read and the document closes.
    void cancelLargeLoad();
    // The file changed on disk: a load under way is dropped and the file is loaded again from
    // its start, its text replacing the text shown.
    void restartLargeLoad() override;
    bool isLoading() const override { return m_job != nullptr; }
    LargeLoadBand* band() const { return m_band; }

    // After a load: counts the line endings on a worker, then refreshes the ruler and the
    // status, applies a pending restore, and shows the "largeFile" banner.
    void showLargeFileBanner();
    // The banner alone, again (an explicit save that was refused for a partial or lossy text).
    void showSaveRefusedBanner();

    const LargeLoadSteps& steps() const { return m_steps; }

private:
    struct Job;
    void finishLargeLoad(const std::shared_ptr<Job>& job, LargeLoadResult& result);
    void indexLoadedLargeText();
    void applyLargeLoadIndex(std::uint64_t version, const EditorCore::LineEndingSummary& summary);
    void raiseLargeFileBanner();
    void dropJob();

    LargeLoadSteps m_steps;
    QPointer<DocumentWindowController> m_window;
    std::shared_ptr<Platform::SerialQueue> m_readQueue;
    std::shared_ptr<Platform::SerialQueue> m_indexQueue;
    std::shared_ptr<Job> m_job;
    QPointer<LargeLoadBand> m_band;
};

} // namespace EditorWindow
