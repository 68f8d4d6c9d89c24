// Multi-caret and long-line editing in the editor view (offscreen):
// - a generated 10 MiB text with 10,000 occurrences of one word: select them all, type one
//   letter, undo; the time of each step;
// - one letter typed in the middle of a generated 1 MB single-line text, wrapping on and off:
//   the time from the key to the repainted view.
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double milliseconds(QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void typeLetter(EditorViews::EditorTextView& view)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    QApplication::sendEvent(&view, &press);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    using namespace EditorViews;
    // "carets" or "lines" runs one part only.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    if (only.isEmpty() || only == QLatin1String("carets")) {
        // 10 MiB of UTF-8 (ASCII), the word "needle" once every 1,048 characters or so.
        constexpr qsizetype size = 10 * 1024 * 1024;
        constexpr int occurrences = 10000;
        const QString filler = QStringLiteral("The quick brown fox jumps over the lazy dog.\n");
        QString text;
        text.reserve(size + 64);
        const qsizetype stride = size / occurrences;
        for (int i = 0; i < occurrences; ++i) {
            text += QStringLiteral("needle ");
            const qsizetype until = (i + 1) * stride;
            while (text.size() + filler.size() <= until)
                text += filler;
            while (text.size() < until)
                text += QLatin1Char('x');
        }
        auto display = std::make_shared<EditorDisplayState>();
        EditorTextView view(display);
        view.resize(1180, 640);
        view.show();
        view.storage().setText(std::move(text));
        view.setSelectedRange({0, 6});
        application.processEvents();

        QElapsedTimer timer;
        timer.start();
        view.doCommandBySelector(QStringLiteral("selectAllOccurrences:"));
        view.viewport()->repaint();
        const double selectMs = milliseconds(timer);
        const auto carets = view.carets().size();
        timer.restart();
        typeLetter(view);
        view.viewport()->repaint();
        const double typeMs = milliseconds(timer);
        timer.restart();
        view.undoStack()->undo();
        view.viewport()->repaint();
        const double undoMs = milliseconds(timer);
        std::printf("10 MiB text, %zu carets: select all occurrences %.1f ms, type one letter "
                    "%.1f ms, undo %.1f ms (target under 50 ms each)\n",
                    carets,
                    selectMs,
                    typeMs,
                    undoMs);
    }

    for (bool wraps : {true, false}) {
        if (!only.isEmpty() && only != QLatin1String("lines"))
            break;
        QString line;
        line.reserve(1000 * 1000);
        const QString words = QStringLiteral("lorem ipsum dolor sit amet ");
        while (line.size() < 1000 * 1000)
            line += words;
        line.truncate(1000 * 1000);
        auto display = std::make_shared<EditorDisplayState>();
        display->options.wrapsLines = wraps;
        EditorTextView view(display);
        view.resize(1180, 640);
        view.show();
        view.storage().setText(std::move(line));
        view.displayOptionsDidChange();
        view.setSelectedRange({500 * 1000, 0});
        view.scrollRangeToVisible({500 * 1000, 0});
        view.viewport()->repaint();
        application.processEvents();

        // The first letter also fills the glyph caches and the undo stack; it is reported
        // apart from the letters after it.
        QElapsedTimer timer;
        timer.start();
        typeLetter(view);
        view.viewport()->repaint();
        const double first = milliseconds(timer);
        double worst = 0;
        double total = 0;
        constexpr int keys = 20;
        for (int i = 0; i < keys; ++i) {
            timer.restart();
            typeLetter(view);
            view.viewport()->repaint();
            const double ms = milliseconds(timer);
            worst = std::max(worst, ms);
            total += ms;
        }
        std::printf(
            "1 MB single line, wrapping %s: one letter to the repainted view: first %.1f ms, "
            "then %.1f ms on average, %.1f ms at worst over %d letters (target under 16 ms)\n",
            wraps ? "on" : "off",
            first,
            total / keys,
            worst,
            keys);
    }
    return 0;
}
