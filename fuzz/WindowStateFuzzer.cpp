// Any bytes as the window-state file: read as a state or refused, never a crash. What is read
// is written back by our writer and reads again as the same state; the store reads it as the
// decoder does; a window whose tabs could none be read does not come back (one saved with an
// empty list, as a window that shows only a folder is, does); no saved selection reaches past
// a text.
#include "FuzzCheck.h"

#include "platform/Json.h"
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

    // The decoder read the file, so it is JSON with a list of windows, each with a list of tabs.
    const auto parsed = Platform::parseJson(json);
    check(parsed.has_value(), "a state read from what is not JSON");
    std::size_t savedEmpty = 0, readEmpty = 0;
    for (const auto& window : parsed->at("windows"))
        savedEmpty += window.at("tabs").empty() ? 1 : 0;
    for (const auto& window : state->windows) {
        readEmpty += window.tabs.empty() ? 1 : 0;
        for (const auto& tab : window.tabs) {
            for (std::int64_t length : {std::int64_t{0}, std::int64_t{7}, std::int64_t{1} << 40}) {
                const auto range = tab.clampedSelection(length);
                check(range.location >= 0 && range.length >= 0
                          && range.location + range.length <= length,
                      "a selection outside its text");
            }
        }
    }
    check(readEmpty == savedEmpty, "a window whose tabs could not be read came back without tabs");

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
