// Parse and highlight times of the built-in grammars on large generated files, and the time
// of an incremental re-parse after a one-character edit. Prints figures; asserts nothing.
#include "features/SyntaxGrammars.h"
#include "features/SyntaxParser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace EditorFeatures;

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The median of `runs` timings of `work`.
double timed(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        work();
        times.push_back(milliseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::string jsonText(std::size_t bytes)
{
    std::string text = "[\n";
    for (int index = 0; text.size() < bytes; ++index) {
        if (index > 0)
            text += ",\n";
        text +=
            "  {\"id\": " + std::to_string(index) + ", \"name\": \"item " + std::to_string(index)
            + "\", \"price\": " + std::to_string(index % 1000)
            + ".25, \"active\": " + (index % 2 ? "true" : "false")
            + ", \"tags\": [\"alpha\", \"beta\", null], \"meta\": {\"note\": \"line\\nbreak\"}}";
    }
    text += "\n]\n";
    return text;
}

// The YAML grammar's scanner keeps rows in 16 bits: a block of more than 32767 rows fails to
// parse (one ERROR node). Long lines keep 2 MiB below that; the short-line run shows what a
// line-oriented file of that size costs.
std::string yamlText(std::size_t bytes, std::size_t noteLength)
{
    std::string text = "# generated\nitems:\n";
    std::string note(noteLength, 'x');
    for (int index = 0; text.size() < bytes; ++index) {
        text += "  - id: " + std::to_string(index) + "\n";
        text += "    name: \"item " + std::to_string(index) + "\"\n";
        text += "    price: " + std::to_string(index % 1000) + ".25\n";
        text += std::string("    active: ") + (index % 2 ? "true" : "false") + "\n";
        text += "    tags: [alpha, beta, 'gamma', {key: value}]\n";
        text += "    note: plain text value " + note + "\n";
    }
    return text;
}

void run(const char* label, CodeLanguage language, const std::string& source)
{
    auto grammar = SyntaxGrammars::grammar(language);
    auto parser = grammar ? SyntaxParser::make(grammar->language) : std::nullopt;
    if (!parser) {
        std::printf("%s: no grammar\n", label);
        return;
    }
    std::u16string text = widen(source);
    auto length = static_cast<std::int64_t>(text.size());
    auto rows = std::count(source.begin(), source.end(), '\n');
    std::printf("%s: %.1f MiB (%zu UTF-16 units, %td rows)\n",
                label,
                static_cast<double>(source.size()) / (1024.0 * 1024.0),
                text.size(),
                rows);

    // The previous tree is freed outside the timing: freeing a large tree is not parsing.
    std::optional<SyntaxTree> tree;
    // Processor time beside wall time: on a busy machine the wall time says little.
    std::vector<std::pair<double, double>> parses;
    for (int run = 0; run < 3; ++run) {
        tree.reset();
        auto cpuStart = std::clock();
        auto start = Clock::now();
        tree = parser->parse(text);
        parses.emplace_back(milliseconds(Clock::now() - start),
                            1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
    std::sort(parses.begin(), parses.end());
    auto [parse, parseCpu] = parses[parses.size() / 2];
    if (!tree) {
        std::printf("  parse failed\n");
        return;
    }
    std::printf("  full parse            %9.1f ms (processor %.1f ms)%s\n",
                parse,
                parseCpu,
                tree->hasError() ? " (errors)" : "");

    std::size_t spanCount = 0;
    double highlightAll =
        timed(3, [&] { spanCount = grammar->query->spans(*tree, 0, length).size(); });
    std::printf("  highlight whole text  %9.1f ms (%zu spans)\n", highlightAll, spanCount);

    // About one screen of text in the middle.
    std::int64_t from = length / 2;
    double highlightScreen =
        timed(21, [&] { spanCount = grammar->query->spans(*tree, from, from + 4000).size(); });
    std::printf("  highlight 4000 units  %9.3f ms (%zu spans)\n", highlightScreen, spanCount);

    // One character in the middle: the first digit after the midpoint becomes another digit.
    auto at = text.find_first_of(u"0123456789", text.size() / 2);
    std::vector<double> reparses;
    for (int round = 0; round < 11; ++round) {
        std::u16string edited = text;
        edited[at] = edited[at] == u'7' ? u'8' : u'7';
        auto edit = SyntaxEdit::make(
            static_cast<std::int64_t>(at), static_cast<std::int64_t>(at + 1), 1, text, edited);
        auto start = Clock::now();
        tree->edit(edit);
        auto reparsed = parser->parse(edited, &*tree);
        reparses.push_back(milliseconds(Clock::now() - start));
        if (!reparsed)
            return;
        tree.reset();
        tree = std::move(reparsed);
        text = std::move(edited);
    }
    std::sort(reparses.begin(), reparses.end());
    std::printf("  edit + re-parse       %9.3f ms (median of 11; worst %.3f ms)\n",
                reparses[reparses.size() / 2],
                reparses.back());

    // A broken text: an unclosed brace near the end, inside the one wide top-level node.
    std::u16string broken = text;
    broken.insert(broken.size() - 3, u"\n{");
    auto brokenTree = parser->parse(broken);
    if (brokenTree) {
        std::size_t problemCount = 0;
        double problems = timed(3, [&] { problemCount = brokenTree->problems(0, 500).size(); });
        std::printf("  problems (broken)     %9.1f ms (%zu problems)\n", problems, problemCount);
    }
}

} // namespace

int main()
{
    run("JSON", CodeLanguage::json, jsonText(10 * 1024 * 1024));
    run("YAML", CodeLanguage::yaml, yamlText(2 * 1024 * 1024, 300));
    run("YAML, short lines", CodeLanguage::yaml, yamlText(2 * 1024 * 1024, 0));
    return 0;
}
