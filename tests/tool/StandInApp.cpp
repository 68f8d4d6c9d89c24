// A stand-in for the application in olv's end-to-end tests: it serves the local socket and the
// request mailbox the way the application does, and acts out what a test asks through its
// environment:
//   STANDIN_SCENARIO  done (default): acknowledge a waited request, then finish it
//                     edit: like done, but first append "stand-in message" to the first file
//                     quit: acknowledge, then quit without finishing
//                     otherDone: acknowledge, finish another request, then quit
//                     ackLineFeed: acknowledge with a line feed after the number, never finish
//                     refuse: answer every hand-over with something other than "ok"
//   STANDIN_LOG       a file that gets one JSON line per hand-over and per request read
//   STANDIN_PIDFILE   where to write its process identifier
// Arguments after "--" on its command line are taken as the application takes them: like a
// hand-over that came before it listened.
// A path whose name contains "never-opens" stands for a file the application cannot open. A
// waited request that leaves nothing to wait for (only folders) is finished at once.

#include "platform/AppSocket.h"
#include "platform/Folders.h"
#include "platform/Uuid.h"
#include "store/AppGroup.h"
#include "store/RequestBox.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds finishDelay{300};
constexpr std::chrono::milliseconds idleLimit{3000};

std::string environment(const char* name, const char* fallback = "")
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : fallback;
}

void log(const nlohmann::json& entry)
{
    auto path = environment("STANDIN_LOG");
    if (path.empty())
        return;
    std::ofstream out(path, std::ios::app);
    out << entry.dump() << '\n';
}

struct Pending
{
    Platform::Uuid id;
    std::string firstPath;
    EditorStore::RequestOutcome outcome = EditorStore::RequestOutcome::succeeded;
    Clock::time_point due;
};

bool isFolder(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class StandIn
{
public:
    StandIn()
        : m_scenario(environment("STANDIN_SCENARIO", "done"))
    {}

    int run(const std::optional<std::vector<std::string>>& startArguments)
    {
        auto pidFile = environment("STANDIN_PIDFILE");
        if (!pidFile.empty())
            std::ofstream(pidFile) << ::getpid();
        if (startArguments)
            take({*startArguments, true});
        auto socketPath = Platform::AppSocket::path(
            Platform::Folders::appGroupContainer(EditorStore::appGroupIdentifier));
        std::filesystem::create_directories(socketPath.parent_path());
        std::filesystem::remove(socketPath);
        auto listener = Platform::AppSocket::listen(socketPath);
        if (!listener)
            return 1;
        auto lastActivity = Clock::now();
        while (true) {
            pollfd wait{*listener, POLLIN, 0};
            if (::poll(&wait, 1, 50) > 0) {
                int client = ::accept4(*listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    serve(client);
                    ::close(client);
                }
                lastActivity = Clock::now();
            }
            if (runDue())
                break;
            if (m_pending.empty() && Clock::now() - lastActivity > idleLimit)
                break;
        }
        ::close(*listener);
        std::filesystem::remove(socketPath);
        return 0;
    }

private:
    void serve(int client)
    {
        std::string message;
        char buffer[4096];
        auto deadline = Clock::now() + std::chrono::seconds(2);
        while (message.find('\n') == std::string::npos && Clock::now() < deadline) {
            pollfd wait{client, POLLIN, 0};
            if (::poll(&wait, 1, 100) <= 0)
                continue;
            ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got <= 0)
                break;
            message.append(buffer, static_cast<std::size_t>(got));
        }
        auto handOver = Platform::AppSocket::decode(message);
        if (!handOver)
            return;
        if (m_scenario == "refuse") {
            log({{"handOver", handOver->arguments}, {"activate", handOver->activate}});
            (void)!::send(client, "no\n", 3, MSG_NOSIGNAL);
            return;
        }
        take(*handOver);
        (void)!::send(client,
                      Platform::AppSocket::acknowledgement.data(),
                      Platform::AppSocket::acknowledgement.size(),
                      MSG_NOSIGNAL);
    }

    void take(const Platform::AppSocket::HandOver& handOver)
    {
        log({{"handOver", handOver.arguments}, {"activate", handOver.activate}});
        for (const auto& argument : handOver.arguments) {
            constexpr std::string_view prefix = "orlune-viewer://request?id=";
            if (argument.starts_with(prefix))
                handleRequest(argument.substr(prefix.size()));
        }
    }

    void handleRequest(const std::string& idText)
    {
        auto id = Platform::Uuid::parse(idText);
        if (!id)
            return;
        auto request = m_box.read(*id, std::chrono::system_clock::now());
        if (!request) {
            log({{"rejected", idText}});
            m_box.remove(*id);
            return;
        }
        nlohmann::json entry = {{"kind", std::string(rawValue(request->kind))},
                                {"paths", request->paths},
                                {"wait", request->wait},
                                {"id", request->id.text()}};
        if (request->line)
            entry["line"] = *request->line;
        if (request->column)
            entry["column"] = *request->column;
        if (request->kind == EditorStore::CommandRequest::Kind::stdin) {
            auto bytes = m_box.readStdin(*id);
            entry["stdin"] = bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
        }
        log({{"request", entry}});

        if (request->wait)
            acknowledge(*id);
        if (request->kind == EditorStore::CommandRequest::Kind::open && request->wait) {
            std::vector<std::string> files;
            for (const auto& path : request->paths) {
                if (!isFolder(path))
                    files.push_back(path);
            }
            bool unopenable = false;
            for (const auto& path : files)
                unopenable = unopenable || path.find("never-opens") != std::string::npos;
            if (files.empty()) {
                // Nothing to wait for: the waiter is answered at once.
                m_box.writeDone(*id);
            } else if (unopenable) {
                m_box.writeDone(*id, EditorStore::RequestOutcome::failed);
            } else if (m_scenario != "ackLineFeed") {
                m_pending.push_back({*id,
                                     files.front(),
                                     EditorStore::RequestOutcome::succeeded,
                                     Clock::now() + finishDelay});
            }
        }
        m_box.remove(*id);
    }

    void acknowledge(const Platform::Uuid& id)
    {
        if (m_scenario == "ackLineFeed") {
            std::ofstream(m_box.directory() / (id.text() + ".ack")) << ::getpid() << '\n';
            return;
        }
        m_box.writeAck(id, static_cast<std::int32_t>(::getpid()));
    }

    // True when the stand-in is to quit now.
    bool runDue()
    {
        auto now = Clock::now();
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (it->due > now) {
                ++it;
                continue;
            }
            if (m_scenario == "quit")
                return true;
            if (m_scenario == "otherDone") {
                m_box.writeDone(Platform::Uuid::random());
                std::this_thread::sleep_for(std::chrono::seconds(1));
                return true;
            }
            if (m_scenario == "edit")
                std::ofstream(it->firstPath, std::ios::app) << "stand-in message\n";
            m_box.writeDone(it->id, it->outcome);
            it = m_pending.erase(it);
        }
        return false;
    }

    std::string m_scenario;
    EditorStore::RequestBox m_box;
    std::vector<Pending> m_pending;
};

} // namespace

int main(int argc, char** argv)
{
    std::optional<std::vector<std::string>> arguments;
    for (int i = 1; i < argc; ++i) {
        if (!arguments && std::string_view(argv[i]) == "--")
            arguments.emplace();
        else if (arguments)
            arguments->emplace_back(argv[i]);
    }
    return StandIn().run(arguments);
}
