#include "app/window/coloring/SyntaxColoring.h"

#include "app/features/GrammarCenter.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorColors.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "platform/SerialQueue.h"

#include <QMetaObject>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>

namespace EditorWindow {

using EditorFeatures::CodeLanguage;
using EditorFeatures::SyntaxParsed;
using EditorFeatures::SyntaxSession;
using EditorFeatures::SyntaxSpan;

SyntaxColoring::GrammarSource SyntaxColoring::GrammarSource::shared()
{
    GrammarSource source;
    source.grammar = [](CodeLanguage language) {
        return AppFeatures::GrammarCenter::shared().grammar(language);
    };
    source.injectionGrammars = [] {
        SyntaxSession::Grammars grammars;
        for (auto& [name, grammar] : AppFeatures::GrammarCenter::shared().injectionGrammars())
            grammars.emplace(name, grammar);
        return grammars;
    };
    source.loadInjected = [](const std::set<std::string>& names) {
        AppFeatures::GrammarCenter::shared().loadInjected(names);
    };
    return source;
}

SyntaxColoring::SyntaxColoring(EditorViews::EditorTextView& view,
                               GrammarSource grammars,
                               std::function<SyntaxSession::JobPoster()> poster)
    : m_view(view)
    , m_grammars(std::move(grammars))
    , m_poster(std::move(poster))
{}

SyntaxColoring::~SyntaxColoring()
{
    if (m_session)
        m_session->cancel();
    m_session.reset();
    // Waits for a parse under way; the jobs still queued end without a result.
    m_queue.reset();
}

std::int64_t SyntaxColoring::textLength() const
{
    return m_view.storage().length();
}

void SyntaxColoring::setLanguage(CodeLanguage language,
                                 bool enabled,
                                 std::int64_t limitMB,
                                 bool forceTooLarge)
{
    State state = State::on;
    if (!enabled) {
        state = State::off;
    } else if (!m_grammars.grammar(language)) {
        state = State::noGrammar;
    } else {
        std::int64_t limit = limitMB * 1'048'576;
        if (language == CodeLanguage::markdown)
            limit /= 2;
        if (forceTooLarge || textLength() > limit)
            state = State::tooLarge;
    }
    if (state == m_state && language == m_language)
        return;
    m_language = language;
    m_state = state;
    stop();
    if (m_state == State::on)
        start();
}

void SyntaxColoring::start()
{
    auto grammar = m_grammars.grammar(m_language);
    if (!grammar) {
        m_state = State::noGrammar;
        return;
    }
    m_grammar = grammar;
    const std::uint64_t generation = ++m_generation;
    QPointer<SyntaxColoring> weak(this);
    auto onParsed = [weak, generation](SyntaxParsed parsed) {
        // On the session's queue: only hand the result over to the main thread.
        QMetaObject::invokeMethod(
            weak.data(),
            [weak, generation, parsed = std::move(parsed)]() mutable {
                if (weak)
                    weak->applyParsed(generation, std::move(parsed));
            },
            Qt::QueuedConnection);
    };
    SyntaxSession::JobPoster post;
    if (m_poster) {
        post = m_poster();
    } else {
        if (!m_queue)
            m_queue =
                std::make_unique<Platform::SerialQueue>(std::string(SyntaxSession::queueLabel));
        Platform::SerialQueue* queue = m_queue.get();
        post = [queue](SyntaxSession::Job job) { queue->async(std::move(job)); };
    }
    m_session = SyntaxSession::make(*grammar, std::move(onParsed), std::move(post));
    if (grammar->injections) {
        ++m_version;
        if (m_session)
            m_session->setInjectedGrammars(m_grammars.injectionGrammars(), m_version);
    }
    QPointer<SyntaxColoring> self(this);
    m_view.setLineColorProvider(
        [self](int line, int start, int length, QList<QTextLayout::FormatRange>& formats) {
            return self ? self->colorLine(line, start, length, formats) : std::int64_t(0);
        });
    sendWholeText();
}

void SyntaxColoring::sendWholeText()
{
    ++m_version;
    m_pending.clear();
    if (m_session)
        m_session->setText(m_view.storage().snapshot(), m_version);
}

void SyntaxColoring::stop()
{
    if (onProblems)
        onProblems({});
    if (m_session)
        m_session->cancel();
    m_session.reset();
    m_grammar.reset();
    m_layers.clear();
    m_pending.clear();
    m_tree.reset();
    // Dropping the provider lays every line out again without colours.
    m_view.setLineColorProvider({});
}

void SyntaxColoring::textDidChange(std::int64_t location,
                                   std::int64_t oldLength,
                                   const QString& inserted)
{
    if (m_state != State::on || !m_session)
        return;
    ++m_version;
    m_pending.push_back(
        {m_version, location, oldLength, static_cast<std::int64_t>(inserted.size())});
    m_session->applyEdit(location, oldLength, EditorKit::utf16View(inserted), m_version);
}

bool SyntaxColoring::followsEdits() const
{
    return m_state == State::on && m_session;
}

void SyntaxColoring::grammarsDidChange()
{
    if (m_state != State::on || !m_session)
        return;
    auto grammar = m_grammars.grammar(m_language);
    if (grammar && (!m_grammar || grammar->query != m_grammar->query)) {
        stop();
        m_state = State::on;
        start();
        return;
    }
    ++m_version;
    m_session->setInjectedGrammars(m_grammars.injectionGrammars(), m_version);
}

void SyntaxColoring::applyParsed(std::uint64_t generation, SyntaxParsed parsed)
{
    if (m_state != State::on || !m_session || generation != m_generation)
        return;
    if (parsed.needsWholeText) {
        // The session's copy of the text fell out of step: start it again from the text.
        sendWholeText();
        return;
    }
    if (m_tree && m_treeVersion >= parsed.version)
        return;
    if (!parsed.tree)
        return;
    m_tree = std::move(parsed.tree);
    m_layers = std::move(parsed.layers);
    m_treeVersion = parsed.version;
    if (!parsed.missing.empty() && m_grammars.loadInjected)
        m_grammars.loadInjected(parsed.missing);
    const bool current = std::none_of(m_pending.begin(), m_pending.end(), [&](const auto& edit) {
        return edit.version > parsed.version;
    });
    if (current && onProblems)
        onProblems(parsed.problems);
    std::erase_if(m_pending, [&](const auto& edit) { return edit.version <= parsed.version; });
    recolorVisible(true);
}

void SyntaxColoring::scheduleRecolor()
{
    if (m_state != State::on || !m_tree || m_recolorScheduled)
        return;
    m_recolorScheduled = true;
    QPointer<SyntaxColoring> weak(this);
    QMetaObject::invokeMethod(
        this,
        [weak] {
            if (!weak)
                return;
            weak->m_recolorScheduled = false;
            weak->recolorVisible(false);
        },
        Qt::QueuedConnection);
}

void SyntaxColoring::recolorVisible(bool force)
{
    if (force) {
        // A new tree: every cached layout is coloured again when next shown.
        m_lastRecolorCount = m_view.invalidateLineColors(0, -1, [](std::int64_t) { return true; });
        return;
    }
    const double height = m_view.viewport()->height();
    const auto [first, last] = m_view.linesAroundViewport(height);
    const std::int64_t current = m_treeVersion;
    m_lastRecolorCount = m_view.invalidateLineColors(
        first, last, [current](std::int64_t stamp) { return stamp != current; });
}

std::int64_t SyntaxColoring::mapBack(std::int64_t position, const std::vector<PendingEdit>& pending)
{
    for (auto edit = pending.rbegin(); edit != pending.rend(); ++edit) {
        if (position >= edit->location + edit->newLength)
            position -= edit->newLength - edit->oldLength;
        else
            position = std::min(edit->location, position);
    }
    return position;
}

std::int64_t SyntaxColoring::mapForward(std::int64_t position,
                                        const std::vector<PendingEdit>& pending)
{
    for (const auto& edit : pending) {
        if (position >= edit.location + edit.oldLength)
            position += edit.newLength - edit.oldLength;
        else if (position > edit.location)
            position = edit.location + edit.newLength;
    }
    return position;
}

std::int64_t
SyntaxColoring::colorLine(int line, int start, int length, QList<QTextLayout::FormatRange>& formats)
{
    if (!m_tree || !m_grammar)
        return 0;
    const std::int64_t lineStart = m_view.lineIndex().lineStart(line + 1);
    const std::int64_t from = lineStart + start;
    const std::int64_t to = from + length;
    const std::int64_t stamp = m_pending.empty() ? m_treeVersion : -1;
    if (from >= to)
        return stamp;

    const std::int64_t treeStart = mapBack(from, m_pending);
    const std::int64_t treeEnd = mapBack(to, m_pending);
    const std::int64_t treeUpper = std::max(treeStart, treeEnd);

    // One role per unit of the piece (-1: none); later spans paint over earlier ones.
    std::vector<signed char> roles(static_cast<std::size_t>(length), -1);
    auto fill = [&](std::int64_t lower, std::int64_t upper, signed char role) {
        lower = std::max(mapForward(lower, m_pending), from);
        upper = std::min(mapForward(upper, m_pending), to);
        if (lower < upper)
            std::fill(roles.begin() + (lower - from), roles.begin() + (upper - from), role);
    };
    auto paint = [&](const std::vector<SyntaxSpan>& spans) {
        for (const auto& span : spans)
            fill(span.range.start, span.range.end, static_cast<signed char>(rawValue(span.role)));
    };
    paint(m_grammar->query->spans(*m_tree, treeStart, treeUpper));
    for (const auto& layer : m_layers) {
        const bool inlineLayer = layer.isMarkdownInline();
        for (const auto* piece : layer.piecesOverlapping(treeStart, treeUpper)) {
            if (!inlineLayer && treeStart < treeEnd) {
                // Embedded text shows none of the host's colours.
                for (const auto& range : piece->ranges) {
                    if (range.start < treeUpper && range.end > treeStart && !range.isEmpty())
                        fill(range.start, range.end, -1);
                }
            }
            paint(piece->spans(*layer.grammar.query, treeStart, treeUpper));
        }
    }

    const auto palette =
        EditorViews::EditorColors::syntaxPalette(EditorViews::appearanceOf(m_view.palette()));
    for (int at = 0; at < length;) {
        const signed char role = roles[static_cast<std::size_t>(at)];
        int runEnd = at + 1;
        while (runEnd < length && roles[static_cast<std::size_t>(runEnd)] == role)
            ++runEnd;
        if (role >= 0) {
            QTextLayout::FormatRange range;
            range.start = at;
            range.length = runEnd - at;
            range.format.setForeground(palette[static_cast<std::size_t>(role)]);
            formats.append(range);
        }
        at = runEnd;
    }
    return stamp;
}

} // namespace EditorWindow
