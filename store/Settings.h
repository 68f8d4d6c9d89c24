#pragma once

#include "platform/PreferencesDomain.h"
#include "store/SettingKeys.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace EditorStore {

// Remembers which setting names have been reported in this run and calls the handler the
// program entry installs, at most once per name. A name found bad before a handler exists is
// never reported later. The handler runs outside the lock, on the reading thread, so it may
// read settings itself.
class SettingsReporter
{
public:
    using Handler = std::function<void(const std::string& name)>;

    // The one reporter of the process.
    static const std::shared_ptr<SettingsReporter>& shared();

    void setHandler(Handler handler);
    Handler handler() const;
    void report(std::string_view name);

private:
    mutable std::mutex m_mutex;
    std::set<std::string, std::less<>> m_reported;
    Handler m_handler;
};

// Observers of "app.orlune.viewer.settingsDidChange" in this process. Observers are called
// synchronously on the thread that changed the settings, outside any lock, in the order they
// were added.
class SettingsChangeCenter
{
public:
    using Observer = std::function<void(const std::vector<std::string>& keys)>;
    using ObserverId = std::uint64_t;

    static const std::shared_ptr<SettingsChangeCenter>& shared();

    ObserverId addObserver(Observer observer);
    void removeObserver(ObserverId id);
    void post(const std::vector<std::string>& keys);

private:
    std::mutex m_mutex;
    ObserverId m_nextId = 1;
    std::vector<std::pair<ObserverId, Observer>> m_observers;
};

// The user settings: typed reads that never fail, checked writes, group resets. A value given
// on the command line ("-name value") overrides the stored one.
class Settings
{
public:
    static constexpr std::string_view didChangeNotification = "app.orlune.viewer.settingsDidChange";

    // The application's settings over the group's preferences and this process's command line.
    static Settings& shared();

    Settings(std::shared_ptr<Platform::PreferencesDomain> defaults,
             std::map<std::string, std::string> arguments,
             std::shared_ptr<SettingsReporter> reporter = SettingsReporter::shared(),
             std::shared_ptr<SettingsChangeCenter> changes = SettingsChangeCenter::shared());

    const Platform::PreferencesDomain& defaults() const { return *m_defaults; }
    const std::map<std::string, std::string>& arguments() const { return m_arguments; }

    template<class T>
    T value(const SettingKey<T>& key) const;

    // A value that fails the key's check is ignored; the default removes the stored value.
    // Every accepted write posts the change, even when nothing changed on disk.
    template<class T>
    void set(const std::type_identity_t<T>& value, const SettingKey<T>& key);

    // Removes the group's stored values and posts their names (also when there are none).
    void reset(SettingGroup group);

    // The group's names that have a stored value, in the group's order. A name given only on
    // the command line does not count.
    std::vector<std::string> storedKeys(SettingGroup group) const;

    // Installs (or, given an empty function, removes) the handler of the process's reporter.
    static void setInvalidValueHandler(SettingsReporter::Handler handler);
    static SettingsReporter::Handler invalidValueHandler();

private:
    std::optional<Platform::PreferenceValue> candidate(std::string_view name) const;
    void store(std::string_view name, std::optional<Platform::PreferenceValue> value);

    std::shared_ptr<Platform::PreferencesDomain> m_defaults;
    std::map<std::string, std::string> m_arguments;
    std::shared_ptr<SettingsReporter> m_reporter;
    std::shared_ptr<SettingsChangeCenter> m_changes;
};

extern template std::string Settings::value(const SettingKey<std::string>&) const;
extern template bool Settings::value(const SettingKey<bool>&) const;
extern template std::int64_t Settings::value(const SettingKey<std::int64_t>&) const;
extern template double Settings::value(const SettingKey<double>&) const;
extern template void Settings::set(const std::string&, const SettingKey<std::string>&);
extern template void Settings::set(const bool&, const SettingKey<bool>&);
extern template void Settings::set(const std::int64_t&, const SettingKey<std::int64_t>&);
extern template void Settings::set(const double&, const SettingKey<double>&);

} // namespace EditorStore
