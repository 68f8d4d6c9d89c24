// The request handler against a fake document side, a temporary mailbox and a fixed clock.

#include "app/shell/CommandRequestHandler.h"
#include "tests/platform/TemporaryFolder.h"
#include "tests/app/EventLoopWaits.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>

namespace {

using EditorShell::CommandRequestHandler;
using EditorStore::CommandRequest;
using Kind = EditorStore::CommandRequest::Kind;
using namespace std::chrono_literals;

// What the handler did to the documents, and the documents that are "open".
struct DocumentLog
{
    std::map<std::string, QObject*> open;
    std::set<std::string> failing;
    std::set<QObject*> windowless;
    int looks = 0;
    // The number of looks when the first one came (for "ack before the first look").
    std::vector<bool> ackAtLook;
    std::filesystem::path ackFile;
    std::vector<QObject*> raised;
    struct Selection
    {
        QObject* document;
        std::int64_t line;
        std::optional<std::int64_t> column;
    };
    std::vector<Selection> selected;
    std::vector<QString> untitled;
    std::vector<std::string> opened;
    std::vector<std::pair<std::string, bool>> newFileWindows;
    int activations = 0;
};

class FakeDocuments : public CommandRequestHandler::Documents
{
public:
    explicit FakeDocuments(std::shared_ptr<DocumentLog> log)
        : m_log(std::move(log))
    {}

    QObject* documentFor(const std::filesystem::path& file) override
    {
        ++m_log->looks;
        m_log->ackAtLook.push_back(std::filesystem::exists(m_log->ackFile));
        auto found = m_log->open.find(file.string());
        return found == m_log->open.end() ? nullptr : found->second;
    }
    bool raise(QObject* document) override
    {
        if (m_log->windowless.contains(document))
            return false;
        m_log->raised.push_back(document);
        return true;
    }
    bool selectLine(QObject* document, std::int64_t line, std::optional<std::int64_t> column) override
    {
        m_log->selected.push_back({document, line, column});
        return true;
    }
    void openUntitled(const QString& text) override { m_log->untitled.push_back(text); }
    void openFile(const std::filesystem::path& file, OpenCompletion completion) override
    {
        m_log->opened.push_back(file.string());
        if (m_log->failing.contains(file.string()))
            completion(std::make_pair(QStringLiteral("읽지 못했어요"), std::string("posix(13)")));
        else
            completion(std::nullopt);
    }
    void showNewFileWindow(const std::filesystem::path& folder, bool activate) override
    {
        m_log->newFileWindows.emplace_back(folder.string(), activate);
    }
    void activateApplication() override { ++m_log->activations; }

private:
    std::shared_ptr<DocumentLog> m_log;
};

struct Logged
{
    Platform::SystemLog::Level level;
    std::string message;
    bool operator==(const Logged&) const = default;
};

struct Recorded
{
    EditorStore::ErrorLog::Level level;
    std::string key;
    EditorStore::ErrorLog::Fields fields;
};

class RequestHandler : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(mailbox());
        std::filesystem::create_directories(files());
        makeHandler();
    }

    void makeHandler(std::function<bool()> shouldActivate = [] { return true; })
    {
        CommandRequestHandler::Environment environment;
        environment.box = EditorStore::RequestBox(mailbox());
        environment.now = [this] { return std::chrono::system_clock::time_point(m_now); };
        environment.processId = 4711;
        environment.systemLog = [this](Platform::SystemLog::Level level, const std::string& text) {
            m_logged.push_back({level, text});
        };
        environment.record = [this](EditorStore::ErrorLog::Level level,
                                    std::string_view key,
                                    const EditorStore::ErrorLog::Fields& fields) {
            m_recorded.push_back({level, std::string(key), fields});
        };
        environment.signalDone = [this](const std::string& id) { m_signals.push_back(id); };
        environment.shouldActivate = std::move(shouldActivate);
        environment.lookInterval = 1ms;
        m_handler = std::make_unique<CommandRequestHandler>(std::make_unique<FakeDocuments>(m_log),
                                                            std::move(environment));
    }

    std::filesystem::path mailbox() const { return m_root.path() / "Requests"; }
    std::filesystem::path files() const { return m_root.path() / "files"; }
    std::filesystem::path file(const std::string& name, const std::string& content = "x\n") const
    {
        auto path = files() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::filesystem::path mailFile(const Platform::Uuid& id, const std::string& extension) const
    {
        return mailbox() / (id.text() + extension);
    }

    Platform::Uuid post(Kind kind,
                        std::vector<std::string> paths,
                        bool wait = false,
                        std::optional<std::int64_t> line = std::nullopt,
                        std::optional<std::int64_t> column = std::nullopt,
                        std::chrono::seconds age = 0s,
                        std::optional<std::string> stdinBytes = std::nullopt)
    {
        auto id = Platform::Uuid::random();
        CommandRequest request(id, kind, std::move(paths), line, column, wait, m_now - age);
        std::optional<std::vector<std::uint8_t>> bytes;
        if (stdinBytes)
            bytes.emplace(stdinBytes->begin(), stdinBytes->end());
        EXPECT_TRUE(box().write(request, bytes).has_value());
        m_log->ackFile = mailFile(id, ".ack");
        return id;
    }

    static std::string url(const Platform::Uuid& id)
    {
        return "orlune-viewer://request?id=" + id.text();
    }

    EditorStore::RequestBox box() const { return EditorStore::RequestBox(mailbox()); }

    std::vector<std::string> mailboxFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(mailbox()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& logged : m_logged)
            texts.push_back(logged.message);
        return texts;
    }

    TemporaryFolder m_root;
    std::chrono::sys_seconds m_now{std::chrono::sys_days{std::chrono::year{2026} / 3 / 1} + 9h};
    std::shared_ptr<DocumentLog> m_log = std::make_shared<DocumentLog>();
    std::unique_ptr<CommandRequestHandler> m_handler;
    std::vector<Logged> m_logged;
    std::vector<Recorded> m_recorded;
    std::vector<std::string> m_signals;
};

} // namespace

TEST(RequestURL, schemeHostAndTheFirstIdItem)
{
    const std::string id = "0F8FAD5B-D9CB-469F-A165-70867728950E";
    struct Case
    {
        const char* name;
        std::string url;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"plain", "orlune-viewer://request?id=" + id, id},
        {"lower-case id is kept as written", "orlune-viewer://request?id=0f8fad5b-d9cb",
         "0f8fad5b-d9cb"},
        {"other items first", "orlune-viewer://request?x=1&id=" + id, id},
        {"the first of two ids", "orlune-viewer://request?id=" + id + "&id=other", id},
        {"an item named idx is not id", "orlune-viewer://request?idx=1&id=" + id, id},
        {"percent escapes", "orlune-viewer://request?id=0F8F%41D5B", "0F8FAD5B"},
        {"scheme case counts", "Orlune-Viewer://request?id=" + id, std::nullopt},
        {"host case counts", "orlune-viewer://Request?id=" + id, std::nullopt},
        {"other host", "orlune-viewer://open?id=" + id, std::nullopt},
        {"no host", "orlune-viewer:request?id=" + id, std::nullopt},
        {"no query", "orlune-viewer://request", std::nullopt},
        {"id without a value", "orlune-viewer://request?id&id=" + id, std::nullopt},
        {"no id item", "orlune-viewer://request?x=" + id, std::nullopt},
        {"broken escape", "orlune-viewer://request?id=%4", std::nullopt},
        {"no scheme", "request?id=" + id, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EditorShell::requestIdentifierText(c.url), c.expected);
    }
}

TEST_F(RequestHandler, unknownAddressesTouchNothing)
{
    auto id = post(Kind::open, {file("a.txt").string()}, true);
    const auto before = mailboxFiles();
    for (const std::string& address :
         {"orlune-viewer://REQUEST?id=" + id.text(), std::string("orlune-viewer://request?id=nope"),
          "ORLUNE-VIEWER://request?id=" + id.text()}) {
        SCOPED_TRACE(address);
        m_logged.clear();
        m_handler->handle(address);
        EXPECT_EQ(m_logged, (std::vector<Logged>{{Platform::SystemLog::Level::error, "모르는 주소"}}));
    }
    EXPECT_EQ(mailboxFiles(), before);
    EXPECT_TRUE(m_recorded.empty());
    EXPECT_EQ(m_log->looks, 0);
}

TEST_F(RequestHandler, aLowerCaseIdIsAccepted)
{
    auto a = file("a.txt");
    m_log->open[a.string()] = m_handler.get();
    auto id = post(Kind::open, {a.string()}, true);
    std::string lower = id.text();
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    m_handler->handle("orlune-viewer://request?id=" + lower);
    EXPECT_TRUE(std::filesystem::exists(mailFile(id, ".ack")));
    EXPECT_EQ(m_handler->waits().size(), 1u);
}

TEST_F(RequestHandler, freshnessLimitIsOneHundredTwentySeconds)
{
    auto a = file("a.txt");
    m_log->open[a.string()] = m_handler.get();
    auto accepted = post(Kind::open, {a.string()}, true, {}, {}, 120s);
    m_handler->handle(url(accepted));
    EXPECT_TRUE(std::filesystem::exists(mailFile(accepted, ".ack")));
    EXPECT_TRUE(m_recorded.empty());

    for (auto age : {121s, -121s}) {
        SCOPED_TRACE(age.count());
        m_recorded.clear();
        m_logged.clear();
        auto stale = post(Kind::stdin, {}, false, {}, {}, age, std::string("text"));
        // Written as lower case in the URL: the log keeps the URL's text.
        std::string written = stale.text();
        std::transform(written.begin(), written.end(), written.begin(), ::tolower);
        m_handler->handle("orlune-viewer://request?id=" + written);
        EXPECT_FALSE(std::filesystem::exists(mailFile(stale, ".json")));
        EXPECT_FALSE(std::filesystem::exists(mailFile(stale, ".stdin")));
        EXPECT_FALSE(std::filesystem::exists(mailFile(stale, ".ack")));
        ASSERT_EQ(m_recorded.size(), 1u);
        EXPECT_EQ(m_recorded[0].level, EditorStore::ErrorLog::Level::warning);
        EXPECT_EQ(m_recorded[0].key, "request.rejected");
        EXPECT_EQ(m_recorded[0].fields, (EditorStore::ErrorLog::Fields{{"id", written}}));
        EXPECT_EQ(messages(), std::vector<std::string>{"요청 없음 · 오래됨 " + written});
        EXPECT_TRUE(m_log->untitled.empty());
    }
}

TEST_F(RequestHandler, theAckComesBeforeTheFirstLookAndOnlyForWaitedRequests)
{
    auto a = file("a.txt");
    m_log->open[a.string()] = m_handler.get();
    auto waited = post(Kind::open, {a.string()}, true);
    m_handler->handle(url(waited));
    ASSERT_FALSE(m_log->ackAtLook.empty());
    EXPECT_TRUE(m_log->ackAtLook.front());
    std::ifstream in(mailFile(waited, ".ack"));
    std::string pid;
    in >> pid;
    EXPECT_EQ(pid, "4711");

    auto unwaited = post(Kind::open, {a.string()}, false, 2);
    m_handler->handle(url(unwaited));
    EXPECT_FALSE(std::filesystem::exists(mailFile(unwaited, ".ack")));
    EXPECT_FALSE(std::filesystem::exists(mailFile(unwaited, ".json")));
    EXPECT_EQ(m_handler->waits().size(), 1u) << "only the waited request waits";
}

// The files open a little after the request arrives; the waits hold the documents of the
// files, the folder is dropped, the first file comes forward with the caret at the line.
TEST_F(RequestHandler, folderAndTwoFilesRaiseTheFirstAndWaitForBoth)
{
    QObject documentA, documentB;
    auto a = file("a.txt");
    auto b = file("b.txt");
    auto id = post(Kind::open, {files().string(), a.string(), b.string()}, true, 3, 2);
    m_handler->handle(url(id));
    EXPECT_TRUE(std::filesystem::exists(mailFile(id, ".json"))) << "kept while looking";
    EXPECT_TRUE(m_log->raised.empty());
    m_log->open[a.string()] = &documentA;
    m_log->open[b.string()] = &documentB;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_log->raised.empty(); }, 2000));
    EXPECT_EQ(m_log->raised, std::vector<QObject*>{&documentA});
    EXPECT_TRUE(m_log->selected.empty()) << "the caret moves one turn later";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_log->selected.empty(); }, 2000));
    EXPECT_EQ(m_log->selected[0].document, &documentA);
    EXPECT_EQ(m_log->selected[0].line, 3);
    EXPECT_EQ(m_log->selected[0].column, 2);
    EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".json")));
    ASSERT_TRUE(m_handler->waits().contains(id));
    EXPECT_EQ(m_handler->waits().at(id), (std::vector<QObject*>{&documentA, &documentB}));

    m_handler->documentDidClose(&documentB);
    EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".done")));
    EXPECT_TRUE(m_signals.empty());
    m_handler->documentDidClose(&documentA);
    EXPECT_TRUE(std::filesystem::exists(mailFile(id, ".done")));
    EXPECT_EQ(std::filesystem::file_size(mailFile(id, ".done")), 0u);
    EXPECT_EQ(m_signals, std::vector<std::string>{id.text()});
    EXPECT_TRUE(m_handler->waits().empty());
    EXPECT_EQ(messages().back(), "olv -w 끝남 알림");
    m_handler->documentDidClose(&documentA);
    EXPECT_EQ(m_signals.size(), 1u) << "finished once";
}

TEST_F(RequestHandler, aDocumentWithoutWindowIsNotRaisedNorMoved)
{
    QObject document;
    auto a = file("a.txt");
    m_log->open[a.string()] = &document;
    m_log->windowless.insert(&document);
    m_handler->handle(url(post(Kind::open, {a.string()}, false, 4)));
    // A caret move would follow the raise once the current event is over.
    ASSERT_TRUE(OlvTests::waitPastTimersOf(std::chrono::milliseconds(0)));
    EXPECT_TRUE(m_log->selected.empty());
}

TEST_F(RequestHandler, oneCloseCompletesTwoWaitsOnTheSameFile)
{
    QObject document, other;
    auto a = file("a.txt");
    auto b = file("b.txt");
    m_log->open[a.string()] = &document;
    m_log->open[b.string()] = &other;
    auto first = post(Kind::open, {a.string()}, true);
    m_handler->handle(url(first));
    auto second = post(Kind::open, {a.string(), a.string()}, true);
    m_handler->handle(url(second));
    auto third = post(Kind::open, {b.string()}, true);
    m_handler->handle(url(third));
    m_handler->documentDidClose(&document);
    EXPECT_TRUE(std::filesystem::exists(mailFile(first, ".done")));
    EXPECT_TRUE(std::filesystem::exists(mailFile(second, ".done")));
    EXPECT_FALSE(std::filesystem::exists(mailFile(third, ".done")));
    EXPECT_EQ(m_signals.size(), 2u);
    EXPECT_EQ(m_handler->waits().size(), 1u);
}

// Was: a give-up looked like a completed request, so olv -w exited 0 and git went on.
TEST_F(RequestHandler, aFileThatNeverOpensIsGivenUpAfterOneHundredAndOneLooks)
{
    auto missing = files() / "never.txt";
    for (bool wait : {true, false}) {
        SCOPED_TRACE(wait);
        m_log->looks = 0;
        m_signals.clear();
        auto id = post(Kind::open, {missing.string()}, wait);
        m_handler->handle(url(id));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_signals.empty(); }, 10000));
        EXPECT_EQ(m_log->looks, 101);
        EXPECT_EQ(box().readDone(id), EditorStore::RequestOutcome::failed);
        EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".json")));
        EXPECT_EQ(m_signals, std::vector<std::string>{id.text()});
        EXPECT_EQ(m_logged.end()[-2].message, "요청한 파일이 열리지 않음 " + id.text());
        EXPECT_EQ(m_logged.end()[-2].level, Platform::SystemLog::Level::error);
        // Past the fixture's look interval (1 ms): a further look would have come.
        ASSERT_TRUE(OlvTests::waitPastTimersOf(std::chrono::milliseconds(1)));
        EXPECT_EQ(m_log->looks, 101) << "no look after the give-up";
    }
}

// Was: acknowledged and never finished, so olv -w on a folder waited for ever.
TEST_F(RequestHandler, aWaitedRequestOfFoldersOnlyIsFinishedAtOnce)
{
    auto id = post(Kind::open, {files().string(), m_root.path().string()}, true);
    m_handler->handle(url(id));
    EXPECT_TRUE(std::filesystem::exists(mailFile(id, ".ack")));
    EXPECT_EQ(box().readDone(id), EditorStore::RequestOutcome::succeeded);
    EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".json")));
    EXPECT_EQ(m_signals, std::vector<std::string>{id.text()});
    EXPECT_EQ(m_log->looks, 0);

    auto unwaited = post(Kind::open, {files().string()}, false);
    m_handler->handle(url(unwaited));
    EXPECT_EQ(mailboxFiles(),
              (std::vector<std::string>{id.text() + ".ack", id.text() + ".done"}));
}

TEST_F(RequestHandler, standardInputBecomesAnUntitledDocument)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        QString text;
    };
    const Case cases[] = {
        {"UTF-8", "한국어\n", QStringLiteral("한국어\n")},
        {"binary as UTF-8 with replacements", std::string("ab\0\xff\xfe" "c", 6),
         QString::fromUtf16(u"ab\u0000\uFFFD\uFFFDc", 6)},
        {"empty", "", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_log->untitled.clear();
        m_logged.clear();
        auto id = post(Kind::stdin, {}, false, {}, {}, 0s, c.bytes);
        m_handler->handle(url(id));
        // Decoded on the worker.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_log->untitled.empty(); }, 5000));
        ASSERT_EQ(m_log->untitled.size(), 1u);
        EXPECT_EQ(m_log->untitled[0], c.text);
        EXPECT_EQ(messages(),
                  std::vector<std::string>{"표준 입력 들여옴 " + std::to_string(c.bytes.size())
                                           + " 바이트"});
        EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".json")));
        EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".stdin")));
    }

    auto noPayload = post(Kind::stdin, {});
    m_handler->handle(url(noPayload));
    ASSERT_TRUE(OlvTests::waitPastTimersOf(std::chrono::milliseconds(0)));
    EXPECT_EQ(m_log->untitled.size(), 1u) << "no payload, no document";
    EXPECT_FALSE(std::filesystem::exists(mailFile(noPayload, ".json")));
}

TEST_F(RequestHandler, finderFilesOpenOnlyExistingFiles)
{
    auto a = file("a.txt");
    auto bad = file("bad.txt");
    m_log->failing.insert(bad.string());
    auto id = post(Kind::openFiles, {(files() / "gone.txt").string(), a.string(), files().string()});
    m_handler->handle(url(id));
    EXPECT_EQ(m_log->opened, std::vector<std::string>{a.string()});
    EXPECT_EQ(m_log->activations, 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Finder 로 1 파일 엶"});
    EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".json")));

    m_logged.clear();
    m_handler->handle(url(post(Kind::openFiles, {bad.string(), a.string()})));
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Finder 열기 실패 읽지 못했어요", "Finder 로 2 파일 엶"}));
    ASSERT_EQ(m_recorded.size(), 1u);
    EXPECT_EQ(m_recorded[0].key, "finder.open");
    EXPECT_EQ(m_recorded[0].level, EditorStore::ErrorLog::Level::error);
    EXPECT_EQ(m_recorded[0].fields,
              (EditorStore::ErrorLog::Fields{{"path", bad.string()}, {"err", "posix(13)"}}));

    m_log->opened.clear();
    auto none = post(Kind::openFiles, {(files() / "gone.txt").string()});
    m_handler->handle(url(none));
    EXPECT_TRUE(m_log->opened.empty());
    EXPECT_EQ(m_log->activations, 2) << "nothing to open, nothing activated";
    EXPECT_FALSE(std::filesystem::exists(mailFile(none, ".json")));
}

TEST_F(RequestHandler, newFileShowsTheWindowForTheFirstPath)
{
    auto id = post(Kind::newFile, {files().string()});
    m_handler->handle(url(id));
    EXPECT_EQ(m_log->newFileWindows,
              (std::vector<std::pair<std::string, bool>>{{files().string(), true}}));
    EXPECT_FALSE(std::filesystem::exists(mailFile(id, ".json")));
    auto empty = post(Kind::newFile, {});
    m_handler->handle(url(empty));
    EXPECT_EQ(m_log->newFileWindows.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(mailFile(empty, ".json")));
}

TEST_F(RequestHandler, anEmptyTestBackgroundVariableKeepsTheApplicationBehind)
{
    makeHandler({});
    ::setenv("OL_TEST_BACKGROUND", "", 1);
    EXPECT_FALSE(m_handler->shouldActivate());
    m_handler->handle(url(post(Kind::openFiles, {file("a.txt").string()})));
    m_handler->handle(url(post(Kind::newFile, {files().string()})));
    ::unsetenv("OL_TEST_BACKGROUND");
    EXPECT_EQ(m_log->activations, 0);
    ASSERT_EQ(m_log->newFileWindows.size(), 1u);
    EXPECT_FALSE(m_log->newFileWindows[0].second);
    EXPECT_TRUE(m_handler->shouldActivate());
}

TEST_F(RequestHandler, theSweepRemovesOnlyOldEntries)
{
    auto old = mailbox() / "old.json";
    auto fresh = mailbox() / "fresh.json";
    std::ofstream(old) << "{}";
    std::ofstream(fresh) << "{}";
    std::filesystem::last_write_time(
        old, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    // The handler's clock is in 2026; the sweep goes by it.
    m_now = std::chrono::time_point_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(std::filesystem::file_time_type::clock::now()));
    m_handler->sweepMailbox();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !std::filesystem::exists(old); }, 2000));
    EXPECT_TRUE(std::filesystem::exists(fresh));
}

// What the file manager left while no editor could be started is carried out when the editor
// starts, oldest first, once: the extension's own hand-over of the same request, arriving
// after the start, changes nothing. olv's requests keep their freshness.
TEST_F(RequestHandler, theRequestsWaitingAtLaunchAreTakenOnce)
{
    auto a = file("a.txt");
    auto b = file("b.txt");
    struct Waiting
    {
        const char* name;
        Kind kind;
        std::vector<std::string> paths;
        std::chrono::seconds age;
        bool taken;
    };
    const Waiting cases[] = {
        {"files, ten minutes ago", Kind::openFiles, {a.string()}, 600s, true},
        {"a new file, just now", Kind::newFile, {files().string()}, 0s, true},
        {"files, 59 minutes ago", Kind::openFiles, {b.string()}, 3599s, true},
        {"files, an hour ago: the sweep's", Kind::openFiles, {b.string()}, 3600s, false},
        {"olv's, ten minutes ago: stale", Kind::open, {a.string()}, 600s, false},
        {"olv's, just now", Kind::open, {b.string()}, 0s, true},
    };
    std::map<Platform::Uuid, const Waiting*> posted;
    auto fileTime = std::filesystem::file_time_type::clock::now() - 1h;
    for (const auto& c : cases) {
        auto id = post(c.kind, c.paths, false, std::nullopt, std::nullopt, c.age);
        // The files' order is the order they were left in.
        std::filesystem::last_write_time(mailFile(id, ".json"), fileTime += 1s);
        posted[id] = &c;
    }
    // Not requests: another name, and a name a sender never writes.
    std::ofstream(mailbox() / "notes.json") << "{}";
    std::ofstream(mailbox() / (Platform::Uuid::random().text() + ".ack")) << "1";

    m_log->open[a.string()] = m_handler.get();
    m_log->open[b.string()] = m_handler.get();
    const auto urls = m_handler->takeWaitingRequests();
    ASSERT_EQ(urls.size(), std::size(cases));
    for (std::size_t i = 0; i < urls.size(); ++i) {
        auto id = Platform::Uuid::parse(*EditorShell::requestIdentifierText(urls[i]));
        ASSERT_TRUE(id);
        EXPECT_EQ(posted[*id], &cases[i]) << "oldest first";
    }
    for (const auto& url : urls)
        m_handler->handle(url);
    // The same URLs once more, as the extension hands them over once the editor listens.
    for (const auto& url : urls)
        m_handler->handle(url);

    EXPECT_EQ(m_log->opened, (std::vector<std::string>{a.string(), b.string()}));
    EXPECT_EQ(m_log->newFileWindows.size(), 1u);
    std::vector<std::string> rejected;
    for (const auto& record : m_recorded)
        if (record.key == "request.rejected")
            rejected.push_back(record.fields.at(0).second);
    std::vector<std::string> expectedRejected;
    for (const auto& [id, c] : posted)
        if (!c->taken)
            expectedRejected.push_back(id.text());
    // (A refused request's second URL is refused again.)
    std::sort(rejected.begin(), rejected.end());
    rejected.erase(std::unique(rejected.begin(), rejected.end()), rejected.end());
    EXPECT_EQ(rejected, expectedRejected);
    // olv's fresh request looked for its document; taken and refused ones are gone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return mailboxFiles().size() == 2; }, 2000))
        << ::testing::PrintToString(mailboxFiles());

    // A running editor still refuses what is not fresh.
    auto late = post(Kind::openFiles, {a.string()}, false, std::nullopt, std::nullopt, 600s);
    m_handler->handle(url(late));
    EXPECT_EQ(m_log->opened.size(), 2u);
}
