#include "app/documents/FileSaver.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>

using namespace EditorDocuments;
using FileSaver::Method;

namespace {

const auto content = bytesOf("new content\n");

std::string attribute(const std::filesystem::path& path, const char* name)
{
    char value[256];
    ssize_t length = ::getxattr(path.c_str(), name, value, sizeof value);
    return length < 0 ? std::string("<none>")
                      : std::string(value, static_cast<std::size_t>(length));
}

// A POSIX access ACL as the kernel stores it: user::rw-, user:4242:r--, group::r--, mask::r--,
// other::---.
std::string accessControlList()
{
    auto entry = [](std::uint16_t tag, std::uint16_t permissions, std::uint32_t id) {
        std::string bytes(8, '\0');
        std::memcpy(bytes.data(), &tag, 2);
        std::memcpy(bytes.data() + 2, &permissions, 2);
        std::memcpy(bytes.data() + 4, &id, 4);
        return bytes;
    };
    const std::uint32_t version = 2;
    const std::uint32_t undefined = 0xFFFFFFFF;
    std::string acl(reinterpret_cast<const char*>(&version), 4);
    acl += entry(0x01, 6, undefined);
    acl += entry(0x02, 4, 4242);
    acl += entry(0x04, 4, undefined);
    acl += entry(0x10, 4, undefined);
    acl += entry(0x20, 0, undefined);
    return acl;
}

} // namespace

TEST(FileSaver, replacesAPlainFileKeepingModeAndAttributes)
{
    TemporaryFolder folder;
    auto file = folder / "notes.txt";
    writeBytes(file, "old\n");
    ::chmod(file.c_str(), 0640);
    ASSERT_EQ(::setxattr(file.c_str(), "user.origin", "kept", 4, 0), 0);
    const auto acl = accessControlList();
    const bool hasAcl =
        ::setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    const auto before = inodeOf(file);

    auto written = FileSaver::write(file, content);
    ASSERT_TRUE(written.has_value()) << written.error().message();
    EXPECT_EQ(written->method, Method::replaced);
    EXPECT_EQ(readBytes(file), content);
    EXPECT_NE(inodeOf(file), before) << "a new file was renamed over the old one";
    EXPECT_EQ(modeOf(file), 0640u);
    EXPECT_EQ(attribute(file, "user.origin"), "kept");
    if (hasAcl) {
        EXPECT_EQ(attribute(file, "system.posix_acl_access"), acl);
    }
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"notes.txt"});
}

TEST(FileSaver, keepsAPrivateModeAndCreatesNewFiles)
{
    TemporaryFolder folder;
    auto file = folder / "secret.txt";
    writeBytes(file, "old\n");
    ::chmod(file.c_str(), 0600);
    ASSERT_TRUE(FileSaver::write(file, content).has_value());
    EXPECT_EQ(modeOf(file), 0600u);

    auto fresh = FileSaver::write(folder / "fresh.txt", content);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_EQ(fresh->method, Method::created);
    EXPECT_EQ(readBytes(folder / "fresh.txt"), content);
}

TEST(FileSaver, writesThroughASymbolicLinkWhichStaysALink)
{
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "real");
    writeBytes(folder / "real" / "target.txt", "old\n");
    std::filesystem::create_symlink("real/target.txt", folder / "link.txt");

    auto written = FileSaver::write(folder / "link.txt", content);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->target, std::filesystem::canonical(folder / "real" / "target.txt"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.txt"));
    EXPECT_EQ(std::filesystem::read_symlink(folder / "link.txt"), "real/target.txt");
    EXPECT_EQ(readBytes(folder / "real" / "target.txt"), content);
}

TEST(FileSaver, hardLinkedFileIsRewrittenInPlace)
{
    TemporaryFolder folder;
    writeBytes(folder / "a.txt", "a much longer old content than the new one\n");
    std::filesystem::create_hard_link(folder / "a.txt", folder / "b.txt");
    const auto before = inodeOf(folder / "a.txt");

    auto written = FileSaver::write(folder / "a.txt", content);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->method, Method::inPlace);
    EXPECT_EQ(inodeOf(folder / "a.txt"), before);
    EXPECT_EQ(readBytes(folder / "b.txt"), content) << "the other link sees the new content";
    EXPECT_EQ(std::filesystem::hard_link_count(folder / "a.txt"), 2u);
}

TEST(FileSaver, writableFileInAReadOnlyFolderIsRewrittenInPlace)
{
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "locked");
    auto file = folder / "locked" / "notes.txt";
    writeBytes(file, "old\n");
    ::chmod((folder / "locked").c_str(), 0555);
    const auto before = inodeOf(file);

    FileSaver::Options options;
    // Root may write into any folder; the check stands in for the permission bits.
    options.isFolderWritable = [&](const std::filesystem::path& f) {
        return f != folder / "locked";
    };
    auto written = FileSaver::write(file, content, options);
    ::chmod((folder / "locked").c_str(), 0755);
    ASSERT_TRUE(written.has_value()) << written.error().message();
    EXPECT_EQ(written->method, Method::inPlace);
    EXPECT_EQ(inodeOf(file), before);
    EXPECT_EQ(readBytes(file), content);
    EXPECT_EQ(entriesOf(folder / "locked"), std::vector<std::string>{"notes.txt"});
}

TEST(FileSaver, refusesAFileTheUserMayNotWriteAndWhatIsNotAFile)
{
    TemporaryFolder folder;
    auto file = folder / "readonly.txt";
    writeBytes(file, "old\n");
    FileSaver::Options options;
    options.isFileWritable = [](const std::filesystem::path&) { return false; };
    auto refused = FileSaver::write(file, content, options);
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error(), std::make_error_code(std::errc::permission_denied));
    EXPECT_EQ(readBytes(file), bytesOf("old\n"));

    std::filesystem::create_directory(folder / "dir");
    EXPECT_FALSE(FileSaver::write(folder / "dir", content).has_value());
}
