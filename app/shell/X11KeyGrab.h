#pragma once

#include "app/shell/GlobalHotKey.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <memory>
#include <vector>

class QWidget;

namespace EditorShell {

// The hot key on X11: a passive grab of the chord on the root window, also with Caps Lock and
// Num Lock held, and a native event filter that takes the grabbed presses out of Qt's event
// stream. Main thread only.
class X11KeyGrab
    : public KeyGrab
    , private QAbstractNativeEventFilter
{
public:
    // Null unless the application runs on the xcb platform.
    static std::unique_ptr<X11KeyGrab> create();
    ~X11KeyGrab() override;

    bool
    grab(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> pressed) override;
    void release() override;

    // The X11 modifier mask of the application's modifiers (Ctrl → Control, Meta → Mod4, the
    // Super key, Alt → Mod1, Shift → Shift).
    static std::uint16_t x11Modifiers(Qt::KeyboardModifiers modifiers);
    // Asks the window manager to show the window on every desktop (sticky); nothing off X11.
    // The window must have its native window already.
    static void showOnEveryDesktop(QWidget* window);
    // The key symbol of a hot-key key code (45 "n", 46 "m", 49 the space bar); 0 for others.
    static std::uint32_t keySymbol(std::uint32_t keyCode);

private:
    struct Connection;
    explicit X11KeyGrab(std::unique_ptr<Connection> connection);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    std::unique_ptr<Connection> m_connection;
    std::vector<std::uint8_t> m_keycodes;
    std::uint16_t m_modifiers = 0;
    std::uint16_t m_ignoredModifiers = 0;
    std::function<void()> m_pressed;
};

} // namespace EditorShell
