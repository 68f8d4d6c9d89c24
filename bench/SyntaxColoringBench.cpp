// Syntax colouring of a generated 2 MiB JSON document (the default size limit) in an offscreen
// editor view: the main thread's colouring time per keystroke, the time to colour the screen
// after a jump to the middle, and the time from a keystroke to its updated colours.
#include "app/views/EditorTextView.h"
#include "app/window/coloring/SyntaxColoring.h"
#include "features/SyntaxGrammars.h"
#include "features/SyntaxSession.h"
#include "platform/SerialQueue.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

using EditorWindow::SyntaxColoring;

double milliseconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double maximum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// Runs the event loop until the colouring applied a tree of every request.
double waitForTree(SyntaxColoring& coloring)
{
    QElapsedTimer timer;
    timer.start();
    while (coloring.treeVersion() != coloring.version())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return milliseconds(timer);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);

    constexpr qsizetype limit = 2 * 1'048'576;
    QString text = QStringLiteral("[\n");
    for (int item = 0; text.size() < limit - 200; ++item) {
        text += QStringLiteral("  {\"id\": %1, \"name\": \"item %1\", \"tags\": [\"a\", \"b\"], "
                               "\"value\": %2, \"on\": true, \"note\": null},\n")
                    .arg(item)
                    .arg(item * 1.5);
    }
    text += QStringLiteral("  {}\n]\n");

    EditorViews::EditorTextView view(std::make_shared<EditorViews::EditorDisplayState>());
    view.resize(1000, 800);
    view.show();
    view.setText(text);
    SyntaxColoring::GrammarSource grammars;
    grammars.grammar = [](EditorFeatures::CodeLanguage language) {
        return EditorFeatures::SyntaxGrammars::grammar(language);
    };
    grammars.injectionGrammars = [] { return EditorFeatures::SyntaxSession::Grammars{}; };
    grammars.loadInjected = [](const std::set<std::string>&) {};
    SyntaxColoring coloring(view, grammars);
    coloring.setLanguage(EditorFeatures::CodeLanguage::json, true, 2, false);
    if (coloring.state() != SyntaxColoring::State::on) {
        std::fprintf(stderr, "colouring is not on\n");
        return 1;
    }
    const double firstParseMs = waitForTree(coloring);

    // The colouring's share of laying out a line, measured around its provider.
    double colorMs = 0;
    view.setLineColorProvider(
        [&](int line, int start, int length, QList<QTextLayout::FormatRange>& formats) {
            QElapsedTimer timer;
            timer.start();
            auto stamp = coloring.colorLine(line, start, length, formats);
            colorMs += milliseconds(timer);
            return stamp;
        });

    // A jump to the middle: the screen's lines are laid out and coloured.
    const auto middle = static_cast<int>(text.size() / 2);
    view.setSelectedRange({middle, 0});
    view.scrollRangeToVisible({middle, 0});
    QElapsedTimer jump;
    jump.start();
    colorMs = 0;
    const auto lines = view.visibleParagraphs().size();
    const double jumpMs = milliseconds(jump);
    const double jumpColorMs = colorMs;

    // Keystrokes in the middle: the main thread's part (sending the edit, colouring the
    // edited line through the pending edit), then the wait for the new tree and its colours.
    std::vector<double> keystrokeMs;
    std::vector<double> updatedMs;
    std::vector<double> repaintMs;
    std::vector<double> insertMs;
    for (int key = 0; key < 40; ++key) {
        const int at = static_cast<int>(view.selectedRange().location);
        QElapsedTimer keystroke;
        keystroke.start();
        view.insertText(QStringLiteral("7"), {at, 0});
        insertMs.push_back(milliseconds(keystroke));
        colorMs = 0;
        QElapsedTimer send;
        send.start();
        coloring.textDidChange(at, 0, QStringLiteral("7"));
        const double sendMs = milliseconds(send);
        view.visibleParagraphs();
        keystrokeMs.push_back(sendMs + colorMs);

        waitForTree(coloring);
        QElapsedTimer repaint;
        repaint.start();
        view.visibleParagraphs();
        repaintMs.push_back(milliseconds(repaint));
        updatedMs.push_back(milliseconds(keystroke));
    }

    // What bounds the last figure: the session alone, the same edits on its own queue.
    std::vector<double> parseMs;
    std::vector<double> deliveredMs;
    {
        Platform::SerialQueue queue{std::string(EditorFeatures::SyntaxSession::queueLabel)};
        std::mutex lock;
        std::condition_variable arrived;
        std::int64_t lastVersion = 0;
        double lastSeconds = 0;
        auto session = EditorFeatures::SyntaxSession::make(
            *EditorFeatures::SyntaxGrammars::grammar(EditorFeatures::CodeLanguage::json),
            [&](EditorFeatures::SyntaxParsed parsed) {
                std::lock_guard guard(lock);
                lastVersion = parsed.version;
                lastSeconds = parsed.seconds;
                arrived.notify_all();
            },
            [&](EditorFeatures::SyntaxSession::Job job) { queue.async(std::move(job)); });
        const QString current = view.text();
        session->setText(std::u16string_view(reinterpret_cast<const char16_t*>(current.utf16()),
                                             static_cast<std::size_t>(current.size())),
                         1);
        auto waitFor = [&](std::int64_t version) {
            std::unique_lock guard(lock);
            arrived.wait(guard, [&] { return lastVersion >= version; });
        };
        waitFor(1);
        for (std::int64_t version = 2; version < 22; ++version) {
            QElapsedTimer timer;
            timer.start();
            session->applyEdit(middle, 0, u"7", version);
            waitFor(version);
            deliveredMs.push_back(milliseconds(timer));
            parseMs.push_back(lastSeconds * 1000);
        }
        session->cancel();
    }

    std::printf("document: %lld UTF-16 units, %lld lines; first parse and colours %.1f ms\n",
                static_cast<long long>(text.size()),
                static_cast<long long>(view.lineIndex().lineCount()),
                firstParseMs);
    std::printf("colouring per keystroke (main thread): median %.3f ms, max %.3f ms "
                "(target < 2 ms)\n",
                median(keystrokeMs),
                maximum(keystrokeMs));
    std::printf("screen after a jump to the middle: %.2f ms for %zu lines, colouring %.2f ms "
                "of it (target < 16 ms)\n",
                jumpMs,
                lines,
                jumpColorMs);
    std::printf("keystroke to updated colours: median %.1f ms, max %.1f ms; relayout of the "
                "screen with the new tree %.2f ms; the view's own edit %.2f ms (target < 50 ms)\n",
                median(updatedMs),
                maximum(updatedMs),
                median(repaintMs),
                median(insertMs));
    std::printf("the session alone per keystroke: parse and tree copy median %.1f ms, result "
                "delivered after %.1f ms (the rest is the problem walk over the tree)\n",
                median(parseMs),
                median(deliveredMs));
    return 0;
}
