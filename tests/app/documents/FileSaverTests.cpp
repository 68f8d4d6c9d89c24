#include "app/documents/FileSaver.h"
#include "app/documents/RecoveryCopies.h"
#include "core/DiskIdentity.h"
#include "platform/Files.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace EditorDocuments;
using namespace std::chrono_literals;
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

namespace {

// The recovery folder of these tests, inside their temporary folder.
FileSaver::Options optionsIn(const TemporaryFolder& folder)
{
    FileSaver::Options options;
    options.recoveryFolder = folder / "recovery";
    return options;
}

std::vector<RecoveryCopies::Copy> copiesIn(const TemporaryFolder& folder)
{
    return RecoveryCopies::list(folder / "recovery");
}

} // namespace

// Every flush the saver relies on, made to fail in turn: the save fails with the platform's
// error, and what is on disk is what the error says.
TEST(FileSaver, failedFlushIsAFailedSaveThatSaysWhatIsOnDisk)
{
    struct Case
    {
        const char* name;
        bool hardLinked;     // in place
        const char* failing; // "file", "folder", "recovery"
        std::optional<Platform::UnfinishedWrite> kind;
        const char* expectedContent;
        bool copyKept;
    };
    const Case cases[] = {
        {"temporary file", false, "file", std::nullopt, "old\n", false},
        {"folder after the rename",
         false,
         "folder",
         Platform::UnfinishedWrite::renamed,
         "new content\n",
         false},
        {"recovery copy", true, "recovery", std::nullopt, "old\n", false},
        {"file rewritten in place",
         true,
         "file",
         Platform::UnfinishedWrite::inPlace,
         "new content\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        auto file = folder / "notes.txt";
        writeBytes(file, "old\n");
        if (c.hardLinked)
            std::filesystem::create_hard_link(file, folder / "other.txt");
        auto options = optionsIn(folder);
        const std::string failing = c.failing;
        options.calls.fsync = [&](int fd, const std::filesystem::path& path) {
            const bool fails =
                (failing == "file" && path == file)
                || (failing == "folder" && path == folder.path())
                || (failing == "recovery" && path.parent_path() == folder / "recovery");
            if (!fails)
                return ::fsync(fd);
            errno = EIO;
            return -1;
        };
        auto written = FileSaver::write(file, content, options);
        ASSERT_FALSE(written.has_value());
        EXPECT_EQ(written.error(), std::errc::io_error) << written.error().message();
        if (c.kind) {
            EXPECT_TRUE(Platform::isUnfinishedWrite(written.error(), *c.kind));
        } else {
            EXPECT_EQ(written.error().category(), std::generic_category());
        }
        EXPECT_EQ(readBytes(file), bytesOf(c.expectedContent));
        auto copies = copiesIn(folder);
        ASSERT_EQ(copies.size(), c.copyKept ? 1u : 0u);
        if (c.copyKept) {
            EXPECT_EQ(copies[0].origin, file);
            EXPECT_EQ(RecoveryCopies::content(copies[0]).value(), content);
        }
        for (const auto& entry : entriesOf(folder.path()))
            EXPECT_FALSE(TemporaryFile::isTemporaryName(entry, "notes.txt")) << entry;
    }
}

TEST(FileSaver, inPlaceRewriteCutsAfterWritingAndRemovesItsRecoveryCopy)
{
    TemporaryFolder folder;
    auto file = folder / "a.txt";
    writeBytes(file, "a much longer old content than the new one\n");
    std::filesystem::create_hard_link(file, folder / "b.txt");
    auto options = optionsIn(folder);
    // What the file held when it was flushed: never cut before the new bytes were in.
    std::vector<std::uint8_t> atFlush;
    options.calls.fsync = [&](int fd, const std::filesystem::path& path) {
        if (path == file) {
            atFlush = readBytes(file);
            EXPECT_EQ(copiesIn(folder).size(), 1u) << "the copy exists while the file is written";
        }
        return ::fsync(fd);
    };
    auto written = FileSaver::write(file, content, options);
    ASSERT_TRUE(written.has_value()) << written.error().message();
    EXPECT_EQ(written->method, Method::inPlace);
    EXPECT_EQ(atFlush, content);
    EXPECT_EQ(readBytes(folder / "b.txt"), content);
    EXPECT_TRUE(copiesIn(folder).empty());
    EXPECT_TRUE(entriesOf(folder / "recovery").empty());
}

// The identity a save hands back is the one of the bytes it wrote, taken before another
// program could reach them: a program that appends the moment the new file holds its name (or,
// rewritten in place, its new length) leaves the file different from it, so the next disk check
// sees the change instead of taking the appended file for the saved one. Untouched, it is what
// reading the file gives, so the own save never counts as a change.
TEST(FileSaver, theWrittenIdentityIsTheOneOfTheSavesOwnBytes)
{
    using EditorCore::DiskIdentity;
    struct Case
    {
        const char* name;
        bool exists;
        bool hardLinked;
        Method method;
    };
    const Case cases[] = {
        {"replaced", true, false, Method::replaced},
        {"in place", true, true, Method::inPlace},
        {"created", false, false, Method::created},
    };
    for (const auto& c : cases) {
        for (bool appends : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (appends ? ", appended to" : ", untouched"));
            TemporaryFolder folder;
            auto file = folder / "growing.log";
            if (c.exists)
                writeBytes(file, "old\n");
            if (c.hardLinked)
                std::filesystem::create_hard_link(file, folder / "other.log");
            auto options = optionsIn(folder);
            bool appended = false;
            // The first flush that finds the new bytes at the path is after the rename (of the
            // folder) or after the cut (of the file itself): the save is not finished yet.
            options.calls.fsync = [&](int fd, const std::filesystem::path&) {
                if (appends && !appended && readBytes(file) == content) {
                    std::ofstream(file, std::ios::binary | std::ios::app) << "log line 3109\n";
                    appended = true;
                }
                return ::fsync(fd);
            };
            auto written = FileSaver::write(file, content, options);
            ASSERT_TRUE(written.has_value()) << written.error().message();
            EXPECT_EQ(written->method, c.method);
            ASSERT_TRUE(written->identity.has_value());
            EXPECT_EQ(written->identity->size, content.size());
            EXPECT_EQ(written->identity->contentHash, DiskIdentity::fnv1a(content));
            EXPECT_EQ(written->identity->fileID, inodeOf(file));
            EXPECT_EQ(appended, appends);
            if (appends) {
                EXPECT_EQ(readBytes(file), bytesOf("new content\nlog line 3109\n"));
                EXPECT_EQ(DiskIdentity::compare(*written->identity, file).change,
                          DiskIdentity::Change::changed);
            } else {
                EXPECT_EQ(written->identity,
                          DiskIdentity::read(file, DiskIdentity::documentHashLimit));
            }
        }
    }
}

// Where the file system has no unnamed files, a named temporary file takes their place and
// nothing is left beside the file either way.
TEST(FileSaver, fallsBackToANamedTemporaryFileWithoutOTmpfile)
{
    for (int error : {EOPNOTSUPP, EISDIR, EINVAL}) {
        SCOPED_TRACE(error);
        TemporaryFolder folder;
        auto file = folder / "notes.txt";
        writeBytes(file, "old\n");
        ::chmod(file.c_str(), 0640);
        auto options = optionsIn(folder);
        int asked = 0;
        bool renamedFromAName = false;
        options.calls.openUnnamed = [&](const std::filesystem::path&, int, mode_t) {
            ++asked;
            errno = error;
            return -1;
        };
        options.calls.fsync = [&](int fd, const std::filesystem::path& path) {
            if (path == file) {
                for (const auto& entry : entriesOf(folder.path()))
                    renamedFromAName =
                        renamedFromAName || TemporaryFile::isTemporaryName(entry, "notes.txt");
            }
            return ::fsync(fd);
        };
        auto written = FileSaver::write(file, content, options);
        ASSERT_TRUE(written.has_value()) << written.error().message();
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(renamedFromAName);
        EXPECT_EQ(readBytes(file), content);
        EXPECT_EQ(modeOf(file), 0640u);
        EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"notes.txt"});
    }
}

TEST(FileSaver, unnamedTemporaryFileHasNoNameWhileItIsWritten)
{
    TemporaryFolder folder;
    auto file = folder / "notes.txt";
    writeBytes(file, "old\n");
    auto options = optionsIn(folder);
    std::vector<std::string> whileFlushing;
    options.calls.fsync = [&](int fd, const std::filesystem::path& path) {
        if (path == file)
            whileFlushing = entriesOf(folder.path());
        return ::fsync(fd);
    };
    ASSERT_TRUE(FileSaver::write(file, content, options).has_value());
    auto probe = TemporaryFile::create(folder / "probe", {});
    ASSERT_TRUE(probe.has_value());
    if (!probe->isUnnamed())
        GTEST_SKIP() << "this file system has no unnamed files";
    EXPECT_EQ(whileFlushing, std::vector<std::string>{"notes.txt"});
}

// What a killed save left is removed at the next save of that file; a temporary file another
// process still writes (it holds the lock), other files' and other programs' files stay.
TEST(FileSaver, nextSaveRemovesOnlyAbandonedTemporaryFilesOfThatFile)
{
    TemporaryFolder folder;
    auto file = folder / "notes.txt";
    writeBytes(file, "old\n");
    const std::vector<std::string> kept = {".notes.txt.olv-Busy01",
                                           ".notes.txt.olv-abc12",
                                           ".notes.txt.olv-abc1234",
                                           ".notes.txt.olv-ab_12c",
                                           ".notes.txt.swp",
                                           ".other.txt.olv-Ab12Cd",
                                           "notes.txt.olv-Ab12Cd"};
    for (const auto& name : kept)
        writeBytes(folder / name, "x");
    writeBytes(folder / ".notes.txt.olv-Ab12Cd", "left by a kill");
    writeBytes(folder / ".notes.txt.olv-zzzzzz", "left by a kill");
    std::filesystem::create_directory(folder / ".notes.txt.olv-folder");

    int busy = ::open((folder / ".notes.txt.olv-Busy01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    auto written = FileSaver::write(file, content, optionsIn(folder));
    ::close(busy);
    ASSERT_TRUE(written.has_value());

    auto expected = kept;
    expected.push_back(".notes.txt.olv-folder");
    expected.push_back("notes.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(folder.path()), expected);
}

TEST(RecoveryCopies, keepsExactBytesAndReviewDropsOnlyCopiesTheFileAlreadyHolds)
{
    TemporaryFolder folder;
    const auto recovery = folder / "recovery";
    writeBytes(folder / "done.txt", "saved\n");
    writeBytes(folder / "damaged.txt", "sav");
    const std::string notUtf8 = "caf\xE9.txt";
    const std::vector<std::uint8_t> binary = {0xFF, 0xFE, 0x00, '\n', 0x41, 0x00};

    const auto now = std::chrono::system_clock::now();
    ASSERT_TRUE(RecoveryCopies::keep(recovery, folder / "done.txt", bytesOf("saved\n")));
    auto damaged = RecoveryCopies::keep(recovery, folder / "damaged.txt", bytesOf("saved\n"));
    auto odd = RecoveryCopies::keep(recovery, folder / notUtf8, binary, {}, now + 1h);
    ASSERT_TRUE(damaged.has_value() && odd.has_value());
    EXPECT_EQ(modeOf(recovery), 0700u);
    EXPECT_EQ(modeOf(damaged->file), 0600u);

    auto kept = RecoveryCopies::review(recovery);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], *damaged);
    EXPECT_EQ(kept[1], *odd);
    EXPECT_EQ(kept[1].origin, folder / notUtf8);
    EXPECT_EQ(RecoveryCopies::content(kept[1]).value(), binary);
    EXPECT_EQ(RecoveryCopies::list(recovery).size(), 2u);

    // A copy cut short is not one.
    ::truncate(odd->file.c_str(), static_cast<off_t>(odd->contentOffset + 2));
    EXPECT_EQ(RecoveryCopies::list(recovery), std::vector<RecoveryCopies::Copy>{*damaged});
}

// Copies never pile up: a new copy of a file replaces the older one, the review keeps the
// newest of copies left from before, and a file's pending copy is the newest unfinished one.
TEST(RecoveryCopies, keepOneCopyAFileTheNewest)
{
    TemporaryFolder folder;
    const auto recovery = folder / "recovery";
    writeBytes(folder / "cut.txt", "fir");
    writeBytes(folder / "done.txt", "done\n");
    const auto now = std::chrono::system_clock::now();
    ASSERT_TRUE(RecoveryCopies::keep(recovery, folder / "cut.txt", bytesOf("first\n"), {}, now));
    auto second =
        RecoveryCopies::keep(recovery, folder / "cut.txt", bytesOf("second\n"), {}, now + 1h);
    ASSERT_TRUE(second.has_value());
    auto other = RecoveryCopies::keep(recovery, folder / "other.txt", bytesOf("other\n"));
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(RecoveryCopies::list(recovery).size(), 2u);
    EXPECT_EQ(RecoveryCopies::pendingFor(recovery, folder / "cut.txt"), *second);
    EXPECT_EQ(RecoveryCopies::pendingFor(recovery, folder / "none.txt"), std::nullopt);

    // Two copies of one file left by an older version: the review keeps one.
    const auto twin = recovery / (Platform::Uuid::random().text() + ".recovery");
    std::filesystem::copy_file(second->file, twin);
    EXPECT_EQ(RecoveryCopies::list(recovery).size(), 3u);
    auto kept = RecoveryCopies::review(recovery);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(RecoveryCopies::list(recovery).size(), 2u);
    EXPECT_EQ(std::count_if(kept.begin(),
                            kept.end(),
                            [&](const auto& copy) { return copy.origin == folder / "cut.txt"; }),
              1);

    // A file that holds its copy's content has no pending copy, and the copy goes.
    ASSERT_TRUE(RecoveryCopies::keep(recovery, folder / "done.txt", bytesOf("done\n")));
    EXPECT_EQ(RecoveryCopies::pendingFor(recovery, folder / "done.txt"), std::nullopt);
    EXPECT_EQ(RecoveryCopies::list(recovery).size(), 2u);
}

TEST(FileSaver, newFileTakesTheProcessUmask)
{
    TemporaryFolder folder;
    const mode_t previous = ::umask(027);
    auto created = FileSaver::write(folder / "fresh.txt", content, optionsIn(folder));
    ::umask(previous);
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(modeOf(folder / "fresh.txt"), 0640u);
    EXPECT_EQ(::umask(previous), previous) << "the umask is left as it was";
}

namespace {

// Content made while it is written, in pieces of `piece` bytes; with `failAfter`, it gives up
// after that many bytes, as an encode does at a character its encoding cannot hold.
SaveContent piecesOf(std::vector<std::uint8_t> bytes,
                     std::size_t piece,
                     std::optional<std::size_t> failAfter = std::nullopt)
{
    return [bytes = std::move(bytes), piece, failAfter](const ByteSink& sink) {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            if (failAfter && at >= *failAfter)
                return false;
            const auto length = std::min(piece, bytes.size() - at);
            if (!sink(std::span<const std::uint8_t>(bytes.data() + at, length)))
                return false;
        }
        return !failAfter;
    };
}

} // namespace

// Whichever way the file is written, content made in pieces gives the file those bytes, and
// content that fails part way leaves the file as it was, with nothing of ours beside it: no
// temporary file, no recovery copy, an in-place file not even cut.
TEST(FileSaver, contentMadeWhileWrittenReachesTheFileWholeOrNotAtAll)
{
    struct Case
    {
        const char* name;
        bool exists;
        bool hardLinked;
        bool folderWritable;
        Method method;
    };
    const Case cases[] = {
        {"replaced", true, false, true, Method::replaced},
        {"created", false, false, true, Method::created},
        {"hard links", true, true, true, Method::inPlace},
        {"folder not writable", true, false, false, Method::inPlace},
    };
    std::vector<std::uint8_t> large;
    for (int i = 0; large.size() < (std::size_t(3) << 20); ++i) {
        const auto line = bytesOf("line " + std::to_string(i) + " of the new content\n");
        large.insert(large.end(), line.begin(), line.end());
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        auto file = folder / "notes.txt";
        const std::string old = "the old content, longer than nothing\n";
        if (c.exists)
            writeBytes(file, old);
        if (c.hardLinked)
            std::filesystem::create_hard_link(file, folder / "other.txt");
        auto options = optionsIn(folder);
        options.isFolderWritable = [&](const std::filesystem::path&) { return c.folderWritable; };

        auto failed = FileSaver::writeFrom(file, piecesOf(large, 65536, 1 << 20), options);
        ASSERT_FALSE(failed.has_value());
        EXPECT_EQ(failed.error(), contentFailed()) << failed.error().message();
        if (c.exists) {
            EXPECT_EQ(readBytes(file), bytesOf(old));
        } else {
            EXPECT_FALSE(std::filesystem::exists(file));
        }
        EXPECT_TRUE(copiesIn(folder).empty());
        if (std::filesystem::exists(folder / "recovery")) {
            EXPECT_TRUE(entriesOf(folder / "recovery").empty());
        }
        for (const auto& entry : entriesOf(folder.path()))
            EXPECT_FALSE(TemporaryFile::isTemporaryName(entry, "notes.txt")) << entry;

        auto written = FileSaver::writeFrom(file, piecesOf(large, 65536), options);
        ASSERT_TRUE(written.has_value()) << written.error().message();
        EXPECT_EQ(written->method, c.method);
        EXPECT_TRUE(readBytes(file) == large);
        if (c.hardLinked) {
            EXPECT_TRUE(readBytes(folder / "other.txt") == large);
        }
        EXPECT_TRUE(copiesIn(folder).empty());
    }
}

// The copy of content made while it is written learns its size at the end; its header is
// filled in then, and it reads back like any other copy.
TEST(FileSaver, aRecoveryCopyOfContentMadeWhileWrittenReadsBackWhole)
{
    TemporaryFolder folder;
    const auto origin = folder / "origin.txt";
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(70000)}) {
        SCOPED_TRACE(size);
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7);
        auto copy = RecoveryCopies::keepFrom(folder / "recovery", origin, piecesOf(bytes, 4096));
        ASSERT_TRUE(copy.has_value());
        EXPECT_EQ(copy->size, size);
        const auto listed = RecoveryCopies::list(folder / "recovery");
        ASSERT_EQ(listed.size(), 1u) << "one copy a file";
        EXPECT_EQ(listed[0], *copy);
        EXPECT_EQ(RecoveryCopies::content(listed[0]).value(), bytes);
    }
    EXPECT_FALSE(RecoveryCopies::keepFrom(folder / "recovery", origin, piecesOf({1, 2, 3}, 1, 2)));
    EXPECT_EQ(RecoveryCopies::list(folder / "recovery").size(), 1u)
        << "a failed copy neither stays nor removes the older one";
}
