// The line filter over a generated log of 1,000,000 lines (about 100 MB). Run from a Release
// build: ./bench/LineFilterBenchmark. "MB/s" counts the log's characters (one byte each in
// the file) filtered per second. After the benchmarks the same queries run through grep on the
// same log written to a temporary file (page cache warm), and a table sets the two side by side.
#include "core/LineFilter.h"
#include "core/LineIndex.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace EditorCore;

namespace {

const std::u16string& generatedLog()
{
    static const std::u16string log = [] {
        static const char* const levels[] = {"INFO ", "INFO ", "INFO ", "DEBUG", "WARN "};
        static const char* const paths[] = {
            "/api/items", "/api/users", "/static/app.js", "/index.html", "/api/orders"};
        std::string ascii;
        ascii.reserve(104'000'000);
        std::uint32_t state = 12345;
        auto next = [&state] {
            state = state * 1664525u + 1013904223u;
            return state >> 8;
        };
        char line[192];
        for (int i = 0; i < 1'000'000; ++i) {
            std::uint32_t r = next();
            const bool error = r % 100 == 0;
            const int status = error ? 500 + static_cast<int>(r % 4) : (r % 7 == 0 ? 404 : 200);
            std::snprintf(line,
                          sizeof line,
                          "2026-12-09T%02d:%02d:%02d.%03dZ %s [worker-%02u] request id=%08x served "
                          "%s/%u in %u ms status=%d\n",
                          (i / 3600000) % 24,
                          (i / 60000) % 60,
                          (i / 1000) % 60,
                          i % 1000,
                          error ? "ERROR" : levels[r % 5],
                          r % 16,
                          next(),
                          paths[(r >> 4) % 5],
                          (r >> 7) % 10000,
                          (r >> 3) % 900 + 1,
                          status);
            ascii += line;
        }
        return std::u16string(ascii.begin(), ascii.end());
    }();
    return log;
}

struct Figures
{
    double megabytesPerSecond = 0;
    std::size_t lines = 0;
};

// Processor time, so that figures taken on a busy machine stay comparable; grep's is measured
// the same way (user plus system time of the child).
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Ours, by benchmark name, for the closing table.
std::map<std::string, Figures>& ourFigures()
{
    static std::map<std::string, Figures> figures;
    return figures;
}

void runFilter(benchmark::State& state, const char* name, SearchQuery query, bool invert = false)
{
    const std::u16string& text = generatedLog();
    const LineIndex index(text);
    auto primary = CompiledSearch::make(std::move(query));
    if (!primary) {
        state.SkipWithError("query did not compile");
        return;
    }
    const LineFilter filter{*primary, {}, invert, false};
    std::size_t lines = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double began = threadSeconds();
        auto hits = filter.apply(text, &index, 0, 0, [] { return false; });
        seconds += threadSeconds() - began;
        lines = hits ? hits->lines.size() : 0;
        benchmark::DoNotOptimize(lines);
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(text.size()) / 1e6
                                                    * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["textMB"] = static_cast<double>(text.size()) / 1e6;
    if (seconds > 0) {
        ourFigures()[name] = Figures{static_cast<double>(text.size()) / 1e6
                                         * static_cast<double>(state.iterations()) / seconds,
                                     lines};
    }
}

void literal(benchmark::State& state)
{
    runFilter(state, "literal", SearchQuery{u"ERROR", true, false, false, std::nullopt});
}

void literalNoMatch(benchmark::State& state)
{
    runFilter(state, "literalNoMatch", SearchQuery{u"Exception", true, false, false, std::nullopt});
}

void caseInsensitiveLiteral(benchmark::State& state)
{
    runFilter(
        state, "caseInsensitiveLiteral", SearchQuery{u"error", false, false, false, std::nullopt});
}

void regexWithClass(benchmark::State& state)
{
    runFilter(state,
              "regexWithClass",
              SearchQuery{u"status=5[0-9][0-9]", true, false, true, std::nullopt});
}

void regexEveryLine(benchmark::State& state)
{
    runFilter(
        state, "regexEveryLine", SearchQuery{u"\\d{4}-\\d\\d", true, false, true, std::nullopt});
}

void invertedLiteral(benchmark::State& state)
{
    runFilter(
        state, "invertedLiteral", SearchQuery{u"INFO", true, false, false, std::nullopt}, true);
}

// One run of grep over the file: its count of lines and the seconds it took.
bool runGrep(const std::vector<std::string>& arguments, std::size_t& count, double& seconds)
{
    int output[2];
    if (pipe(output) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "grep", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        close(output[0]);
        return false;
    }
    std::string printed;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(output[0], buffer, sizeof buffer)) > 0)
        printed.append(buffer, static_cast<std::size_t>(got));
    close(output[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
              + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    count = static_cast<std::size_t>(std::strtoull(printed.c_str(), nullptr, 10));
    // grep exits with 1 when no line is selected.
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

void compareWithGrep()
{
    struct Row
    {
        const char* benchmark;
        const char* query;
        std::vector<std::string> grep;
    };
    const Row rows[] = {
        {"literal", "ERROR", {"grep", "-c", "ERROR"}},
        {"literalNoMatch", "Exception", {"grep", "-c", "Exception"}},
        {"caseInsensitiveLiteral", "error (caseless)", {"grep", "-ci", "error"}},
        {"regexWithClass", "status=5[0-9][0-9]", {"grep", "-c", "status=5[0-9][0-9]"}},
        {"regexEveryLine", "\\d{4}-\\d\\d", {"grep", "-cP", "\\d{4}-\\d\\d"}},
        {"invertedLiteral", "INFO inverted", {"grep", "-cv", "INFO"}},
    };
    const std::u16string& text = generatedLog();
    const std::filesystem::path file = std::filesystem::temp_directory_path()
                                       / ("olv-filter-bench-" + std::to_string(getpid()) + ".log");
    {
        std::string bytes(text.begin(), text.end());
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const char* locale = std::getenv("LC_ALL");
    if (!locale || !*locale)
        locale = std::getenv("LANG");
    std::printf("\nSide by side on the same %.1f MB log (processor time; grep: best of 5 runs, "
                "locale %s)\n",
                static_cast<double>(text.size()) / 1e6,
                locale ? locale : "unset");
    std::printf("%-22s %12s %12s %8s %9s %9s  %s\n",
                "query",
                "ours MB/s",
                "grep MB/s",
                "ours/grep",
                "our lines",
                "grep's",
                "grep command");
    for (const auto& row : rows) {
        auto ours = ourFigures().find(row.benchmark);
        std::vector<std::string> arguments = row.grep;
        arguments.push_back(file.string());
        double best = 0;
        std::size_t count = 0;
        bool ran = true;
        for (int i = 0; i < 5 && ran; ++i) {
            double seconds = 0;
            ran = runGrep(arguments, count, seconds);
            if (ran && (best == 0 || seconds < best))
                best = seconds;
        }
        const double grepRate = ran && best > 0 ? static_cast<double>(text.size()) / 1e6 / best : 0;
        const double ourRate = ours != ourFigures().end() ? ours->second.megabytesPerSecond : 0;
        std::string command;
        for (std::size_t i = 0; i < row.grep.size(); ++i)
            command += (i ? " " : "") + row.grep[i];
        std::printf("%-22s %12.0f %12.0f %8.2f %9zu %9zu  %s\n",
                    row.query,
                    ourRate,
                    grepRate,
                    grepRate > 0 ? ourRate / grepRate : 0.0,
                    ours != ourFigures().end() ? ours->second.lines : 0,
                    count,
                    command.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

} // namespace

BENCHMARK(literal)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(literalNoMatch)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(caseInsensitiveLiteral)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(regexWithClass)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(regexEveryLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(invertedLiteral)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    compareWithGrep();
    benchmark::Shutdown();
    return 0;
}
