#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <map>

namespace EditorKit {

// Gives the keyboard back to the window a dialog was opened over once the dialog closes: the
// window is activated again and the widget that had the focus gets it back, so the window's
// shortcuts answer at once (the desktop does not always hand the activation back after a
// file or print dialog). Watches every dialog of the application. Main thread.
class DialogFocusReturn : public QObject
{
public:
    // Installs the one watcher on the application (a second call changes nothing).
    static void install();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;

    struct Opened
    {
        QPointer<QWidget> window;
        QPointer<QWidget> focus;
    };
    std::map<QObject*, Opened> m_opened;
};

} // namespace EditorKit
