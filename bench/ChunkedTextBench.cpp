// The chunk tree of a document's text, on ASCII logs of the given sizes (default 100 MiB and
// 1 GiB): building from 1 MiB pieces (time, resident memory), a key typed in the middle and at
// random places (median, 99th percentile, longest), a snapshot, lines, reading the whole
// snapshot out in pieces and a literal search over it. Prints the figures.
//
//   olv-chunked-text-bench [MiB...]

#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"
#include "core/SnapshotSearch.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace EditorCore;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread: on a loaded machine the wall clock also counts waiting for a core.
double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// VmRSS or VmHWM of this process, in MiB.
double statusMiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atof(line.c_str() + std::string(key).size() + 1) / 1024.0;
    }
    return 0;
}

// About 1 MiB of log lines.
std::vector<std::uint8_t> makeLogBlock()
{
    std::minstd_rand random(42);
    auto next = [&](unsigned bound) { return static_cast<unsigned>(random() % bound); };
    const char* levels[] = {"INFO", "WARN", "DEBUG", "ERROR"};
    std::string text;
    char line[160];
    while (text.size() < (1u << 20) - 160) {
        const int n = std::snprintf(line, sizeof line,
                                    "2026-12-11 03:%02u:%02u.%03u %s [worker-%u] request %u served in %u ms\n",
                                    next(60), next(60), next(1000),
                                    levels[next(4)], next(16), next(100000),
                                    next(500));
        text.append(line, static_cast<std::size_t>(n));
    }
    text.resize(1u << 20, 'x');
    text.back() = '\n';
    return {text.begin(), text.end()};
}

struct Spread
{
    double median = 0, p99 = 0, longest = 0;
};

Spread spreadOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    auto at = [&](double q) { return times[static_cast<std::size_t>(q * (times.size() - 1))]; };
    return {at(0.5), at(0.99), times.back()};
}

void printSpread(const char* what, const Spread& s)
{
    std::printf("  %-38s median %8.2f us   p99 %8.2f us   max %8.2f us\n", what, s.median * 1e6,
                s.p99 * 1e6, s.longest * 1e6);
}

void run(std::int64_t mebibytes)
{
    std::printf("%lld MiB of ASCII log\n", static_cast<long long>(mebibytes));
    const std::vector<std::uint8_t> block = makeLogBlock();
    const double rssBefore = statusMiB("VmRSS:");

    // Build from pieces as a reader would hand them over.
    auto start = Clock::now();
    double cpu = threadSeconds();
    ChunkedTextBuilder builder;
    for (std::int64_t i = 0; i < mebibytes; ++i)
        builder.appendLatin1(block);
    ChunkedText text = builder.finish();
    const double buildSeconds = secondsSince(start);
    const double buildCpu = threadSeconds() - cpu;
    const ChunkStats stats = text.current().stats();
    std::printf("  build from 1 MiB byte pieces: %.3f s (%.0f MB/s; CPU %.3f s, %.0f MB/s), %lld chunks, all narrow: %s\n",
                buildSeconds, static_cast<double>(text.length()) / buildSeconds / 1e6, buildCpu,
                static_cast<double>(text.length()) / buildCpu / 1e6,
                static_cast<long long>(stats.chunks), stats.narrowChunks == stats.chunks ? "yes" : "no");
    std::printf("  resident: %.0f MiB more than before the build (text %.0f MiB), peak %.0f MiB\n",
                statusMiB("VmRSS:") - rssBefore, static_cast<double>(stats.textBytes) / (1 << 20),
                statusMiB("VmHWM:"));

    {
        // As a decoder hands UTF-16 over; only the first 100 MiB, then dropped.
        const std::u16string wide(block.begin(), block.end());
        const std::int64_t pieces = std::min<std::int64_t>(mebibytes, 100);
        start = Clock::now();
        cpu = threadSeconds();
        ChunkedTextBuilder wideBuilder;
        for (std::int64_t i = 0; i < pieces; ++i)
            wideBuilder.append(wide);
        const TextSnapshot built = wideBuilder.finishSnapshot();
        const double seconds = secondsSince(start);
        const double cpuSeconds = threadSeconds() - cpu;
        std::printf("  build %lld MiB from UTF-16 pieces: %.3f s (CPU %.3f s, %.0f M units/s)\n",
                    static_cast<long long>(pieces), seconds, cpuSeconds,
                    static_cast<double>(built.length()) / cpuSeconds / 1e6);
    }

    // A key typed in the middle, then keys at random places, then backspaces.
    std::mt19937_64 random(5);
    const int keys = 20000;
    std::vector<double> times;
    times.reserve(keys);
    std::int64_t caret = text.length() / 2;
    for (int i = 0; i < keys; ++i) {
        auto t = Clock::now();
        text.replace(caret, 0, u"k");
        times.push_back(secondsSince(t));
        ++caret;
    }
    printSpread("key typed in the middle", spreadOf(times));
    times.clear();
    for (int i = 0; i < keys; ++i) {
        const auto at = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(text.length()));
        auto t = Clock::now();
        text.replace(at, 0, u"\u00E9");
        times.push_back(secondsSince(t));
    }
    printSpread("key typed anywhere", spreadOf(times));
    times.clear();
    for (int i = 0; i < keys; ++i) {
        auto t = Clock::now();
        text.replace(--caret, 1, u"");
        times.push_back(secondsSince(t));
    }
    printSpread("backspace in the middle", spreadOf(times));
    times.clear();

    // A snapshot is a reference; the first key after one copies only the path it edits.
    std::vector<double> keyAfter;
    for (int i = 0; i < 2000; ++i) {
        auto t = Clock::now();
        TextSnapshot snapshot = text.snapshot();
        times.push_back(secondsSince(t));
        t = Clock::now();
        text.replace(caret, 0, u"s");
        keyAfter.push_back(secondsSince(t));
    }
    printSpread("snapshot", spreadOf(times));
    printSpread("key with a snapshot held", spreadOf(keyAfter));
    times.clear();

    const std::int64_t lines = text.current().lineCount();
    for (int i = 0; i < 20000; ++i) {
        const auto line = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(lines)) + 1;
        auto t = Clock::now();
        const std::int64_t offset = text.current().lineStart(line);
        const std::int64_t back = text.current().lineNumber(offset);
        times.push_back(secondsSince(t));
        if (back != line)
            std::printf("  line %lld came back as %lld\n", static_cast<long long>(line),
                        static_cast<long long>(back));
    }
    printSpread("line start and back", spreadOf(times));

    // The whole snapshot read out in pieces (one-byte chunks widened on the way).
    const TextSnapshot snapshot = text.snapshot();
    start = Clock::now();
    cpu = threadSeconds();
    std::uint64_t checksum = 0;
    snapshot.visit(0, snapshot.length(), [&](std::u16string_view piece) {
        checksum += piece.size() + piece.back();
        return true;
    });
    const double readSeconds = secondsSince(start);
    const double readCpu = threadSeconds() - cpu;
    std::printf("  read out in pieces: %.3f s (CPU %.3f s), %.0f M units/s (%.2f GB/s of UTF-16) [%llu]\n",
                readSeconds, readCpu, static_cast<double>(snapshot.length()) / readSeconds / 1e6,
                static_cast<double>(snapshot.length()) * 2 / readSeconds / 1e9,
                static_cast<unsigned long long>(checksum % 10));

    SearchQuery query;
    query.text = u"request 99999 served in 7 ms";
    query.caseSensitive = true;
    auto search = CompiledSearch::make(query);
    if (search) {
        SnapshotScanner scanner(*search, snapshot);
        std::int64_t found = 0;
        start = Clock::now();
        (void)scanner.enumerate(0, snapshot.length(), false, [&](const SearchMatch&) {
            ++found;
            return true;
        });
        const double searchSeconds = secondsSince(start);
        std::printf("  literal search over the snapshot: %.3f s, %.0f M units/s, %lld matches\n",
                    searchSeconds, static_cast<double>(snapshot.length()) / searchSeconds / 1e6,
                    static_cast<long long>(found));
    }

    // What the engine costs reading chunks through the UText, against the same search over the
    // text in one string (which also has the prefilter); on the first 100 MiB only.
    const std::int64_t searched = std::min<std::int64_t>(snapshot.length(), std::int64_t{100} << 20);
    const std::u16string flat = snapshot.text(0, searched);
    for (auto [name, pattern, regex] : {std::tuple{"caseless literal", u"REQUEST 99999 SERVED", false},
                                        std::tuple{"expression", u"served in 4\\d\\d ms", true}}) {
        SearchQuery q;
        q.text = pattern;
        q.regularExpression = regex;
        auto compiled = CompiledSearch::make(q);
        if (!compiled)
            continue;
        auto time = [&](auto&& scan) {
            const auto t = Clock::now();
            std::int64_t n = 0;
            scan([&](const SearchMatch&) {
                ++n;
                return true;
            });
            return std::pair{secondsSince(t), n};
        };
        SnapshotScanner chunked(*compiled, snapshot);
        auto [chunkSeconds, chunkMatches] = time([&](const MatchVisitor& v) {
            (void)chunked.enumerate(0, searched, false, v);
        });
        SearchScanner whole(*compiled, flat);
        auto [flatSeconds, flatMatches] = time([&](const MatchVisitor& v) {
            (void)whole.enumerate(0, searched, false, v);
        });
        SearchScanner engineOnly(*compiled, flat, SearchScanner::Path::engineOnly);
        auto [engineSeconds, engineMatches] = time([&](const MatchVisitor& v) {
            (void)engineOnly.enumerate(0, searched, false, v);
        });
        std::printf("  %s over %lld MiB: chunks %.3f s, one string %.3f s (engine only %.3f s), "
                    "matches %lld/%lld/%lld\n",
                    name, static_cast<long long>(searched >> 20), chunkSeconds, flatSeconds,
                    engineSeconds, static_cast<long long>(chunkMatches),
                    static_cast<long long>(flatMatches), static_cast<long long>(engineMatches));
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::int64_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoll(argv[i]));
    if (sizes.empty())
        sizes = {100, 1024};
    for (std::int64_t size : sizes)
        run(size);
    return 0;
}
