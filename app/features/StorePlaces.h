#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace AppFeatures {

// Where a download store fetches from and installs to.
struct StorePlaces
{
    std::string baseURL;
    std::filesystem::path root;
};

using PreferenceLookup = std::function<std::optional<std::string>(std::string_view)>;

// The places named by the preferences `urlKey` and `rootKey`; a URL that is not a valid absolute
// URL, or an empty root, leaves the default.
StorePlaces storePlaces(const PreferenceLookup& lookup,
                        std::string_view urlKey,
                        std::string_view rootKey,
                        StorePlaces defaults);

// How the banners name where a store downloads from: the server's host, the folder of a file
// URL (the index the build published, or one on a mounted disk), else the URL as it is.
QString storeServerName(const std::string& baseURL);

} // namespace AppFeatures
