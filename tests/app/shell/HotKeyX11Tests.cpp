// The hot key's real grab on an X server of its own (Xvfb, started here on a free display),
// pressed through XTest as from another program. Without Xvfb the tests are skipped.

#include "app/shell/GlobalHotKey.h"
#include "app/shell/X11KeyGrab.h"
#include "tests/app/shell/FakeKeys.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using EditorShell::GlobalHotKey;

namespace {

std::string display()
{
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

// X11 masks: Shift 0x01, Lock 0x02, Control 0x04, Mod1 (Alt) 0x08, Mod2 (Num Lock) 0x10,
// Mod4 (Super) 0x40.
constexpr unsigned superAlt = 0x40 | 0x08;

struct HotKeyX11 : ::testing::Test
{
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "no X server (Xvfb) to grab keys on";
        if (!FakeKeys::available(display()))
            GTEST_SKIP() << "the X server has no XTest extension";
    }

    // Presses and lets the event loop run until the grab's press has had time to arrive.
    void press(const std::vector<std::string>& keys)
    {
        FakeKeys::pressChord(display(), keys);
        QTest::qWait(150);
    }
};

} // namespace

TEST_F(HotKeyX11, superAltNCallsTheActionOnceAlsoWithNumLock)
{
    GlobalHotKey hotKey(EditorShell::X11KeyGrab::create(), [](std::string_view) {});
    int presses = 0;
    hotKey.registerHotKey("ctrl+opt+n", [&] { ++presses; });
    ASSERT_TRUE(hotKey.isRegistered());
    EXPECT_FALSE(FakeKeys::canGrab(display(), "n", superAlt)) << "held by the application";

    press({"Super_L", "Alt_L", "n"});
    EXPECT_EQ(presses, 1);
    // Other chords on the same key are not ours.
    press({"Alt_L", "n"});
    press({"Control_L", "Alt_L", "n"});
    EXPECT_EQ(presses, 1);

    // Num Lock on.
    press({"Num_Lock"});
    press({"Super_L", "Alt_L", "n"});
    EXPECT_EQ(presses, 2);
    press({"Num_Lock"});

    // "off" lets the chord go.
    hotKey.registerHotKey("off", [&] { ++presses; });
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(FakeKeys::canGrab(display(), "n", superAlt));
    press({"Super_L", "Alt_L", "n"});
    EXPECT_EQ(presses, 2);

    // Another shortcut grabs its own chord.
    hotKey.registerHotKey("opt+space", [&] { ++presses; });
    EXPECT_TRUE(FakeKeys::canGrab(display(), "n", superAlt));
    press({"Alt_L", "space"});
    EXPECT_EQ(presses, 3);
}

TEST_F(HotKeyX11, aChordAnotherProgramHoldsIsNotRegisteredButTheActionStays)
{
    // Ctrl+Shift+M, held by another client.
    void* held = FakeKeys::holdGrab(display(), "m", 0x04 | 0x01);
    ASSERT_NE(held, nullptr);
    GlobalHotKey hotKey(EditorShell::X11KeyGrab::create(), [](std::string_view) {});
    int presses = 0;
    hotKey.registerHotKey("shift+cmd+m", [&] { ++presses; });
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(hotKey.hasAction());
    FakeKeys::release(held);
    // Nothing of the failed attempt stays grabbed (with Caps Lock or Num Lock either).
    for (unsigned lock : {0u, 0x02u, 0x10u, 0x12u})
        EXPECT_TRUE(FakeKeys::canGrab(display(), "m", 0x04 | 0x01 | lock)) << lock;
    hotKey.registerHotKey("shift+cmd+m", [&] { ++presses; });
    EXPECT_TRUE(hotKey.isRegistered());
    press({"Control_L", "Shift_L", "m"});
    EXPECT_EQ(presses, 1);
}

int main(int argc, char** argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    pid_t server = 0;
    int fds[2];
    if (!listing && ::pipe(fds) == 0) {
        server = ::fork();
        if (server == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb",
                     "Xvfb",
                     "-displayfd",
                     fd.c_str(),
                     "-nolisten",
                     "tcp",
                     "-screen",
                     "0",
                     "1024x768x24",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        char c = 0;
        while (server > 0 && ::poll(&wait, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty()) {
            ::setenv("DISPLAY", (":" + number).c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        }
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr
        || std::string(std::getenv("QT_QPA_PLATFORM")) != "xcb")
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int status = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (server > 0) {
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
    }
    return status;
}
