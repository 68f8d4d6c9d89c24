#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <utility>

namespace EditorKit {

// Runs a piece of work once on a later turn of the event loop, however often it was asked for
// before then: refreshes that many changes ask for in one turn cost one. The work does not run
// once the context object is gone, nor after cancel(). Owned by the context object.
class OncePerTurn
{
public:
    OncePerTurn(QObject* context, std::function<void()> work)
        : m_context(context)
        , m_work(std::move(work))
    {}
    OncePerTurn(const OncePerTurn&) = delete;
    OncePerTurn& operator=(const OncePerTurn&) = delete;

    void schedule()
    {
        if (m_scheduled)
            return;
        m_scheduled = true;
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                if (!m_scheduled)
                    return;
                m_scheduled = false;
                m_work();
            },
            Qt::QueuedConnection);
    }
    // Drops the pending run: the owner does the work now.
    void cancel() { m_scheduled = false; }
    bool isScheduled() const { return m_scheduled; }

private:
    QObject* m_context;
    std::function<void()> m_work;
    bool m_scheduled = false;
};

} // namespace EditorKit
