#pragma once

#include "store/Rect.h"

#include <QRectF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QScreen;
class QWidget;

// Window frames as the window state stores them: y grows upward from the bottom-left corner of
// the primary screen (Qt's y grows downward from its top-left corner). `primaryHeight` is the
// primary screen's full height.
namespace EditorWindow::WindowFrames {

EditorStore::Rect toStored(const QRectF& topLeftFrame, double primaryHeight);
QRectF fromStored(const EditorStore::Rect& frame, double primaryHeight);

// A stable number for a screen from its name and serial number (the same screen keeps it from
// one run to the next).
std::uint32_t screenNumber(const QString& name, const QString& serialNumber);
std::optional<std::uint32_t> screenNumber(const QScreen* screen);

// The available areas of the screens, stored-form, the screen with that number first (else
// the first screen), then the others in the system's order.
std::vector<EditorStore::Rect> visibleFrames(std::optional<std::uint32_t> preferredScreen);

// The frame of a top-level window as stored: its client area (what Qt places and sizes
// before and after a window manager frames it, so a frame set and read back is the same),
// stored-form.
EditorStore::Rect frameOf(const QWidget& window);
// Places the window's client area at the stored frame.
void setFrame(QWidget& window, const EditorStore::Rect& frame);

} // namespace EditorWindow::WindowFrames
