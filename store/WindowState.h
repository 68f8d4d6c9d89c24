#pragma once

#include "core/Result.h"
#include "core/TextEncoding.h"
#include "core/TextRange.h"
#include "platform/Uuid.h"
#include "store/Rect.h"

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

namespace EditorStore {

// The folder sidebar of a window.
struct FolderRestoreState
{
    std::optional<std::vector<std::uint8_t>> bookmark; // a Platform::FileBookmark's bytes
    std::string path;
    std::vector<std::string> expanded; // paths of the expanded folders
    bool showsHidden = false;
    double width = 0; // points
    bool visible = false;

    FolderRestoreState() = default;
    FolderRestoreState(std::optional<std::vector<std::uint8_t>> bookmark,
                       std::string path,
                       std::vector<std::string> expanded,
                       bool showsHidden,
                       double width,
                       bool visible);

    bool operator==(const FolderRestoreState&) const = default;
};

// One saved tab. Stores what it is given; the window applies its own limits.
struct TabRestoreState
{
    struct File
    {
        std::optional<std::vector<std::uint8_t>> bookmark;
        std::string path;
        bool operator==(const File&) const = default;
    };
    // A kept untitled document of the scratch store.
    struct Scratch
    {
        Platform::Uuid id;
        bool operator==(const Scratch&) const = default;
    };
    using Document = std::variant<File, Scratch>;

    Document doc;
    std::int64_t selectionLocation = 0; // UTF-16 units
    std::int64_t selectionLength = 0;
    std::int64_t scrollTopLine = 1; // 1-based
    double zoom = 1;
    bool wrap = false;
    bool lineNumbers = false;
    bool currentLine = false;
    bool invisibles = false;
    bool follow = false;
    bool readOnlyByUser = false;
    std::optional<EditorCore::TextEncoding> encodingOverride;
    std::optional<std::string> fontFamily;
    std::optional<double> fontSize;    // points
    std::optional<double> lineSpacing; // line-height multiple
    std::optional<bool> ruler;

    TabRestoreState() = default;
    TabRestoreState(Document doc,
                    std::int64_t selectionLocation,
                    std::int64_t selectionLength,
                    std::int64_t scrollTopLine,
                    double zoom,
                    bool wrap,
                    bool lineNumbers,
                    bool currentLine,
                    bool invisibles,
                    bool follow,
                    bool readOnlyByUser,
                    std::optional<EditorCore::TextEncoding> encodingOverride,
                    std::optional<std::string> fontFamily,
                    std::optional<double> fontSize,
                    std::optional<double> lineSpacing,
                    std::optional<bool> ruler);

    // The saved selection made safe for a text of `length` UTF-16 units: negative values count
    // as 0 and the range is cut at the end of the text.
    EditorCore::TextRange clampedSelection(std::int64_t length) const;

    // One tab object of the file; the error describes what is wrong.
    static EditorCore::Result<TabRestoreState, std::string> decode(const nlohmann::json& object);

    bool operator==(const TabRestoreState&) const = default;
};

// One window with all its tabs.
struct WindowRestoreState
{
    Rect frame;
    std::optional<std::uint32_t> screenID; // display number
    bool fullScreen = false;
    std::vector<TabRestoreState> tabs; // in tab order
    std::int64_t selectedTab = 0;      // index into tabs
    std::optional<FolderRestoreState> folder;

    WindowRestoreState() = default;
    WindowRestoreState(Rect frame,
                       std::optional<std::uint32_t> screenID,
                       bool fullScreen,
                       std::vector<TabRestoreState> tabs,
                       std::int64_t selectedTab,
                       std::optional<FolderRestoreState> folder);

    bool operator==(const WindowRestoreState&) const = default;
};

// The arrangement of the document windows, WindowState.json.
struct WindowState
{
    static constexpr std::int64_t currentSchemaVersion = 1;

    std::int64_t schemaVersion = currentSchemaVersion;
    std::vector<WindowRestoreState> windows;

    WindowState() = default;
    explicit WindowState(std::vector<WindowRestoreState> windows);

    // Pretty JSON, keys sorted, absent optionals left out. Fails for a number that is not
    // finite or a text that is not UTF-8.
    [[nodiscard]] EditorCore::Result<std::string, std::error_code> encode() const;

    // A tab that cannot be read is dropped alone: the selection stays on its tab when that is
    // kept, else moves to the next kept tab (the last when none follows); a window left
    // without tabs is dropped. Anything else that cannot be read fails the whole state. The
    // schema version is not checked here.
    static EditorCore::Result<WindowState, std::string> decode(std::string_view json);

    bool operator==(const WindowState&) const = default;
};

// Loads and saves WindowState.json; caches nothing.
class WindowStateStore
{
public:
    // <application support>/WindowState.json.
    static std::filesystem::path defaultFileURL();

    WindowStateStore();
    explicit WindowStateStore(std::filesystem::path fileURL);

    const std::filesystem::path& fileURL() const { return m_fileURL; }

    // None when the file is missing, damaged or of another schema version.
    std::optional<WindowState> load() const;

    // Creates the folder, then replaces the file atomically; on failure the old file stays.
    [[nodiscard]] EditorCore::Result<void, std::error_code> save(const WindowState& state) const;

    // The kept untitled documents the tabs show.
    static std::set<Platform::Uuid> scratchIDs(const WindowState& state);

private:
    std::filesystem::path m_fileURL;
};

std::ostream& operator<<(std::ostream&, const TabRestoreState&);
std::ostream& operator<<(std::ostream&, const WindowRestoreState&);
std::ostream& operator<<(std::ostream&, const WindowState&);

} // namespace EditorStore
