// Any bytes as a request file: decoded or refused, never a crash; whatever decodes is sound
// and survives a round trip through the writer.
#include "store/CommandRequest.h"
#include "store/RequestBox.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

using EditorStore::CommandRequest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto request = CommandRequest::decode(text);
    if (request) {
        auto encoded = request->encode();
        if (encoded) {
            auto again = CommandRequest::decode(*encoded);
            if (!again || *again != *request)
                std::abort();
        }
    }

    // The box's read over the same bytes, under the identifier of the seeds.
    static const auto id = *Platform::Uuid::parse("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
    static const EditorStore::RequestBox box = [] {
        const char* home = std::getenv("HOME");
        auto folder = std::filesystem::path(home != nullptr ? home : "/tmp") / "request-fuzz"
                      / std::to_string(::getpid());
        std::filesystem::create_directories(folder);
        return EditorStore::RequestBox(folder);
    }();
    {
        std::ofstream out(box.directory() / (id.text() + ".json"),
                          std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    auto now = std::chrono::sys_days(std::chrono::year(2024) / 5 / 1) + std::chrono::hours(12)
               + std::chrono::minutes(35);
    auto read = box.read(id, now);
    if (read && (read->schemaVersion != 1 || read->id != id))
        std::abort();
    return 0;
}
