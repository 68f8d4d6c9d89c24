#pragma once

#include "core/Result.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

namespace Platform {

// A stored object of a kind that preferences do not hold (null, a map, an array of non-texts).
struct OtherPreference
{
    bool operator==(const OtherPreference&) const = default;
};

using PreferenceValue = std::
    variant<std::string, bool, std::int64_t, double, std::vector<std::string>, OtherPreference>;

// One preferences domain: a JSON object in one file, shared with other processes. Reads see
// the file as it is on disk (it is read again whenever it changed); every change rewrites the
// whole file atomically, starting from the file's current content so that another process's
// change of another key is kept. A file that is missing or not a JSON object reads as empty.
// Safe to use from several threads.
class PreferencesDomain
{
public:
    explicit PreferencesDomain(std::filesystem::path file);

    const std::filesystem::path& file() const { return m_file; }

    std::optional<PreferenceValue> object(std::string_view name) const;
    bool contains(std::string_view name) const;
    std::map<std::string, PreferenceValue> allValues() const;

    // A double that is not finite is refused (invalid_argument).
    [[nodiscard]] EditorCore::Result<void, std::error_code> set(std::string_view name,
                                                                const PreferenceValue& value);
    [[nodiscard]] EditorCore::Result<void, std::error_code> remove(std::string_view name);
    // Removes every name in one rewrite; nothing is written when none of them is stored.
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    remove(std::span<const std::string> names);

private:
    struct Stamp
    {
        bool exists = false;
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0, modifiedSeconds = 0, modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0, changedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };

    // Both need m_mutex held.
    void refresh() const;
    EditorCore::Result<void, std::error_code> store(const nlohmann::json& object);

    std::filesystem::path m_file;
    mutable std::mutex m_mutex;
    mutable std::optional<Stamp> m_stamp; // none: read the file on next use
    mutable nlohmann::json m_values = nlohmann::json::object();
};

// Converts a parsed JSON value to what preferences hold. Integers beyond the signed 64-bit
// range become doubles.
PreferenceValue preferenceValue(const nlohmann::json& value);

} // namespace Platform
