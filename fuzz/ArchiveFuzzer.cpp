// Any bytes as a downloaded archive: unpacked or refused, never a crash. Nothing is written
// outside the folder it unpacks into, no link comes out of it, the work folder always goes,
// and a refused archive leaves the installed version and its record as they were.
#include "FuzzCheck.h"

#include "features/ArchiveInstall.h"

#include <sys/stat.h>

using namespace EditorFeatures;
using FuzzCheck::check;
namespace fs = std::filesystem;

namespace {

// Every entry below `folder`, without following links; false when one is a link or neither
// a file nor a folder.
bool onlyFilesAndFolders(const fs::path& folder)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::none, error), end;
         !error && it != end; it.increment(error)) {
        const auto type = it->symlink_status().type();
        if (type != fs::file_type::regular && type != fs::file_type::directory)
            return false;
    }
    return !error;
}

// Makes every folder below `folder` writable again, so that a member that took its own
// folder's rights away cannot keep the next run from clearing up.
void reopen(const fs::path& folder)
{
    std::error_code error;
    ::chmod(folder.c_str(), 0755);
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::none, error), end;
         !error && it != end; it.increment(error)) {
        if (it->symlink_status().type() == fs::file_type::directory)
            ::chmod(it->path().c_str(), 0755);
    }
}

std::vector<std::string> names(const fs::path& folder)
{
    std::vector<std::string> result;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        result.push_back(it->path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto root = FuzzCheck::workFolder("archive");
    reopen(root);
    std::error_code error;
    for (const auto& name : names(root))
        fs::remove_all(root / name, error);

    // extractZip alone, into a folder beside a sentinel that must stay untouched.
    const auto archive = root / "download.zip";
    FuzzCheck::writeFile(archive, {data, size});
    const auto box = root / "box";
    const auto destination = box / "install";
    fs::create_directories(box / "beside");
    (void)ArchiveInstall::extractZip(archive, destination);
    check(names(box) == std::vector<std::string>{"beside", "install"} || names(box) == std::vector<std::string>{"beside"},
          "an archive wrote beside its folder");
    check(names(box / "beside").empty(), "an archive wrote into a sibling folder");
    check(names(root) == (std::vector<std::string>{"box", "download.zip"}),
          "an archive wrote above its folder");
    check(!fs::exists(destination) || onlyFilesAndFolders(destination),
          "an archive left a link or a special file");
    reopen(root);

    // The whole installation over a version that is already active.
    const auto grammars = root / "grammars";
    const auto own = grammars / "json";
    fs::create_directories(own / "1.0");
    FuzzCheck::writeFile(own / "1.0" / "parser.so", std::span<const std::uint8_t>());
    const std::string oldRecord = R"({"version":"1.0"})";
    FuzzCheck::writeFile(own / "current.json",
                         {reinterpret_cast<const std::uint8_t*>(oldRecord.data()), oldRecord.size()});
    const ArchiveInstall::Activation activation{
        grammars, own, "2.0", {"parser.so"}, R"({"version":"2.0"})"};
    const auto installed = ArchiveInstall::unpackAndActivate({data, size}, activation);

    check(names(grammars) == std::vector<std::string>{"json"}, "the work folder stayed");
    if (installed) {
        check(names(own) == (std::vector<std::string>{"2.0", "current.json"}),
              "an installation left other versions");
        check(FuzzCheck::readFile(own / "current.json") == activation.record,
              "an installation without its record");
        check(fs::symlink_status(own / "2.0" / "parser.so").type() == fs::file_type::regular,
              "an installation without its required file");
        check(onlyFilesAndFolders(own / "2.0"), "an installation holds a link");
    } else {
        check(names(own) == (std::vector<std::string>{"1.0", "current.json"}),
              "a refused archive changed the installed versions");
        check(FuzzCheck::readFile(own / "current.json") == oldRecord,
              "a refused archive changed the record");
        check(fs::exists(own / "1.0" / "parser.so"), "a refused archive removed the active one");
    }
    return 0;
}
