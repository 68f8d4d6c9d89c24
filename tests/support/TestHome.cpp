// Linked into every test program: before any test runs, HOME and the XDG folders point into the
// build tree, so no test reads or writes the real home folder, whether it runs under CTest or
// by hand.
#include "tests/support/TestHome.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void pointHomeAt(const std::filesystem::path& home)
{
    const std::pair<const char*, std::filesystem::path> folders[] = {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home / ".config"},
        {"XDG_DATA_HOME", home / ".local/share"},
        {"XDG_STATE_HOME", home / ".local/state"},
        {"XDG_CACHE_HOME", home / ".cache"},
        {"XDG_RUNTIME_DIR", home / "run"},
    };
    for (const auto& [name, path] : folders) {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
        ::setenv(name, path.c_str(), 1);
    }
    std::error_code ignored;
    std::filesystem::permissions(home / "run", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ignored);
}

struct TestHome
{
    TestHome()
    {
        pointHomeAt(OLV_TEST_HOME);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
};

const TestHome testHome;

std::filesystem::path privateHome;

void removePrivateHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(privateHome, ignored);
}

} // namespace

void usePrivateTestHome()
{
    if (!privateHome.empty())
        return;
    privateHome = std::filesystem::path(OLV_TEST_HOME) / ("process-" + std::to_string(::getpid()));
    removePrivateHome();
    pointHomeAt(privateHome);
    std::atexit(removePrivateHome);
}
