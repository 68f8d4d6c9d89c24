#include "app/window/hosting/WindowFrames.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace EditorWindow::WindowFrames {

namespace {

double primaryHeight()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().height() : 0.0;
}

} // namespace

EditorStore::Rect toStored(const QRectF& frame, double height)
{
    return {frame.x(), height - (frame.y() + frame.height()), frame.width(), frame.height()};
}

QRectF fromStored(const EditorStore::Rect& stored, double height)
{
    const EditorStore::Rect frame = stored.standardized();
    return {frame.x, height - (frame.y + frame.height), frame.width, frame.height};
}

std::uint32_t screenNumber(const QString& name, const QString& serialNumber)
{
    // FNV-1a over the UTF-8 of "name\nserial".
    const QByteArray bytes = (name + QLatin1Char('\n') + serialNumber).toUtf8();
    std::uint32_t hash = 2166136261u;
    for (char byte : bytes) {
        hash ^= static_cast<std::uint8_t>(byte);
        hash *= 16777619u;
    }
    return hash;
}

std::optional<std::uint32_t> screenNumber(const QScreen* screen)
{
    if (!screen)
        return std::nullopt;
    return screenNumber(screen->name(), screen->serialNumber());
}

std::vector<EditorStore::Rect> visibleFrames(std::optional<std::uint32_t> preferredScreen)
{
    const auto screens = QGuiApplication::screens();
    const double height = primaryHeight();
    std::vector<EditorStore::Rect> frames;
    int preferred = 0;
    if (preferredScreen) {
        for (int index = 0; index < screens.size(); ++index) {
            if (screenNumber(screens[index]) == preferredScreen) {
                preferred = index;
                break;
            }
        }
    }
    if (screens.isEmpty())
        return frames;
    frames.push_back(toStored(screens[preferred]->availableGeometry(), height));
    for (int index = 0; index < screens.size(); ++index) {
        if (index != preferred)
            frames.push_back(toStored(screens[index]->availableGeometry(), height));
    }
    return frames;
}

EditorStore::Rect frameOf(const QWidget& window)
{
    // The window manager's decoration is left out: it is not known before the window is
    // shown, and counting it on one side only grew the window at every start.
    return toStored(window.geometry(), primaryHeight());
}

void setFrame(QWidget& window, const EditorStore::Rect& frame)
{
    const QRect client = fromStored(frame, primaryHeight()).toRect();
    window.setGeometry(QRect(client.topLeft(), client.size().expandedTo(QSize(1, 1))));
}

} // namespace EditorWindow::WindowFrames
