#include "store/WindowState.h"

#include "platform/Base64.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Json.h"
#include "platform/JsonErrorCode.h"
#include "store/StoredValues.h"

#include <algorithm>

namespace EditorStore {
namespace {

constexpr mode_t privateFile = 0600;
constexpr mode_t privateFolder = 0700;

using Json = nlohmann::json;
template<class T>
using Read = EditorCore::Result<T, std::string>;

std::string missing(std::string_view key)
{
    return "No value for the key \"" + std::string(key) + "\".";
}

std::string mismatch(std::string_view key, std::string_view expected)
{
    return "The value of \"" + std::string(key) + "\" is not " + std::string(expected) + ".";
}

// The value of a required key: present and not null.
Read<const Json*> required(const Json& object, std::string_view key)
{
    auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return EditorCore::failure(missing(key));
    return &*found;
}

// Null for a key that is missing or null.
const Json* optional(const Json& object, std::string_view key)
{
    auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

Read<std::int64_t> integer(const Json& value, std::string_view key)
{
    auto number = jsonInteger(value);
    if (!number)
        return EditorCore::failure(mismatch(key, "a 64-bit whole number"));
    return *number;
}

Read<double> number(const Json& value, std::string_view key)
{
    if (!value.is_number())
        return EditorCore::failure(mismatch(key, "a number"));
    return value.get<double>();
}

Read<bool> boolean(const Json& value, std::string_view key)
{
    if (!value.is_boolean())
        return EditorCore::failure(mismatch(key, "true or false"));
    return value.get<bool>();
}

Read<std::string> text(const Json& value, std::string_view key)
{
    if (!value.is_string())
        return EditorCore::failure(mismatch(key, "a string"));
    return value.get<std::string>();
}

Read<std::vector<std::uint8_t>> bytes(const Json& value, std::string_view key)
{
    auto encoded = text(value, key);
    if (!encoded)
        return EditorCore::failure(encoded.error());
    auto decoded = Platform::Base64::decode(*encoded);
    if (!decoded)
        return EditorCore::failure(mismatch(key, "Base64"));
    return std::move(*decoded);
}

// Reads a required key into `out` with `convert`; false with `error` set on failure.
template<class T, class Convert>
bool readRequired(
    const Json& object, std::string_view key, Convert convert, T& out, std::string& error)
{
    auto value = required(object, key);
    if (!value) {
        error = value.error();
        return false;
    }
    auto converted = convert(**value, key);
    if (!converted) {
        error = converted.error();
        return false;
    }
    out = std::move(*converted);
    return true;
}

template<class T, class Convert>
bool readOptional(const Json& object,
                  std::string_view key,
                  Convert convert,
                  std::optional<T>& out,
                  std::string& error)
{
    const Json* value = optional(object, key);
    if (value == nullptr)
        return true;
    auto converted = convert(*value, key);
    if (!converted) {
        error = converted.error();
        return false;
    }
    out = std::move(*converted);
    return true;
}

Read<Rect> frame(const Json& value, std::string_view key)
{
    auto pair = [&](const Json& item) -> Read<std::pair<double, double>> {
        if (!item.is_array() || item.size() < 2 || !item[0].is_number() || !item[1].is_number())
            return EditorCore::failure(mismatch(key, "[[x, y], [width, height]]"));
        return std::pair(item[0].get<double>(), item[1].get<double>());
    };
    if (!value.is_array() || value.size() < 2)
        return EditorCore::failure(mismatch(key, "[[x, y], [width, height]]"));
    auto origin = pair(value[0]);
    auto size = pair(value[1]);
    if (!origin || !size)
        return EditorCore::failure(origin ? size.error() : origin.error());
    return Rect{origin->first, origin->second, size->first, size->second};
}

Read<std::uint32_t> screenNumber(const Json& value, std::string_view key)
{
    auto whole = jsonInteger(value);
    if (!whole || *whole < 0 || *whole > 4294967295)
        return EditorCore::failure(mismatch(key, "a whole number in 0 through 4294967295"));
    return static_cast<std::uint32_t>(*whole);
}

Read<EditorCore::TextEncoding> encoding(const Json& value, std::string_view key)
{
    auto raw = text(value, key);
    if (!raw)
        return EditorCore::failure(raw.error());
    auto found = EditorCore::textEncodingFromRawValue(*raw);
    if (!found)
        return EditorCore::failure(mismatch(key, "a known encoding"));
    return *found;
}

Read<std::vector<std::string>> texts(const Json& value, std::string_view key)
{
    if (!value.is_array())
        return EditorCore::failure(mismatch(key, "an array of strings"));
    std::vector<std::string> out;
    for (const auto& item : value) {
        if (!item.is_string())
            return EditorCore::failure(mismatch(key, "an array of strings"));
        out.push_back(item.get<std::string>());
    }
    return out;
}

Read<TabRestoreState::Document> document(const Json& value, std::string_view key)
{
    if (!value.is_object())
        return EditorCore::failure(mismatch(key, "an object"));
    bool isFile = value.contains("file");
    bool isScratch = value.contains("scratch");
    if (isFile == isScratch)
        return EditorCore::failure(std::string("Invalid number of keys found, expected one."));
    std::string error;
    if (isFile) {
        const auto& file = value["file"];
        if (!file.is_object())
            return EditorCore::failure(mismatch("file", "an object"));
        TabRestoreState::File result;
        if (!readOptional(file, "bookmark", bytes, result.bookmark, error)
            || !readRequired(file, "path", text, result.path, error))
            return EditorCore::failure(error);
        return TabRestoreState::Document(std::move(result));
    }
    const auto& scratch = value["scratch"];
    if (!scratch.is_object())
        return EditorCore::failure(mismatch("scratch", "an object"));
    std::string id;
    if (!readRequired(scratch, "id", text, id, error))
        return EditorCore::failure(error);
    auto uuid = Platform::Uuid::parse(id);
    if (!uuid)
        return EditorCore::failure(mismatch("id", "a UUID"));
    return TabRestoreState::Document(TabRestoreState::Scratch{*uuid});
}

Read<FolderRestoreState> folderState(const Json& value, std::string_view key)
{
    if (!value.is_object())
        return EditorCore::failure(mismatch(key, "an object"));
    FolderRestoreState folder;
    std::string error;
    if (!readOptional(value, "bookmark", bytes, folder.bookmark, error)
        || !readRequired(value, "path", text, folder.path, error)
        || !readRequired(value, "expanded", texts, folder.expanded, error)
        || !readRequired(value, "showsHidden", boolean, folder.showsHidden, error)
        || !readRequired(value, "width", number, folder.width, error)
        || !readRequired(value, "visible", boolean, folder.visible, error))
        return EditorCore::failure(error);
    return folder;
}

// A window and whether it lost tabs that could not be read.
struct ReadWindow
{
    WindowRestoreState window;
    bool lostEveryTab = false;
};

Read<ReadWindow> windowState(const Json& value)
{
    if (!value.is_object())
        return EditorCore::failure(std::string("A window is not an object."));
    WindowRestoreState window;
    std::string error;
    const Json* tabs = nullptr;
    if (!readRequired(value, "frame", frame, window.frame, error)
        || !readOptional(value, "screenID", screenNumber, window.screenID, error)
        || !readRequired(value, "fullScreen", boolean, window.fullScreen, error)
        || !readRequired(value, "selectedTab", integer, window.selectedTab, error)
        || !readOptional(value, "folder", folderState, window.folder, error))
        return EditorCore::failure(error);
    auto tabList = required(value, "tabs");
    if (!tabList)
        return EditorCore::failure(tabList.error());
    tabs = *tabList;
    if (!tabs->is_array())
        return EditorCore::failure(mismatch("tabs", "an array"));

    // One damaged tab costs that tab only, not the whole arrangement.
    std::int64_t keptBeforeSelection = 0;
    bool dropped = false;
    for (std::size_t index = 0; index < tabs->size(); ++index) {
        auto tab = TabRestoreState::decode((*tabs)[index]);
        if (!tab) {
            dropped = true;
            continue;
        }
        if (static_cast<std::int64_t>(index) < window.selectedTab)
            ++keptBeforeSelection;
        window.tabs.push_back(std::move(*tab));
    }
    ReadWindow result;
    if (dropped) {
        if (window.tabs.empty()) {
            result.lostEveryTab = true;
        } else {
            auto last = static_cast<std::int64_t>(window.tabs.size()) - 1;
            window.selectedTab = std::clamp<std::int64_t>(keptBeforeSelection, 0, last);
        }
    }
    result.window = std::move(window);
    return result;
}

Json bytesValue(const std::vector<std::uint8_t>& data)
{
    return Platform::Base64::encode(data);
}

Json encodeTab(const TabRestoreState& tab)
{
    Json doc = Json::object();
    if (const auto* file = std::get_if<TabRestoreState::File>(&tab.doc)) {
        Json object = {{"path", file->path}};
        if (file->bookmark)
            object["bookmark"] = bytesValue(*file->bookmark);
        doc["file"] = std::move(object);
    } else {
        doc["scratch"] = {{"id", std::get<TabRestoreState::Scratch>(tab.doc).id.text()}};
    }
    Json object = Json::object();
    object["doc"] = std::move(doc);
    object["selectionLocation"] = tab.selectionLocation;
    object["selectionLength"] = tab.selectionLength;
    object["scrollTopLine"] = tab.scrollTopLine;
    object["zoom"] = tab.zoom;
    object["wrap"] = tab.wrap;
    object["lineNumbers"] = tab.lineNumbers;
    object["currentLine"] = tab.currentLine;
    object["invisibles"] = tab.invisibles;
    object["follow"] = tab.follow;
    object["readOnlyByUser"] = tab.readOnlyByUser;
    if (tab.encodingOverride)
        object["encodingOverride"] = std::string(EditorCore::rawValue(*tab.encodingOverride));
    if (tab.fontFamily)
        object["fontFamily"] = *tab.fontFamily;
    if (tab.fontSize)
        object["fontSize"] = *tab.fontSize;
    if (tab.lineSpacing)
        object["lineSpacing"] = *tab.lineSpacing;
    if (tab.ruler)
        object["ruler"] = *tab.ruler;
    return object;
}

Json encodeWindow(const WindowRestoreState& window)
{
    Json object = Json::object();
    object["frame"] = Json::array({Json::array({window.frame.x, window.frame.y}),
                                   Json::array({window.frame.width, window.frame.height})});
    if (window.screenID)
        object["screenID"] = *window.screenID;
    object["fullScreen"] = window.fullScreen;
    Json tabs = Json::array();
    for (const auto& tab : window.tabs)
        tabs.push_back(encodeTab(tab));
    object["tabs"] = std::move(tabs);
    object["selectedTab"] = window.selectedTab;
    if (window.folder) {
        const auto& folder = *window.folder;
        Json value = Json::object();
        if (folder.bookmark)
            value["bookmark"] = bytesValue(*folder.bookmark);
        value["path"] = folder.path;
        value["expanded"] = folder.expanded;
        value["showsHidden"] = folder.showsHidden;
        value["width"] = folder.width;
        value["visible"] = folder.visible;
        object["folder"] = std::move(value);
    }
    return object;
}

} // namespace

FolderRestoreState::FolderRestoreState(std::optional<std::vector<std::uint8_t>> bookmark_,
                                       std::string path_,
                                       std::vector<std::string> expanded_,
                                       bool showsHidden_,
                                       double width_,
                                       bool visible_)
    : bookmark(std::move(bookmark_))
    , path(std::move(path_))
    , expanded(std::move(expanded_))
    , showsHidden(showsHidden_)
    , width(width_)
    , visible(visible_)
{}

TabRestoreState::TabRestoreState(Document doc_,
                                 std::int64_t selectionLocation_,
                                 std::int64_t selectionLength_,
                                 std::int64_t scrollTopLine_,
                                 double zoom_,
                                 bool wrap_,
                                 bool lineNumbers_,
                                 bool currentLine_,
                                 bool invisibles_,
                                 bool follow_,
                                 bool readOnlyByUser_,
                                 std::optional<EditorCore::TextEncoding> encodingOverride_,
                                 std::optional<std::string> fontFamily_,
                                 std::optional<double> fontSize_,
                                 std::optional<double> lineSpacing_,
                                 std::optional<bool> ruler_)
    : doc(std::move(doc_))
    , selectionLocation(selectionLocation_)
    , selectionLength(selectionLength_)
    , scrollTopLine(scrollTopLine_)
    , zoom(zoom_)
    , wrap(wrap_)
    , lineNumbers(lineNumbers_)
    , currentLine(currentLine_)
    , invisibles(invisibles_)
    , follow(follow_)
    , readOnlyByUser(readOnlyByUser_)
    , encodingOverride(encodingOverride_)
    , fontFamily(std::move(fontFamily_))
    , fontSize(fontSize_)
    , lineSpacing(lineSpacing_)
    , ruler(ruler_)
{}

EditorCore::TextRange TabRestoreState::clampedSelection(std::int64_t length) const
{
    std::int64_t location = std::min(length, std::max<std::int64_t>(selectionLocation, 0));
    std::int64_t extent = std::min(length - location, std::max<std::int64_t>(selectionLength, 0));
    return {location, extent};
}

EditorCore::Result<TabRestoreState, std::string>
TabRestoreState::decode(const nlohmann::json& value)
{
    if (!value.is_object())
        return EditorCore::failure(std::string("A tab is not an object."));
    TabRestoreState tab;
    std::string error;
    if (!readRequired(value, "doc", document, tab.doc, error)
        || !readRequired(value, "selectionLocation", integer, tab.selectionLocation, error)
        || !readRequired(value, "selectionLength", integer, tab.selectionLength, error)
        || !readRequired(value, "scrollTopLine", integer, tab.scrollTopLine, error)
        || !readRequired(value, "zoom", number, tab.zoom, error)
        || !readRequired(value, "wrap", boolean, tab.wrap, error)
        || !readRequired(value, "lineNumbers", boolean, tab.lineNumbers, error)
        || !readRequired(value, "currentLine", boolean, tab.currentLine, error)
        || !readRequired(value, "invisibles", boolean, tab.invisibles, error)
        || !readRequired(value, "follow", boolean, tab.follow, error)
        || !readRequired(value, "readOnlyByUser", boolean, tab.readOnlyByUser, error)
        || !readOptional(value, "encodingOverride", encoding, tab.encodingOverride, error)
        || !readOptional(value, "fontFamily", text, tab.fontFamily, error)
        || !readOptional(value, "fontSize", number, tab.fontSize, error)
        || !readOptional(value, "lineSpacing", number, tab.lineSpacing, error)
        || !readOptional(value, "ruler", boolean, tab.ruler, error))
        return EditorCore::failure(error);
    return tab;
}

WindowRestoreState::WindowRestoreState(Rect frame_,
                                       std::optional<std::uint32_t> screenID_,
                                       bool fullScreen_,
                                       std::vector<TabRestoreState> tabs_,
                                       std::int64_t selectedTab_,
                                       std::optional<FolderRestoreState> folder_)
    : frame(frame_)
    , screenID(screenID_)
    , fullScreen(fullScreen_)
    , tabs(std::move(tabs_))
    , selectedTab(selectedTab_)
    , folder(std::move(folder_))
{}

WindowState::WindowState(std::vector<WindowRestoreState> windows_)
    : windows(std::move(windows_))
{}

EditorCore::Result<std::string, std::error_code> WindowState::encode() const
{
    Json list = Json::array();
    for (const auto& window : windows)
        list.push_back(encodeWindow(window));
    Json root = {{"schemaVersion", schemaVersion}, {"windows", std::move(list)}};
    auto text = Platform::writeJson(root, Platform::JsonStyle::pretty);
    if (!text)
        return EditorCore::failure(make_error_code(text.error()));
    return std::move(*text);
}

EditorCore::Result<WindowState, std::string> WindowState::decode(std::string_view json)
{
    auto parsed = Platform::parseJson(json);
    if (!parsed)
        return EditorCore::failure(std::string("The data is not JSON."));
    if (!parsed->is_object())
        return EditorCore::failure(std::string("The root is not an object."));
    WindowState state;
    std::string error;
    if (!readRequired(*parsed, "schemaVersion", integer, state.schemaVersion, error))
        return EditorCore::failure(error);
    auto windows = required(*parsed, "windows");
    if (!windows)
        return EditorCore::failure(windows.error());
    if (!(*windows)->is_array())
        return EditorCore::failure(mismatch("windows", "an array"));
    for (const auto& item : **windows) {
        auto window = windowState(item);
        if (!window)
            return EditorCore::failure(window.error());
        if (!window->lostEveryTab)
            state.windows.push_back(std::move(window->window));
    }
    return state;
}

std::filesystem::path WindowStateStore::defaultFileURL()
{
    return Platform::Folders::applicationSupport() / "WindowState.json";
}

WindowStateStore::WindowStateStore()
    : m_fileURL(defaultFileURL())
{}

WindowStateStore::WindowStateStore(std::filesystem::path fileURL)
    : m_fileURL(std::move(fileURL))
{}

std::optional<WindowState> WindowStateStore::load() const
{
    auto bytes = Platform::readWholeFile(m_fileURL);
    if (!bytes)
        return std::nullopt;
    auto state = WindowState::decode(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!state || state->schemaVersion != WindowState::currentSchemaVersion)
        return std::nullopt;
    return std::move(*state);
}

EditorCore::Result<void, std::error_code> WindowStateStore::save(const WindowState& state) const
{
    if (auto made = Platform::createFolders(m_fileURL.parent_path(), privateFolder); !made)
        return made;
    auto json = state.encode();
    if (!json)
        return EditorCore::failure(json.error());
    return Platform::writeAtomically(m_fileURL, *json, privateFile);
}

std::set<Platform::Uuid> WindowStateStore::scratchIDs(const WindowState& state)
{
    std::set<Platform::Uuid> ids;
    for (const auto& window : state.windows) {
        for (const auto& tab : window.tabs) {
            if (const auto* scratch = std::get_if<TabRestoreState::Scratch>(&tab.doc))
                ids.insert(scratch->id);
        }
    }
    return ids;
}

std::ostream& operator<<(std::ostream& out, const TabRestoreState& tab)
{
    return out << encodeTab(tab).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::ostream& operator<<(std::ostream& out, const WindowRestoreState& window)
{
    return out << encodeWindow(window).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::ostream& operator<<(std::ostream& out, const WindowState& state)
{
    auto text = state.encode();
    return out << (text ? *text : std::string("<unencodable window state>"));
}

} // namespace EditorStore
