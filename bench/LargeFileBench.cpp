// Loads a generated 512 MiB ASCII log whole and the first step of a generated 4 GiB log
// through a document window with the shipped features (offscreen Qt), and draws the last
// screen of the 4 GiB file as hex. Prints, per run, the time to the first text shown, the
// read-and-decode rate, the longest turn of the interface thread during the load and the peak
// resident memory against the file size. The first run in the process gets fresh memory from
// the kernel, later runs reuse freed memory: both are printed.
//
//   LargeFileBench [FOLDER]   (the files are made in FOLDER, default a new folder in /tmp,
//                              and deleted at the end)
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/views/HexView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/largefile/LargeFileFeature.h"
#include "app/window/WindowDocument.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

class LargeBenchDocument
    : public QObject
    , public EditorWindow::WindowDocument
{
public:
    explicit LargeBenchDocument(std::filesystem::path url, std::uint64_t size)
        : m_url(std::move(url))
        , m_state{m_url, size, 0, false}
    {}
    QObject* documentObject() override { return this; }
    std::optional<std::filesystem::path> fileURL() const override { return m_url; }
    QString displayName() const override { return QStringLiteral("bench.log"); }
    EditorCore::TextEncoding encoding() const override { return EditorCore::TextEncoding::utf8; }
    bool hasByteOrderMark() const override { return false; }
    bool isEncodingGuessUnsure() const override { return false; }
    EditorCore::LineEndingSummary lineEndings() const override { return m_endings; }
    std::optional<EditorCore::IndentStyle> indentStyle() const override { return std::nullopt; }
    bool indentChosenByUser() const override { return false; }
    bool isReadOnly() const override { return true; }
    bool isExternalCopy() const override { return false; }
    bool hasLargeFile() const override { return true; }
    bool isWritingToDisk() const override { return false; }
    EditorCore::TextSnapshot loadedText() const override { return {}; }
    std::optional<QString> openedText() const override { return std::nullopt; }
    QUndoStack* undoStack() override { return &m_stack; }
    bool isEdited() const override { return false; }
    std::optional<EditorCore::EncodingGuess> encodingGuess() const override { return std::nullopt; }
    void setLineEndings(const EditorCore::LineEndingSummary& summary) override
    {
        m_endings = summary;
        endingsCounted = true;
    }
    void changeEncoding(EditorCore::TextEncoding, bool, const QString&) override {}
    void chooseIndentStyle(std::optional<EditorCore::IndentStyle>) override {}
    void reopen(EditorCore::TextEncoding, std::function<void(bool)> done) override
    {
        if (done)
            done(false);
    }
    std::optional<EditorDocuments::ReadOnlyReason> readOnlyReason() const override
    {
        return EditorDocuments::ReadOnlyReason::largeFile;
    }
    std::optional<EditorDocuments::LargeFileState> largeFileState() const override
    {
        return m_state;
    }
    void setLargeFileState(const EditorDocuments::LargeFileState& state) override
    {
        m_state = state;
    }

    bool endingsCounted = false;

private:
    std::filesystem::path m_url;
    EditorDocuments::LargeFileState m_state;
    EditorCore::LineEndingSummary m_endings;
    QUndoStack m_stack;
};

// A log line of about 110 bytes, different on every line.
void generate(const std::filesystem::path& path, std::uint64_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string block;
    block.reserve(1 << 20);
    std::uint64_t written = 0;
    std::uint64_t line = 0;
    char buffer[200];
    while (written < size) {
        block.clear();
        while (block.size() < (1u << 20) - 200) {
            const int length = std::snprintf(
                buffer,
                sizeof buffer,
                "2026-12-10 11:%02d:%02d.%03d INFO [worker-%02d] request %08llu handled in %3d ms "
                "status=200 bytes=%llu\n",
                int(line / 60000 % 60),
                int(line / 1000 % 60),
                int(line % 1000),
                int(line % 16),
                static_cast<unsigned long long>(line),
                int(line * 7 % 997),
                static_cast<unsigned long long>(line * 31 % 100000));
            block.append(buffer, static_cast<std::size_t>(length));
            ++line;
        }
        const std::uint64_t take = std::min<std::uint64_t>(block.size(), size - written);
        out.write(block.data(), static_cast<std::streamsize>(take));
        written += take;
    }
}

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return 0;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Run
{
    double firstTextMs = 0;
    double indexedMs = 0;
    double longestTurnMs = 0;
    double peakMB = 0;
    std::uint64_t loaded = 0;
};

Run loadOnce(QApplication& application,
             EditorStore::Settings& settings,
             const QString& home,
             const std::filesystem::path& path,
             std::uint64_t size)
{
    malloc_trim(0);
    resetPeak();
    const long baseKB = statusKilobytes("VmRSS");
    Run run;
    {
        EditorKit::ActionRouter router;
        LargeBenchDocument document(path, size);
        EditorWindow::WindowEnvironment environment;
        environment.settings = &settings;
        environment.homeFolder = home;
        QElapsedTimer clock;
        clock.start();
        EditorWindow::DocumentWindowController window(document, router, environment);
        window.page()->resize(1180, 640);
        // The interface thread's longest call of the event loop while the load runs (a call
        // waits at most 5 ms for work, so a longer one is work on the interface thread).
        auto turn = [&] {
            QElapsedTimer call;
            call.start();
            application.processEvents(QEventLoop::WaitForMoreEvents, 5);
            run.longestTurnMs = std::max(run.longestTurnMs, call.nsecsElapsed() / 1e6);
        };
        while (window.textView()->text().isEmpty())
            turn();
        run.firstTextMs = clock.nsecsElapsed() / 1e6;
        while (!document.endingsCounted)
            turn();
        run.indexedMs = clock.nsecsElapsed() / 1e6;
        // The first paint of the text.
        QImage image(1180, 600, QImage::Format_ARGB32_Premultiplied);
        window.textView()->viewport()->render(&image);
        run.loaded = document.largeFileState()->loadedBytes;
        run.peakMB = (statusKilobytes("VmHWM") - baseKB) / 1024.0;
    }
    application.processEvents();
    return run;
}

void printRuns(const char* name,
               QApplication& application,
               EditorStore::Settings& settings,
               const QString& home,
               const std::filesystem::path& path,
               std::uint64_t size,
               int runs)
{
    for (int i = 0; i < runs; ++i) {
        const Run run = loadOnce(application, settings, home, path, size);
        std::printf("%s run %d (%s): %llu bytes, first text %.0f ms (%.0f MB/s), line endings "
                    "counted %.0f ms, longest interface turn %.1f ms, peak +%.0f MB = %.2f x "
                    "file\n",
                    name,
                    i + 1,
                    i == 0 ? "first, fresh memory" : "later",
                    static_cast<unsigned long long>(run.loaded),
                    run.firstTextMs,
                    run.loaded / 1e6 / (run.firstTextMs / 1e3),
                    run.indexedMs,
                    run.longestTurnMs,
                    run.peakMB,
                    run.peakMB * 1024 * 1024 / static_cast<double>(size));
        std::fflush(stdout);
    }
}

void hexLastScreen(const std::filesystem::path& path)
{
    std::error_code error;
    auto source = EditorViews::HexFileSource::open(path, error);
    if (!source)
        return;
    EditorViews::HexView view;
    view.resize(1180, 600);
    view.setSource(std::move(source));
    view.scrollToEnd();
    QImage image(1180, 600, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.viewport()->render(&image);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("hex last screen of the 4 GiB file: %lld rows, first %.2f ms, median %.2f ms, "
                "max %.2f ms\n",
                static_cast<long long>(view.lastDrawnRows()),
                first,
                times[times.size() / 2],
                times.back());
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    setenv("HOME", qPrintable(home.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.path() + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(home.path() + "/data"), 1);
    setenv("XDG_STATE_HOME", qPrintable(home.path() + "/state"), 1);
    QApplication application(argc, argv);

    std::filesystem::path folder;
    if (argc > 1) {
        folder = argv[1];
        std::filesystem::create_directories(folder);
    } else {
        std::string pattern = "/tmp/olv-large-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            return 1;
        folder = pattern;
    }
    const auto medium = folder / "log-512MiB.log";
    const auto huge = folder / "log-4GiB.log";
    constexpr std::uint64_t mediumSize = 512ULL << 20;
    constexpr std::uint64_t hugeSize = 4ULL << 30;
    QElapsedTimer making;
    making.start();
    generate(medium, mediumSize);
    generate(huge, hugeSize);
    std::printf("made the two logs in %.1f s\n", making.nsecsElapsed() / 1e9);

    EditorStore::Settings settings(std::make_shared<Platform::PreferencesDomain>(
                                       std::filesystem::path(home.path().toStdString())
                                       / "group-defaults.json"),
                                   {});
    printRuns("512 MiB log", application, settings, home.path(), medium, mediumSize, 3);
    printRuns("4 GiB log, first step", application, settings, home.path(), huge, hugeSize, 3);
    hexLastScreen(huge);

    std::error_code ignored;
    std::filesystem::remove(medium, ignored);
    std::filesystem::remove(huge, ignored);
    if (argc <= 1)
        std::filesystem::remove(folder, ignored);
    return 0;
}
