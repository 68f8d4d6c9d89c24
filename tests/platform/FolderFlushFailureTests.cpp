// The folder flush after a rename can fail (EIO on a dying disk, a network file system that
// refuses fsync on folders). This program replaces fsync(2) for itself so that flushing a
// folder fails on demand; it is a program of its own so no other test sees the replacement.

#include "platform/Files.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<int> failFolderFlushWith{0};
std::atomic<int> folderFlushes{0};

} // namespace

extern "C" int fsync(int fd)
{
    struct stat info = {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ++folderFlushes;
        if (int error = failFolderFlushWith.load()) {
            errno = error;
            return -1;
        }
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace fs = std::filesystem;

TEST(FolderFlushFailure, theFileIsInPlaceAndTheErrorSaysSo)
{
    TemporaryFolder folder;
    auto file = folder / "notes.txt";
    writeText(file, "old");

    failFolderFlushWith = 0;
    folderFlushes = 0;
    ASSERT_TRUE(Platform::writeAtomically(file, std::string_view("flushed"), 0644).has_value());
    EXPECT_EQ(folderFlushes.load(), 1) << "the rename must be followed by a folder flush";

    for (int error : {EIO, EINVAL}) {
        SCOPED_TRACE(error);
        failFolderFlushWith = error;
        auto result = Platform::writeAtomically(file, std::string_view("new content"), 0644);
        failFolderFlushWith = 0;
        // Never reported as success: the rename may not survive a crash.
        ASSERT_FALSE(result.has_value());
        EXPECT_TRUE(
            Platform::isUnfinishedWrite(result.error(), Platform::UnfinishedWrite::renamed));
        EXPECT_FALSE(
            Platform::isUnfinishedWrite(result.error(), Platform::UnfinishedWrite::inPlace));
        EXPECT_EQ(result.error().value(), error);
        // The new content is complete under the final name and no temporary file is left.
        EXPECT_EQ(fileText(file), "new content");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  1);
    }
}
