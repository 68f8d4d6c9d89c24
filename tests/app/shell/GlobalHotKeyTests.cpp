// The hot key's texts, its modifier mapping and the registration rules, offscreen with a fake
// grab (the real X11 grab is tried under Xvfb in HotKeyX11Tests).

#include "app/shell/GlobalHotKey.h"
#include "app/shell/X11KeyGrab.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using EditorShell::GlobalHotKey;

namespace {

struct FakeGrab : EditorShell::KeyGrab
{
    std::vector<std::string>* calls;
    bool succeeds = true;
    std::function<void()> pressed;

    explicit FakeGrab(std::vector<std::string>* record)
        : calls(record)
    {}
    bool grab(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> press) override
    {
        calls->push_back("grab " + std::to_string(keyCode) + " " + std::to_string(modifiers));
        pressed = std::move(press);
        return succeeds;
    }
    void release() override { calls->push_back("release"); }
};

} // namespace

TEST(GlobalHotKey, parseFollowsTheKeyAndModifierTables)
{
    using Chord = GlobalHotKey::Chord;
    struct Case
    {
        const char* text;
        std::optional<Chord> chord;
    };
    const Case cases[] = {
        {"ctrl+opt+n", Chord{45, 0x1000 | 0x0800}},
        {"opt+space", Chord{49, 0x0800}},
        {"shift+cmd+m", Chord{46, 0x0200 | 0x0100}},
        {"cmd+shift+m", Chord{46, 0x0200 | 0x0100}},
        {"ctrl+opt+cmd+n", Chord{45, 0x1000 | 0x0800 | 0x0100}},
        {"n", Chord{45, 0}},
        {"ctrl++opt+n+", Chord{45, 0x1000 | 0x0800}}, // empty pieces dropped
        {"hyper+ctrl+n", Chord{45, 0x1000}},          // unknown words ignored
        {"off", std::nullopt},
        {"", std::nullopt},
        {"+++", std::nullopt},
        {"ctrl+opt+N", std::nullopt}, // the key is looked up exactly
        {"ctrl+opt+x", std::nullopt},
        {"ctrl+opt", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto chord = GlobalHotKey::parse(c.text);
        ASSERT_EQ(chord.has_value(), c.chord.has_value());
        if (chord) {
            EXPECT_EQ(chord->keyCode, c.chord->keyCode);
            EXPECT_EQ(chord->modifiers, c.chord->modifiers);
        }
    }
}

TEST(GlobalHotKey, displayTextKeepsTheWrittenOrderOfTheGlyphs)
{
    struct Case
    {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"ctrl+opt+n", "⌃⌥N"},
        {"opt+space", "⌥Space"},
        {"shift+cmd+m", "⇧⌘M"},
        {"ctrl+opt+cmd+n", "⌃⌥⌘N"},
        {"cmd+shift+m", "⌘⇧M"},
        {"ctrl+opt+x", "⌃⌥X"}, // a key no grab can take still shows
        {"super+q", "Q"},
        {"", ""},
        {"off", "끔"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlobalHotKey::displayText(c.text), QString::fromUtf8(c.shown)) << c.text;
}

TEST(GlobalHotKey, theInterfaceShowsTheChordInTheLinuxKeyNames)
{
    // control is the Super key (Qt's Meta), option Alt, command Ctrl.
    EXPECT_EQ(GlobalHotKey::shortcutText("ctrl+opt+n"), QStringLiteral("Meta+Alt+N"));
    EXPECT_EQ(GlobalHotKey::shortcutText("opt+space"), QStringLiteral("Alt+Space"));
    EXPECT_EQ(GlobalHotKey::shortcutText("shift+cmd+m"), QStringLiteral("Ctrl+Shift+M"));
    EXPECT_EQ(GlobalHotKey::shortcutText("ctrl+opt+cmd+n"), QStringLiteral("Meta+Ctrl+Alt+N"));
    EXPECT_EQ(GlobalHotKey::shortcutText("off"), QStringLiteral("끔"));
    EXPECT_EQ(GlobalHotKey::shortcutText("ctrl+x"), QStringLiteral("⌃X"));
}

TEST(GlobalHotKey, masksMapToTheX11ModifiersOfTheKeyMapping)
{
    struct Case
    {
        std::uint32_t mask;
        std::uint16_t x11;
    };
    // X11: Shift 0x01, Control 0x04, Mod1 (Alt) 0x08, Mod4 (Super) 0x40.
    const Case cases[] = {
        {GlobalHotKey::controlMask, 0x40},
        {GlobalHotKey::optionMask, 0x08},
        {GlobalHotKey::shiftMask, 0x01},
        {GlobalHotKey::commandMask, 0x04},
        {GlobalHotKey::controlMask | GlobalHotKey::optionMask, 0x48},
        {GlobalHotKey::controlMask | GlobalHotKey::optionMask | GlobalHotKey::commandMask, 0x4c},
        {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditorShell::X11KeyGrab::x11Modifiers(GlobalHotKey::qtModifiers(c.mask)), c.x11)
            << std::hex << c.mask;
    EXPECT_EQ(EditorShell::X11KeyGrab::keySymbol(45), 0x6eu);
    EXPECT_EQ(EditorShell::X11KeyGrab::keySymbol(46), 0x6du);
    EXPECT_EQ(EditorShell::X11KeyGrab::keySymbol(49), 0x20u);
}

TEST(GlobalHotKey, registeringReleasesFirstAndKeepsTheActionWhenNothingIsGrabbed)
{
    std::vector<std::string> calls;
    auto grab = std::make_unique<FakeGrab>(&calls);
    FakeGrab* fake = grab.get();
    GlobalHotKey hotKey(std::move(grab), [](std::string_view) {});
    int first = 0, second = 0;

    hotKey.registerHotKey("ctrl+opt+n", [&] { ++first; });
    EXPECT_EQ(calls, (std::vector<std::string>{"release", "grab 45 6144"}));
    EXPECT_TRUE(hotKey.isRegistered());

    // A press runs the action in a later turn, once.
    fake->pressed();
    EXPECT_EQ(first, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(first, 1);

    calls.clear();
    hotKey.registerHotKey("off", [&] { ++second; });
    EXPECT_EQ(calls, (std::vector<std::string>{"release"}));
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(hotKey.hasAction());

    // Taken by another program: no grab, the action stays.
    calls.clear();
    fake->succeeds = false;
    hotKey.registerHotKey("opt+space", [&] { ++second; });
    EXPECT_EQ(calls, (std::vector<std::string>{"release", "grab 49 2048"}));
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(hotKey.hasAction());

    // A press still pending when the action changed calls the new one.
    fake->succeeds = true;
    hotKey.registerHotKey("ctrl+opt+n", [&] { ++first; });
    fake->pressed();
    hotKey.registerHotKey("ctrl+opt+n", [&] { ++second; });
    QCoreApplication::processEvents();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(GlobalHotKey, offscreenThereIsNoGrabAndThatIsSaidOnce)
{
    ASSERT_EQ(EditorShell::X11KeyGrab::create(), nullptr) << "the tests run offscreen";
    std::vector<std::string> logged;
    GlobalHotKey hotKey(EditorShell::X11KeyGrab::create(),
                        [&](std::string_view message) { logged.emplace_back(message); });
    hotKey.registerHotKey("off", [] {});
    EXPECT_TRUE(logged.empty()) << "nothing to grab";
    hotKey.registerHotKey("ctrl+opt+n", [] {});
    hotKey.registerHotKey("opt+space", [] {});
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("offscreen"), std::string::npos) << logged[0];
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(hotKey.hasAction());
}
