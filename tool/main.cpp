// olv: hands files, a line and column, or standard input to the running application, and
// with -w waits until the application has closed what it opened.

#include "platform/Files.h"
#include "platform/InternetDate.h"
#include "platform/Uuid.h"
#include "store/CommandRequest.h"
#include "store/RequestBox.h"
#include "tool/OlvArguments.h"
#include "tool/OlvLaunch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

Olv::MessageLanguage language = Olv::MessageLanguage::english;

void writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

[[noreturn]] void finish(const Olv::Finish& finish)
{
    writeAll(STDOUT_FILENO, finish.standardOutput);
    writeAll(STDERR_FILENO, finish.standardError);
    std::exit(finish.status);
}

[[noreturn]] void
fail(Olv::Message message, std::string_view appended = {}, int status = Olv::ExitStatus::error)
{
    finish(Olv::failure(language, message, appended, status));
}

std::string describe(const std::error_code& error)
{
    return error.message();
}

std::optional<std::vector<std::uint8_t>> readStandardInput()
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    while (true) {
        ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

void writeRequest(const EditorStore::RequestBox& box, const EditorStore::CommandRequest& request)
{
    if (auto written = box.write(request); !written)
        fail(Olv::Message::requestNotWritten, describe(written.error()));
}

EditorStore::CommandRequest makeRequest(const Platform::Uuid& id,
                                        EditorStore::CommandRequest::Kind kind,
                                        std::vector<std::string> paths,
                                        std::optional<std::int64_t> line,
                                        std::optional<std::int64_t> column,
                                        bool wait)
{
    auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    return EditorStore::CommandRequest(id, kind, std::move(paths), line, column, wait, now);
}

} // namespace

int main(int argc, char** argv)
{
    language = Olv::preferredLanguage();
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::optional<Olv::Installation> installation;
    bool searched = false;
    auto findOnce = [&] {
        if (!searched)
            installation = Olv::findInstallation(argc > 0 ? argv[0] : "");
        searched = true;
        return installation;
    };

    auto read =
        Olv::readArguments(arguments, language, [&] { return Olv::appVersion(findOnce()); });
    if (const auto* early = std::get_if<Olv::Finish>(&read))
        finish(*early);
    const auto& invocation = std::get<Olv::Invocation>(read);

    EditorStore::RequestBox box;
    findOnce();
    auto id = Platform::Uuid::random();

    if (invocation.files.empty()) {
        if (::isatty(STDIN_FILENO)) {
            if (!Olv::openApp({}, installation))
                fail(Olv::Message::appNotOpened);
            return Olv::ExitStatus::success;
        }
        auto input = readStandardInput();
        if (!input)
            fail(Olv::Message::stdinNotStored, describe({errno, std::generic_category()}));
        if (auto made = Platform::createFolders(box.directory(), 0700); !made)
            fail(Olv::Message::stdinNotStored, describe(made.error()));
        if (auto written =
                Platform::writeAtomically(box.directory() / (id.text() + ".stdin"), *input, 0600);
            !written)
            fail(Olv::Message::stdinNotStored, describe(written.error()));
        writeRequest(box,
                     makeRequest(id,
                                 EditorStore::CommandRequest::Kind::stdin,
                                 {},
                                 std::nullopt,
                                 std::nullopt,
                                 false));
        if (!Olv::openApp({Olv::requestUrl(id)}, installation))
            fail(Olv::Message::appNotOpened);
        return Olv::ExitStatus::success;
    }

    const auto& first = invocation.files.front();
    bool needsRequest = invocation.wait || first.line.has_value();
    std::vector<std::string> paths;
    for (const auto& file : invocation.files)
        paths.push_back(file.path);
    if (needsRequest)
        writeRequest(box,
                     makeRequest(id,
                                 EditorStore::CommandRequest::Kind::open,
                                 paths,
                                 first.line,
                                 first.column,
                                 invocation.wait));
    if (!Olv::openApp(paths, installation))
        fail(Olv::Message::fileNotOpened);
    if (needsRequest && !Olv::openApp({Olv::requestUrl(id)}, installation))
        fail(Olv::Message::requestNotPassed);
    if (!invocation.wait)
        return Olv::ExitStatus::success;

    switch (Olv::waitForRequest(box, id)) {
    case Olv::WaitOutcome::done:
        return Olv::ExitStatus::success;
    case Olv::WaitOutcome::failed:
        fail(Olv::Message::appFailedToOpenFile, {}, Olv::ExitStatus::waitFailed);
    case Olv::WaitOutcome::appQuit:
        fail(Olv::Message::appQuit, {}, Olv::ExitStatus::waitFailed);
    case Olv::WaitOutcome::notAccepted:
        fail(Olv::Message::requestNotAccepted, {}, Olv::ExitStatus::waitFailed);
    }
    return Olv::ExitStatus::waitFailed;
}
