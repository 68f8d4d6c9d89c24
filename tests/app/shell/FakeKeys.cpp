#include "tests/app/shell/FakeKeys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace FakeKeys {

namespace {

bool sawError = false;

int recordError(Display*, XErrorEvent*)
{
    sawError = true;
    return 0;
}

} // namespace

bool available(const std::string& display)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return false;
    int event = 0, error = 0, major = 0, minor = 0;
    bool has = XTestQueryExtension(connection, &event, &error, &major, &minor);
    XCloseDisplay(connection);
    return has;
}

void pressChord(const std::string& display, const std::vector<std::string>& keys)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return;
    std::vector<KeyCode> codes;
    for (const auto& key : keys)
        codes.push_back(XKeysymToKeycode(connection, XStringToKeysym(key.c_str())));
    for (KeyCode code : codes)
        XTestFakeKeyEvent(connection, code, True, CurrentTime);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        XTestFakeKeyEvent(connection, *code, False, CurrentTime);
    XSync(connection, False);
    XCloseDisplay(connection);
}

bool canGrab(const std::string& display, const std::string& key, unsigned modifiers)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return false;
    auto previous = XSetErrorHandler(recordError);
    sawError = false;
    Window root = DefaultRootWindow(connection);
    KeyCode code = XKeysymToKeycode(connection, XStringToKeysym(key.c_str()));
    XGrabKey(connection, code, modifiers, root, True, GrabModeAsync, GrabModeAsync);
    XSync(connection, False);
    const bool grabbed = !sawError;
    XUngrabKey(connection, code, modifiers, root);
    XSync(connection, False);
    XSetErrorHandler(previous);
    XCloseDisplay(connection);
    return grabbed;
}

void* holdGrab(const std::string& display, const std::string& key, unsigned modifiers)
{
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return nullptr;
    auto previous = XSetErrorHandler(recordError);
    sawError = false;
    KeyCode code = XKeysymToKeycode(connection, XStringToKeysym(key.c_str()));
    XGrabKey(connection,
             code,
             modifiers,
             DefaultRootWindow(connection),
             True,
             GrabModeAsync,
             GrabModeAsync);
    XSync(connection, False);
    XSetErrorHandler(previous);
    if (sawError) {
        XCloseDisplay(connection);
        return nullptr;
    }
    return connection;
}

void release(void* hold)
{
    if (hold)
        XCloseDisplay(static_cast<Display*>(hold));
}

} // namespace FakeKeys
