#include "app/panels/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace EditorPanels {

void centerOnScreen(QWidget& window)
{
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // Before the first show the frame is not known yet; the window's own size stands for it.
    const QSize size = window.isVisible() ? window.frameGeometry().size() : window.size();
    window.move(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2);
}

void showCentredWhenHidden(QWidget& window)
{
    if (!window.isVisible())
        centerOnScreen(window);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace EditorPanels
