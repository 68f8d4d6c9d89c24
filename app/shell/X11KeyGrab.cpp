#include "app/shell/X11KeyGrab.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>
#include <string_view>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace EditorShell {

namespace {

// Key symbols of X11's keysymdef.h.
constexpr std::uint32_t keySymbolN = 0x006e;
constexpr std::uint32_t keySymbolM = 0x006d;
constexpr std::uint32_t keySymbolSpace = 0x0020;
constexpr std::uint32_t keySymbolNumLock = 0xff7f;

// Num Lock's modifier as the server maps it; Mod2 on nearly every keyboard map.
std::uint16_t numLockMask(xcb_connection_t* connection, xcb_key_symbols_t* symbols)
{
    std::uint16_t mask = XCB_MOD_MASK_2;
    auto* reply =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    if (!reply)
        return mask;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code && xcb_key_symbols_get_keysym(symbols, code, 0) == keySymbolNumLock) {
                mask = static_cast<std::uint16_t>(1u << modifier);
                std::free(reply);
                return mask;
            }
        }
    }
    std::free(reply);
    return mask;
}

xcb_atom_t atom(xcb_connection_t* connection, std::string_view name)
{
    auto* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

xcb_connection_t* applicationConnection()
{
    auto* application = qGuiApp;
    if (!application || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

void X11KeyGrab::showOnEveryDesktop(QWidget* window)
{
    xcb_connection_t* connection = applicationConnection();
    if (!connection || !window)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    // Read by the window manager when the window is mapped.
    const std::uint32_t allDesktops = 0xffffffff;
    if (auto desktop = atom(connection, "_NET_WM_DESKTOP"))
        xcb_change_property(
            connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    auto state = atom(connection, "_NET_WM_STATE");
    auto sticky = atom(connection, "_NET_WM_STATE_STICKY");
    if (state && sticky)
        xcb_change_property(
            connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &sticky);
    xcb_flush(connection);
}

struct X11KeyGrab::Connection
{
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

std::unique_ptr<X11KeyGrab> X11KeyGrab::create()
{
    xcb_connection_t* x11 = applicationConnection();
    if (!x11)
        return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->connection = x11;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection->connection));
    if (!screens.rem)
        return nullptr;
    connection->root = screens.data->root;
    return std::unique_ptr<X11KeyGrab>(new X11KeyGrab(std::move(connection)));
}

X11KeyGrab::X11KeyGrab(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection))
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11KeyGrab::~X11KeyGrab()
{
    release();
    if (auto* application = QCoreApplication::instance())
        application->removeNativeEventFilter(this);
}

std::uint16_t X11KeyGrab::x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

std::uint32_t X11KeyGrab::keySymbol(std::uint32_t keyCode)
{
    switch (keyCode) {
    case 45:
        return keySymbolN;
    case 46:
        return keySymbolM;
    case 49:
        return keySymbolSpace;
    default:
        return 0;
    }
}

bool X11KeyGrab::grab(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> pressed)
{
    release();
    const std::uint32_t symbol = keySymbol(keyCode);
    if (!symbol)
        return false;
    xcb_connection_t* connection = m_connection->connection;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    if (!symbols)
        return false;
    m_ignoredModifiers =
        static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask(connection, symbols));
    m_modifiers = x11Modifiers(GlobalHotKey::qtModifiers(modifiers));
    if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, symbol)) {
        for (xcb_keycode_t* code = codes; *code != XCB_NO_SYMBOL; ++code)
            m_keycodes.push_back(*code);
        std::free(codes);
    }
    xcb_key_symbols_free(symbols);

    const std::uint16_t numLock = m_ignoredModifiers & ~XCB_MOD_MASK_LOCK;
    const std::uint16_t extras[] = {
        0, XCB_MOD_MASK_LOCK, numLock, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)};
    bool taken = false;
    for (std::uint8_t code : m_keycodes) {
        for (std::uint16_t extra : extras) {
            auto cookie = xcb_grab_key_checked(connection,
                                               1,
                                               m_connection->root,
                                               m_modifiers | extra,
                                               code,
                                               XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC);
            // Another client holding the chord answers with BadAccess.
            if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
                std::free(error);
                taken = true;
            }
        }
    }
    if (m_keycodes.empty() || taken) {
        release();
        return false;
    }
    m_pressed = std::move(pressed);
    return true;
}

void X11KeyGrab::release()
{
    if (!m_keycodes.empty()) {
        xcb_connection_t* connection = m_connection->connection;
        for (std::uint8_t code : m_keycodes)
            xcb_ungrab_key(connection, code, m_connection->root, XCB_MOD_MASK_ANY);
        xcb_flush(connection);
    }
    m_keycodes.clear();
    m_pressed = {};
}

bool X11KeyGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_keycodes.empty() || eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const auto type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (key->event != m_connection->root)
        return false;
    bool ours = false;
    for (std::uint8_t code : m_keycodes)
        ours = ours || code == key->detail;
    const std::uint16_t held = key->state & 0xff & ~m_ignoredModifiers;
    if (!ours || held != m_modifiers)
        return false;
    if (type == XCB_KEY_PRESS && m_pressed)
        m_pressed();
    return true;
}

} // namespace EditorShell
