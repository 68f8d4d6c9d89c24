#include "store/FileMemory.h"

#include "platform/Base64.h"
#include "platform/FileBookmark.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/InternetDate.h"
#include "platform/Json.h"
#include "platform/JsonErrorCode.h"
#include "store/StoredValues.h"

#include <algorithm>

namespace EditorStore {
namespace {

constexpr mode_t privateFile = 0600;
constexpr mode_t privateFolder = 0700;

// False when the key holds a value of another type; null and a missing key read as absent.
template<class T, class Check>
bool readOptional(const nlohmann::json& object,
                  const char* key,
                  Check isType,
                  std::optional<T>& out)
{
    auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return true;
    if (!isType(*found))
        return false;
    out = found->get<T>();
    return true;
}

std::optional<FileViewMemory> decodeView(const nlohmann::json& object)
{
    if (!object.is_object())
        return std::nullopt;
    FileViewMemory view;
    auto isString = [](const nlohmann::json& value) { return value.is_string(); };
    auto isNumber = [](const nlohmann::json& value) { return value.is_number(); };
    auto isBoolean = [](const nlohmann::json& value) { return value.is_boolean(); };
    if (!readOptional(object, "fontFamily", isString, view.fontFamily)
        || !readOptional(object, "fontSize", isNumber, view.fontSize)
        || !readOptional(object, "lineSpacing", isNumber, view.lineSpacing)
        || !readOptional(object, "ruler", isBoolean, view.ruler))
        return std::nullopt;
    return view;
}

std::optional<FileMemoryEntry> decodeEntry(const nlohmann::json& object)
{
    if (!object.is_object())
        return std::nullopt;
    FileMemoryEntry entry;
    auto path = object.find("path");
    if (path == object.end() || !path->is_string())
        return std::nullopt;
    entry.path = path->get<std::string>();

    auto chosenAt = object.find("chosenAt");
    if (chosenAt == object.end() || !chosenAt->is_string())
        return std::nullopt;
    auto date = Platform::InternetDate::parse(chosenAt->get_ref<const std::string&>());
    if (!date)
        return std::nullopt;
    entry.chosenAt = *date;

    if (auto bookmark = object.find("bookmark"); bookmark != object.end() && !bookmark->is_null()) {
        if (!bookmark->is_string())
            return std::nullopt;
        entry.bookmark = Platform::Base64::decode(bookmark->get_ref<const std::string&>());
        if (!entry.bookmark)
            return std::nullopt;
    }
    if (auto encoding = object.find("encoding"); encoding != object.end() && !encoding->is_null()) {
        if (!encoding->is_string())
            return std::nullopt;
        entry.encoding =
            EditorCore::textEncodingFromRawValue(encoding->get_ref<const std::string&>());
        if (!entry.encoding)
            return std::nullopt;
    }
    if (auto view = object.find("view"); view != object.end() && !view->is_null()) {
        entry.view = decodeView(*view);
        if (!entry.view)
            return std::nullopt;
    }
    return entry;
}

nlohmann::json encodeEntry(const FileMemoryEntry& entry)
{
    nlohmann::json object = nlohmann::json::object();
    object["path"] = entry.path;
    if (entry.bookmark)
        object["bookmark"] = Platform::Base64::encode(*entry.bookmark);
    if (entry.encoding)
        object["encoding"] = std::string(EditorCore::rawValue(*entry.encoding));
    if (entry.view) {
        nlohmann::json view = nlohmann::json::object();
        if (entry.view->fontFamily)
            view["fontFamily"] = *entry.view->fontFamily;
        if (entry.view->fontSize)
            view["fontSize"] = *entry.view->fontSize;
        if (entry.view->lineSpacing)
            view["lineSpacing"] = *entry.view->lineSpacing;
        if (entry.view->ruler)
            view["ruler"] = *entry.view->ruler;
        object["view"] = std::move(view);
    }
    object["chosenAt"] = Platform::InternetDate::format(entry.chosenAt);
    return object;
}

std::optional<std::string> resolvedPath(const std::vector<std::uint8_t>& bookmark)
{
    auto record = Platform::FileBookmark::fromBytes(bookmark);
    if (!record)
        return std::nullopt;
    auto present = record->resolve();
    if (!present)
        return std::nullopt;
    return standardizedPath(*present);
}

std::optional<FileMemoryEntry> find(const std::vector<FileMemoryEntry>& entries,
                                    const std::string& key)
{
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (canonicallyEquivalent(entry->path, key))
            return *entry;
    }
    for (const auto& entry : entries) {
        if (!entry.bookmark)
            continue;
        auto present = resolvedPath(*entry.bookmark);
        if (present && canonicallyEquivalent(*present, key))
            return entry;
    }
    return std::nullopt;
}

} // namespace

std::filesystem::path FileMemory::defaultFileURL()
{
    return Platform::Folders::applicationSupport() / "FileMemory.json";
}

FileMemory::FileMemory()
    : m_fileURL(defaultFileURL())
{}

FileMemory::FileMemory(std::filesystem::path fileURL)
    : m_fileURL(std::move(fileURL))
{}

EditorCore::Result<std::string, std::error_code>
FileMemory::encode(const std::vector<FileMemoryEntry>& entries)
{
    nlohmann::json list = nlohmann::json::array();
    for (const auto& entry : entries)
        list.push_back(encodeEntry(entry));
    nlohmann::json root = {{"schemaVersion", 1}, {"entries", std::move(list)}};
    auto text = Platform::writeJson(root, Platform::JsonStyle::pretty);
    if (!text)
        return EditorCore::failure(make_error_code(text.error()));
    return std::move(*text);
}

std::optional<std::vector<FileMemoryEntry>> FileMemory::decode(std::string_view json)
{
    auto parsed = Platform::parseJson(json);
    if (!parsed || !parsed->is_object())
        return std::nullopt;
    auto version = parsed->find("schemaVersion");
    if (version == parsed->end() || !jsonInteger(*version))
        return std::nullopt;
    auto list = parsed->find("entries");
    if (list == parsed->end() || !list->is_array())
        return std::nullopt;
    std::vector<FileMemoryEntry> entries;
    entries.reserve(list->size());
    for (const auto& item : *list) {
        if (auto entry = decodeEntry(item))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::vector<FileMemoryEntry> FileMemory::load() const
{
    auto bytes = Platform::readWholeFile(m_fileURL);
    if (!bytes)
        return {};
    auto entries =
        decode(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    return entries ? std::move(*entries) : std::vector<FileMemoryEntry>();
}

std::optional<FileMemoryEntry> FileMemory::entry(const std::filesystem::path& file) const
{
    auto entries = load();
    if (entries.empty())
        return std::nullopt;
    return find(entries, standardizedPath(file));
}

std::optional<EditorCore::TextEncoding>
FileMemory::encoding(const std::filesystem::path& file) const
{
    auto found = entry(file);
    return found ? found->encoding : std::nullopt;
}

std::optional<FileViewMemory> FileMemory::view(const std::filesystem::path& file) const
{
    auto found = entry(file);
    return found ? found->view : std::nullopt;
}

template<class Change>
EditorCore::Result<void, std::error_code>
FileMemory::remember(const std::filesystem::path& file,
                     std::chrono::system_clock::time_point chosenAt,
                     Change change) const
{
    auto key = standardizedPath(file);
    auto old = entry(file);
    FileMemoryEntry updated = old.value_or(FileMemoryEntry{});
    updated.path = key;
    auto bookmark = Platform::FileBookmark::make(file);
    updated.bookmark = bookmark ? std::optional(bookmark->bytes()) : std::nullopt;
    change(updated);
    updated.chosenAt = std::chrono::floor<std::chrono::seconds>(chosenAt);

    auto entries = load();
    std::erase_if(entries, [&](const FileMemoryEntry& item) {
        return canonicallyEquivalent(item.path, key) || (old && item == *old);
    });
    entries.push_back(std::move(updated));
    if (entries.size() > maxEntries) {
        std::stable_sort(
            entries.begin(), entries.end(), [](const FileMemoryEntry& a, const FileMemoryEntry& b) {
                return a.chosenAt < b.chosenAt;
            });
        entries.erase(entries.begin(),
                      entries.begin() + static_cast<std::ptrdiff_t>(entries.size() - maxEntries));
    }

    if (auto made = Platform::createFolders(m_fileURL.parent_path(), privateFolder); !made)
        return made;
    auto json = encode(entries);
    if (!json)
        return EditorCore::failure(json.error());
    return Platform::writeAtomically(m_fileURL, *json, privateFile);
}

EditorCore::Result<void, std::error_code>
FileMemory::rememberEncoding(EditorCore::TextEncoding encoding,
                             const std::filesystem::path& file,
                             std::chrono::system_clock::time_point chosenAt) const
{
    return remember(file, chosenAt, [&](FileMemoryEntry& entry) { entry.encoding = encoding; });
}

EditorCore::Result<void, std::error_code>
FileMemory::rememberView(const FileViewMemory& view,
                         const std::filesystem::path& file,
                         std::chrono::system_clock::time_point chosenAt) const
{
    return remember(file, chosenAt, [&](FileMemoryEntry& entry) { entry.view = view; });
}

std::ostream& operator<<(std::ostream& out, const FileViewMemory& view)
{
    out << "{fontFamily: " << view.fontFamily.value_or("-") << ", fontSize: ";
    if (view.fontSize)
        out << *view.fontSize;
    else
        out << '-';
    out << ", lineSpacing: ";
    if (view.lineSpacing)
        out << *view.lineSpacing;
    else
        out << '-';
    out << ", ruler: ";
    if (view.ruler)
        out << (*view.ruler ? "true" : "false");
    else
        out << '-';
    return out << '}';
}

std::ostream& operator<<(std::ostream& out, const FileMemoryEntry& entry)
{
    out << "{path: " << entry.path
        << ", bookmark: " << (entry.bookmark ? Platform::Base64::encode(*entry.bookmark) : "-")
        << ", encoding: ";
    if (entry.encoding)
        out << *entry.encoding;
    else
        out << '-';
    out << ", view: ";
    if (entry.view)
        out << *entry.view;
    else
        out << '-';
    return out << ", chosenAt: " << Platform::InternetDate::format(entry.chosenAt) << '}';
}

} // namespace EditorStore
