#include "app/window/follow/FollowFeature.h"

#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/CommandState.h"
#include "app/window/DocumentWindowController.h"
#include "store/WindowState.h"
#include "app/window/WindowDocument.h"
#include "core/ChunkDecoding.h"
#include "core/DiskIdentity.h"
#include "core/TextCodec.h"
#include "core/TextEncoding.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <QLocale>
#include <QScrollBar>
#include <QTime>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace EditorWindow {

using EditorCore::DiskIdentity;

namespace {

int openForReading(const std::filesystem::path& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

// Up to `length` bytes at `offset`, appended to `bytes`; how many (0 at the end or on an
// error).
std::size_t readAt(int fd, std::uint64_t offset, std::size_t length, std::vector<std::uint8_t>& into)
{
    const std::size_t kept = into.size();
    into.resize(kept + length);
    std::uint8_t* bytes = into.data() + kept;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    into.resize(kept + done);
    return done;
}

// CR, LF and CR LF, each once.
std::int64_t lineBreaks(const QString& text)
{
    std::int64_t count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit == QLatin1Char('\n')) {
            ++count;
        } else if (unit == QLatin1Char('\r')) {
            ++count;
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        }
    }
    return count;
}

QString timeNow()
{
    // The locale's medium time style, which has seconds (Qt's short format has none).
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createTimeInstance(
        icu::DateFormat::kMedium, icu::Locale(QLocale().name().toUtf8().constData())));
    if (!format)
        return QLocale().toString(QTime::currentTime(), QStringLiteral("HH:mm:ss"));
    icu::UnicodeString text;
    format->format(icu::Calendar::getNow(), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace

FollowFeature::FollowFeature(std::chrono::milliseconds interval)
{
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, [this] { followTick(); });
}

FollowFeature::~FollowFeature()
{
    if (m_follow)
        closeFile(*m_follow);
}

void FollowFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void FollowFeature::detach()
{
    m_timer.stop();
    if (m_follow)
        closeFile(*m_follow);
    m_follow.reset();
    m_window = nullptr;
}

void FollowFeature::closeFile(FollowState& state)
{
    if (state.fd >= 0)
        (void)::close(state.fd);
    state.fd = -1;
}

bool FollowFeature::canFollow() const
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || !document->fileURL() || document->isExternalCopy()
        || document->pendingBinaryHead())
        return false;
    if (m_follow)
        return true;
    if (document->isEdited())
        return false;
    // A file shown as not text is not followed either: its text is not the file's.
    if (document->readOnlyReason() == EditorDocuments::ReadOnlyReason::notText)
        return false;
    const auto large = document->largeFileState();
    return !large || large->size <= large->loadedBytes;
}

void FollowFeature::startFollowing()
{
    // A syllable still being composed is typed first, where it was composed, as a click
    // would have it: the document is then edited, and an edited document is not followed.
    if (m_window && !m_follow)
        m_window->textView()->landComposition();
    if (!canFollow() || m_follow)
        return;
    WindowDocument* document = m_window->document();
    const auto url = *document->fileURL();
    auto identity = DiskIdentity::read(url, 0);
    const auto stored = document->diskIdentity();
    if (identity && (!stored || stored->size != identity->size || stored->fileID != identity->fileID)) {
        m_window->documentEvent(DocumentEvent::reloadSilently);
        // A long file is read again on the worker: following starts once its text is in.
        if (document->isLoading()) {
            m_startWhenReloaded = true;
            return;
        }
    }
    identity = DiskIdentity::read(url, 0);
    if (!identity)
        return;
    FollowState state;
    state.url = url;
    state.offset = identity->size;
    state.fileID = identity->fileID;
    state.fd = openForReading(url);
    // The stored hash is the file's as long as the file is the one it was taken of.
    if (const auto current = document->diskIdentity(); current && current->size == identity->size
        && current->fileID == identity->fileID && current->modifiedAt == identity->modifiedAt)
        state.hash = current->contentHash;
    m_follow = std::move(state);
    m_timer.start();
    m_window->applyEditability();
    scrollToEnd();
    m_window->setNeedsRefresh();
}

void FollowFeature::stopFollowing(bool settle)
{
    if (!m_follow)
        return;
    m_timer.stop();
    FollowState state = std::move(*m_follow);
    closeFile(state);
    m_follow.reset();
    if (!m_window)
        return;
    if (!settle) {
        m_window->applyEditability();
        return;
    }
    WindowDocument* document = m_window->document();
    // The text is behind the file (bytes since the last step, a backlog, an unfinished tail)
    // or no longer the file's at all: taking the file's identity for it would let a save write
    // the shorter text over the file.
    bool behind = state.diverged || !state.carry.empty();
    std::optional<DiskIdentity> now;
    if (!behind) {
        now = DiskIdentity::read(state.url, 0);
        if (now)
            behind = now->size != state.offset || now->fileID != state.fileID;
    }
    if (behind) {
        // The reload takes the identity of what it read.
        m_window->documentEvent(DocumentEvent::reloadSilently);
    } else if (document) {
        // In step, the file is what the steps read: their hash is its hash. Without it the
        // hash is taken on the reading worker.
        if (now && state.hash && state.offset <= DiskIdentity::documentHashLimit) {
            now->contentHash = state.hash;
            document->adoptDiskIdentity(now);
        } else {
            QPointer<FollowFeature> weak(this);
            document->readDiskIdentity([weak](std::optional<DiskIdentity> identity) {
                // Following again meanwhile: the steps keep the identity from now on.
                if (!weak || !weak->m_window || weak->m_follow)
                    return;
                if (WindowDocument* current = weak->m_window->document())
                    current->adoptDiskIdentity(identity);
            });
        }
    }
    m_window->applyEditability();
    m_window->setNeedsRefresh();
}

void FollowFeature::toggleFollow()
{
    if (m_follow)
        stopFollowing();
    else
        startFollowing();
    if (m_window && m_window->environment().scheduleWindowStateSave)
        m_window->environment().scheduleWindowStateSave();
}

std::optional<QString> FollowFeature::decodeFollowChunk(std::span<const std::uint8_t> bytes,
                                                        FollowState& state,
                                                        bool final)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    const auto encoding = document ? document->encoding() : EditorCore::TextEncoding::utf8;
    auto shared = [this] {
        return QString::fromRawData(reinterpret_cast<const QChar*>(m_decoded.data()),
                                    static_cast<qsizetype>(m_decoded.size()));
    };
    m_decoded.clear();
    if (EditorCore::ChunkDecoding::decodeStrict(bytes, encoding, m_decoded)) {
        state.carry.clear();
        return shared();
    }
    // Bytes that never decode would pile up in the carry and hold back everything after them:
    // past one step's worth they are decoded with replacements, as at the end of a file.
    if (final || bytes.size() > stepLength) {
        EditorCore::ChunkDecoding::decodeReplacingInvalid(bytes, encoding, m_decoded);
        state.carry.clear();
        return shared();
    }
    const std::size_t now = EditorCore::ChunkDecoding::decodableLength(bytes, encoding);
    if (!EditorCore::ChunkDecoding::decodeStrict(bytes.first(now), encoding, m_decoded)) {
        state.carry.assign(bytes.begin(), bytes.end());
        return std::nullopt;
    }
    state.carry.assign(bytes.begin() + static_cast<std::ptrdiff_t>(now), bytes.end());
    return shared();
}

void FollowFeature::followTick()
{
    if (!m_follow || !m_window)
        return;
    FollowState state = *m_follow;
    const auto identity = DiskIdentity::read(state.url, 0);
    // Missing for the moment (a rotation under way): the old file stays open.
    if (!identity)
        return;
    std::uint64_t available = 0;
    bool restart = false;
    if (identity->fileID == state.fileID) {
        if (identity->size < state.offset)
            restart = true;
        else if (identity->size == state.offset)
            return;
        else
            available = identity->size - state.offset;
    } else {
        // Replaced: what the old file still had comes first.
        if (state.fd >= 0) {
            m_bytes.assign(state.carry.begin(), state.carry.end());
            if (readAt(state.fd, state.offset, stepLength, m_bytes) > 0) {
                if (auto text = decodeFollowChunk(m_bytes, state, true); text && !text->isEmpty())
                    appendFollowedText(*text);
            }
        }
        restart = true;
    }
    if (restart) {
        closeFile(state);
        state.fd = openForReading(state.url);
        state.offset = 0;
        state.fileID = identity->fileID;
        state.carry.clear();
        state.diverged = true;
        state.hash = DiskIdentity::fnv1aStart;
        m_follow = state;
        appendFollowedText(restartedMarker(m_window->textView()->storage().at(m_window->textView()->storage().length() - 1) == QLatin1Char('\n')));
        state = *m_follow;
        if (identity->size == 0) {
            m_follow = state;
            scrollFollowToEnd(std::nullopt, state.pinned);
            return;
        }
        // A log that starts over with the byte order mark of its encoding: the mark is not
        // text (read as such it showed as a character of its own after the marker line).
        if (WindowDocument* document = m_window->document();
            document && document->hasByteOrderMark() && state.fd >= 0) {
            const auto mark = EditorCore::byteOrderMark(document->encoding());
            std::vector<std::uint8_t> head;
            if (!mark.empty() && readAt(state.fd, 0, mark.size(), head) == mark.size()
                && std::equal(mark.begin(), mark.end(), head.begin())) {
                state.offset = mark.size();
                if (state.hash)
                    state.hash = DiskIdentity::fnv1a(*state.hash, mark);
            }
        }
        available = identity->size - state.offset;
    }
    if (state.fd < 0) {
        m_follow = state;
        return;
    }
    m_bytes.assign(state.carry.begin(), state.carry.end());
    const std::size_t got = readAt(state.fd,
                                   state.offset,
                                   static_cast<std::size_t>(std::min<std::uint64_t>(available, stepLength)),
                                   m_bytes);
    if (got == 0)
        return;
    if (state.hash) {
        if (state.offset + got <= DiskIdentity::documentHashLimit)
            state.hash = DiskIdentity::fnv1a(*state.hash, std::span(m_bytes).last(got));
        else
            state.hash.reset();
    }
    state.offset += got;
    auto text = decodeFollowChunk(m_bytes, state, false);
    const bool wasPinned = state.pinned;
    m_follow = std::move(state);
    if (text && !text->isEmpty())
        appendFollowedText(*text);
    scrollFollowToEnd(text, wasPinned);
}

void FollowFeature::appendFollowedText(const QString& text)
{
    if (!m_window)
        return;
    m_window->textView()->appendText(text);
    m_window->textView()->updateRulerThickness();
}

void FollowFeature::scrollFollowToEnd(const std::optional<QString>& text, bool wasPinned)
{
    if (!m_window)
        return;
    if (wasPinned) {
        scrollToEnd();
    } else if (text && m_follow) {
        m_follow->newLines += lineBreaks(*text);
    }
    m_window->setNeedsRefresh();
}

void FollowFeature::scrollToEnd()
{
    EditorViews::EditorTextView* view = m_window->textView();
    const int end = view->storage().length();
    view->scrollRangeToVisible({end, 0});
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    if (m_follow) {
        m_follow->pinned = true;
        m_follow->newLines = 0;
    }
}

bool FollowFeature::isAtEnd() const
{
    const QScrollBar* bar = m_window->textView()->verticalScrollBar();
    return bar->maximum() - bar->value() <= pinnedTolerance;
}

void FollowFeature::visibleAreaDidChange()
{
    if (!m_follow || !m_window)
        return;
    const bool atEnd = isAtEnd();
    if (atEnd == m_follow->pinned)
        return;
    m_follow->pinned = atEnd;
    if (atEnd)
        m_follow->newLines = 0;
    m_window->setNeedsRefresh();
}

std::optional<QString> FollowFeature::followStatusText() const
{
    if (!m_follow) {
        if (canFollow())
            return EditorKit::localized("따라보기");
        return std::nullopt;
    }
    if (m_follow->pinned)
        return EditorKit::localized("● 따라보는 중");
    return EditorKit::localized("● 멈춤 · 새 줄 %n", nullptr, m_follow->newLines);
}

void FollowFeature::resumeFollowAtEnd()
{
    if (!m_follow) {
        startFollowing();
        return;
    }
    if (m_follow->pinned) {
        stopFollowing();
        return;
    }
    scrollToEnd();
    m_window->setNeedsRefresh();
}

QString FollowFeature::restartedMarker(bool endsWithNewline)
{
    QString marker = EditorKit::localized("── 로그가 새로 시작됨 · %@ ──")
                         .replace(QLatin1String("%@"), timeNow());
    if (!endsWithNewline)
        marker.prepend(QLatin1Char('\n'));
    marker += QLatin1Char('\n');
    return marker;
}

void FollowFeature::contributeStatus(StatusContent::Inputs& inputs) const
{
    inputs.follow = followStatusText();
    inputs.following = m_follow.has_value();
}

bool FollowFeature::statusSegmentClicked(StatusBarView::Segment segment, QPushButton*)
{
    if (segment != StatusBarView::Segment::follow)
        return false;
    resumeFollowAtEnd();
    return true;
}

bool FollowFeature::respondsToAction(std::string_view action) const
{
    return action == "toggleFollow:";
}

bool FollowFeature::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    return action == "toggleFollow:" && canFollow();
}

void FollowFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "toggleFollow:")
        toggleFollow();
}

void FollowFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.canFollow = canFollow();
    inputs.following = isFollowing();
}

bool FollowFeature::documentEvent(DocumentEvent event)
{
    switch (event) {
    case DocumentEvent::stopWatching:
        stopFollowing(false);
        return true;
    case DocumentEvent::reloaded:
        if (!m_startWhenReloaded)
            return false;
        m_startWhenReloaded = false;
        startFollowing();
        return true;
    case DocumentEvent::lockedFileChanged:
        // While following, a sign of change is a follow step: the new bytes show at once.
        if (!isFollowing())
            return false;
        followTick();
        return true;
    default:
        return false;
    }
}

void FollowFeature::contributeTabRestoreState(EditorStore::TabRestoreState& state) const
{
    state.follow = isFollowing();
}

void FollowFeature::tabStateRestored(const EditorStore::TabRestoreState& state)
{
    if (state.follow && !isFollowing() && canFollow())
        startFollowing();
}

} // namespace EditorWindow
