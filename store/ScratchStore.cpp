#include "store/ScratchStore.h"

#include "core/TextBounds.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/InternetDate.h"
#include "platform/Json.h"
#include "platform/JsonErrorCode.h"
#include "store/StoredValues.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace EditorStore {
namespace {

constexpr mode_t privateFile = 0600;
constexpr mode_t privateFolder = 0700;
constexpr std::size_t titleLength = 20;

bool isTitleBlank(char32_t c)
{
    return c == U'\t' || u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR;
}

// The code point that starts at `index`, and the one that ends at `end`.
char32_t codePointAt(std::u16string_view text, std::size_t index, std::size_t& length)
{
    char16_t unit = text[index];
    if (U16_IS_LEAD(unit) && index + 1 < text.size() && U16_IS_TRAIL(text[index + 1])) {
        length = 2;
        return U16_GET_SUPPLEMENTARY(unit, text[index + 1]);
    }
    length = 1;
    return unit;
}

char32_t codePointBefore(std::u16string_view text, std::size_t end, std::size_t& length)
{
    char16_t unit = text[end - 1];
    if (U16_IS_TRAIL(unit) && end >= 2 && U16_IS_LEAD(text[end - 2])) {
        length = 2;
        return U16_GET_SUPPLEMENTARY(text[end - 2], unit);
    }
    length = 1;
    return unit;
}

std::optional<std::string> optionalText(const nlohmann::json& object, const char* key, bool& ok)
{
    auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return std::nullopt;
    if (!found->is_string()) {
        ok = false;
        return std::nullopt;
    }
    return found->get<std::string>();
}

std::optional<std::chrono::sys_seconds> requiredDate(const nlohmann::json& object, const char* key)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    return Platform::InternetDate::parse(found->get_ref<const std::string&>());
}

} // namespace

EditorCore::Result<std::string, std::error_code> ScratchMeta::encode() const
{
    nlohmann::json object = nlohmann::json::object();
    object["schemaVersion"] = schemaVersion;
    object["id"] = id.text();
    object["createdAt"] = Platform::InternetDate::format(createdAt);
    object["updatedAt"] = Platform::InternetDate::format(updatedAt);
    if (title)
        object["title"] = utf8Repairing(*title);
    if (origin)
        object["origin"] = *origin;
    auto text = Platform::writeJson(object, Platform::JsonStyle::pretty);
    if (!text)
        return EditorCore::failure(make_error_code(text.error()));
    return std::move(*text);
}

std::optional<ScratchMeta> ScratchMeta::decode(std::string_view json)
{
    auto parsed = Platform::parseJson(json);
    if (!parsed || !parsed->is_object())
        return std::nullopt;
    const auto& object = *parsed;
    ScratchMeta meta;

    auto version = object.find("schemaVersion");
    if (version == object.end())
        return std::nullopt;
    auto versionNumber = jsonInteger(*version);
    if (!versionNumber)
        return std::nullopt;
    meta.schemaVersion = *versionNumber;

    auto id = object.find("id");
    if (id == object.end() || !id->is_string())
        return std::nullopt;
    auto uuid = Platform::Uuid::parse(id->get_ref<const std::string&>());
    if (!uuid)
        return std::nullopt;
    meta.id = *uuid;

    auto createdAt = requiredDate(object, "createdAt");
    auto updatedAt = requiredDate(object, "updatedAt");
    if (!createdAt || !updatedAt)
        return std::nullopt;
    meta.createdAt = *createdAt;
    meta.updatedAt = *updatedAt;

    bool ok = true;
    if (auto title = optionalText(object, "title", ok))
        meta.title = utf16Repairing(*title);
    meta.origin = optionalText(object, "origin", ok);
    if (!ok)
        return std::nullopt;
    return meta;
}

std::filesystem::path ScratchStore::defaultDirectory()
{
    return Platform::Folders::applicationSupport() / "Scratch";
}

ScratchStore::ScratchStore()
    : m_directory(defaultDirectory())
{}

ScratchStore::ScratchStore(std::filesystem::path directory)
    : m_directory(std::move(directory))
{}

std::string ScratchStore::fileStem(const Platform::Uuid& id) const
{
    auto upper = id.text();
    struct stat info = {};
    if (::lstat((m_directory / (upper + ".txt")).c_str(), &info) == 0)
        return upper;
    // The listing accepts either letter case, so a document may be spelt otherwise.
    std::error_code error;
    std::filesystem::directory_iterator entries(m_directory, error);
    for (auto end = std::filesystem::directory_iterator(); !error && entries != end;
         entries.increment(error)) {
        auto name = entries->path().filename().string();
        if (name.size() != 40 || !name.ends_with(".txt"))
            continue;
        auto stem = name.substr(0, 36);
        if (Platform::Uuid::parse(stem) == id)
            return stem;
    }
    return upper;
}

std::optional<ScratchMeta> ScratchStore::readMeta(const std::string& stem) const
{
    auto bytes = Platform::readWholeFile(m_directory / (stem + ".json"));
    if (!bytes)
        return std::nullopt;
    return ScratchMeta::decode(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::vector<ScratchEntry> ScratchStore::list() const
{
    struct Listed
    {
        ScratchEntry entry;
        std::string key;
    };
    std::vector<Listed> listed;
    std::error_code error;
    std::filesystem::directory_iterator entries(m_directory, error);
    for (auto end = std::filesystem::directory_iterator(); !error && entries != end;
         entries.increment(error)) {
        auto name = entries->path().filename().string();
        if (!name.ends_with(".txt"))
            continue;
        auto stem = name.substr(0, name.size() - 4);
        auto id = Platform::Uuid::parse(stem);
        if (!id)
            continue;
        listed.push_back({ScratchEntry{*id, readMeta(stem)}, id->text()});
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        auto created = [](const Listed& item) {
            return item.entry.meta ? std::optional(item.entry.meta->createdAt) : std::nullopt;
        };
        // An absent time comes before every real one, as optional orders it.
        return std::make_tuple(created(a), std::cref(a.key))
               < std::make_tuple(created(b), std::cref(b.key));
    });
    std::vector<ScratchEntry> result;
    result.reserve(listed.size());
    for (auto& item : listed)
        result.push_back(std::move(item.entry));
    return result;
}

std::optional<ScratchMeta> ScratchStore::meta(const Platform::Uuid& id) const
{
    return readMeta(fileStem(id));
}

EditorCore::Result<std::u16string, std::error_code>
ScratchStore::readText(const Platform::Uuid& id) const
{
    auto bytes = Platform::readWholeFile(m_directory / (fileStem(id) + ".txt"));
    if (!bytes)
        return EditorCore::failure(bytes.error());
    return utf16Repairing(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

EditorCore::Result<void, std::error_code>
ScratchStore::save(const Platform::Uuid& id,
                   std::u16string_view text,
                   std::chrono::system_clock::time_point now,
                   std::optional<std::string> origin) const
{
    if (text.empty()) {
        remove(id);
        return {};
    }
    if (auto made = Platform::createFolders(m_directory, privateFolder); !made)
        return made;
    auto stem = fileStem(id);
    // A lone surrogate has no UTF-8 form; it is kept as U+FFFD rather than losing the text.
    if (auto written = Platform::writeAtomically(
            m_directory / (stem + ".txt"), utf8Repairing(text), privateFile);
        !written)
        return written;

    return saveMeta(id, stem, title(text), std::move(origin), now);
}

EditorCore::Result<void, std::error_code>
ScratchStore::saveMeta(const Platform::Uuid& id,
                       const std::string& stem,
                       std::optional<std::u16string> title,
                       std::optional<std::string> origin,
                       std::chrono::system_clock::time_point now) const
{
    auto old = readMeta(stem);
    auto time = std::chrono::floor<std::chrono::seconds>(now);
    ScratchMeta meta;
    meta.id = id;
    meta.createdAt = old ? old->createdAt : time;
    meta.updatedAt = time;
    meta.title = std::move(title);
    meta.origin = origin ? std::move(origin) : (old ? old->origin : std::nullopt);
    auto json = meta.encode();
    if (!json)
        return EditorCore::failure(json.error());
    return Platform::writeAtomically(m_directory / (stem + ".json"), *json, privateFile);
}

EditorCore::Result<void, std::error_code>
ScratchStore::save(const Platform::Uuid& id,
                   const EditorCore::TextSnapshot& text,
                   std::chrono::system_clock::time_point now,
                   std::optional<std::string> origin) const
{
    if (text.isEmpty()) {
        remove(id);
        return {};
    }
    if (auto made = Platform::createFolders(m_directory, privateFolder); !made)
        return made;
    auto stem = fileStem(id);
    // Chunks never split a surrogate pair, so each is repaired on its own as the whole would be.
    auto pieces = [&text](const Platform::ByteWriter& write) {
        return text.visit(0, text.length(), [&write](std::u16string_view piece) {
            const std::string bytes = utf8Repairing(piece);
            return write(std::span<const std::uint8_t>(
                reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        });
    };
    if (auto written =
            Platform::writeAtomically(m_directory / (stem + ".txt"), pieces, privateFile);
        !written)
        return written;
    return saveMeta(id, stem, title(titleSource(text)), std::move(origin), now);
}

std::u16string ScratchStore::titleSource(const EditorCore::TextSnapshot& text)
{
    std::u16string source;
    text.visit(0, std::min(text.length(), titleSourceLength), [&source](std::u16string_view piece) {
        const auto lineEnd = piece.find_first_of(u"\n\r\u2028");
        source.append(piece.substr(0, lineEnd));
        return lineEnd == std::u16string_view::npos;
    });
    return source;
}

void ScratchStore::remove(const Platform::Uuid& id) const
{
    auto stem = fileStem(id);
    ::unlink((m_directory / (stem + ".txt")).c_str());
    ::unlink((m_directory / (stem + ".json")).c_str());
}

std::optional<std::u16string> ScratchStore::title(std::u16string_view text)
{
    auto lineEnd = text.find_first_of(u"\n\r\u2028");
    auto line = text.substr(0, lineEnd);

    std::size_t start = 0, end = line.size(), length = 0;
    while (start < end && isTitleBlank(codePointAt(line, start, length)))
        start += length;
    while (end > start && isTitleBlank(codePointBefore(line, end, length)))
        end -= length;
    if (start == end)
        return std::nullopt;
    auto trimmed = line.substr(start, end - start);

    EditorCore::TextBounds::ComposedCharacters characters(trimmed);
    std::int64_t cut = 0;
    for (std::size_t count = 0;
         count < titleLength && cut < static_cast<std::int64_t>(trimmed.size());
         ++count)
        cut = characters.containing(cut).end();
    return std::u16string(trimmed.substr(0, static_cast<std::size_t>(cut)));
}

std::ostream& operator<<(std::ostream& out, const ScratchMeta& meta)
{
    auto text = meta.encode();
    return out << (text ? *text : std::string("<unencodable scratch metadata>"));
}

std::ostream& operator<<(std::ostream& out, const ScratchEntry& entry)
{
    out << entry.id << ' ';
    if (entry.meta)
        return out << *entry.meta;
    return out << "(no metadata)";
}

} // namespace EditorStore
