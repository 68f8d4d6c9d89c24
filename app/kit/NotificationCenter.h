#pragma once

#include <QObject>
#include <QString>

namespace EditorKit {

// Named notifications inside the application ("app.orlune.viewer.grammarsDidChange"): whoever
// changes something many windows show posts its name; the windows listen. Main thread only.
class NotificationCenter : public QObject
{
    Q_OBJECT
public:
    static inline const QString grammarsDidChange =
        QStringLiteral("app.orlune.viewer.grammarsDidChange");
    // After the router performed an action (the tool bands refresh).
    static inline const QString actionDidSend = QStringLiteral("app.orlune.viewer.actionDidSend");

    // The center of the running application (created on first use).
    static NotificationCenter& shared();

    void post(const QString& name) { emit posted(name); }

signals:
    void posted(const QString& name);
};

} // namespace EditorKit
