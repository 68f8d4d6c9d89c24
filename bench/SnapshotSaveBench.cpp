// The save of a large edited text through the document's own save path (TextDocument's save
// command, its saving worker, the file saver), with the text held as the window holds it: a
// tree of chunks, built here straight from ASCII lines (one byte per unit) so that the figures
// are the save's and not a read's. Every run is a fresh process, so its peak memory is its own.
//
//   text       the resident memory the text takes
//   save       time from the save command until its completion ran, and the bytes written;
//              of it, the flushes to disk (fsync of the file and its folder), which depend on
//              the disk rather than on the save
//   save peak  the highest resident memory during the save above what the process held when
//              the command was given (the peak is reset just before it); the text's own size
//              plus at most 64 MiB is the aim, the text itself being shared, not copied
//   typing     keys typed while the save is written (the document's part: the text's edit and
//              the edit count), the longest of them and the longest event-loop stall, and the
//              first key after the save; the file's size shows none of them was written
//   UTF-16LE   the same for a save in UTF-16 LE (every unit widened on the way out)
//
//   SnapshotSaveBench [MiB] [runs] [folder]   (default 1024 MiB, 3 runs, the current folder;
//                                             100 MiB gives the typing figures of a usual size)
//
// The folder decides the file system written to: a real disk, not tmpfs.

#include "app/documents/DocumentServices.h"
#include "app/documents/DocumentWindow.h"
#include "app/documents/TextDocument.h"
#include "bench/EventLoopStalls.h"
#include "core/ChunkedText.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using EditorDocuments::DocumentFailure;

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

// Starts VmHWM over from the present resident memory (Linux 4.0 and later).
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The window as the document sees it: only its text matters to a save.
class SnapshotWindow : public EditorDocuments::DocumentWindow
{
public:
    EditorCore::ChunkedText chunks;

    QString text() const override { return {}; }
    EditorCore::TextSnapshot snapshot() const override { return chunks.snapshot(); }
    bool hasMarkedText() const override { return false; }
    void updateStatusBar() override {}
    void applyDisplayOptions() override {}
    void applyEditability() override {}
    void replaceAllText(EditorCore::TextSnapshot, std::optional<EditorCore::LineIndex>) override {}
    void setHasUnsavedEdits(bool) override {}
    void startFileWatcher() override {}
    void stopWatching() override {}
    void showFileGoneBanner() override {}
    void showExternalChangeBanner() override {}
    void showUnencodableBanner(const DocumentFailure&) override {}
    void showSaveRefusedBanner(EditorDocuments::SaveRules::SaveRefusal) override {}
    void dismissBanner(const QString&) override {}
};

EditorCore::ChunkedText asciiText(std::uint64_t bytes)
{
    EditorCore::ChunkedTextBuilder builder;
    std::string block;
    for (int i = 0; block.size() < (std::size_t(1) << 20); ++i)
        block += std::to_string(i) + " a line of an ASCII log, as long as the usual ones\n";
    block.resize(std::size_t(1) << 20);
    block.back() = '\n';
    for (std::uint64_t done = 0; done < bytes; done += block.size()) {
        const auto take =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), bytes - done));
        builder.appendLatin1(std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t*>(block.data()), take));
    }
    return builder.finish();
}

int runOnce(int argc, char** argv, std::uint64_t mebibytes, const std::filesystem::path& file)
{
    char home[] = "/tmp/olv-bench-home-XXXXXX";
    if (::mkdtemp(home) == nullptr)
        return 1;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        ::setenv(name, home, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);

    auto services = std::make_shared<EditorDocuments::DocumentServices>();
    services->autosavingDelayMilliseconds = -1;
    // The flushes are timed apart: on a virtual disk they take longer than all the rest.
    auto flushing = std::make_shared<std::atomic<qint64>>(0);
    services->saverOptions.calls.fsync = [flushing](int fd, const std::filesystem::path&) {
        QElapsedTimer clock;
        clock.start();
        const int result = ::fsync(fd);
        *flushing += clock.elapsed();
        return result;
    };
    SnapshotWindow* window = nullptr;
    services->makeWindowController = [&window](EditorDocuments::TextDocument&) {
        auto made = std::make_unique<SnapshotWindow>();
        window = made.get();
        return made;
    };
    {
        std::ofstream(file, std::ios::trunc) << "old\n";
    }
    EditorDocuments::TextDocument document(services);
    if (!document.readFromURL(file))
        return 1;
    document.makeWindowControllers();
    if (!window)
        return 1;

    const double before = statusMiB("VmRSS:");
    window->chunks = asciiText(mebibytes << 20);
    const double textMiB = statusMiB("VmRSS:") - before;
    // Edits at the start, in the middle and at the end, as typing leaves them.
    const auto length = window->chunks.length();
    window->chunks.replace(0, 0, u"edited at the start\n");
    window->chunks.replace(length / 2, 1, u"edited in the middle");
    window->chunks.replace(window->chunks.length(), 0, u"edited at the end\n");
    document.updateChangeCount(EditorDocuments::TextDocument::ChangeType::changeDone);

    std::printf("text %.0f MiB resident\n", textMiB);
    StallMeter meter;
    for (auto encoding : {EditorCore::TextEncoding::utf8, EditorCore::TextEncoding::utf16LE}) {
        if (encoding != document.format().encoding)
            document.changeEncoding(encoding, false, QStringLiteral("bench"));
        const double held = statusMiB("VmRSS:");
        resetPeak();
        *flushing = 0;
        QElapsedTimer clock;
        clock.start();
        bool done = false;
        std::optional<DocumentFailure> failure;
        document.saveToURL(file,
                           EditorDocuments::SaveOperation::save,
                           [&](const std::optional<DocumentFailure>& f) {
                               failure = f;
                               done = true;
                           });
        // Typing goes on while the save is written: the document's part of a key (the text's
        // edit, the edit count) every few milliseconds, all over the text.
        meter.reset();
        qint64 longestKey = 0;
        int keys = 0;
        QElapsedTimer pace;
        pace.start();
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (done || pace.elapsed() < 2)
                continue;
            pace.restart();
            QElapsedTimer key;
            key.start();
            const auto at = (window->chunks.length() / 97) * (keys % 97);
            window->chunks.replace(at, 0, u"k");
            document.updateChangeCount(EditorDocuments::TextDocument::ChangeType::changeDone);
            longestKey = std::max(longestKey, key.elapsed());
            ++keys;
        }
        const qint64 elapsed = clock.elapsed();
        const qint64 stall = meter.longest();
        QElapsedTimer firstKey;
        firstKey.start();
        window->chunks.replace(window->chunks.length() / 3, 0, u"after");
        document.updateChangeCount(EditorDocuments::TextDocument::ChangeType::changeDone);
        QCoreApplication::processEvents();
        const qint64 keyAfter = firstKey.elapsed();
        const double peak = statusMiB("VmHWM:") - held;
        if (failure)
            return 1;
        std::printf("%s save %lld ms, of it flushing %lld ms (%llu bytes) | save peak +%.1f MiB "
                    "| typing during it: %d keys, longest %lld ms, longest stall %lld ms | the "
                    "first key after it %lld ms\n",
                    encoding == EditorCore::TextEncoding::utf8 ? "UTF-8   " : "UTF-16LE",
                    static_cast<long long>(elapsed),
                    static_cast<long long>(flushing->load()),
                    static_cast<unsigned long long>(std::filesystem::file_size(file)),
                    peak,
                    keys,
                    static_cast<long long>(longestKey),
                    static_cast<long long>(stall),
                    static_cast<long long>(keyAfter));
    }
    std::fflush(stdout);
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    std::filesystem::remove(file, ignored);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--run")
        return runOnce(1, argv, std::strtoull(argv[2], nullptr, 10), argv[3]);

    const std::uint64_t mebibytes =
        argc >= 2 ? std::max(1ull, std::strtoull(argv[1], nullptr, 10)) : 1024;
    const int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::filesystem::path folder = argc >= 4 ? argv[3] : std::filesystem::current_path();
    const auto file = folder / "olv-snapshot-save-bench.txt";
    std::printf("saving an edited %llu MiB ASCII text held as chunks, to %s\n",
                static_cast<unsigned long long>(mebibytes),
                file.c_str());
    for (int i = 0; i < runs; ++i) {
        const std::string command =
            std::string(argv[0]) + " --run " + std::to_string(mebibytes) + " " + file.string();
        FILE* child = ::popen(command.c_str(), "r");
        if (!child)
            return 1;
        std::printf("run %d:\n", i + 1);
        char line[512] = {};
        int lines = 0;
        while (std::fgets(line, sizeof line, child) != nullptr) {
            std::printf("  %s", line);
            ++lines;
        }
        if (::pclose(child) != 0 || lines != 3) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
    }
    return 0;
}
