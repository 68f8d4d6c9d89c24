#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

// A fresh folder below the test's HOME, removed again at the end of the test.
class TemporaryFolder
{
public:
    TemporaryFolder()
    {
        const char* home = std::getenv("HOME");
        std::filesystem::path base =
            home != nullptr ? home : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(base);
        std::string pattern = (base / "tmp-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const
    {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};
