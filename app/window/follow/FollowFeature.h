#pragma once

#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace EditorWindow {

// The state of follow mode, a plain value copied out and written back whole by a step.
struct FollowState
{
    std::filesystem::path url;
    // Bytes of the file read so far: the offset of the next read.
    std::uint64_t offset = 0;
    // The file number of the file being read.
    std::uint64_t fileID = 0;
    // Bytes read but not decoded yet (an unfinished character or line).
    std::vector<std::uint8_t> carry;
    // The view follows the end of the text.
    bool pinned = true;
    // Line breaks appended since the view stopped following the end.
    std::int64_t newLines = 0;
    // The text no longer equals the file (a replacement or truncation was followed).
    bool diverged = false;
    // The open file, read with pread; -1 when it could not be opened.
    int fd = -1;
    // The FNV-1a hash of the file's first `offset` bytes, carried on with every read, so that
    // stopping needs no second read of the file for its identity; none when it is not known
    // (the start's identity had none, the file passed the hash limit).
    std::optional<std::uint64_t> hash;
};

// Follow mode: every half second (and at every sign of change from the file watcher) the bytes
// appended to the file are read, at most 8 MiB a step, and appended to the text without an
// undo step; the view keeps to the end while it is there, and otherwise counts the new lines.
// A truncated or replaced file gets a marker line and is followed from its start. Main
// thread only; reads are synchronous and bounded.
class FollowFeature
    : public QObject
    , public WindowFeature
{
    Q_OBJECT
public:
    static constexpr std::size_t stepLength = 8'388'608;
    static constexpr double pinnedTolerance = 8.0;

    explicit FollowFeature(std::chrono::milliseconds interval = std::chrono::milliseconds(500));
    ~FollowFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void visibleAreaDidChange() override;
    void contributeStatus(StatusContent::Inputs& inputs) const override;
    bool statusSegmentClicked(StatusBarView::Segment segment, QPushButton* button) override;

    bool canFollow() const;
    bool isFollowing() const { return m_follow.has_value(); }
    void contributeCommandState(CommandStateInputs& inputs) const override;
    bool documentEvent(DocumentEvent event) override;
    bool locksText() const override { return isFollowing(); }
    // A tab saved while following is saved as following, and follows again when reopened
    // (a file that can no longer be followed, edited or partly loaded, stays where it opened).
    void contributeTabRestoreState(EditorStore::TabRestoreState& state) const override;
    void tabStateRestored(const EditorStore::TabRestoreState& state) override;
    const std::optional<FollowState>& state() const { return m_follow; }
    void startFollowing();
    // `settle`: a text behind the file is read again and the file's identity stored; a
    // document that closes ends following without.
    void stopFollowing(bool settle = true);
    void toggleFollow();
    // One step: the timer's, and every disk check's while following.
    void followTick();
    std::optional<QString> followStatusText() const;
    void resumeFollowAtEnd();
    // "── 로그가 새로 시작됨 · <time> ──" on a line of its own.
    static QString restartedMarker(bool endsWithNewline);

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    // The text shares a buffer of this feature: it is good until the next decode.
    std::optional<QString>
    decodeFollowChunk(std::span<const std::uint8_t> bytes, FollowState& state, bool final);
    void appendFollowedText(const QString& text);
    void scrollFollowToEnd(const std::optional<QString>& text, bool wasPinned);
    void scrollToEnd();
    bool isAtEnd() const;
    void closeFile(FollowState& state);

    QPointer<DocumentWindowController> m_window;
    std::optional<FollowState> m_follow;
    // Asked to follow while the file was read again on the worker.
    bool m_startWhenReloaded = false;
    QTimer m_timer;
    // Reused step after step: fresh memory costs more than the copy into it.
    std::vector<std::uint8_t> m_bytes;
    std::u16string m_decoded;
};

} // namespace EditorWindow
