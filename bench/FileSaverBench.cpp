// Save time of an 8 MiB file through every path of the file saver and the administrator
// writer, as a document save takes them: each round writes new bytes over a file that holds
// other bytes of the same size, flushed to disk. Prints the median and the fastest of the
// rounds in milliseconds.
//
//   olv-file-saver-bench [folder] [rounds]   (default: a fresh folder in the current one, 15)
//
// The folder decides the file system measured; the figures mean something only on a real
// disk (ext4, xfs, btrfs), not on tmpfs.

#include "app/documents/AdminWriter.h"
#include "app/documents/FileSaver.h"
#include "platform/Files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using namespace EditorDocuments;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t fileSize = 8u << 20;

Bytes makeContent(std::uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes bytes(fileSize);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>('a' + random() % 26);
    for (std::size_t at = 80; at < bytes.size(); at += 81)
        bytes[at] = '\n';
    return bytes;
}

void die(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(1);
}

void put(const fs::path& file, const Bytes& bytes)
{
    if (!Platform::writeAtomically(file, bytes, 0644))
        die("cannot prepare " + file.string());
}

struct Path
{
    const char* name;
    // Prepares the files, returns the path the save is given.
    std::function<fs::path(const fs::path& folder, const Bytes& old)> prepare;
    std::function<bool(const fs::path& path, const Bytes& bytes)> save;
};

bool saveWith(const fs::path& path, const Bytes& bytes, const FileSaver::Options& options)
{
    auto written = FileSaver::write(path, bytes, options);
    if (!written)
        std::fprintf(stderr, "save failed: %s\n", written.error().message().c_str());
    return written.has_value();
}

} // namespace

int main(int argc, char** argv)
{
    fs::path base = argc > 1 ? fs::path(argv[1]) : fs::current_path();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    std::string pattern = (base / "olv-file-saver-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        die("cannot create a folder in " + base.string());
    const fs::path root = pattern;

    const Bytes contents[2] = {makeContent(1), makeContent(2)};
    // Recovery copies of the in-place paths stay inside the bench's folder, on the same disk.
    const fs::path recovery = root / "recovery";
    FileSaver::Options plain;
    plain.recoveryFolder = recovery;
    // The bench runs as root too, where every folder is writable.
    FileSaver::Options lockedFolder;
    lockedFolder.recoveryFolder = recovery;
    lockedFolder.isFolderWritable = [](const fs::path& folder) {
        return folder.filename() != "locked";
    };
    AdminWriter::ProcessRunner unprivileged("env");

    const Path paths[] = {
        {"ordinary file (replaced)",
         [](const fs::path& folder, const Bytes& old) {
             put(folder / "file.txt", old);
             return folder / "file.txt";
         },
         [&](const fs::path& path, const Bytes& bytes) { return saveWith(path, bytes, plain); }},
        {"symbolic link (replaced)",
         [](const fs::path& folder, const Bytes& old) {
             fs::create_directory(folder / "real");
             put(folder / "real" / "file.txt", old);
             fs::create_symlink("real/file.txt", folder / "link.txt");
             return folder / "link.txt";
         },
         [&](const fs::path& path, const Bytes& bytes) { return saveWith(path, bytes, plain); }},
        {"hard-linked file (in place)",
         [](const fs::path& folder, const Bytes& old) {
             put(folder / "file.txt", old);
             fs::create_hard_link(folder / "file.txt", folder / "other.txt");
             return folder / "file.txt";
         },
         [&](const fs::path& path, const Bytes& bytes) { return saveWith(path, bytes, plain); }},
        {"read-only folder (in place)",
         [](const fs::path& folder, const Bytes& old) {
             fs::create_directory(folder / "locked");
             put(folder / "locked" / "file.txt", old);
             return folder / "locked" / "file.txt";
         },
         [&](const fs::path& path, const Bytes& bytes) {
             return saveWith(path, bytes, lockedFolder);
         }},
        {"administrator writer (in place)",
         [](const fs::path& folder, const Bytes& old) {
             put(folder / "file.txt", old);
             fs::create_directory(folder / "staging");
             return folder / "file.txt";
         },
         [&](const fs::path& path, const Bytes& bytes) {
             auto written = AdminWriter::write(
                 bytes, path, unprivileged, path.parent_path() / "staging", recovery);
             return written.has_value();
         }},
        {"Platform::writeAtomically",
         [](const fs::path& folder, const Bytes& old) {
             put(folder / "file.json", old);
             return folder / "file.json";
         },
         [](const fs::path& path, const Bytes& bytes) {
             return Platform::writeAtomically(path, bytes, 0600).has_value();
         }},
    };

    std::printf("save of %zu MiB, %d rounds, in %s\n", fileSize >> 20, rounds, root.c_str());
    std::printf("%-34s %10s %10s\n", "path", "median ms", "best ms");
    int index = 0;
    for (const auto& path : paths) {
        const fs::path folder = root / std::to_string(index++);
        fs::create_directory(folder);
        const fs::path target = path.prepare(folder, contents[0]);
        std::vector<double> times;
        for (int round = 0; round < rounds; ++round) {
            const auto& bytes = contents[(round + 1) % 2];
            const auto start = Clock::now();
            if (!path.save(target, bytes))
                die(std::string("the save failed: ") + path.name);
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        std::printf("%-34s %10.1f %10.1f\n", path.name, times[times.size() / 2], times.front());
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
