#include "store/CommandRequest.h"

#include <gtest/gtest.h>

using namespace EditorStore;
using namespace std::chrono;
using Kind = CommandRequest::Kind;

namespace {

const Platform::Uuid someId = *Platform::Uuid::parse("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
const sys_seconds someDate = sys_days(2024y / May / 1) + 12h + 34min + 56s;

// Every required key; tests add, drop or change one.
nlohmann::json validObject()
{
    return {{"schemaVersion", 1},
            {"id", someId.text()},
            {"kind", "open"},
            {"paths", {"/tmp/a.txt"}},
            {"wait", false},
            {"createdAt", "2024-05-01T12:34:56Z"}};
}

std::optional<CommandRequest> decode(const nlohmann::json& object)
{
    return CommandRequest::decode(object.dump());
}

} // namespace

TEST(CommandRequest, encodesByteExactCompactSortedJson)
{
    CommandRequest request(
        someId, Kind::open, {"/Users/me/notes.txt", "/tmp/b c"}, 12, 5, true, someDate);
    EXPECT_EQ(request.schemaVersion, 1);
    EXPECT_EQ(
        request.encode().value(),
        R"({"column":5,"createdAt":"2024-05-01T12:34:56Z","id":"6BA7B810-9DAD-41D1-80B4-00C04FD430C8",)"
        R"("kind":"open","line":12,"paths":["\/Users\/me\/notes.txt","\/tmp\/b c"],)"
        R"("schemaVersion":1,"wait":true})");

    CommandRequest stdinRequest(
        someId, Kind::stdin, {}, std::nullopt, std::nullopt, false, someDate);
    EXPECT_EQ(stdinRequest.encode().value(),
              R"({"createdAt":"2024-05-01T12:34:56Z","id":"6BA7B810-9DAD-41D1-80B4-00C04FD430C8",)"
              R"("kind":"stdin","paths":[],"schemaVersion":1,"wait":false})");
}

TEST(CommandRequest, roundTripsEveryKind)
{
    for (auto kind : {Kind::open, Kind::stdin, Kind::openFiles, Kind::newFile}) {
        SCOPED_TRACE(rawValue(kind));
        CommandRequest request(Platform::Uuid::random(),
                               kind,
                               {"/a/b", "한글"},
                               3,
                               std::nullopt,
                               kind == Kind::open,
                               someDate);
        EXPECT_EQ(CommandRequest::decode(request.encode().value()), request);
    }
}

TEST(CommandRequest, pathThatIsNotUtf8CannotBeEncoded)
{
    CommandRequest request(
        someId, Kind::openFiles, {"/tmp/\xff"}, std::nullopt, std::nullopt, false, someDate);
    EXPECT_EQ(request.encode().error(), Platform::JsonWriteError::invalidUtf8);
}

TEST(CommandRequest, decodeAcceptsOptionalsExtrasAndEscapes)
{
    auto withNullLine = validObject();
    withNullLine["line"] = nullptr;
    withNullLine["column"] = nullptr;
    withNullLine["extra"] = {{"nested", {1, 2}}};
    auto request = decode(withNullLine);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->line, std::nullopt);
    EXPECT_EQ(request->column, std::nullopt);

    auto escaped = CommandRequest::decode(
        R"({"createdAt":"2024-05-01T12:34:56Z","id":"6ba7b810-9dad-41d1-80b4-00c04fd430c8",)"
        R"("kind":"openFiles","paths":["\/tmp\/x\u0020y"],"schemaVersion":1,"wait":false})");
    ASSERT_TRUE(escaped.has_value());
    EXPECT_EQ(escaped->paths, std::vector<std::string>{"/tmp/x y"});
    EXPECT_EQ(escaped->id, someId);
}

TEST(CommandRequest, decodeRefusesBadDocuments)
{
    struct Case
    {
        const char* name;
        std::function<void(nlohmann::json&)> change;
    };
    const Case cases[] = {
        {"missing wait", [](auto& o) { o.erase("wait"); }},
        {"missing paths", [](auto& o) { o.erase("paths"); }},
        {"missing schemaVersion", [](auto& o) { o.erase("schemaVersion"); }},
        {"missing createdAt", [](auto& o) { o.erase("createdAt"); }},
        {"capitalised kind", [](auto& o) { o["kind"] = "Open"; }},
        {"unknown kind", [](auto& o) { o["kind"] = "close"; }},
        {"id not a uuid", [](auto& o) { o["id"] = "not-a-uuid"; }},
        {"id a number", [](auto& o) { o["id"] = 5; }},
        {"fractional seconds", [](auto& o) { o["createdAt"] = "2024-05-01T12:34:56.5Z"; }},
        {"date without zone", [](auto& o) { o["createdAt"] = "2024-05-01T12:34:56"; }},
        {"wait as text", [](auto& o) { o["wait"] = "true"; }},
        {"wait as number", [](auto& o) { o["wait"] = 1; }},
        {"paths of numbers", [](auto& o) { o["paths"] = {1}; }},
        {"paths as text", [](auto& o) { o["paths"] = "/tmp"; }},
        {"line as text", [](auto& o) { o["line"] = "12"; }},
        {"fractional line", [](auto& o) { o["line"] = 1.5; }},
        {"column beyond 64 bits", [](auto& o) { o["column"] = 18446744073709551615u; }},
        {"schemaVersion as text", [](auto& o) { o["schemaVersion"] = "1"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto object = validObject();
        c.change(object);
        EXPECT_EQ(decode(object), std::nullopt);
    }
    for (const char* text : {"", "[]", "null", "{", "{\"id\":}"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(CommandRequest::decode(text), std::nullopt);
    }
}

TEST(CommandRequest, kindTextsAreExact)
{
    EXPECT_EQ(commandRequestKindFromRawValue("openFiles"), Kind::openFiles);
    EXPECT_EQ(commandRequestKindFromRawValue("newFile"), Kind::newFile);
    EXPECT_EQ(commandRequestKindFromRawValue("openfiles"), std::nullopt);
}
