#pragma once

#include "platform/SystemLog.h"
#include "platform/Uuid.h"
#include "store/CommandRequest.h"
#include "store/ErrorLog.h"
#include "store/RequestBox.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {
class SerialQueue;
}

namespace EditorShell {

class Application;

// The identifier text of a request URL, "orlune-viewer://request?id=<id>": the scheme and host
// exactly (letter case counts), the value of the first query item named exactly "id", percent
// escapes decoded. None for any other address or an item without a value.
std::optional<std::string> requestIdentifierText(std::string_view url);

// The application's end of the request mailbox: olv and the file-manager extension leave a
// request file and hand over its URL; the handler reads the request, acknowledges a waited
// one, carries it out (open and raise files, make an untitled document of standard input, open
// the extension's files, show the new-file window) and answers a waited request once every
// document it opened has closed: the done file, then the session-bus signal. Main thread only,
// but for the launch's mailbox sweep and the decoding of standard input, which run on a worker
// of its own.
class CommandRequestHandler : public QObject
{
    Q_OBJECT
public:
    // What the handler asks of the documents (the running application's document controller;
    // tests give a fake). A document is known by its identity only.
    class Documents
    {
    public:
        virtual ~Documents() = default;
        // The open document of that file, whatever the path's spelling (links resolved, or the
        // same device and inode); null when none is open.
        virtual QObject* documentFor(const std::filesystem::path& file) = 0;
        // Brings the document's tab to the front of its window without activating the
        // application; false when it has no window.
        virtual bool raise(QObject* document) = 0;
        // Puts the caret of the document's window at the line and column; false while the
        // document's text is still being read (the handler tries again a little later).
        virtual bool selectLine(QObject* document,
                                std::int64_t line,
                                std::optional<std::int64_t> column) = 0;
        // A new untitled document of the text, shown and kept at once.
        virtual void openUntitled(const QString& text) = 0;
        // Opens the file as a shown document; the completion gets the failure's description
        // (none on success), later or at once.
        using OpenCompletion = std::function<void(
            const std::optional<std::pair<QString, std::string>>& failure)>; // text, log text
        virtual void openFile(const std::filesystem::path& file, OpenCompletion completion) = 0;
        // The new-file window for the folder.
        virtual void showNewFileWindow(const std::filesystem::path& folder, bool activate) = 0;
        // Brings the application to the front.
        virtual void activateApplication() = 0;
    };

    struct Environment
    {
        // The mailbox; none: the default folder.
        std::optional<EditorStore::RequestBox> box;
        // The present; none: the system clock.
        std::function<std::chrono::system_clock::time_point()> now;
        // The process identifier written to an acknowledgement; none: this process's.
        std::optional<std::int32_t> processId;
        // The system log under the subsystem, category "request"; none: syslog.
        std::function<void(Platform::SystemLog::Level, const std::string&)> systemLog;
        // The event log; none: AppLog::record.
        std::function<void(EditorStore::ErrorLog::Level,
                           std::string_view,
                           const EditorStore::ErrorLog::Fields&)>
            record;
        // Sends the done signal with the identifier's upper-case text; none: the session bus.
        std::function<void(const std::string&)> signalDone;
        // Whether the extension's requests bring the application to the front; none: unless
        // OL_TEST_BACKGROUND is set, whatever its value.
        std::function<bool()> shouldActivate;
        // How long between two looks for the requested documents.
        std::chrono::milliseconds lookInterval{100};
    };

    // Looks made for a requested document before the handler gives up (about ten seconds).
    static constexpr int lastAttempt = 100;
    static constexpr std::string_view logSubsystem = "app.orlune.viewer";
    static constexpr std::string_view logCategory = "request";

    CommandRequestHandler(std::unique_ptr<Documents> documents, Environment environment);
    // Over the application's document controller; its documents' closes reach
    // documentDidClose.
    CommandRequestHandler(Application& application, Environment environment);
    explicit CommandRequestHandler(Application& application);
    ~CommandRequestHandler() override;

    // The application hands the request URLs of its arguments and of hand-overs here; the
    // mailbox is swept once, on a worker.
    void install(Application& application);
    void sweepMailbox();

    // The URLs of the requests waiting in the mailbox when the application starts, for the
    // launch to carry out with its own arguments: what olv or the file manager left while no
    // editor answered is not lost.
    std::vector<std::string> takeWaitingRequests();

    // Checks the URL, reads its request and carries it out. A request is carried out once: a
    // later URL for one already taken (it came at the launch and through the socket) is
    // dropped.
    void handle(const std::string& url);
    // A document closed: the waited requests that only waited for it more are finished.
    void documentDidClose(QObject* document);

    // The requests waiting for documents to close, with those documents.
    const std::map<Platform::Uuid, std::vector<QObject*>>& waits() const { return m_waits; }
    const EditorStore::RequestBox& box() const { return m_box; }
    bool shouldActivate() const;

private:
    void open(const EditorStore::CommandRequest& request, int attempt);
    void openStdin(const EditorStore::CommandRequest& request);
    void openFiles(const EditorStore::CommandRequest& request);
    void newFile(const EditorStore::CommandRequest& request);
    void moveCaret(QPointer<QObject> document, std::int64_t line, std::optional<std::int64_t> column);
    void finish(const Platform::Uuid& id,
                EditorStore::RequestOutcome outcome = EditorStore::RequestOutcome::succeeded);
    Platform::SerialQueue& worker();
    std::chrono::system_clock::time_point now() const;
    void log(Platform::SystemLog::Level level, const std::string& message) const;
    void record(EditorStore::ErrorLog::Level level,
                std::string_view key,
                const EditorStore::ErrorLog::Fields& fields) const;

    std::unique_ptr<Documents> m_documents;
    Environment m_environment;
    EditorStore::RequestBox m_box;
    std::map<Platform::Uuid, std::vector<QObject*>> m_waits;
    // Found waiting at the launch, not handled yet; and every request taken in this run.
    std::set<Platform::Uuid> m_waitingAtLaunch;
    std::set<Platform::Uuid> m_taken;
    // The mailbox sweep and the decoding of standard input.
    std::unique_ptr<Platform::SerialQueue> m_worker;
};

} // namespace EditorShell
