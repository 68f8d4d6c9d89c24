#pragma once

#include <QString>
#include <Qt>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace EditorShell {

// A desktop-wide grab of one key chord. The X11 one is the only kind there is; under Wayland
// and offscreen no program may grab keys for itself.
class KeyGrab
{
public:
    virtual ~KeyGrab() = default;
    // Grabs the chord (the hot key's key code and modifier mask); `pressed` is called on the
    // main thread while the press is being handled. False when nothing could be grabbed.
    virtual bool
    grab(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> pressed) = 0;
    // Releases the grab, if any.
    virtual void release() = 0;
};

// The quick memo's hot key: the setting "quickMemo.shortcut" ("ctrl+opt+n", "opt+space",
// "shift+cmd+m", "ctrl+opt+cmd+n" or "off") turned into a desktop-wide key grab. The key codes
// and masks keep the values the stored texts were first written for, so the texts and their
// meaning never change. Main thread only.
class GlobalHotKey
{
public:
    static constexpr std::uint32_t controlMask = 0x1000;
    static constexpr std::uint32_t optionMask = 0x0800;
    static constexpr std::uint32_t shiftMask = 0x0200;
    static constexpr std::uint32_t commandMask = 0x0100;

    struct Chord
    {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        bool operator==(const Chord&) const = default;
    };

    // Nothing for "off", an empty text or a key outside the key table ("n" 45, "m" 46,
    // "space" 49, exact case); unknown modifier words are ignored.
    static std::optional<Chord> parse(std::string_view text);
    // The modifier glyphs in the written order, then the key ("⌃⌥N", "⌥Space"); the localized
    // "끔" for "off".
    static QString displayText(std::string_view text);
    // The chord in the key names the rest of the interface shows ("Meta+Alt+N"); "끔" for "off",
    // and `displayText` for a key the table lacks.
    static QString shortcutText(std::string_view text);
    // The mask in the application's modifier mapping: command → Ctrl, control → Meta (Super),
    // option → Alt, shift → Shift.
    static Qt::KeyboardModifiers qtModifiers(std::uint32_t mask);

    // The application's one hot key, grabbing through X11 when the application runs there.
    static GlobalHotKey& shared();

    using Log = std::function<void(std::string_view message)>;
    // `grab` null: no grab is possible here; the first registration that would need one says
    // so through `log` (default: the system log), once.
    explicit GlobalHotKey(std::unique_ptr<KeyGrab> grab, Log log = {});
    ~GlobalHotKey();
    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;

    // Releases the previous grab, keeps `action` (also when nothing can be grabbed), then grabs
    // the chord of `text`. A press calls the action in a later turn of the main loop.
    void registerHotKey(std::string_view text, std::function<void()> action);
    bool isRegistered() const { return m_registered; }
    bool hasAction() const { return static_cast<bool>(*m_action); }

private:
    std::unique_ptr<KeyGrab> m_grab;
    Log m_log;
    bool m_registered = false;
    bool m_saidNoGrab = false;
    // Shared with the pending calls of presses, so a press after a re-registration calls the
    // action in force when it runs.
    std::shared_ptr<std::function<void()>> m_action = std::make_shared<std::function<void()>>();
};

} // namespace EditorShell
