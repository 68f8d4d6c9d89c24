// Any bytes as the update feed: items or an error text, never a crash, and nothing fetched or
// expanded: no item holds what an entity would have brought in. The newest item is newer than
// the running version and no older than any other; a link passes only as https with a host.
#include "FuzzCheck.h"

#include "app/shell/UpdateFeed.h"

#include <random>
#include <string>

using namespace EditorShell;
using FuzzCheck::check;

namespace {

// The text of a file that an external entity of the seeds names; it must never reach an item.
// It is drawn afresh for each run: a fixed word can be put together from the feed's own text
// ("OLVSEC<x/>RET" gives a title "OLVSECRET"), a number the run draws cannot.
const std::string& secret()
{
    static const std::string text = [] {
        std::random_device device;
        std::string drawn = "OLVSECRET";
        for (int i = 0; i < 4; ++i)
            drawn += std::to_string(device());
        const auto file = std::filesystem::path("/tmp/olv-fuzz-feed-secret.txt");
        FuzzCheck::writeFile(file, {reinterpret_cast<const std::uint8_t*>(drawn.data()),
                                    drawn.size()});
        return drawn;
    }();
    return text;
}

bool holdsSecret(const UpdateFeed::Item& item)
{
    for (const auto* field : {&item.title, &item.version, &item.link}) {
        if (field->find(secret()) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool namesSecret = text.find(secret()) != std::string_view::npos;
    auto items = UpdateFeed::parse({data, size});
    if (!items) {
        check(!items.error().empty(), "a refused feed without a reason");
        return 0;
    }
    for (const auto& item : *items) {
        check(!item.version.empty(), "an item without a version");
        check(namesSecret || !holdsSecret(item), "the feed brought in an outside file");
        if (UpdateFeed::isSafeLink(item.link)) {
            // The scheme is read without regard to case, as URLs are.
            std::string scheme = item.link.substr(0, 8);
            for (auto& c : scheme)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            check(scheme == "https://" && item.link.size() > 8
                      && item.link.find_first_of(std::string_view(" \t\r\n\0", 5)) == std::string::npos,
                  "a link that is not https, or holds white space, passed");
        }
    }
    const std::string current = items->empty() ? "1.0" : items->front().version;
    if (auto newest = UpdateFeed::newest(*items, current)) {
        check(UpdateFeed::compareVersions(newest->version, current) > 0, "an update that is not newer");
        for (const auto& item : *items)
            check(UpdateFeed::compareVersions(item.version, newest->version) <= 0,
                  "an update older than another item");
    } else {
        for (const auto& item : *items)
            check(UpdateFeed::compareVersions(item.version, current) <= 0, "a newer item missed");
    }
    for (const auto& a : *items) {
        check(UpdateFeed::compareVersions(a.version, a.version) == 0, "a version unequal to itself");
        for (const auto& b : *items) {
            const auto ab = UpdateFeed::compareVersions(a.version, b.version);
            const auto ba = UpdateFeed::compareVersions(b.version, a.version);
            check((ab > 0) == (ba < 0) && (ab == 0) == (ba == 0), "an order that is not one");
        }
    }
    return 0;
}
