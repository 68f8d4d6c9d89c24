#include "app/kit/DialogFocusReturn.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

namespace EditorKit {

namespace {

bool isDialog(const QWidget* widget)
{
    return widget->isWindow()
           && (qobject_cast<const QDialog*>(widget) != nullptr
               || widget->windowType() == Qt::Dialog || widget->windowType() == Qt::Sheet);
}

} // namespace

void DialogFocusReturn::install()
{
    static QPointer<DialogFocusReturn> installed;
    if (installed || !qApp)
        return;
    installed = new DialogFocusReturn(qApp);
    qApp->installEventFilter(installed);
}

bool DialogFocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::Hide) || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!isDialog(widget))
        return false;
    if (type == QEvent::Show) {
        QWidget* window = QApplication::activeWindow();
        if (!window || window == widget)
            window = widget->parentWidget() ? widget->parentWidget()->window() : nullptr;
        if (window && window != widget)
            m_opened[widget] = {window, window->focusWidget()};
        return false;
    }
    auto opened = m_opened.find(widget);
    if (opened == m_opened.end())
        return false;
    const Opened back = opened->second;
    m_opened.erase(opened);
    // After the dialog's own hiding has run to its end.
    QTimer::singleShot(0, back.window.data(), [back] {
        QWidget* window = back.window;
        if (!window || !window->isVisible() || window->isMinimized())
            return;
        // Another dialog took over: it gives the focus back when it closes.
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window)
            return;
        if (QApplication::activeWindow() != window)
            window->activateWindow();
        QWidget* focus = back.focus;
        if (focus && focus->window() == window && focus->isVisible() && focus->isEnabled())
            focus->setFocus(Qt::ActiveWindowFocusReason);
    });
    return false;
}

} // namespace EditorKit
