#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace Folders = Platform::Folders;

namespace {

// Sets an environment variable for one scope.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(Folders, followTheXdgVariables)
{
    ScopedEnvironment home("HOME", "/h");
    ScopedEnvironment data("XDG_DATA_HOME", "/d");
    ScopedEnvironment config("XDG_CONFIG_HOME", "/c");
    ScopedEnvironment state("XDG_STATE_HOME", "/s");
    EXPECT_EQ(Folders::preferencesFolder(), "/c/orlune-viewer");
    EXPECT_EQ(Folders::applicationSupport(), "/d/app.orlune.viewer");
    EXPECT_EQ(Folders::logs(), "/s/Orlune Viewer");
    EXPECT_EQ(Folders::appGroupContainer("G.id"), "/d/G.id");
}

TEST(Folders, unsetEmptyOrRelativeVariablesFallBackBelowHome)
{
    ScopedEnvironment home("HOME", "/h");
    ScopedEnvironment data("XDG_DATA_HOME", nullptr);
    ScopedEnvironment config("XDG_CONFIG_HOME", "");
    ScopedEnvironment state("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(Folders::dataHome(), "/h/.local/share");
    EXPECT_EQ(Folders::configHome(), "/h/.config");
    EXPECT_EQ(Folders::stateHome(), "/h/.local/state");
}
