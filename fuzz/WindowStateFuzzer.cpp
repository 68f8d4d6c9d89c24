// Any bytes as the window-state file: read as a state or refused, never a crash. What is read
// is written back by our writer and reads again as the same state; the store reads it as the
// decoder does; no window comes back without tabs, no saved selection reaches past a text.
#include "FuzzCheck.h"

#include "store/WindowState.h"

using namespace EditorStore;
using FuzzCheck::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    auto state = WindowState::decode(json);

    const auto file = FuzzCheck::workFolder("window-state") / "WindowState.json";
    FuzzCheck::writeFile(file, {data, size});
    const WindowStateStore store(file);
    const auto loaded = store.load();
    if (!state) {
        check(!loaded.has_value(), "the store read a state the decoder refused");
        return 0;
    }
    check(loaded.has_value() == (state->schemaVersion == WindowState::currentSchemaVersion),
          "the store and the decoder disagree on a state");
    if (loaded)
        check(*loaded == *state, "the store read another state than the decoder");

    for (const auto& window : state->windows) {
        check(!window.tabs.empty(), "a window without tabs");
        for (const auto& tab : window.tabs) {
            for (std::int64_t length : {std::int64_t{0}, std::int64_t{7}, std::int64_t{1} << 40}) {
                const auto range = tab.clampedSelection(length);
                check(range.location >= 0 && range.length >= 0
                          && range.location + range.length <= length,
                      "a selection outside its text");
            }
        }
    }

    auto encoded = state->encode();
    if (!encoded)
        return 0; // a number that is not finite: refused, not written half
    auto again = WindowState::decode(*encoded);
    check(again.has_value() && *again == *state, "a written state reads back otherwise");
    if (state->schemaVersion == WindowState::currentSchemaVersion) {
        check(store.save(*state).has_value(), "a readable state could not be saved");
        auto reloaded = store.load();
        check(reloaded.has_value() && *reloaded == *state, "a saved state loads otherwise");
    }
    return 0;
}
