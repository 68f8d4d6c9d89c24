#include "app/settings/SheetTimer.h"

#include <QTimer>

namespace EditorSettings {

namespace {

class QtSheetTimer : public SheetTimer
{
public:
    void start(std::chrono::milliseconds interval, std::function<void()> tick) override
    {
        stop();
        m_timer = std::make_unique<QTimer>();
        m_timer->setInterval(interval);
        QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), std::move(tick));
        m_timer->start();
    }
    void stop() override { m_timer.reset(); }
    bool isActive() const override { return m_timer && m_timer->isActive(); }

private:
    std::unique_ptr<QTimer> m_timer;
};

} // namespace

std::unique_ptr<SheetTimer> makeSheetTimer()
{
    return std::make_unique<QtSheetTimer>();
}

} // namespace EditorSettings
