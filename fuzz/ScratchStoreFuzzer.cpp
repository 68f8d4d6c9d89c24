// Any bytes as a kept document's metadata or text: read or refused, never a crash. Metadata
// that reads survives our writer; a text of any bytes reads as well-formed UTF-16, and a text
// kept again reads back as it was kept, with its metadata intact.
#include "FuzzCheck.h"

#include "core/UnicodeScalars.h"
#include "store/ScratchStore.h"

using namespace EditorStore;
using FuzzCheck::check;

namespace {

bool wellFormed(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    const auto split = input.byte();
    const auto metaBytes = input.take(split);
    const auto textBytes = input.rest();
    const std::string_view json(reinterpret_cast<const char*>(metaBytes.data()), metaBytes.size());

    const auto meta = ScratchMeta::decode(json);
    if (meta) {
        if (auto encoded = meta->encode()) {
            auto again = ScratchMeta::decode(*encoded);
            check(again.has_value() && *again == *meta, "written metadata reads back otherwise");
        }
    }

    static const auto id = *Platform::Uuid::parse("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
    const auto folder = FuzzCheck::workFolder("scratch") / "Scratch";
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    std::filesystem::create_directories(folder);
    // The listing finds documents however their identifier is spelt.
    const auto stem = (split & 1) ? id.text() : [&] {
        auto lower = id.text();
        for (auto& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }();
    FuzzCheck::writeFile(folder / (stem + ".json"), metaBytes);
    FuzzCheck::writeFile(folder / (stem + ".txt"), textBytes);

    const ScratchStore store(folder);
    const auto entries = store.list();
    check(entries.size() == 1 && entries.front().id == id, "the kept document is not listed");
    const auto& listedMeta = entries.front().meta;
    if (listedMeta)
        check(meta && listedMeta->id == meta->id, "the listing read other metadata");

    auto text = store.readText(id);
    check(text.has_value(), "a kept text could not be read");
    check(wellFormed(*text), "a kept text read with lone surrogates");
    const auto repaired = EditorCore::UnicodeScalars::fromUTF8Repairing(textBytes);
    check(*text == repaired, "a kept text read otherwise than repaired UTF-8");

    const auto now = std::chrono::sys_days(std::chrono::year(2026) / 12 / 1);
    auto saved = store.save(id, *text, now, std::nullopt);
    check(saved.has_value(), "a kept text could not be kept again");
    if (text->empty()) {
        check(store.list().empty(), "an empty text was kept");
        return 0;
    }
    auto back = store.readText(id);
    check(back.has_value() && *back == *text, "a kept text reads back otherwise");
    const auto newMeta = store.meta(id);
    check(newMeta.has_value() && newMeta->id == id, "keeping a text left no metadata");
    check(newMeta->title == ScratchStore::title(*text), "the title is not the text's");
    if (listedMeta && listedMeta->id == id)
        check(newMeta->createdAt == listedMeta->createdAt && newMeta->origin == listedMeta->origin,
              "keeping a text lost its creation time or origin");
    return 0;
}
