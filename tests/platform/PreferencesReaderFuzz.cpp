// Any bytes in a preferences file read as some preferences (empty when they are not a JSON
// object) without crashing; whatever parses also survives our writer and reads back equal.
#include "platform/Json.h"
#include "platform/PreferencesDomain.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path file = [] {
        const char* home = std::getenv("HOME");
        std::filesystem::path folder =
            std::filesystem::path(home != nullptr ? home : "/tmp") / "preferences-fuzz";
        std::filesystem::create_directories(folder);
        return folder / ("defaults-" + std::to_string(::getpid()) + ".json");
    }();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Platform::PreferencesDomain domain(file);
    auto values = domain.allValues();
    for (const auto& [name, value] : values) {
        if (!domain.contains(name) || domain.object(name) != value)
            std::abort();
    }
    (void)domain.object("view.theme");

    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto parsed = Platform::parseJson(text)) {
        if (!parsed->is_object() && !values.empty())
            std::abort();
        for (auto style : {Platform::JsonStyle::compact, Platform::JsonStyle::pretty}) {
            if (auto written = Platform::writeJson(*parsed, style)) {
                auto again = Platform::parseJson(*written);
                if (!again || *again != *parsed)
                    std::abort();
            }
        }
    } else if (!values.empty()) {
        std::abort();
    }
    return 0;
}
