// Runs a fuzz target without libFuzzer: every seed file of the folders given, then a fixed
// number of deterministic mutations of each. A crash or a sanitizer report fails the test.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr int mutationsPerSeed = 1500;

const char* const tokens[] = {"{",
                              "}",
                              "[",
                              "]",
                              ",",
                              ":",
                              "\"",
                              "\\",
                              "\\u",
                              "\\ud800",
                              "null",
                              "true",
                              "1e999",
                              "-0",
                              "1.5",
                              "NaN",
                              "\xff",
                              "\xc3",
                              "9223372036854775808",
                              "-9223372036854775809",
                              "\"\"",
                              "\"schemaVersion\"",
                              "\"id\"",
                              "\"paths\"",
                              "\"line\"",
                              "\"wait\"",
                              "\"createdAt\"",
                              "\"kind\"",
                              "\"2024-05-01T12:34:56Z\""};

std::vector<std::uint8_t> mutate(std::vector<std::uint8_t> input, std::mt19937& random)
{
    int steps = 1 + static_cast<int>(random() % 4);
    for (int step = 0; step < steps; ++step) {
        std::size_t position = input.empty() ? 0 : random() % (input.size() + 1);
        switch (random() % 5) {
        case 0: // flip a byte
            if (!input.empty())
                input[position % input.size()] = static_cast<std::uint8_t>(random());
            break;
        case 1: // cut the tail
            input.resize(position);
            break;
        case 2: { // insert a token
            std::string token = tokens[random() % std::size(tokens)];
            input.insert(
                input.begin() + static_cast<std::ptrdiff_t>(position), token.begin(), token.end());
            break;
        }
        case 3: // remove a run
            if (!input.empty() && position < input.size()) {
                std::size_t length = 1 + random() % 8;
                length = std::min(length, input.size() - position);
                input.erase(input.begin() + static_cast<std::ptrdiff_t>(position),
                            input.begin() + static_cast<std::ptrdiff_t>(position + length));
            }
            break;
        default: { // repeat a run
            if (input.empty())
                break;
            std::size_t start = random() % input.size();
            std::size_t length = 1 + random() % std::min<std::size_t>(16, input.size() - start);
            std::vector<std::uint8_t> run(input.begin() + static_cast<std::ptrdiff_t>(start),
                                          input.begin()
                                              + static_cast<std::ptrdiff_t>(start + length));
            input.insert(
                input.begin() + static_cast<std::ptrdiff_t>(position), run.begin(), run.end());
            break;
        }
        }
    }
    return input;
}

void run(const std::vector<std::uint8_t>& input)
{
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::vector<std::uint8_t>> seeds = {{}};
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    std::mt19937 random(20240501);
    std::size_t runs = 0;
    for (const auto& seed : seeds) {
        run(seed);
        ++runs;
        for (int i = 0; i < mutationsPerSeed; ++i, ++runs)
            run(mutate(seed, random));
    }
    // Nesting deep enough to overflow a recursive reader or writer.
    run(std::vector<std::uint8_t>(100000, '['));
    std::string nested(50000, '[');
    nested.append(50000, ']');
    run(std::vector<std::uint8_t>(nested.begin(), nested.end()));
    std::printf("%zu inputs\n", runs + 2);
    return 0;
}
