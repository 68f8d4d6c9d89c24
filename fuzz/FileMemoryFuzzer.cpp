// Any bytes as the file memory: the readable entries or none, never a crash. What is read
// survives our writer; recording a choice over a damaged or odd file keeps every readable
// entry of other files and makes the choice readable.
#include "FuzzCheck.h"

#include "store/FileMemory.h"

#include <algorithm>

using namespace EditorStore;
using FuzzCheck::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    const auto decoded = FileMemory::decode(json);

    const auto folder = FuzzCheck::workFolder("file-memory");
    const auto file = folder / "FileMemory.json";
    FuzzCheck::writeFile(file, {data, size});
    const FileMemory memory(file);
    const auto loaded = memory.load();
    check(loaded == decoded.value_or(std::vector<FileMemoryEntry>{}),
          "load and decode disagree");

    if (decoded) {
        auto encoded = FileMemory::encode(*decoded);
        if (encoded) {
            auto again = FileMemory::decode(*encoded);
            check(again.has_value() && *again == *decoded, "written entries read back otherwise");
        }
    }

    // Looking up entries whose paths the file names must not fail.
    for (const auto& entry : loaded)
        (void)memory.entry(entry.path);

    const auto target = folder / "chosen.txt";
    const auto now = std::chrono::sys_days(std::chrono::year(2026) / 12 / 1);
    if (!memory.rememberEncoding(EditorCore::TextEncoding::eucKR, target, now))
        return 0;
    const auto after = memory.load();
    check(memory.encoding(target) == EditorCore::TextEncoding::eucKR, "the choice is not read back");
    // Every other readable entry stays, unless it was among the oldest dropped past the limit.
    if (loaded.size() < FileMemory::maxEntries) {
        for (const auto& entry : loaded) {
            if (entry.path == target.string())
                continue;
            check(std::find(after.begin(), after.end(), entry) != after.end(),
                  "recording a choice lost another file's entry");
        }
    }
    return 0;
}
