#pragma once

#include "tests/platform/TemporaryFolder.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

inline std::vector<std::uint8_t> bytesOf(std::string_view text)
{
    return {text.begin(), text.end()};
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline ino_t inodeOf(const std::filesystem::path& path)
{
    struct stat info = {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}

inline mode_t modeOf(const std::filesystem::path& path)
{
    struct stat info = {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Names in `folder`, for checking that nothing was left behind.
inline std::vector<std::string> entriesOf(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
