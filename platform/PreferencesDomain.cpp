#include "platform/PreferencesDomain.h"

#include "platform/Files.h"
#include "platform/Json.h"

#include <cmath>
#include <sys/stat.h>

namespace Platform {
namespace {

nlohmann::json toJson(const PreferenceValue& value)
{
    return std::visit(
        [](const auto& v) -> nlohmann::json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, OtherPreference>)
                return nullptr;
            else
                return v;
        },
        value);
}

} // namespace

PreferenceValue preferenceValue(const nlohmann::json& value)
{
    switch (value.type()) {
    case nlohmann::json::value_t::string:
        return value.get_ref<const std::string&>();
    case nlohmann::json::value_t::boolean:
        return value.get_ref<const bool&>();
    case nlohmann::json::value_t::number_integer:
        return value.get_ref<const std::int64_t&>();
    case nlohmann::json::value_t::number_unsigned: {
        auto number = value.get_ref<const std::uint64_t&>();
        if (number <= static_cast<std::uint64_t>(INT64_MAX))
            return static_cast<std::int64_t>(number);
        return static_cast<double>(number);
    }
    case nlohmann::json::value_t::number_float:
        return value.get_ref<const double&>();
    case nlohmann::json::value_t::array: {
        std::vector<std::string> texts;
        for (const auto& item : value) {
            if (!item.is_string())
                return OtherPreference{};
            texts.push_back(item.get_ref<const std::string&>());
        }
        return texts;
    }
    default:
        return OtherPreference{};
    }
}

PreferencesDomain::PreferencesDomain(std::filesystem::path file)
    : m_file(std::move(file))
{}

void PreferencesDomain::refresh() const
{
    Stamp stamp;
    struct stat info = {};
    if (::stat(m_file.c_str(), &info) == 0) {
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.modifiedSeconds = info.st_mtim.tv_sec;
        stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
        stamp.changedSeconds = info.st_ctim.tv_sec;
        stamp.changedNanoseconds = info.st_ctim.tv_nsec;
    }
    if (m_stamp == stamp)
        return;
    m_values = nlohmann::json::object();
    if (stamp.exists) {
        if (auto bytes = readWholeFile(m_file)) {
            std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
            if (auto parsed = parseJson(text); parsed && parsed->is_object())
                m_values = std::move(*parsed);
        } else {
            // Unreadable now; try again on the next use rather than trusting this stamp.
            m_stamp.reset();
            return;
        }
    }
    m_stamp = stamp;
}

EditorCore::Result<void, std::error_code> PreferencesDomain::store(const nlohmann::json& object)
{
    auto text = writeJson(object, JsonStyle::pretty);
    if (!text)
        return EditorCore::failure(std::make_error_code(std::errc::invalid_argument));
    *text += '\n';
    auto folder = m_file.parent_path();
    if (!folder.empty()) {
        if (auto made = createFolders(folder, 0700); !made)
            return EditorCore::failure(made.error());
    }
    auto written = writeAtomically(m_file, *text, 0600);
    // Whatever happened, the next read looks at the file again.
    m_stamp.reset();
    if (!written)
        return EditorCore::failure(written.error());
    m_values = object;
    return {};
}

std::optional<PreferenceValue> PreferencesDomain::object(std::string_view name) const
{
    std::lock_guard lock(m_mutex);
    refresh();
    auto found = m_values.find(name);
    if (found == m_values.end())
        return std::nullopt;
    return preferenceValue(*found);
}

bool PreferencesDomain::contains(std::string_view name) const
{
    std::lock_guard lock(m_mutex);
    refresh();
    return m_values.contains(name);
}

std::map<std::string, PreferenceValue> PreferencesDomain::allValues() const
{
    std::lock_guard lock(m_mutex);
    refresh();
    std::map<std::string, PreferenceValue> values;
    for (const auto& [name, value] : m_values.items())
        values.emplace(name, preferenceValue(value));
    return values;
}

EditorCore::Result<void, std::error_code> PreferencesDomain::set(std::string_view name,
                                                                 const PreferenceValue& value)
{
    if (const double* number = std::get_if<double>(&value); number && !std::isfinite(*number))
        return EditorCore::failure(std::make_error_code(std::errc::invalid_argument));
    std::lock_guard lock(m_mutex);
    refresh();
    auto changed = m_values;
    changed[std::string(name)] = toJson(value);
    return store(changed);
}

EditorCore::Result<void, std::error_code> PreferencesDomain::remove(std::string_view name)
{
    std::string names[] = {std::string(name)};
    return remove(names);
}

EditorCore::Result<void, std::error_code>
PreferencesDomain::remove(std::span<const std::string> names)
{
    std::lock_guard lock(m_mutex);
    refresh();
    auto changed = m_values;
    bool removedAny = false;
    for (const auto& name : names)
        removedAny = changed.erase(name) > 0 || removedAny;
    if (!removedAny)
        return {};
    return store(changed);
}

} // namespace Platform
