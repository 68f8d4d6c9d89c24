#include "platform/InternetDate.h"
#include "store/RequestBox.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace EditorStore;
using namespace std::chrono;
using Kind = CommandRequest::Kind;
namespace fs = std::filesystem;

namespace {

const sys_seconds now = sys_days(2024y / May / 1) + 12h + 34min + 56s;

class RequestBoxTest : public testing::Test
{
protected:
    CommandRequest request(seconds age = 0s, bool wait = true)
    {
        return CommandRequest(
            id, Kind::open, {"/tmp/notes.txt"}, 12, std::nullopt, wait, now - age);
    }

    void setModified(const fs::path& path, sys_seconds time)
    {
        timespec times[2] = {{time.time_since_epoch().count(), 0},
                             {time.time_since_epoch().count(), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }

    TemporaryFolder folder;
    RequestBox box{folder / "container" / "Requests"};
    Platform::Uuid id = Platform::Uuid::random();
};

} // namespace

TEST_F(RequestBoxTest, writerCreatesPrivateFolderAndByteExactFiles)
{
    auto fixed = *Platform::Uuid::parse("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
    CommandRequest stdinRequest(fixed, Kind::stdin, {}, std::nullopt, std::nullopt, false, now);
    std::vector<std::uint8_t> bytes = {'h', 'i', 0, 0xFF, '\n'};
    ASSERT_TRUE(box.write(stdinRequest, bytes).has_value());

    auto json = box.directory() / "6BA7B810-9DAD-41D1-80B4-00C04FD430C8.json";
    EXPECT_EQ(fileText(json),
              R"({"createdAt":"2024-05-01T12:34:56Z","id":"6BA7B810-9DAD-41D1-80B4-00C04FD430C8",)"
              R"("kind":"stdin","paths":[],"schemaVersion":1,"wait":false})");
    EXPECT_EQ(box.readStdin(fixed), bytes);
    for (auto path : {box.directory(), box.directory().parent_path(), json}) {
        struct stat info = {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, S_ISDIR(info.st_mode) ? 0700u : 0600u) << path;
    }
    // The standard input is in place before the request exists: never a request without it.
    struct stat stdinInfo = {}, jsonInfo = {};
    ::stat((box.directory() / "6BA7B810-9DAD-41D1-80B4-00C04FD430C8.stdin").c_str(), &stdinInfo);
    ::stat(json.c_str(), &jsonInfo);
    EXPECT_LE(stdinInfo.st_ctim.tv_sec * 1000000000 + stdinInfo.st_ctim.tv_nsec,
              jsonInfo.st_ctim.tv_sec * 1000000000 + jsonInfo.st_ctim.tv_nsec);
}

TEST_F(RequestBoxTest, readAcceptsWithin120SecondsEitherWay)
{
    struct Case
    {
        const char* name;
        seconds age;
        bool accepted;
    };
    const Case cases[] = {
        {"now", 0s, true},
        {"120 s old", 120s, true},
        {"120 s ahead", -120s, true},
        {"121 s old", 121s, false},
        {"121 s ahead", -121s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(box.write(request(c.age)).has_value());
        auto read = box.read(id, now);
        EXPECT_EQ(read.has_value(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(read, request(c.age));
        }
    }
    // Part of a second beyond the limit is beyond it.
    ASSERT_TRUE(box.write(request(120s)).has_value());
    EXPECT_FALSE(box.read(id, now + milliseconds(1)).has_value());
}

TEST_F(RequestBoxTest, readChecksIdentifierAndVersion)
{
    fs::create_directories(box.directory());
    auto file = box.directory() / (id.text() + ".json");
    auto base = request().encode().value();

    auto lower = base;
    auto upperText = id.text();
    auto lowerText = upperText;
    for (auto& c : lowerText)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lower.replace(lower.find(upperText), upperText.size(), lowerText);
    writeText(file, lower);
    EXPECT_TRUE(box.read(id, now).has_value());

    auto other = Platform::Uuid::random();
    auto mismatched = base;
    mismatched.replace(mismatched.find(upperText), upperText.size(), other.text());
    writeText(file, mismatched);
    EXPECT_FALSE(box.read(id, now).has_value());

    auto version2 = base;
    version2.replace(version2.find("\"schemaVersion\":1"), 17, "\"schemaVersion\":2");
    writeText(file, version2);
    EXPECT_FALSE(box.read(id, now).has_value());

    writeText(file, "{not json");
    EXPECT_FALSE(box.read(id, now).has_value());
    EXPECT_FALSE(box.read(other, now).has_value());
}

TEST_F(RequestBoxTest, ackAndDoneFiles)
{
    fs::create_directories(box.directory());
    box.writeAck(id, 4711);
    EXPECT_EQ(fileText(box.directory() / (id.text() + ".ack")), "4711");
    EXPECT_EQ(box.readAck(id), 4711);
    box.writeAck(id, -5);
    EXPECT_EQ(box.readAck(id), -5);
    writeText(box.directory() / (id.text() + ".ack"), "4711\n");
    EXPECT_EQ(box.readAck(id), std::nullopt);
    writeText(box.directory() / (id.text() + ".ack"), "99999999999");
    EXPECT_EQ(box.readAck(id), std::nullopt);

    EXPECT_EQ(box.readDone(id), std::nullopt);
    box.writeDone(id);
    EXPECT_EQ(fs::file_size(box.directory() / (id.text() + ".done")), 0u);
    EXPECT_EQ(box.readDone(id), RequestOutcome::succeeded);
    box.writeDone(id, RequestOutcome::failed);
    EXPECT_EQ(fileText(box.directory() / (id.text() + ".done")), "failed");
    EXPECT_EQ(box.readDone(id), RequestOutcome::failed);
    writeText(box.directory() / (id.text() + ".done"), "anything else");
    EXPECT_EQ(box.readDone(id), RequestOutcome::succeeded);

    box.removeAnswers(id);
    EXPECT_FALSE(fs::exists(box.directory() / (id.text() + ".done")));
    EXPECT_FALSE(fs::exists(box.directory() / (id.text() + ".ack")));
}

TEST_F(RequestBoxTest, applicationNeverCreatesTheFolder)
{
    box.writeAck(id, 1);
    box.writeDone(id);
    box.remove(id);
    box.sweep(now);
    EXPECT_FALSE(fs::exists(box.directory()));
    EXPECT_EQ(box.readStdin(id), std::nullopt);
}

TEST_F(RequestBoxTest, removeTakesRequestFilesAndToleratesMissingOnes)
{
    ASSERT_TRUE(box.write(request(), std::vector<std::uint8_t>{'x'}).has_value());
    box.writeAck(id, 1);
    box.remove(id);
    EXPECT_FALSE(fs::exists(box.directory() / (id.text() + ".json")));
    EXPECT_FALSE(fs::exists(box.directory() / (id.text() + ".stdin")));
    EXPECT_TRUE(fs::exists(box.directory() / (id.text() + ".ack")));
    box.remove(id);
}

TEST_F(RequestBoxTest, sweepRemovesEntriesOlderThanAnHour)
{
    fs::create_directories(box.directory() / "old-folder" / "inside");
    for (const char* name : {"kept.json", "stale.json", ".hidden", "fresh.ack"})
        writeText(box.directory() / name, "x");
    setModified(box.directory() / "kept.json", now - 3600s);
    setModified(box.directory() / "stale.json", now - 3601s);
    setModified(box.directory() / ".hidden", now - 7200s);
    setModified(box.directory() / "old-folder", now - 4000s);
    fs::create_symlink("/nonexistent-target", box.directory() / "dangling");
    setModified(box.directory() / "dangling", now - 4000s);

    box.sweep(now);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(box.directory()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"kept.json", "fresh.ack"}));
}

TEST_F(RequestBoxTest, datesFarFromThePresentAreRefusedOrSweptWithoutOverflow)
{
    // Beyond what the clock's nanoseconds can hold (about 1677 to 2262).
    for (auto date : {sys_days(9999y / December / 31) + 0s, sys_days(1y / January / 1) + 0s}) {
        SCOPED_TRACE(Platform::InternetDate::format(date));
        ASSERT_TRUE(
            box.write(CommandRequest(id, Kind::open, {}, std::nullopt, std::nullopt, false, date))
                .has_value());
        EXPECT_FALSE(box.read(id, now).has_value());
        EXPECT_EQ(
            CommandRequest::decode(fileText(box.directory() / (id.text() + ".json")))->createdAt,
            date);
    }

    box.remove(id);
    writeText(box.directory() / "future", "x");
    setModified(box.directory() / "future", sys_days(2400y / January / 1) + 0s);
    writeText(box.directory() / "ancient", "x");
    setModified(box.directory() / "ancient", sys_days(1600y / January / 1) + 0s);
    box.sweep(now);
    EXPECT_TRUE(fs::exists(box.directory() / "future"));
    EXPECT_FALSE(fs::exists(box.directory() / "ancient"));
}
