#pragma once

#include "core/Result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The update feed: an RSS 2.0 document whose items each carry a version and the link of a
// download page:
//   <rss version="2.0"><channel>
//     <item><title>Orlune Viewer 1.3</title><version>1.3.0</version>
//           <link>https://orlune.app/download/1.3.0</link></item>
//   </channel></rss>
// ("version" may be in a namespace of its own, such as <olv:version>.) Qt-free.
namespace EditorShell::UpdateFeed {

struct Item
{
    std::string title;
    std::string version;
    std::string link;
    bool operator==(const Item&) const = default;
};

// The items that name a version, in document order. A document that is not well-formed XML or
// not RSS is an error (with a short text saying what). Nothing is fetched: no network, no
// external entities, no entity expansion.
[[nodiscard]] EditorCore::Result<std::vector<Item>, std::string>
parse(std::span<const std::uint8_t> document);

// Dotted versions compared number by number ("1.10" > "1.9", "1.2" == "1.2.0"); a piece that
// is not a number counts as 0 from its first non-digit on. Negative, zero or positive.
int compareVersions(std::string_view a, std::string_view b);

// The newest item newer than `current`, or none.
std::optional<Item> newest(const std::vector<Item>& items, std::string_view current);

// Whether a download page's link may be opened: an absolute https URL with a host.
bool isSafeLink(std::string_view link);

} // namespace EditorShell::UpdateFeed
