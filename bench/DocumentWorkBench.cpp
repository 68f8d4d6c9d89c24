// Opening and saving a large document through the shipped wiring (the application object, the
// document controller, the real window), offscreen, on a generated 100 MiB file of 1,000,000
// UTF-8 lines. Every run is a fresh process, so that its peak memory is its own:
//
//   shown      time from the open until the window is shown
//   text       time until the first paint of the window after its text arrived
//   open stall longest event-loop stall between the open and that paint
//   arrival    the longest of them after the window was shown: the text arriving
//   peak       VmHWM after the open, and as a multiple of the file's size; what the open added
//              to it, and the part of that which is heap (RssAnon), not libraries and fonts
//   save       time until a save of the document completed; its longest stall; the first key
//              after it (the save read the text the key changes)
//   typing     longest stall while typing during a save, and the longest key press
//   autosave   longest stall of the pause after that typing, until its autosave has written
//              (-1: it never did)
//
// Prints the first run and the later runs apart.
//
//   DocumentWorkBench [runs] [folder]     (default 4 runs; the file goes to /tmp)

#include "app/documents/DocumentReading.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Presenter.h"
#include "app/shell/Application.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "bench/EventLoopStalls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int waitLimitMilliseconds = 60'000;

constexpr std::uint64_t fileSize = 100ULL << 20;
constexpr int lineCount = 1'000'000;

void generate(const std::filesystem::path& path)
{
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) == fileSize)
        return;
    static const char* words[] = {"alpha",
                                  "bravo",
                                  "charlie",
                                  "delta",
                                  "echo",
                                  "foxtrot",
                                  "golf",
                                  "hotel",
                                  "india",
                                  "juliet",
                                  "kilo",
                                  "lima"};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    // 857,600 lines of 105 bytes and 142,400 of 104 make exactly 100 MiB.
    const int longLines = static_cast<int>(fileSize - 104ULL * lineCount);
    std::string line;
    for (int i = 0; i < lineCount; ++i) {
        const std::size_t length = i < longLines ? 104 : 103;
        line = std::to_string(i);
        for (int w = i; line.size() < length; ++w) {
            line += ' ';
            line += words[static_cast<unsigned>(w * 7 + i) % 12];
        }
        line.resize(length);
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

// A figure of /proc/self/status in MiB: "VmHWM:" the peak resident memory, "RssAnon:" the
// resident memory that belongs to no file (the heap; not the libraries and fonts mapped).
double statusMiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            double kiB = 0;
            status >> kiB;
            return kiB / 1024;
        }
        std::string rest;
        std::getline(status, rest);
    }
    return 0;
}

double peakMiB()
{
    return statusMiB("VmHWM:");
}

// The first paint of the view once the document's text is there.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(const EditorDocuments::TextDocument& document)
        : m_document(document)
    {}
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_document.isLoading())
            painted = true;
        return false;
    }

private:
    const EditorDocuments::TextDocument& m_document;
};

int runOnce(int argc, char** argv, const std::filesystem::path& file)
{
    // A home of its own: the run reads and writes no user settings.
    char home[] = "/tmp/olv-bench-home-XXXXXX";
    if (::mkdtemp(home) == nullptr)
        return 1;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        ::setenv(name, home, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication qtApplication(argc, argv);
    const double baseline = peakMiB();
    const double anonymousBefore = statusMiB("RssAnon:");
    StallMeter meter;
    EditorShell::Application application(EditorKit::ActionRouter::shared(),
                                         EditorDocuments::DocumentServices::shared(),
                                         std::make_shared<EditorKit::WidgetPresenter>());
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    meter.reset();
    application.openArguments({file.string()});
    auto documents = application.documentController().documents();
    if (documents.empty())
        return 1;
    EditorDocuments::TextDocument* document = documents.front();
    auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
    if (!window)
        return 1;
    auto& controller = window->controller();
    spin([&] { return controller.page()->isVisible(); }, waitLimitMilliseconds);
    const qint64 shown = clock.elapsed();
    const qint64 stallUntilShown = meter.longest();
    meter.reset();

    PaintWatch watch(*document);
    controller.textView()->viewport()->installEventFilter(&watch);
    spin([&] { return watch.painted; }, waitLimitMilliseconds);
    const qint64 text = clock.elapsed();
    const qint64 arrivalStall = meter.longest();
    const qint64 openStall = std::max(stallUntilShown, arrivalStall);
    const double peak = peakMiB();
    const double anonymous = statusMiB("RssAnon:") - anonymousBefore;
    const qint64 textLength = controller.textView()->text().size();

    // Save an edited document.
    controller.textView()->setSelectedRange({0, 0});
    QElapsedTimer firstKey;
    firstKey.start();
    controller.textView()->insertText(QStringLiteral("x"));
    QCoreApplication::processEvents();
    const qint64 keyWithoutSave = firstKey.elapsed();
    meter.reset();
    clock.restart();
    document->saveDocument();
    spin([&] { return !document->isSaving(); }, waitLimitMilliseconds);
    const qint64 save = clock.elapsed();
    const qint64 saveStall = meter.longest();
    QElapsedTimer keyAfter;
    keyAfter.start();
    controller.textView()->insertText(QStringLiteral("k"));
    QCoreApplication::processEvents();
    const qint64 keyAfterSave = keyAfter.elapsed();

    // Type while the next save is written.
    controller.textView()->insertText(QStringLiteral("y"));
    QCoreApplication::processEvents();
    meter.reset();
    document->saveDocument();
    qint64 longestKey = 0;
    int keys = 0;
    spin(
        [&] {
            if (document->isSaving() && keys < 200) {
                QElapsedTimer key;
                key.start();
                controller.textView()->insertText(QStringLiteral("z"));
                longestKey = std::max(longestKey, key.elapsed());
                ++keys;
            }
            return !document->isSaving();
        },
        waitLimitMilliseconds);
    const qint64 typingStall = meter.longest();
    QCoreApplication::processEvents();
    const bool editedAfter = document->isDocumentEdited();

    // The pause after typing: the autosave writes the keys typed during the save.
    meter.reset();
    const bool autosaved =
        spin([&] { return !document->isDocumentEdited() && !document->isSaving(); }, 20'000);
    const qint64 autosaveStall = autosaved ? meter.longest() : -1;

    std::printf(
        "%lld %lld %lld %.1f %.1f %lld %lld %lld %lld %d %d %lld %lld %lld %.1f %lld %lld\n",
        static_cast<long long>(shown),
        static_cast<long long>(text),
        static_cast<long long>(openStall),
        peak,
        baseline,
        static_cast<long long>(save),
        static_cast<long long>(saveStall),
        static_cast<long long>(typingStall),
        static_cast<long long>(longestKey),
        keys,
        editedAfter ? 1 : 0,
        static_cast<long long>(textLength),
        static_cast<long long>(keyWithoutSave),
        static_cast<long long>(arrivalStall),
        anonymous,
        static_cast<long long>(autosaveStall),
        static_cast<long long>(keyAfterSave));
    std::fflush(stdout);
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}

struct Run
{
    double shown, text, openStall, peak, baseline, save, saveStall, typingStall, longestKey;
    int keys, editedAfter;
    long long textLength, keyWithoutSave, arrivalStall;
    double anonymous;
    long long autosaveStall;
    long long keyAfterSave;
};

void print(const char* label, const Run& r)
{
    const double fileMiB = static_cast<double>(fileSize) / (1 << 20);
    std::printf(
        "%-7s shown %5.0f ms | text painted %5.0f ms | open stall %4.0f ms | "
        "(arrival %4lld ms) | peak %5.0f MiB = %.2fx file (%.0f MiB before opening; the open "
        "added %.0f MiB = %.2fx, %.0f MiB = %.2fx of it heap) | save %5.0f ms, "
        "stall %3.0f ms, the first key after it %lld ms | typing during save: stall %3.0f ms, "
        "longest key %3.0f ms "
        "(%d keys), edited after %s | a key before saving %lld ms | the pause's autosave: "
        "stall %lld ms\n",
        label,
        r.shown,
        r.text,
        r.openStall,
        r.arrivalStall,
        r.peak,
        r.peak / fileMiB,
        r.baseline,
        r.peak - r.baseline,
        (r.peak - r.baseline) / fileMiB,
        r.anonymous,
        r.anonymous / fileMiB,
        r.save,
        r.saveStall,
        r.keyAfterSave,
        r.typingStall,
        r.longestKey,
        r.keys,
        r.editedAfter ? "yes" : "no",
        r.keyWithoutSave,
        r.autosaveStall);
}

} // namespace

// The document layer's reading alone, on the worker's path: its own peak memory.
int readOnce(const std::filesystem::path& file)
{
    const double baseline = peakMiB();
    QElapsedTimer clock;
    clock.start();
    EditorDocuments::DocumentReading::Environment environment;
    auto read = EditorDocuments::DocumentReading::readFile(file, environment);
    if (!read)
        return 1;
    std::printf("%lld %.1f %.1f\n", static_cast<long long>(clock.elapsed()), peakMiB(), baseline);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--run")
        return runOnce(1, argv, argv[2]);
    if (argc >= 3 && std::string(argv[1]) == "--read")
        return readOnce(argv[2]);

    const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 4;
    const std::filesystem::path folder = argc >= 3 ? argv[2] : "/tmp";
    const auto file = folder / "olv-bench-100mib-1m-lines.txt";
    generate(file);
    std::printf("file %s: %llu bytes, %d lines\n",
                file.c_str(),
                static_cast<unsigned long long>(std::filesystem::file_size(file)),
                lineCount);

    // The reading alone, in a process of its own.
    {
        const std::string command = std::string(argv[0]) + " --read " + file.string();
        FILE* child = ::popen(command.c_str(), "r");
        char line[256] = {};
        double ms = 0, peak = 0, baseline = 0;
        if (child && std::fgets(line, sizeof line, child)
            && std::sscanf(line, "%lf %lf %lf", &ms, &peak, &baseline) == 3)
            std::printf("reading alone (worker path): %.0f ms, peak %.0f MiB = %.2fx file "
                        "(%.0f MiB before)\n",
                        ms,
                        peak,
                        peak / (static_cast<double>(fileSize) / (1 << 20)),
                        baseline);
        if (child)
            ::pclose(child);
    }

    std::vector<Run> results;
    for (int i = 0; i < runs; ++i) {
        // The run saves into the file; every run starts from the generated one.
        const auto copy = folder / "olv-bench-run.txt";
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
        const std::string command = std::string(argv[0]) + " --run " + copy.string();
        FILE* child = ::popen(command.c_str(), "r");
        if (!child)
            return 1;
        char line[512] = {};
        Run r{};
        bool read = std::fgets(line, sizeof line, child) != nullptr;
        ::pclose(child);
        if (!read
            || std::sscanf(line,
                           "%lf %lf %lf %lf %lf %lf %lf %lf %lf %d %d %lld %lld %lld %lf %lld %lld",
                           &r.shown,
                           &r.text,
                           &r.openStall,
                           &r.peak,
                           &r.baseline,
                           &r.save,
                           &r.saveStall,
                           &r.typingStall,
                           &r.longestKey,
                           &r.keys,
                           &r.editedAfter,
                           &r.textLength,
                           &r.keyWithoutSave,
                           &r.arrivalStall,
                           &r.anonymous,
                           &r.autosaveStall,
                           &r.keyAfterSave)
                   != 17) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        results.push_back(r);
    }
    print("first", results.front());
    for (std::size_t i = 1; i < results.size(); ++i)
        print(("later " + std::to_string(i)).c_str(), results[i]);
    return 0;
}
