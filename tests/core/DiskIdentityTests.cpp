#include "core/DiskIdentity.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace EditorCore;
namespace fs = std::filesystem;

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class DiskIdentityTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "disk-identity-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_file = m_folder / "file.txt";
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    static void write(const fs::path& path, std::string_view bytes)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }

    // Sets the modification date to the nanosecond.
    static void setModified(const fs::path& path, std::int64_t seconds, long nanoseconds)
    {
        const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    // Puts a new file (a new inode) with `bytes` in place of `path`.
    void replace(const fs::path& path, std::string_view bytes)
    {
        const fs::path temporary = m_folder / "replacement.tmp";
        write(temporary, bytes);
        fs::rename(temporary, path);
    }

    static std::uint64_t inode(const fs::path& path)
    {
        struct stat status
        {};
        EXPECT_EQ(::stat(path.c_str(), &status), 0);
        return status.st_ino;
    }

    static DiskIdentity readOrFail(const fs::path& path, std::uint64_t hashLimit)
    {
        const auto identity = DiskIdentity::read(path, hashLimit);
        EXPECT_TRUE(identity.has_value()) << path;
        return identity.value_or(DiskIdentity{});
    }

    fs::path m_folder;
    fs::path m_file;
};

} // namespace

TEST(DiskIdentity, fnv1aMatchesPublishedVectors)
{
    const struct
    {
        std::string_view input;
        std::uint64_t hash;
    } cases[] = {
        {"", 0xcbf29ce484222325ULL},
        {"a", 0xaf63dc4c8601ec8cULL},
        {"foobar", 0x85944171f73967e8ULL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(DiskIdentity::fnv1a(bytesOf(c.input)), c.hash);
    }
}

TEST_F(DiskIdentityTest, readTakesNumberSizeDateAndHash)
{
    write(m_file, "foobar");
    setModified(m_file, 1'700'000'000, 123'456'789);

    const DiskIdentity identity = readOrFail(m_file, 100);
    EXPECT_EQ(identity.fileID, inode(m_file));
    EXPECT_EQ(identity.size, 6u);
    EXPECT_EQ(identity.modifiedAt.time_since_epoch().count(), 1'700'000'000'123'456'789LL);
    EXPECT_EQ(identity.contentHash, 0x85944171f73967e8ULL);
}

TEST_F(DiskIdentityTest, hashLimitIsInclusive)
{
    write(m_file, "foobar");
    EXPECT_EQ(readOrFail(m_file, 6).contentHash, 0x85944171f73967e8ULL);
    EXPECT_EQ(readOrFail(m_file, 5).contentHash, std::nullopt);
    EXPECT_EQ(readOrFail(m_file, 0).contentHash, std::nullopt);

    write(m_file, "");
    EXPECT_EQ(readOrFail(m_file, 0).contentHash, 0xcbf29ce484222325ULL);
}

TEST_F(DiskIdentityTest, streamedHashEqualsHashOfTheBytes)
{
    // Larger than the read buffer and not a multiple of it.
    std::mt19937 random(5);
    std::string bytes(200'003, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    write(m_file, bytes);
    EXPECT_EQ(readOrFail(m_file, DiskIdentity::documentHashLimit).contentHash,
              DiskIdentity::fnv1a(bytesOf(bytes)));
}

TEST_F(DiskIdentityTest, readFollowsSymbolicLinks)
{
    write(m_file, "target bytes");
    const fs::path link = m_folder / "link.txt";
    fs::create_symlink(m_file, link);

    EXPECT_EQ(readOrFail(link, 100), readOrFail(m_file, 100));
    fs::remove(m_file);
    EXPECT_EQ(DiskIdentity::read(link, 100), std::nullopt);
}

TEST_F(DiskIdentityTest, missingItemGivesNoIdentity)
{
    EXPECT_EQ(DiskIdentity::read(m_folder / "absent", 100), std::nullopt);
    EXPECT_EQ(DiskIdentity::read(m_folder / "absent" / "below", 100), std::nullopt);
    EXPECT_EQ(DiskIdentity::read(fs::path(), 100), std::nullopt);
}

TEST_F(DiskIdentityTest, itemsThatAreNotRegularFilesAreNotHashed)
{
    // A FIFO reports size 0; reading it would wait for a writer forever.
    const fs::path fifo = m_folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const DiskIdentity fifoIdentity = readOrFail(fifo, 100);
    EXPECT_EQ(fifoIdentity.contentHash, std::nullopt);
    EXPECT_EQ(fifoIdentity.fileID, inode(fifo));

    EXPECT_EQ(readOrFail(m_folder, DiskIdentity::documentHashLimit).contentHash, std::nullopt);
}

TEST_F(DiskIdentityTest, compareUntouchedFileIsSameAndKeepsTheStoredIdentity)
{
    write(m_file, "text");
    for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{100}}) {
        SCOPED_TRACE(limit);
        const DiskIdentity stored = readOrFail(m_file, limit);
        EXPECT_EQ(DiskIdentity::compare(stored, m_file),
                  (DiskIdentity::Comparison{DiskIdentity::Change::same, stored}));
    }
}

// The cases where the metadata differ, with and without a hash in the stored identity.
TEST_F(DiskIdentityTest, compareDecidesByHashWhenMetadataDiffer)
{
    using Change = DiskIdentity::Change;
    enum class Edit { touchOneNanosecond, rewriteSameSize, replaceSameBytesAndDate, grow };
    const struct
    {
        const char* name;
        Edit edit;
        std::uint64_t storedLimit;
        Change expected;
    } cases[] = {
        {"touched, hashed", Edit::touchOneNanosecond, 100, Change::same},
        {"touched, unhashed", Edit::touchOneNanosecond, 0, Change::changed},
        {"other bytes, same size, hashed", Edit::rewriteSameSize, 100, Change::changed},
        {"other bytes, same size, unhashed", Edit::rewriteSameSize, 0, Change::changed},
        {"new file number, equal bytes, hashed", Edit::replaceSameBytesAndDate, 100, Change::same},
        {"new file number, equal bytes, unhashed",
         Edit::replaceSameBytesAndDate,
         0,
         Change::changed},
        {"grown, hashed", Edit::grow, 100, Change::changed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(m_file, "hello");
        setModified(m_file, 1'600'000'000, 500);
        const DiskIdentity stored = readOrFail(m_file, c.storedLimit);
        if (stored.modifiedAt.time_since_epoch().count() != 1'600'000'000'000'000'500LL)
            GTEST_SKIP() << "the file system does not keep nanoseconds";

        switch (c.edit) {
        case Edit::touchOneNanosecond:
            setModified(m_file, 1'600'000'000, 501);
            break;
        case Edit::rewriteSameSize:
            write(m_file, "jello");
            setModified(m_file, 1'600'000'001, 500);
            break;
        case Edit::replaceSameBytesAndDate:
            replace(m_file, "hello");
            setModified(m_file, 1'600'000'000, 500);
            ASSERT_NE(inode(m_file), stored.fileID);
            break;
        case Edit::grow:
            write(m_file, "hello!");
            break;
        }

        const DiskIdentity::Comparison result = DiskIdentity::compare(stored, m_file);
        EXPECT_EQ(result.change, c.expected);
        const DiskIdentity present = readOrFail(m_file, c.storedLimit);
        EXPECT_EQ(result.identity, present) << "the identity to keep describes the file now";
    }
}

TEST_F(DiskIdentityTest, compareFileGrownPastTheHashLimitIsChanged)
{
    write(m_file, "small");
    const DiskIdentity stored = readOrFail(m_file, DiskIdentity::documentHashLimit);
    ASSERT_TRUE(stored.contentHash.has_value());

    // A sparse file: its size is past the limit without writing 100 MiB.
    ASSERT_EQ(::truncate(m_file.c_str(), DiskIdentity::documentHashLimit + 1), 0);
    const DiskIdentity::Comparison result = DiskIdentity::compare(stored, m_file);
    EXPECT_EQ(result.change, DiskIdentity::Change::changed);
    ASSERT_TRUE(result.identity.has_value());
    EXPECT_EQ(result.identity->size, DiskIdentity::documentHashLimit + 1);
    EXPECT_EQ(result.identity->contentHash, std::nullopt);
}

TEST_F(DiskIdentityTest, compareDeletedFileIsMissing)
{
    write(m_file, "text");
    for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{100}}) {
        SCOPED_TRACE(limit);
        write(m_file, "text");
        const DiskIdentity stored = readOrFail(m_file, limit);
        fs::remove(m_file);
        EXPECT_EQ(DiskIdentity::compare(stored, m_file),
                  (DiskIdentity::Comparison{DiskIdentity::Change::missing, std::nullopt}));
    }
}

TEST(DiskIdentity, equalityComparesHashPresence)
{
    DiskIdentity a;
    a.fileID = 7;
    a.size = 3;
    DiskIdentity b = a;
    EXPECT_EQ(a, b);
    b.contentHash = 1;
    EXPECT_NE(a, b);
    a.contentHash = 1;
    EXPECT_EQ(a, b);
    b.modifiedAt += std::chrono::nanoseconds(1);
    EXPECT_NE(a, b);
}
