#include "features/PublishedIndex.h"

#include "features/DownloadTransport.h"

#include <system_error>

namespace EditorFeatures::PublishedIndex {
namespace fs = std::filesystem;

fs::path folder(const fs::path& program)
{
    // <prefix>/lib/orlune-viewer/<program> → <prefix>/share/orlune-viewer
    const fs::path installed =
        program.parent_path().parent_path().parent_path() / "share" / "orlune-viewer";
    std::error_code error;
    if (fs::is_regular_file(installed / "grammars" / "index.json", error))
        return installed;
    return OLV_PUBLISHED_INDEX_DIR;
}

fs::path folder()
{
    std::error_code error;
    const fs::path program = fs::canonical("/proc/self/exe", error);
    return error ? fs::path(OLV_PUBLISHED_INDEX_DIR) : folder(program);
}

std::string baseURL(std::string_view kind)
{
    // The path is absolute, so the URL gets its third slash from the path itself.
    const std::string path = (folder() / kind).string() + "/";
    return DownloadTransport::appending("file://", path);
}

} // namespace EditorFeatures::PublishedIndex
