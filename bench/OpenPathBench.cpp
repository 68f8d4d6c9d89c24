// The text engine's part of opening a file, timed on a generated 256 MiB file per kind of
// text: read, detect (twice, as the document layer does), decode (noting the byte forms of a
// table that is not one-to-one, as the document does; the decode without them is shown beside
// it but not counted), line-ending summary and line index. Prints MB/s (10^6 bytes of the file per
// second) per step and for the whole path, for the first open (into memory fresh from the kernel)
// and the best of three later opens (which reuse the freed memory).
//
// First, each in a fresh process of its own (a child that owns no memory yet), a 100 MiB ASCII
// log: the machine's floor (read in pieces + memchr for the line feeds + writing the UTF-16 text
// into fresh memory) against our open path (DocumentReading::readFile with its hash, detection,
// and the decode into chunks with the line index and line-ending summary in the same pass), and
// their ratio.
//
//   olv-open-path-bench [MiB] [--fresh-only]     (default 256)
//   olv-open-path-bench --whole MiB              only an ASCII log of MiB read whole in a fresh
//                                                process: its time and peak resident memory
//   OLV_BENCH_ROUNDS=n: fresh processes per kind in the first comparison (default 5); the
//   medians need more on a loaded machine.

#include "app/documents/DocumentReading.h"
#include "core/ByteForms.h"
#include "core/EncodingDetector.h"
#include "core/TextCodec.h"

#if __has_include("core/LineIndex.h")
#include "core/LineEnding.h"
#include "core/LineIndex.h"
#define OLV_BENCH_HAS_LINES 1
#endif

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace EditorCore;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// About 1 MiB of UTF-16 text, cut into lines of a few words.
std::u16string makeBlock(const std::vector<std::u16string>& words,
                         std::u16string_view punctuation,
                         std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::u16string text;
    while (text.size() < 700000) {
        const int wordsInLine = std::uniform_int_distribution<int>(4, 14)(random);
        for (int w = 0; w < wordsInLine; ++w) {
            if (w > 0)
                text += u' ';
            text += words[random() % words.size()];
            if (random() % 7 == 0)
                text += punctuation[random() % punctuation.size()];
        }
        text += u'\n';
    }
    return text;
}

Bytes encodeOrDie(std::u16string_view text, TextEncoding encoding, const ByteForms& forms = {})
{
    auto bytes = TextCodec::encode(text, encoding, AddByteOrderMark::no, forms);
    if (!bytes) {
        std::fprintf(stderr, "cannot encode the corpus\n");
        std::exit(1);
    }
    return std::move(*bytes);
}

// The block repeated up to `size` bytes, the last copy cut after a line feed (a single byte
// 0A in every corpus, never inside a character).
Bytes fill(const Bytes& block, std::size_t size)
{
    Bytes data;
    data.reserve(size);
    while (data.size() + block.size() <= size)
        data.insert(data.end(), block.begin(), block.end());
    const std::size_t room = size - data.size();
    auto cut = block.begin() + static_cast<std::ptrdiff_t>(room);
    while (cut != block.begin() && *(cut - 1) != '\n')
        --cut;
    data.insert(data.end(), block.begin(), cut);
    return data;
}

void writeFile(const std::filesystem::path& path, const Bytes& data)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::size_t done = 0;
    while (fd >= 0 && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (fd < 0 || done != data.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// Streamed reads, as the document layer reads a file.
Bytes readFile(const std::filesystem::path& path)
{
    Bytes data;
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    data.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::read(fd, data.data() + done, std::min<std::size_t>(8 << 20, data.size() - done));
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    data.resize(done);
    ::close(fd);
    return data;
}

struct Timings
{
    double read = 0, detect = 0, plainDecode = 0, decode = 0, summary = 0, index = 0;
    std::size_t units = 0;
    double path() const { return detect + decode + summary + index; }
};

Timings openOnce(const std::filesystem::path& path, TextEncoding expected)
{
    Timings t;
    auto start = Clock::now();
    const Bytes bytes = readFile(path);
    t.read = secondsSince(start);

    start = Clock::now();
    const ContentGuess first = EncodingDetector::detect(bytes);
    const EncodingGuess* guess = first.textGuess();
    if (guess == nullptr || guess->encoding != expected) {
        std::fprintf(stderr, "detection went wrong\n");
        std::exit(1);
    }
    const ContentGuess second = EncodingDetector::detect(bytes, guess->encoding);
    t.detect = secondsSince(start);

    const auto strip = guess->hasByteOrderMark ? StripByteOrderMark::yes : StripByteOrderMark::no;
    // As the document reads: the decode notes the file's byte forms.
    start = Clock::now();
    ByteForms::Reader forms(second.textGuess()->encoding);
    auto text = TextCodec::decode(bytes, second.textGuess()->encoding, strip, forms);
    const ByteForms found = forms.result();
    t.decode = secondsSince(start);
    asm volatile("" : : "r"(&found) : "memory");
    if (!text) {
        std::fprintf(stderr, "decoding failed\n");
        std::exit(1);
    }
    t.units = text->size();

#ifdef OLV_BENCH_HAS_LINES
    start = Clock::now();
    const LineEndingSummary summary(*text);
    t.summary = secondsSince(start);

    start = Clock::now();
    const LineIndex index(*text);
    t.index = secondsSince(start);
    if (summary.lf + 1 != index.lineCount()) {
        std::fprintf(stderr, "line counts disagree\n");
        std::exit(1);
    }
#endif

    // The decode without the byte forms, for comparison only (not part of the path), into the
    // memory the text gives back.
    text->clear();
    text->shrink_to_fit();
    start = Clock::now();
    {
        auto plain = TextCodec::decode(bytes, second.textGuess()->encoding, strip);
        t.plainDecode = secondsSince(start);
        if (!plain) {
            std::fprintf(stderr, "decoding failed\n");
            std::exit(1);
        }
    }
    return t;
}

void printStep(const char* step, double mb, double cold, double warm, double utf16GB = 0)
{
    std::printf(
        "  %-13s %8.3f s %7.0f MB/s   %8.3f s %7.0f MB/s", step, cold, mb / cold, warm, mb / warm);
    if (utf16GB > 0)
        std::printf("   (%.2f / %.2f GB/s of UTF-16)", utf16GB / cold, utf16GB / warm);
    std::printf("\n");
}

// `first`: the first open, into memory fresh from the kernel; `later`: the best of the later
// opens, which reuse the memory the earlier ones freed.
void report(const char* name,
            std::size_t size,
            const Timings& first,
            const std::vector<Timings>& later)
{
    auto best = [&](auto field) {
        double value = 1e30;
        for (const auto& run : later)
            value = std::min(value, field(run));
        return value;
    };
    const double mb = static_cast<double>(size) / 1e6;
    const double utf16GB = static_cast<double>(first.units) * 2 / 1e9;
    std::printf("%s: %.1f MB, %zu UTF-16 units\n", name, mb, first.units);
    std::printf("  %-13s %26s   %26s\n", "", "first open (fresh memory)", "later opens (best)");
    printStep("read", mb, first.read, best([](const Timings& t) { return t.read; }));
    printStep("detect (x2)", mb, first.detect, best([](const Timings& t) { return t.detect; }));
    printStep("decode", mb, first.decode, best([](const Timings& t) { return t.decode; }));
    printStep(
        "(no forms)", mb, first.plainDecode, best([](const Timings& t) { return t.plainDecode; }));
#ifdef OLV_BENCH_HAS_LINES
    printStep("line endings",
              mb,
              first.summary,
              best([](const Timings& t) { return t.summary; }),
              utf16GB);
    printStep(
        "line index", mb, first.index, best([](const Timings& t) { return t.index; }), utf16GB);
#else
    std::printf("  line endings, line index: not built (core/LineIndex.h missing)\n");
#endif
    printStep("whole path", mb, first.path(), best([](const Timings& t) { return t.path(); }));
}

// How fast the kernel hands out fresh memory here: the floor under every step that writes a
// new buffer.
void reportFreshMemory()
{
    const std::size_t size = std::size_t(512) << 20;
    auto* memory = static_cast<char*>(std::malloc(size));
    auto start = Clock::now();
    std::memset(memory, 1, size);
    asm volatile("" : : "r"(memory) : "memory");
    const double first = secondsSince(start);
    start = Clock::now();
    std::memset(memory, 2, size);
    asm volatile("" : : "r"(memory) : "memory");
    const double second = secondsSince(start);
    std::free(memory);
    std::printf("memset of 512 MiB: first touch %.0f MB/s, again %.0f MB/s\n\n",
                double(size) / first / 1e6,
                double(size) / second / 1e6);
}

// A log of plain ASCII lines, written in blocks of about 1 MiB up to exactly `size` bytes.
void writeASCIILog(const std::filesystem::path& path, std::size_t size)
{
    std::string block;
    std::mt19937 random(5);
    const char* levels[] = {"INFO", "DEBUG", "WARN", "ERROR"};
    const char* words[] = {"request",
                           "served",
                           "cache",
                           "miss",
                           "user",
                           "session",
                           "opened",
                           "closed",
                           "timeout",
                           "retry",
                           "queue",
                           "flushed",
                           "bytes",
                           "worker"};
    for (long line = 0; block.size() < (1 << 20); ++line) {
        char head[96];
        std::snprintf(head,
                      sizeof head,
                      "2026-12-11 03:%02ld:%02ld.%03ld %-5s [worker-%ld] ",
                      (line / 60000) % 60,
                      (line / 1000) % 60,
                      line % 1000,
                      levels[random() % 4],
                      static_cast<long>(random() % 16));
        block += head;
        const int count = 3 + static_cast<int>(random() % 10);
        for (int w = 0; w < count; ++w) {
            block += words[random() % std::size(words)];
            block += w + 1 < count ? ' ' : '\n';
        }
    }
    // Written block by block: this process keeps no large memory that its children inherit.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::size_t done = 0;
    while (fd >= 0 && done < size) {
        const std::size_t take = std::min(block.size(), size - done);
        if (done + take == size)
            block[take - 1] = '\n';
        if (::write(fd, block.data(), take) != static_cast<ssize_t>(take))
            break;
        done += take;
    }
    if (fd < 0 || done != size) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// The seconds `measure` reports, run in a child process that starts with no memory of its own.
template<class Measure>
double inFreshProcess(Measure measure)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const double seconds = measure();
        const ssize_t written = ::write(pipeEnds[1], &seconds, sizeof seconds);
        ::_exit(written == sizeof seconds ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    double seconds = -1;
    if (::read(pipeEnds[0], &seconds, sizeof seconds) != sizeof seconds)
        seconds = -1;
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (seconds < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a measuring process failed\n");
        std::exit(1);
    }
    return seconds;
}

// What no open of the file can beat: read in the pieces we read in, memchr for the line feeds,
// the bytes widened into a UTF-16 text in fresh memory (with the same huge-page advice).
double floorOnce(const std::filesystem::path& path)
{
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        std::exit(1);
    const auto size = static_cast<std::size_t>(info.st_size);
    auto* text = static_cast<char16_t*>(std::malloc(size * sizeof(char16_t) + 1));
    EditorDocuments::DocumentReading::adviseHugePages(text, size * sizeof(char16_t));
    std::vector<std::uint8_t> piece(EditorDocuments::DocumentReading::readPieceLength);
    std::size_t done = 0;
    std::size_t lines = 0;
    for (;;) {
        const ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n <= 0)
            break;
        const auto got = static_cast<std::size_t>(n);
        for (const auto *p = piece.data(), *end = piece.data() + got;
             (p = static_cast<const std::uint8_t*>(std::memchr(p, '\n', std::size_t(end - p))));
             ++p)
            ++lines;
        for (std::size_t i = 0; i < got; ++i)
            text[done + i] = piece[i];
        done += got;
    }
    ::close(fd);
    const double seconds = secondsSince(start);
    asm volatile("" : : "r"(text), "r"(lines) : "memory");
    if (done != size)
        std::exit(1);
    return seconds;
}

// Our open of the file as the document's worker does it: read, hash, detect, decode into
// chunks with the line index and line endings in the same pass, indentation.
double ourOpenOnce(const std::filesystem::path& path)
{
    const auto start = Clock::now();
    EditorDocuments::DocumentReading::Environment environment;
    environment.largeFileThreshold = std::uint64_t(1) << 40;
    auto outcome = EditorDocuments::DocumentReading::readFile(path, environment);
    if (!outcome
        || !std::holds_alternative<EditorDocuments::DocumentReading::OrdinaryText>(*outcome))
        std::exit(1);
    const double seconds = secondsSince(start);
    const auto& read = std::get<EditorDocuments::DocumentReading::OrdinaryText>(*outcome);
    if (read.loaded.lines.length() != read.loaded.text.length())
        std::exit(1);
    if (!read.diskIdentity
        || (read.diskIdentity->size <= DiskIdentity::documentHashLimit
            && !read.diskIdentity->contentHash))
        std::exit(1);
    return seconds;
}

void reportFreshOpens(const std::filesystem::path& folder)
{
    const std::size_t size = std::size_t(100) << 20;
    const std::filesystem::path path = folder / "ascii.log";
    writeASCIILog(path, size);
    // The file into the page cache.
    (void)inFreshProcess([&] { return floorOnce(path); });
    const int rounds = getenv("OLV_BENCH_ROUNDS") ? std::atoi(getenv("OLV_BENCH_ROUNDS")) : 5;
    std::vector<double> floors, ours;
    for (int round = 0; round < rounds; ++round) {
        floors.push_back(inFreshProcess([&] { return floorOnce(path); }));
        ours.push_back(inFreshProcess([&] { return ourOpenOnce(path); }));
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double mb = double(size) / 1e6;
    const double floor = median(floors);
    const double open = median(ours);
    std::printf("100 MiB ASCII log, each run in a fresh process, median of %d:\n", rounds);
    std::printf("  floor (read + memchr + UTF-16 into fresh memory) %7.3f s %6.0f MB/s\n",
                floor,
                mb / floor);
    std::printf(
        "  our open path (readFile: chunks + line index)     %7.3f s %6.0f MB/s   %.2fx the "
        "floor\n\n",
        open,
        mb / open,
        floor / open);
    std::filesystem::remove(path);
}

// The peak resident memory of this process so far (VmHWM), in bytes.
std::uint64_t peakResidentBytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    std::uint64_t kib = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::strtoull(line + 6, nullptr, 10);
    }
    std::fclose(status);
    return kib * 1024;
}

// An ASCII log of `mebibytes` read whole, as an ordinary file (no large-file steps), in a fresh
// process: the time and the peak resident memory of the read with its chunks and line index.
void reportWholeRead(const std::filesystem::path& folder, std::size_t mebibytes)
{
    const std::size_t size = mebibytes << 20;
    const std::filesystem::path path = folder / "whole.log";
    writeASCIILog(path, size);
    (void)inFreshProcess([&] { return floorOnce(path); });
    std::uint64_t peak = 0;
    std::uint64_t chunkBytes = 0;
    std::int64_t lines = 0;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        std::exit(1);
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        EditorDocuments::DocumentReading::Environment environment;
        environment.largeFileThreshold = std::uint64_t(1) << 40;
        auto outcome = EditorDocuments::DocumentReading::readFile(path, environment);
        if (!outcome
            || !std::holds_alternative<EditorDocuments::DocumentReading::OrdinaryText>(*outcome))
            ::_exit(1);
        const auto& read = std::get<EditorDocuments::DocumentReading::OrdinaryText>(*outcome);
        const std::uint64_t figures[3] = {
            peakResidentBytes(),
            static_cast<std::uint64_t>(read.loaded.text.stats().textBytes),
            static_cast<std::uint64_t>(read.loaded.lines.lineCount())};
        const ssize_t written = ::write(pipeEnds[1], figures, sizeof figures);
        ::_exit(written == sizeof figures ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::uint64_t figures[3] = {};
    const bool got = ::read(pipeEnds[0], figures, sizeof figures) == sizeof figures;
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    const double seconds = secondsSince(start);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the whole read failed\n");
        std::exit(1);
    }
    peak = figures[0];
    chunkBytes = figures[1];
    lines = static_cast<std::int64_t>(figures[2]);
    const double gib = double(std::uint64_t(1) << 30);
    std::printf("%zu MiB ASCII log read whole in a fresh process (chunks + line index):\n",
                mebibytes);
    std::printf("  %.3f s (process included), %lld lines, text in chunks %.3f GiB\n",
                seconds,
                static_cast<long long>(lines),
                double(chunkBytes) / gib);
    std::printf("  peak resident memory %.3f GiB (%.2fx the file)\n\n",
                double(peak) / gib,
                double(peak) / double(size));
    std::filesystem::remove(path);
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t mebibytes = 256;
    bool freshOnly = false;
    std::size_t wholeMebibytes = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fresh-only") == 0)
            freshOnly = true;
        else if (std::strcmp(argv[i], "--whole") == 0 && i + 1 < argc)
            wholeMebibytes = std::strtoul(argv[++i], nullptr, 10);
        else
            mebibytes = std::strtoul(argv[i], nullptr, 10);
    }
    const std::size_t size = mebibytes << 20;
    constexpr int laterRuns = 3;
    {
        std::string freshFolder =
            (std::filesystem::temp_directory_path() / "olv-open-path-XXXXXX").string();
        if (::mkdtemp(freshFolder.data()) == nullptr) {
            std::fprintf(stderr, "cannot make a temporary folder\n");
            return 1;
        }
        // Before this process holds any large memory, so that the children start fresh.
        if (wholeMebibytes > 0) {
            reportWholeRead(freshFolder, wholeMebibytes);
            std::filesystem::remove_all(freshFolder);
            return 0;
        }
        reportFreshOpens(freshFolder);
        std::filesystem::remove_all(freshFolder);
        if (freshOnly)
            return 0;
    }
    // Freed memory stays with the process, so that the later opens reuse it.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    reportFreshMemory();

    const std::vector<std::u16string> english = {
        u"the",       u"quick",      u"brown",  u"fox",   u"jumps",  u"over",  u"lazy",
        u"dog",       u"editor",     u"opens",  u"files", u"as",     u"they",  u"are",
        u"encoding",  u"line",       u"ending", u"index", u"return", u"value", u"const",
        u"struct",    u"int",        u"size_t", u"{",     u"}",      u"=",     u"0;",
        u"caf\u00E9", u"na\u00EFve", u"\u2014", u"2024",  u"a",      u"of",    u"to"};
    const std::vector<std::u16string> korean = {u"\uC548\uB155\uD558\uC138\uC694",
                                                u"\uC624\uB298\uC740",
                                                u"\uB0A0\uC528\uAC00",
                                                u"\uC88B\uC2B5\uB2C8\uB2E4",
                                                u"\uD30C\uC77C\uC744",
                                                u"\uC5F4\uC5C8\uC2B5\uB2C8\uB2E4",
                                                u"\uD3B8\uC9D1\uAE30",
                                                u"\uD14D\uC2A4\uD2B8",
                                                u"\uADF8\uB9AC\uACE0",
                                                u"\uC788\uB294",
                                                u"\uADF8\uB300\uB85C",
                                                u"\uBCF4\uC5EC",
                                                u"\uC8FC\uB294",
                                                u"\uD55C\uAD6D\uC5B4",
                                                u"\uBB38\uC11C",
                                                u"\uC800\uC7A5",
                                                u"\uC904",
                                                u"\uBC88\uD638",
                                                u"2024\uB144",
                                                u"\uC0AC\uB78C",
                                                u"\uC2DC\uAC04",
                                                u"\uC774",
                                                u"\uAC00",
                                                u"\uB294"};

    struct Corpus
    {
        const char* name;
        std::u16string block;
        TextEncoding encoding;
        ByteForms forms = {};
    };
    // U+2252 written as in NEC's row 13, not as the table writes it.
    const Bytes necNearlyEqual = {0x87, 0x90};
    const ByteForms necForms = ByteForms::read(necNearlyEqual, u"\u2252", TextEncoding::shiftJIS);
    const std::vector<std::u16string> japanese = {u"\u3053\u308C\u306F",
                                                  u"\u65E5\u672C\u8A9E\u306E",
                                                  u"\u30C6\u30AD\u30B9\u30C8",
                                                  u"\u3067\u3059",
                                                  u"\u4ECA\u65E5\u306F",
                                                  u"\u826F\u3044",
                                                  u"\u5929\u6C17",
                                                  u"\u30D5\u30A1\u30A4\u30EB\u3092",
                                                  u"\u958B\u304D\u307E\u3057\u305F",
                                                  u"\u7DE8\u96C6",
                                                  u"\u6587\u66F8",
                                                  u"\u4FDD\u5B58",
                                                  u"\u884C",
                                                  u"\u756A\u53F7",
                                                  u"2024\u5E74",
                                                  u"\u4EBA",
                                                  u"\u6642\u9593",
                                                  u"\u304C",
                                                  u"\u3092"};
    // The same text with signs that windows-31j also has in NEC's row 13 (U+2252, U+2235,
    // U+221A), in the table's forms; then with U+2252 in NEC's form, which makes the byte
    // forms look at every byte.
    std::vector<std::u16string> japaneseWithSigns = japanese;
    japaneseWithSigns.insert(japaneseWithSigns.end(), {u"\u2252", u"\u2235", u"\u221A"});

    const Corpus corpora[] = {
        {"ASCII-heavy UTF-8", makeBlock(english, u".,;:", 1), TextEncoding::utf8},
        {"Hangul UTF-8", makeBlock(korean, u".,?!", 2), TextEncoding::utf8},
        {"Hangul cp949", makeBlock(korean, u".,?!", 2), TextEncoding::cp949},
        {"Japanese Shift_JIS", makeBlock(japanese, u"\u3001\u3002", 3), TextEncoding::shiftJIS},
        {"Japanese Shift_JIS with signs",
         makeBlock(japaneseWithSigns, u"\u3001\u3002", 3),
         TextEncoding::shiftJIS},
        {"Japanese Shift_JIS with NEC's U+2252",
         makeBlock(japaneseWithSigns, u"\u3001\u3002", 3),
         TextEncoding::shiftJIS,
         necForms},
    };

    std::string folderName =
        (std::filesystem::temp_directory_path() / "olv-open-path-XXXXXX").string();
    if (::mkdtemp(folderName.data()) == nullptr) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder = folderName;

    for (const auto& corpus : corpora) {
        const std::filesystem::path path = folder / "corpus.txt";
        {
            const Bytes data = fill(encodeOrDie(corpus.block, corpus.encoding, corpus.forms), size);
            writeFile(path, data);
        }
        // Memory goes back to the kernel before the first open; on a virtual machine that
        // reclaims freed pages, give it time to.
        malloc_trim(0);
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const Timings first = openOnce(path, corpus.encoding);
        std::vector<Timings> later;
        for (int run = 0; run < laterRuns; ++run)
            later.push_back(openOnce(path, corpus.encoding));
        report(corpus.name, std::filesystem::file_size(path), first, later);
        std::filesystem::remove(path);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
