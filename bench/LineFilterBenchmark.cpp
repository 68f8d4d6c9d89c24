// The line filter over a generated log of 1,000,000 lines (about 100 MB). Run from a Release
// build: ./bench/LineFilterBenchmark. "MB/s" counts the log's characters (one byte each in
// the file) filtered per second.
#include "core/LineFilter.h"
#include "core/LineIndex.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

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

void runFilter(benchmark::State& state, SearchQuery query)
{
    const std::u16string& text = generatedLog();
    const LineIndex index(text);
    auto primary = CompiledSearch::make(std::move(query));
    if (!primary) {
        state.SkipWithError("query did not compile");
        return;
    }
    const LineFilter filter{*primary, {}, false, false};
    std::size_t lines = 0;
    for (auto _ : state) {
        auto hits = filter.apply(text, &index, 0, 0, [] { return false; });
        lines = hits ? hits->lines.size() : 0;
        benchmark::DoNotOptimize(lines);
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(text.size()) / 1e6
                                                    * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["textMB"] = static_cast<double>(text.size()) / 1e6;
}

void literal(benchmark::State& state)
{
    runFilter(state, SearchQuery{u"ERROR", true, false, false, std::nullopt});
}

void literalNoMatch(benchmark::State& state)
{
    runFilter(state, SearchQuery{u"Exception", true, false, false, std::nullopt});
}

void caseInsensitiveLiteral(benchmark::State& state)
{
    runFilter(state, SearchQuery{u"error", false, false, false, std::nullopt});
}

void regexWithClass(benchmark::State& state)
{
    runFilter(state, SearchQuery{u"status=5[0-9][0-9]", true, false, true, std::nullopt});
}

} // namespace

BENCHMARK(literal)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(literalNoMatch)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(caseInsensitiveLiteral)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(regexWithClass)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
