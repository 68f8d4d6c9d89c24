#include "store/Settings.h"

#include "platform/ArgumentDomain.h"
#include "store/AppGroup.h"
#include "store/SettingConversion.h"

namespace EditorStore {

const std::shared_ptr<SettingsReporter>& SettingsReporter::shared()
{
    static const auto reporter = std::make_shared<SettingsReporter>();
    return reporter;
}

void SettingsReporter::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

SettingsReporter::Handler SettingsReporter::handler() const
{
    std::lock_guard lock(m_mutex);
    return m_handler;
}

void SettingsReporter::report(std::string_view name)
{
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        if (!m_reported.emplace(name).second)
            return;
        if (!m_handler)
            return;
        handler = m_handler;
    }
    handler(std::string(name));
}

const std::shared_ptr<SettingsChangeCenter>& SettingsChangeCenter::shared()
{
    static const auto center = std::make_shared<SettingsChangeCenter>();
    return center;
}

SettingsChangeCenter::ObserverId SettingsChangeCenter::addObserver(Observer observer)
{
    std::lock_guard lock(m_mutex);
    auto id = m_nextId++;
    m_observers.emplace_back(id, std::move(observer));
    return id;
}

void SettingsChangeCenter::removeObserver(ObserverId id)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_observers, [id](const auto& entry) { return entry.first == id; });
}

void SettingsChangeCenter::post(const std::vector<std::string>& keys)
{
    std::vector<Observer> observers;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& entry : m_observers)
            observers.push_back(entry.second);
    }
    for (const auto& observer : observers)
        observer(keys);
}

Settings& Settings::shared()
{
    static Settings settings(std::make_shared<Platform::PreferencesDomain>(groupPreferencesFile()),
                             Platform::ArgumentDomain::processArguments());
    return settings;
}

Settings::Settings(std::shared_ptr<Platform::PreferencesDomain> defaults,
                   std::map<std::string, std::string> arguments,
                   std::shared_ptr<SettingsReporter> reporter,
                   std::shared_ptr<SettingsChangeCenter> changes)
    : m_defaults(std::move(defaults))
    , m_arguments(std::move(arguments))
    , m_reporter(std::move(reporter))
    , m_changes(std::move(changes))
{}

std::optional<Platform::PreferenceValue> Settings::candidate(std::string_view name) const
{
    if (auto found = m_arguments.find(std::string(name)); found != m_arguments.end())
        return Platform::PreferenceValue(found->second);
    return m_defaults->object(name);
}

template<class T>
T Settings::value(const SettingKey<T>& key) const
{
    auto object = candidate(key.name);
    if (!object)
        return key.defaultValue;
    auto converted = SettingConversion::convert<T>(*object);
    if (!converted || !key.isValid(*converted)) {
        m_reporter->report(key.name);
        return key.defaultValue;
    }
    return *converted;
}

template<class T>
void Settings::set(const std::type_identity_t<T>& value, const SettingKey<T>& key)
{
    if (!key.isValid(value))
        return;
    if (value == key.defaultValue)
        store(key.name, std::nullopt);
    else
        store(key.name, Platform::PreferenceValue(value));
    m_changes->post({std::string(key.name)});
}

void Settings::store(std::string_view name, std::optional<Platform::PreferenceValue> value)
{
    // A write that fails leaves the old value in place; settings report nothing of it.
    if (value)
        (void)m_defaults->set(name, *value);
    else
        (void)m_defaults->remove(name);
}

void Settings::reset(SettingGroup group)
{
    auto names = storedKeys(group);
    if (!names.empty())
        (void)m_defaults->remove(names);
    m_changes->post(names);
}

std::vector<std::string> Settings::storedKeys(SettingGroup group) const
{
    auto stored = m_defaults->allValues();
    std::vector<std::string> names;
    for (auto name : SettingKeys::namesInGroup(group)) {
        if (stored.contains(std::string(name)))
            names.emplace_back(name);
    }
    return names;
}

void Settings::setInvalidValueHandler(SettingsReporter::Handler handler)
{
    SettingsReporter::shared()->setHandler(std::move(handler));
}

SettingsReporter::Handler Settings::invalidValueHandler()
{
    return SettingsReporter::shared()->handler();
}

template std::string Settings::value(const SettingKey<std::string>&) const;
template bool Settings::value(const SettingKey<bool>&) const;
template std::int64_t Settings::value(const SettingKey<std::int64_t>&) const;
template double Settings::value(const SettingKey<double>&) const;
template void Settings::set(const std::string&, const SettingKey<std::string>&);
template void Settings::set(const bool&, const SettingKey<bool>&);
template void Settings::set(const std::int64_t&, const SettingKey<std::int64_t>&);
template void Settings::set(const double&, const SettingKey<double>&);

} // namespace EditorStore
