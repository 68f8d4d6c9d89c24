#pragma once

// What every fuzz target shares: a broken property stops the run like a sanitizer report, and
// the targets that need files get a folder of their own under the system's temporary folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace FuzzCheck {

inline void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken property: %s\n", what);
        std::abort();
    }
}

// A folder for this process, emptied on the first call.
inline const std::filesystem::path& workFolder(std::string_view name)
{
    static const std::filesystem::path folder = [name] {
        auto path = std::filesystem::temp_directory_path()
                    / ("olv-fuzz-" + std::string(name) + "-" + std::to_string(::getpid()));
        std::error_code error;
        std::filesystem::remove_all(path, error);
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

inline void writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Takes bytes off the front of the input for the choices a target makes.
class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data, size) {}
    std::uint8_t byte()
    {
        if (m_data.empty())
            return 0;
        const auto value = m_data.front();
        m_data = m_data.subspan(1);
        return value;
    }
    // Up to `length` bytes.
    std::span<const std::uint8_t> take(std::size_t length)
    {
        length = std::min(length, m_data.size());
        auto part = m_data.first(length);
        m_data = m_data.subspan(length);
        return part;
    }
    std::span<const std::uint8_t> rest() const { return m_data; }

private:
    std::span<const std::uint8_t> m_data;
};

} // namespace FuzzCheck
