#include "app/settings/SheetTimer.h"

#include <QPointer>
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

RefreshingSheet::RefreshingSheet(std::unique_ptr<SheetTimer> timer, QWidget* parent)
    : SettingsSheet(parent)
    , m_timer(timer ? std::move(timer) : makeSheetTimer())
{}

void RefreshingSheet::showEvent(QShowEvent* event)
{
    SettingsSheet::showEvent(event);
    QPointer<RefreshingSheet> self(this);
    m_timer->start(std::chrono::milliseconds(1000), [self] {
        if (self)
            self->refresh();
    });
}

void RefreshingSheet::hideEvent(QHideEvent* event)
{
    SettingsSheet::hideEvent(event);
    m_timer->stop();
}

} // namespace EditorSettings
