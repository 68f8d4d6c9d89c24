// Any bytes as a request of the mailbox or a message on the application's socket, or as the
// answers a waiting olv reads: decoded or refused, never a crash. What decodes survives our
// writer; the box accepts only fresh requests of its own identifier and schema.
#include "FuzzCheck.h"

#include "platform/AppSocket.h"
#include "store/CommandRequest.h"
#include "store/RequestBox.h"

#include <charconv>

using namespace EditorStore;
using FuzzCheck::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (auto message = Platform::AppSocket::decode(text)) {
        if (auto encoded = Platform::AppSocket::encode(*message)) {
            check(!encoded->empty() && encoded->back() == '\n', "a message without its line feed");
            check(encoded->find('\n') == encoded->size() - 1, "a message with a line feed inside");
            auto again = Platform::AppSocket::decode(*encoded);
            check(again.has_value() && *again == *message, "a written message reads otherwise");
        }
    }

    const auto request = CommandRequest::decode(text);
    if (request) {
        if (auto encoded = request->encode()) {
            auto again = CommandRequest::decode(*encoded);
            check(again.has_value() && *again == *request, "a written request reads otherwise");
        }
    }

    static const auto id = *Platform::Uuid::parse("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
    const auto folder = FuzzCheck::workFolder("requests");
    const RequestBox box(folder);
    FuzzCheck::writeFile(folder / (id.text() + ".json"), {data, size});
    FuzzCheck::writeFile(folder / (id.text() + ".ack"), {data, size});
    FuzzCheck::writeFile(folder / (id.text() + ".done"), {data, size});

    const auto now = std::chrono::sys_days(std::chrono::year(2024) / 5 / 1)
                     + std::chrono::hours(12) + std::chrono::minutes(35);
    if (auto read = box.read(id, now)) {
        check(request.has_value() && *read == *request, "the box read another request");
        check(read->schemaVersion == CommandRequest::currentSchemaVersion && read->id == id,
              "the box took a request of another schema or identifier");
        const auto age = now - std::chrono::system_clock::time_point(read->createdAt);
        check(age <= RequestBox::freshness && -age <= RequestBox::freshness,
              "the box took a stale request");
    }

    const auto ack = box.readAck(id);
    std::int32_t number = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
    const bool whole = parsed.ec == std::errc() && parsed.ptr == text.data() + text.size();
    if (ack)
        check(whole && *ack == number, "an acknowledgement read otherwise than its number");
    const auto done = box.readDone(id);
    check(done == (text == "failed" ? RequestOutcome::failed : RequestOutcome::succeeded),
          "an answer read otherwise than its text");
    return 0;
}
