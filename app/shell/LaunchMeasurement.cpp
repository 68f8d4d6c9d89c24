#include "app/shell/LaunchMeasurement.h"

#include "app/kit/HostWindow.h"
#include "app/kit/AppLog.h"
#include "store/AppGroup.h"

#include <QApplication>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace EditorShell::LaunchMeasurement {

namespace {

constexpr std::string_view outputKey = "OLMeasureOutput";

Phases& phaseList()
{
    static Phases phases;
    return phases;
}

std::string readFile(const char* path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Waits for the first visible host window that shows a document tab, then reports.
class FirstWindowWatch : public QObject
{
public:
    explicit FirstWindowWatch(std::string path)
        : m_path(std::move(path))
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto type = event->type();
        if (type != QEvent::Show && type != QEvent::Paint && type != QEvent::WindowActivate)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* host = widget ? qobject_cast<EditorKit::HostWindow*>(widget->window()) : nullptr;
        if (!host || !host->isVisible() || host->pageCount() == 0)
            return false;
        // Taken once: the watch goes before the report is scheduled.
        qApp->removeEventFilter(this);
        deleteLater();
        QTimer::singleShot(0, qApp, [path = m_path] { report(path); });
        return false;
    }

private:
    std::string m_path;
};

} // namespace

const std::optional<std::string>& outputPath()
{
    static const std::optional<std::string> path = EditorStore::standardPreference(outputKey);
    return path;
}

bool isEnabled()
{
    static const bool enabled = outputPath().has_value();
    return enabled;
}

void mark(std::string_view name)
{
    if (isEnabled())
        phaseList().emplace_back(std::string(name), millisecondsSinceLaunch());
}

const Phases& phases()
{
    return phaseList();
}

void start()
{
    if (!isEnabled() || !qApp)
        return;
    qApp->installEventFilter(new FirstWindowWatch(*outputPath()));
}

std::optional<double> startSecondsFromStat(std::string_view stat, long ticksPerSecond)
{
    // The command name (field 2) is in parentheses and may hold anything; the fields after the
    // last ')' start with field 3, the state. The start time is field 22.
    auto close = stat.rfind(')');
    if (close == std::string_view::npos || ticksPerSecond <= 0)
        return std::nullopt;
    std::istringstream fields{std::string(stat.substr(close + 1))};
    std::string field;
    for (int number = 3; fields >> field; ++number) {
        if (number != 22)
            continue;
        unsigned long long ticks = 0;
        auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), ticks);
        if (error != std::errc() || end != field.data() + field.size())
            return std::nullopt;
        return static_cast<double>(ticks) / static_cast<double>(ticksPerSecond);
    }
    return std::nullopt;
}

std::optional<double> residentMBFromStatus(std::string_view status)
{
    constexpr std::string_view key = "VmRSS:";
    auto at = status.find(key);
    if (at == std::string_view::npos || (at > 0 && status[at - 1] != '\n'))
        return std::nullopt;
    std::istringstream line{std::string(status.substr(at + key.size()))};
    double kilobytes = 0;
    std::string unit;
    if (!(line >> kilobytes >> unit) || unit != "kB")
        return std::nullopt;
    return kilobytes / 1024.0;
}

double millisecondsSinceLaunch()
{
    // The start time counts from boot, on the clock that includes suspended time.
    auto started = startSecondsFromStat(readFile("/proc/self/stat"), ::sysconf(_SC_CLK_TCK));
    timespec now{};
    if (!started || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1.0;
    double sinceBoot = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    return (sinceBoot - *started) * 1000.0;
}

double footprintMB()
{
    return residentMBFromStatus(readFile("/proc/self/status")).value_or(-1.0);
}

std::string reportLine(double firstWindowMs, double footprint, const Phases& phases)
{
    auto format = [](const char* pattern, auto... values) {
        char buffer[64];
        int length = std::snprintf(buffer, sizeof buffer, pattern, values...);
        return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
    };
    std::string joined;
    for (const auto& [name, milliseconds] : phases) {
        if (!joined.empty())
            joined += ',';
        joined += name + format(":%.0f", milliseconds);
    }
    return format("firstWindowMs=%.0f", firstWindowMs) + format(" footprintMB=%.1f", footprint)
           + " phases=" + joined + "\n";
}

void report(const std::string& path)
{
    std::string line = reportLine(millisecondsSinceLaunch(), footprintMB(), phases());
    QSaveFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(line.data(), static_cast<qint64>(line.size()));
        file.commit();
    }
    AppLog::waitUntilWritten();
    // Ends here without tearing the windows down: the report has taken what it measures.
    std::fflush(nullptr);
    ::_exit(0);
}

} // namespace EditorShell::LaunchMeasurement
