#include "features/ArchiveInstall.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace EditorFeatures;
using StoreTest::ZipMember;
namespace fs = std::filesystem;

namespace {

class ArchiveExtraction : public ::testing::Test
{
protected:
    // Writes the archive beside the destination, as the installers do.
    EditorCore::Result<void, std::string> extract(const std::vector<ZipMember>& members)
    {
        auto zip = StoreTest::makeZip(members);
        StoreTest::writeText(
            folder.path() / "bundle.zip",
            std::string_view(reinterpret_cast<const char*>(zip.data()), zip.size()));
        return ArchiveInstall::extractZip(folder.path() / "bundle.zip", destination());
    }
    fs::path destination() const { return folder.path() / "staging" / "out"; }

    StoreTest::TemporaryFolder folder;
};

} // namespace

TEST_F(ArchiveExtraction, writesFilesAndFolders)
{
    auto extracted = extract({{"lib.so", "ELF"},
                              {"queries/", "", ZipMember::Kind::folder},
                              {"queries/highlights.scm", "(string) @string"},
                              {"deep/er/file.txt", "x"},
                              {"empty.txt", ""}});
    ASSERT_TRUE(extracted) << extracted.error();
    EXPECT_EQ(StoreTest::readText(destination() / "lib.so"), "ELF");
    EXPECT_EQ(StoreTest::readText(destination() / "queries/highlights.scm"), "(string) @string");
    EXPECT_EQ(StoreTest::readText(destination() / "deep/er/file.txt"), "x");
    EXPECT_TRUE(fs::is_regular_file(destination() / "empty.txt"));
}

// Nothing may be written or loaded outside the folder the archive is unpacked into.
TEST_F(ArchiveExtraction, refusesMembersThatLeaveTheDestinationOrAreNoPlainFiles)
{
    const auto outside = folder.path() / "outside.txt";
    const std::string outsideAbsolute = outside.string();
    struct Case
    {
        const char* name;
        ZipMember member;
    };
    const Case cases[] = {
        {"parent segment", {"../../outside.txt", "evil"}},
        {"parent segment in the middle", {"a/../../../outside.txt", "evil"}},
        {"absolute path", {outsideAbsolute, "evil"}},
        {"dot segment", {"./lib.so", "evil"}},
        {"symbolic link", {"lib.so", "", ZipMember::Kind::symlink, "/etc/passwd"}},
        {"link to a folder outside", {"up", "", ZipMember::Kind::symlink, ".."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder.path() / "staging");
        auto extracted = extract({{"first.txt", "fine"}, c.member, {"up/outside.txt", "evil"}});
        EXPECT_FALSE(extracted);
        EXPECT_FALSE(fs::exists(outside));
        EXPECT_FALSE(fs::exists(folder.path() / "staging" / "outside.txt"));
        EXPECT_FALSE(fs::is_symlink(destination() / "lib.so"));
        EXPECT_FALSE(fs::exists(destination() / "up"));
    }
}

TEST_F(ArchiveExtraction, refusesWhatIsNoZipArchive)
{
    StoreTest::writeText(folder.path() / "bundle.zip", "PK but not really");
    EXPECT_FALSE(ArchiveInstall::extractZip(folder.path() / "bundle.zip", destination()));
    EXPECT_FALSE(ArchiveInstall::extractZip(folder.path() / "missing.zip", destination()));
}

TEST(ArchiveInstall, stagingNamesAreFreshUpperCaseUUIDs)
{
    std::regex pattern(
        R"(\.staging-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12})");
    auto first = ArchiveInstall::newStagingName();
    EXPECT_TRUE(std::regex_match(first, pattern)) << first;
    EXPECT_NE(first, ArchiveInstall::newStagingName());
}

TEST(ArchiveInstall, unpackAndActivateReplacesOtherVersionsAndAlwaysRemovesStaging)
{
    StoreTest::TemporaryFolder folder;
    const auto own = folder.path() / "prettier";
    StoreTest::writeText(own / "2.0" / "old.js", "old");
    StoreTest::writeText(own / "current.json", "{}");

    ArchiveInstall::Activation activation{
        own, own, "3.0", {"standalone.js", "plugins/babel.js"}, R"({"version":"3.0"})"};
    // The formatter keeps its staging folder inside its own folder; the listing removes it
    // with the old version, and the final clean-up finds nothing left.
    auto missing = StoreTest::makeZip({{"standalone.js", "a"}});
    auto failed = ArchiveInstall::unpackAndActivate(missing, activation);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), StoreFailure::unpack("plugins/babel.js 없음"));
    EXPECT_EQ(StoreTest::listing(own), (std::vector<std::string>{"2.0", "current.json"}));

    auto complete = StoreTest::makeZip({{"standalone.js", "a"}, {"plugins/babel.js", "b"}});
    auto done = ArchiveInstall::unpackAndActivate(complete, activation);
    ASSERT_TRUE(done) << done.error();
    EXPECT_EQ(StoreTest::listing(own), (std::vector<std::string>{"3.0", "current.json"}));
    EXPECT_EQ(StoreTest::readText(own / "current.json"), R"({"version":"3.0"})");
    EXPECT_EQ(StoreTest::readText(own / "3.0" / "plugins/babel.js"), "b");
}

TEST(ArchiveInstall, aRequiredFileMustBeARegularFile)
{
    StoreTest::TemporaryFolder folder;
    ArchiveInstall::Activation activation{
        folder.path(), folder.path() / "g", "1", {"lib.so", "highlights.scm"}, "{}"};
    auto archive = StoreTest::makeZip(
        {{"lib.so/", "", ZipMember::Kind::folder}, {"highlights.scm", "(x) @string"}});
    auto result = ArchiveInstall::unpackAndActivate(archive, activation);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), StoreFailure::unpack("lib.so 없음"));
    EXPECT_TRUE(StoreTest::listing(folder.path()).empty());
}
