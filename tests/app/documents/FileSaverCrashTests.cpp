// A process saves two versions of a file in turn and is killed with SIGKILL at random moments,
// over and over. After every kill the file must hold one version whole, or, where it
// is rewritten in place, a recovery copy must hold one whole; at most one temporary file of
// ours may be beside it, and none once a save succeeded again.
#include "app/documents/FileSaver.h"
#include "app/documents/RecoveryCopies.h"
#include "app/documents/TemporaryFile.h"
#include "platform/Files.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace EditorDocuments;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build checks memory, not the kill invariant, and there every fork of the test
// costs several times as much; the plain build does the full count.
constexpr int killsPerCase = 50;
#else
constexpr int killsPerCase = 200;
#endif
// A save that succeeds between kills shows that nothing is left behind.
constexpr int killsBetweenCleanSaves = 50;

// The two versions saved in turn: 1 MiB, and a shorter 768 KiB one, so a rewrite in place both
// grows and shrinks the file. Lines of random letters, so no prefix of one is a prefix of the
// other.
std::vector<std::uint8_t> crashContent(int version)
{
    const std::size_t size = version == 0 ? (1u << 20) : (3u << 18);
    std::uint64_t state = version == 0 ? 0x9E3779B97F4A7C15u : 0xD1B54A32D192ED03u;
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t at = 0; at < size; ++at) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes[at] = static_cast<std::uint8_t>('a' + (state >> 32) % 26);
    }
    for (std::size_t at = 63; at < size; at += 64)
        bytes[at] = '\n';
    return bytes;
}

bool becomeNobody()
{
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0
           && ::setuid(nobody->pw_uid) == 0 && ::geteuid() == nobody->pw_uid;
}

void writeText(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t done = ::write(fd, text.data(), text.size());
        if (done <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(done));
    }
}

struct Child
{
    pid_t pid = -1;
    int output = -1; // what it reports
};

enum class Mode {
    loop, // reports "r", then saves the two versions in turn until killed
    once, // saves one version and reports the method
    time, // reports the mean time of a save in microseconds
};

// The saving process: a fork of this one (no exec, so a kill cycle costs little), which drops
// root's rights first when asked, so the saver's own folder checks apply to it. It ends with
// _exit: 0 done, 2 a save failed, 4 the rights could not be dropped.
Child startSaver(Mode mode,
                 const fs::path& path,
                 const FileSaver::Options& options,
                 const std::vector<std::uint8_t> (&versions)[2],
                 int version,
                 bool asNobody)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return {};
    Child child;
    child.pid = ::fork();
    if (child.pid != 0) {
        ::close(pipe[1]);
        child.output = pipe[0];
        return child;
    }
    ::close(pipe[0]);
    const int report = pipe[1];
    if (asNobody && !becomeNobody())
        ::_exit(4);
    switch (mode) {
    case Mode::once: {
        auto written = FileSaver::write(path, versions[version], options);
        if (!written)
            ::_exit(2);
        std::ostringstream method;
        method << written->method;
        writeText(report, method.str());
        ::_exit(0);
    }
    case Mode::time: {
        constexpr int rounds = 4;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < rounds; ++i) {
            if (!FileSaver::write(path, versions[(version + i) % 2], options))
                ::_exit(2);
        }
        const auto spent = std::chrono::steady_clock::now() - start;
        writeText(
            report,
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(spent).count()
                           / rounds));
        ::_exit(0);
    }
    case Mode::loop:
        writeText(report, "r");
        for (int i = 0;; ++i) {
            if (!FileSaver::write(path, versions[(version + i) % 2], options))
                ::_exit(2);
        }
    }
    ::_exit(64);
}

// Everything the child reported, and how it ended.
std::pair<int, std::string> finish(Child child)
{
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(child.output, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(child.output);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    return {status, text};
}

bool exitedWith(int status, int code)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

std::optional<passwd> nobodyAccount()
{
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr)
        return std::nullopt;
    return *nobody;
}

struct Layout
{
    fs::path path;     // what the save is given
    fs::path file;     // the file it writes
    fs::path recovery; // the recovery folder
    bool inPlace = false;
    bool asNobody = false;
    std::vector<std::string> otherEntries; // what else is in the file's folder
};

class FileSaverCrash : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Another user must be able to reach the folder in the read-only folder case.
        fs::permissions(folder.path(), fs::perms(0755));
        versions[0] = crashContent(0);
        versions[1] = crashContent(1);
    }

    int versionOf(const std::vector<std::uint8_t>& bytes) const
    {
        for (int v : {0, 1})
            if (bytes == versions[v])
                return v;
        return -1;
    }

    Child start(const Layout& layout, Mode mode, int version) const
    {
        FileSaver::Options options;
        options.recoveryFolder = layout.recovery;
        return startSaver(mode, layout.path, options, versions, version, layout.asNobody);
    }

    // Checks the state a kill left; removes the recovery copies afterwards, as the user would
    // after taking them back.
    void checkAfterKill(const Layout& layout, ino_t inode, int kill)
    {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const auto bytes =
            Platform::readWholeFile(layout.file).value_or(std::vector<std::uint8_t>{});
        auto copies = RecoveryCopies::list(layout.recovery);
        if (versionOf(bytes) >= 0) {
            ++intact;
        } else {
            ASSERT_TRUE(layout.inPlace) << "a renamed save left a damaged file";
            std::optional<std::vector<std::uint8_t>> recovered;
            for (const auto& copy : copies) {
                auto saved = RecoveryCopies::content(copy);
                if (copy.origin == layout.file && saved && versionOf(*saved) >= 0)
                    recovered = std::move(*saved);
            }
            ASSERT_TRUE(recovered) << "the file is damaged (" << bytes.size()
                                   << " bytes) and no recovery copy holds a whole version";
            ++damagedButRecovered;
            // As the user would: the file gets the copy's content back, in place.
            writeBytes(layout.file,
                       std::string_view(reinterpret_cast<const char*>(recovered->data()),
                                        recovered->size()));
        }
        if (layout.inPlace) {
            EXPECT_EQ(inodeOf(layout.file), inode);
        } else {
            EXPECT_TRUE(copies.empty());
        }
        for (const auto& copy : copies)
            RecoveryCopies::remove(copy);

        int strays = 0;
        const auto name = layout.file.filename().string();
        for (const auto& entry : entriesOf(layout.file.parent_path())) {
            if (TemporaryFile::isTemporaryName(entry, name)) {
                ++strays;
            } else if (entry != name) {
                EXPECT_NE(std::find(layout.otherEntries.begin(), layout.otherEntries.end(), entry),
                          layout.otherEntries.end())
                    << entry;
            }
        }
        EXPECT_LE(strays, 1) << "temporary copies beside the file";
        if (fs::exists(layout.recovery)) {
            EXPECT_LE(entriesOf(layout.recovery).size(), 1u) << "temporary copies of recovery";
        }
    }

    void expectNothingLeftAfterASave(const Layout& layout, int version)
    {
        auto [status, method] = finish(start(layout, Mode::once, version));
        ASSERT_TRUE(exitedWith(status, 0)) << "the save after the kills failed";
        EXPECT_EQ(method, layout.inPlace ? "inPlace" : "replaced");
        EXPECT_TRUE(Platform::readWholeFile(layout.file) == versions[version]);
        const auto name = layout.file.filename().string();
        for (const auto& entry : entriesOf(layout.file.parent_path())) {
            EXPECT_FALSE(TemporaryFile::isTemporaryName(entry, name)) << entry;
        }
        if (fs::exists(layout.recovery)) {
            EXPECT_TRUE(entriesOf(layout.recovery).empty());
        }
    }

    void killRepeatedly(const Layout& layout)
    {
        writeBytes(layout.file,
                   std::string_view(reinterpret_cast<const char*>(versions[0].data()),
                                    versions[0].size()));
        if (layout.asNobody) {
            const auto nobody = nobodyAccount();
            for (const auto& path : {layout.file, layout.recovery})
                ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
            ASSERT_EQ(::chown(layout.file.parent_path().c_str(), nobody->pw_uid, nobody->pw_gid),
                      0);
        }
        const ino_t inode = inodeOf(layout.file);

        auto [status, microseconds] = finish(start(layout, Mode::time, 1));
        ASSERT_TRUE(exitedWith(status, 0)) << "the child cannot save: status " << status;
        // Kills spread over the first save and a half of each child.
        const auto maxDelay = std::chrono::microseconds(
            std::clamp<long>(std::atol(microseconds.c_str()) * 3 / 2, 500, 200000));

        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<long> delay(0, maxDelay.count());
        for (int kill = 1; kill <= killsPerCase; ++kill) {
            Child child = start(layout, Mode::loop, static_cast<int>(random() % 2));
            ASSERT_GT(child.pid, 0);
            pollfd ready{child.output, POLLIN, 0};
            char signal = 0;
            ASSERT_EQ(::poll(&ready, 1, 20000), 1) << "the child did not start";
            ASSERT_EQ(::read(child.output, &signal, 1), 1);
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            ::kill(child.pid, SIGKILL);
            auto [ended, text] = finish(child);
            ASSERT_TRUE(WIFSIGNALED(ended)) << "the child's save failed: status " << ended;
            checkAfterKill(layout, inode, kill);
            if (HasFatalFailure())
                return;
            if (kill % killsBetweenCleanSaves == 0) {
                expectNothingLeftAfterASave(layout, kill / killsBetweenCleanSaves % 2);
                if (HasFatalFailure())
                    return;
            }
        }
        std::cout << "[ kills    ] " << killsPerCase << " (whole: " << intact
                  << ", damaged with a whole recovery copy: " << damagedButRecovered
                  << "), kill within " << maxDelay.count() << " us\n";
    }

    TemporaryFolder folder;
    std::vector<std::uint8_t> versions[2];
    int intact = 0;
    int damagedButRecovered = 0;
};

} // namespace

TEST_F(FileSaverCrash, ordinaryFileIsAlwaysOneWholeVersion)
{
    fs::create_directory(folder / "files");
    Layout layout;
    layout.path = layout.file = folder / "files" / "notes.txt";
    layout.recovery = folder / "recovery";
    killRepeatedly(layout);
}

TEST_F(FileSaverCrash, symbolicLinkStaysALinkToOneWholeVersion)
{
    fs::create_directory(folder / "real");
    fs::create_symlink("real/notes.txt", folder / "link.txt");
    Layout layout;
    layout.path = folder / "link.txt";
    layout.file = folder / "real" / "notes.txt";
    layout.recovery = folder / "recovery";
    killRepeatedly(layout);
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
}

TEST_F(FileSaverCrash, hardLinkedFileIsWholeOrHasAWholeRecoveryCopy)
{
    fs::create_directory(folder / "files");
    Layout layout;
    layout.path = layout.file = folder / "files" / "a.txt";
    layout.recovery = folder / "recovery";
    layout.inPlace = true;
    layout.otherEntries = {"b.txt"};
    writeBytes(layout.file, "");
    fs::create_hard_link(layout.file, folder / "files" / "b.txt");
    killRepeatedly(layout);
    EXPECT_EQ(inodeOf(folder / "files" / "b.txt"), inodeOf(layout.file));
}

// The folder really is read-only for the saving process: as root the child drops to "nobody",
// so the saver's own writability check (not an injected one) sends it in place.
TEST_F(FileSaverCrash, fileInAReadOnlyFolderIsWholeOrHasAWholeRecoveryCopy)
{
    const bool asRoot = ::geteuid() == 0;
    if (asRoot && !nobodyAccount())
        GTEST_SKIP() << "running as root without a \"nobody\" account to drop to";
    fs::create_directory(folder / "locked");
    fs::create_directory(folder / "recovery");
    Layout layout;
    layout.path = layout.file = folder / "locked" / "notes.txt";
    layout.recovery = folder / "recovery";
    layout.inPlace = true;
    layout.asNobody = asRoot;
    writeBytes(layout.file, "");
    ::chmod(layout.file.c_str(), 0644);
    ::chmod((folder / "recovery").c_str(), 0700);
    if (asRoot) {
        const auto nobody = nobodyAccount();
        ASSERT_EQ(::chown((folder / "locked").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    ::chmod((folder / "locked").c_str(), 0555);
    if (asRoot) {
        auto [status, method] = finish(start(layout, Mode::once, 1));
        if (exitedWith(status, 4))
            GTEST_SKIP() << "cannot drop root's rights here";
    }
    killRepeatedly(layout);
    ::chmod((folder / "locked").c_str(), 0755);
}
