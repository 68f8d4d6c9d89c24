// The main thread's share of one Markdown preview update for a 1 MiB document: taking the
// text from the window, and putting the converted article into the loaded page by script, one
// piece per turn of the event loop (the conversion and the scripts' text are made on the
// worker and left out). Prints the longest turn and the sum of the turns, the conversion's
// time on the worker and how long until the page holds the new article.
#include "app/kit/Utf16.h"
#include "app/views/MarkdownPreviewView.h"
#include "app/views/PreviewContent.h"
#include "app/views/PreviewRendering.h"
#include "app/views/WebPreviewSurface.h"
#include "features/MarkdownHTML.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

using EditorViews::MarkdownPreviewView;
using EditorViews::PreviewRendering;

namespace {

QString markdownOfSize(qsizetype bytes)
{
    QString text;
    int section = 0;
    while (text.size() < bytes) {
        ++section;
        text += QStringLiteral("## Section %1\n\n").arg(section);
        text += QStringLiteral("Some *emphasis*, `code`, a [link](https://example.org/%1) and "
                               "한글 text in a paragraph that runs on for a while.\n\n")
                    .arg(section);
        text +=
            QStringLiteral("- item one\n- item two\n- [x] done\n\n| a | b |\n|---|---|\n| 1 | 2 "
                           "|\n\n```cpp\nint main() { return %1; }\n```\n\n")
                .arg(section);
    }
    return text;
}

template<class Predicate>
bool waitFor(Predicate predicate, int ms = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!predicate()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(1);
    }
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (::geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    QApplication application(argc, argv);

    const QString markdown = markdownOfSize(1 << 20);
    MarkdownPreviewView view([](QWidget* parent) {
        return std::make_unique<EditorViews::WebPreviewSurface>(
            parent, EditorViews::PreviewSurface::Rules::standard());
    });
    auto& surface = dynamic_cast<EditorViews::WebPreviewSurface&>(*view.surface());
    view.resize(800, 600);
    view.show();
    view.setSource([&] {
        return EditorViews::PreviewSource{
            EditorCore::ChunkedText(EditorKit::utf16View(markdown)).snapshot(), std::nullopt};
    });
    view.scheduleRender(true);
    // The view's own first article is in before the measured ones start.
    bool firstArticle = false;
    const bool loaded = waitFor([&] {
        if (view.rendering().isLoaded())
            surface.page()->runJavaScript(
                QStringLiteral("document.getElementById('content').childElementCount > 100"),
                QWebEngineScript::ApplicationWorld,
                [&](const QVariant& value) { firstArticle = value.toBool(); });
        QTest::qWait(50);
        return firstArticle;
    });
    if (!loaded) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }

    // The measured updates go through a rendering of their own on the loaded page, so that
    // each script handed to the engine is timed.
    double turnLongest = 0;
    double turnsTotal = 0;
    PreviewRendering::Page page;
    page.loadTemplate = [] {};
    page.setRoot = [&](const std::optional<std::filesystem::path>& folder) {
        surface.folder()->setRoot(folder);
    };
    page.runScript = [&](const QString& script) {
        QElapsedTimer clock;
        clock.start();
        surface.page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        turnLongest = std::max(turnLongest, ms);
        turnsTotal += ms;
    };
    PreviewRendering::Services services;
    services.after = [&](std::chrono::milliseconds delay, std::function<void()> work) {
        QTimer::singleShot(delay, &view, std::move(work));
        return std::function<void()>([] {});
    };
    PreviewRendering measured(std::move(page), std::move(services));
    measured.pageDidLoad();

    const int rounds = 7;
    std::printf("preview update of a %lld-unit Markdown text (%d rounds, medians)\n",
                static_cast<long long>(markdown.size()),
                rounds);
    int round = 0;
    for (qsizetype pieceLength :
         {EditorViews::PreviewContent::articlePieceLength, qsizetype(1) << 30}) {
        std::vector<double> longestTurn, mainThread, worker, untilShown;
        for (int i = 0; i < rounds; ++i, ++round) {
            // Worker: conversion and the scripts' text.
            QElapsedTimer clock;
            clock.start();
            const QString edited = markdown + QStringLiteral("\n\nRound %1\n").arg(round);
            std::u16string_view text(reinterpret_cast<const char16_t*>(edited.utf16()),
                                     static_cast<std::size_t>(edited.size()));
            QStringList scripts =
                PreviewRendering::articleScriptsFor(text,
                                                    &EditorFeatures::MarkdownHTML::render,
                                                    QStringLiteral("too large"),
                                                    pieceLength);
            worker.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);

            // Main thread: the source call, then the article's scripts, one per turn.
            clock.restart();
            turnLongest = 0;
            turnsTotal = 0;
            const EditorViews::PreviewSource source{{}, std::nullopt};
            QElapsedTimer first;
            first.start();
            surface.folder()->setRoot(source.folder);
            const double sourceMs = static_cast<double>(first.nsecsElapsed()) / 1e6;
            measured.show(std::move(scripts));

            bool shown = false;
            waitFor([&] {
                surface.page()->runJavaScript(
                    QStringLiteral(
                        "document.getElementById('content').lastElementChild.textContent"),
                    QWebEngineScript::ApplicationWorld,
                    [&](const QVariant& value) {
                        shown = value.toString() == QStringLiteral("Round %1").arg(round);
                    });
                QTest::qWait(50);
                return shown;
            });
            untilShown.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            longestTurn.push_back(sourceMs + turnLongest);
            mainThread.push_back(sourceMs + turnsTotal);
        }
        std::printf(pieceLength < markdown.size() * 8 ? "in pieces of %lld units:\n"
                                                      : "as one script (pieces of %lld units):\n",
                    static_cast<long long>(pieceLength));
        std::printf("  main thread, longest turn: %.3f ms (max %.3f ms; target < 10 ms)\n",
                    median(longestTurn),
                    *std::max_element(longestTurn.begin(), longestTurn.end()));
        std::printf("  main thread, all turns of the update: %.3f ms\n", median(mainThread));
        std::printf("  worker (conversion and scripts' text): %.1f ms\n", median(worker));
        std::printf("  until the page shows it: %.1f ms\n", median(untilShown));
    }
    return 0;
}
