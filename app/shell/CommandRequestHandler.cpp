#include "app/shell/CommandRequestHandler.h"

#include "app/documents/DocumentController.h"
#include "app/documents/DocumentReading.h"
#include "app/documents/DocumentTexts.h"
#include "app/documents/TextDocument.h"
#include "app/kit/HostWindow.h"
#include "app/kit/TabPage.h"
#include "app/kit/Utf16.h"
#include "app/kit/AppLog.h"
#include "app/shell/Application.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LineSelection.h"
#include "app/window/hosting/NewTextFileWindow.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "core/EncodingDetector.h"
#include "core/LineEnding.h"
#include "platform/SerialQueue.h"
#include "platform/Uuid.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorShell {

using EditorStore::CommandRequest;
using EditorStore::ErrorLog;
using EditorStore::RequestBox;
using Level = Platform::SystemLog::Level;

namespace {

// Percent escapes decoded; none for a broken escape.
std::optional<std::string> percentDecoded(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = Platform::hexDigitValue(text[i + 1]);
        int low = Platform::hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

std::optional<std::pair<dev_t, ino_t>> fileIdentity(const std::filesystem::path& path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return std::make_pair(info.st_dev, info.st_ino);
}

bool isFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// The session-bus signal: "app.orlune.viewer.request.done" is the interface
// "app.orlune.viewer.request" and the member "done", with the identifier as its argument.
void sendDoneSignal(const std::string& id)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const std::string_view name = EditorStore::RequestBox::doneNotification;
    const auto dot = name.rfind('.');
    auto message = QDBusMessage::createSignal(
        QStringLiteral("/app/orlune/viewer/request"),
        QString::fromUtf8(name.data(), static_cast<qsizetype>(dot)),
        QString::fromUtf8(name.data() + dot + 1, static_cast<qsizetype>(name.size() - dot - 1)));
    message << QString::fromStdString(id);
    bus.send(message);
}

// The running application's documents.
class ApplicationDocuments : public CommandRequestHandler::Documents
{
public:
    explicit ApplicationDocuments(Application& application)
        : m_application(&application)
    {}

    EditorDocuments::DocumentController& controller() { return m_application->documentController(); }

    static EditorWindow::DocumentWindowController* windowOf(QObject* document)
    {
        auto* text = qobject_cast<EditorDocuments::TextDocument*>(document);
        auto* window = text ? dynamic_cast<EditorWindow::TextDocumentWindow*>(text->editor())
                            : nullptr;
        return window ? &window->controller() : nullptr;
    }

    QObject* documentFor(const std::filesystem::path& file) override
    {
        if (auto* open = controller().documentForURL(file))
            return open;
        // A hard link, or a path through a mount of the same folder: the same file.
        const auto identity = fileIdentity(file);
        if (!identity)
            return nullptr;
        for (auto* document : controller().documents()) {
            if (document->fileURL() && fileIdentity(*document->fileURL()) == identity)
                return document;
        }
        return nullptr;
    }

    bool raise(QObject* document) override
    {
        auto* window = windowOf(document);
        if (!window || !window->page())
            return false;
        EditorKit::HostWindow* host = window->hostWindow();
        if (!host)
            return false;
        host->setCurrentPage(window->page());
        if (host->isMinimized())
            host->setWindowState(host->windowState() & ~Qt::WindowMinimized);
        host->show();
        host->raise();
        return true;
    }

    bool selectLine(QObject* document, std::int64_t line, std::optional<std::int64_t> column) override
    {
        auto* text = qobject_cast<EditorDocuments::TextDocument*>(document);
        if (!text)
            return true;
        // A large file's text is still on its way.
        if (text->isLoading())
            return false;
        if (auto* window = windowOf(document)) {
            if (auto* selection = window->service<EditorWindow::LineSelection>())
                selection->selectLine(line, column);
        }
        return true;
    }

    void openUntitled(const QString& text) override
    {
        auto* document = controller().makeUntitledDocument(false);
        document->setScratchID(Platform::Uuid::random());
        document->setLoadedText(text);
        document->setLineEndings(EditorCore::LineEndingSummary(EditorKit::utf16View(text)));
        document->makeWindowControllers();
        (void)document->keepScratchText();
    }

    void openFile(const std::filesystem::path& file, OpenCompletion completion) override
    {
        controller().openDocumentWithContentsOfURL(
            file,
            true,
            [completion](EditorDocuments::TextDocument*,
                         bool,
                         const std::optional<EditorDocuments::DocumentFailure>& failure) {
                if (!completion)
                    return;
                if (failure)
                    completion(std::make_pair(EditorDocuments::DocumentTexts::describe(*failure),
                                              EditorDocuments::describeForLog(*failure)));
                else
                    completion(std::nullopt);
            });
    }

    void showNewFileWindow(const std::filesystem::path& folder, bool activate) override
    {
        EditorWindow::NewTextFileWindow::show(
            folder, activate, EditorWindow::NewTextFileWindow::environmentFor(controller()));
    }

    void activateApplication() override
    {
        EditorKit::bringFrontWindowForward();
    }

private:
    Application* m_application;
};

} // namespace

std::optional<std::string> requestIdentifierText(std::string_view url)
{
    const auto colon = url.find(':');
    if (colon == std::string_view::npos || url.substr(0, colon) != "orlune-viewer")
        return std::nullopt;
    std::string_view rest = url.substr(colon + 1);
    if (!rest.starts_with("//"))
        return std::nullopt;
    rest.remove_prefix(2);
    const auto authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    if (auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (auto port = authority.find(':'); port != std::string_view::npos)
        authority = authority.substr(0, port);
    auto host = percentDecoded(authority);
    if (!host || *host != "request")
        return std::nullopt;
    const auto question = rest.find('?');
    if (question == std::string_view::npos)
        return std::nullopt;
    std::string_view query = rest.substr(question + 1);
    query = query.substr(0, query.find('#'));
    while (true) {
        const auto ampersand = query.find('&');
        const std::string_view item = query.substr(0, ampersand);
        const auto equals = item.find('=');
        auto name = percentDecoded(item.substr(0, equals));
        if (name && *name == "id") {
            if (equals == std::string_view::npos)
                return std::nullopt;
            return percentDecoded(item.substr(equals + 1));
        }
        if (ampersand == std::string_view::npos)
            return std::nullopt;
        query.remove_prefix(ampersand + 1);
    }
}

CommandRequestHandler::CommandRequestHandler(std::unique_ptr<Documents> documents,
                                             Environment environment)
    : m_documents(std::move(documents))
    , m_environment(std::move(environment))
    , m_box(m_environment.box.value_or(EditorStore::RequestBox()))
{}

CommandRequestHandler::CommandRequestHandler(Application& application, Environment environment)
    : CommandRequestHandler(std::make_unique<ApplicationDocuments>(application),
                            std::move(environment))
{
    QPointer<CommandRequestHandler> self(this);
    auto follow = [self](EditorDocuments::TextDocument* document) {
        if (!self)
            return;
        connect(document,
                &EditorDocuments::TextDocument::documentDidClose,
                self.data(),
                [self](EditorDocuments::TextDocument* closed) {
                    if (self)
                        self->documentDidClose(closed);
                });
    };
    for (auto* document : application.documentController().documents())
        follow(document);
    connect(&application.documentController(),
            &EditorDocuments::DocumentController::documentAdded,
            this,
            follow);
}

CommandRequestHandler::CommandRequestHandler(Application& application)
    : CommandRequestHandler(application, Environment())
{}

CommandRequestHandler::~CommandRequestHandler() = default;

void CommandRequestHandler::install(Application& application)
{
    QPointer<CommandRequestHandler> self(this);
    application.handleRequestURL = [self](const std::string& url) {
        if (self)
            self->handle(url);
    };
    sweepMailbox();
}

Platform::SerialQueue& CommandRequestHandler::worker()
{
    if (!m_worker)
        m_worker = std::make_unique<Platform::SerialQueue>("app.orlune.viewer.requests");
    return *m_worker;
}

void CommandRequestHandler::sweepMailbox()
{
    worker().async([box = m_box, now = now()] { box.sweep(now); });
}

std::chrono::system_clock::time_point CommandRequestHandler::now() const
{
    return m_environment.now ? m_environment.now() : std::chrono::system_clock::now();
}

void CommandRequestHandler::log(Level level, const std::string& message) const
{
    if (m_environment.systemLog)
        m_environment.systemLog(level, message);
    else
        Platform::SystemLog::write(logSubsystem, logCategory, level, message);
}

void CommandRequestHandler::record(ErrorLog::Level level,
                                   std::string_view key,
                                   const ErrorLog::Fields& fields) const
{
    if (m_environment.record)
        m_environment.record(level, key, fields);
    else
        AppLog::record(level, key, fields);
}

bool CommandRequestHandler::shouldActivate() const
{
    if (m_environment.shouldActivate)
        return m_environment.shouldActivate();
    return std::getenv("OL_TEST_BACKGROUND") == nullptr;
}

std::vector<std::string> CommandRequestHandler::takeWaitingRequests()
{
    std::vector<std::string> urls;
    for (const auto& id : m_box.waiting()) {
        m_waitingAtLaunch.insert(id);
        urls.push_back("orlune-viewer://request?id=" + id.text());
    }
    if (!urls.empty())
        log(Level::info, std::to_string(urls.size()) + " waiting request(s) taken at launch");
    return urls;
}

void CommandRequestHandler::handle(const std::string& url)
{
    const auto idText = requestIdentifierText(url);
    const auto id = idText ? Platform::Uuid::parse(*idText) : std::nullopt;
    if (!id) {
        log(Level::error, "모르는 주소");
        return;
    }
    if (m_taken.contains(*id))
        return;
    const auto taking = m_waitingAtLaunch.erase(*id) != 0 ? RequestBox::Taking::atLaunch
                                                          : RequestBox::Taking::running;
    const auto request = m_box.read(*id, now(), taking);
    if (!request) {
        log(Level::error, "요청 없음 · 오래됨 " + *idText);
        record(ErrorLog::Level::warning, "request.rejected", {{"id", *idText}});
        m_box.remove(*id);
        return;
    }
    m_taken.insert(*id);
    if (request->wait)
        m_box.writeAck(*id, m_environment.processId.value_or(static_cast<std::int32_t>(::getpid())));
    switch (request->kind) {
    case CommandRequest::Kind::open:
        open(*request, 0);
        break;
    case CommandRequest::Kind::stdin:
        openStdin(*request);
        break;
    case CommandRequest::Kind::openFiles:
        openFiles(*request);
        break;
    case CommandRequest::Kind::newFile:
        newFile(*request);
        break;
    }
}

void CommandRequestHandler::open(const CommandRequest& request, int attempt)
{
    std::vector<std::filesystem::path> files;
    for (const auto& path : request.paths) {
        // A missing path stays: it may be a file that is being made.
        if (!isFolder(path))
            files.emplace_back(path);
    }
    if (files.empty()) {
        // Nothing will ever close for it, so a waiting sender is answered now.
        if (request.wait)
            finish(request.id);
        else
            m_box.remove(request.id);
        return;
    }
    std::vector<QObject*> found;
    for (const auto& file : files) {
        QObject* document = m_documents->documentFor(file);
        if (!document)
            break;
        found.push_back(document);
    }
    if (found.size() < files.size()) {
        if (attempt < lastAttempt) {
            QPointer<CommandRequestHandler> self(this);
            QTimer::singleShot(m_environment.lookInterval, this, [self, request, attempt] {
                if (self)
                    self->open(request, attempt + 1);
            });
            return;
        }
        log(Level::error, "요청한 파일이 열리지 않음 " + request.id.text());
        finish(request.id, EditorStore::RequestOutcome::failed);
        return;
    }

    QObject* first = found.front();
    const bool hasWindow = m_documents->raise(first);
    if (request.line && hasWindow) {
        // After the tab was raised, once the current event is over.
        QPointer<QObject> document(first);
        const std::int64_t line = *request.line;
        const auto column = request.column;
        QTimer::singleShot(0, this, [this, document, line, column] {
            moveCaret(document, line, column);
        });
    }
    if (request.wait)
        m_waits[request.id] = found;
    m_box.remove(request.id);
}

void CommandRequestHandler::moveCaret(QPointer<QObject> document,
                                      std::int64_t line,
                                      std::optional<std::int64_t> column)
{
    if (!document || m_documents->selectLine(document, line, column))
        return;
    QTimer::singleShot(50, this, [this, document, line, column] {
        moveCaret(document, line, column);
    });
}

void CommandRequestHandler::openStdin(const CommandRequest& request)
{
    auto payload = m_box.readStdin(request.id);
    if (!payload) {
        m_box.remove(request.id);
        return;
    }
    // Detecting and decoding walk the whole payload: on the worker, then the document is made
    // here.
    QPointer<CommandRequestHandler> self(this);
    worker().async([self, id = request.id, bytes = std::move(*payload)] {
        std::u16string text;
        const auto guess = EditorCore::EncodingDetector::detect(bytes);
        if (const auto* textGuess = guess.textGuess())
            text = EditorDocuments::DocumentReading::decodeLoaded(bytes,
                                                                  textGuess->encoding,
                                                                  textGuess->candidates,
                                                                  textGuess->hasByteOrderMark)
                       .text;
        else
            text = EditorDocuments::DocumentReading::lossyUtf8Text(bytes);
        const std::size_t size = bytes.size();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, id, size, text = QString::fromStdU16String(text)] {
                if (!self)
                    return;
                self->m_documents->openUntitled(text);
                self->log(Level::notice, "표준 입력 들여옴 " + std::to_string(size) + " 바이트");
                self->m_box.remove(id);
            },
            Qt::QueuedConnection);
    });
}

void CommandRequestHandler::openFiles(const CommandRequest& request)
{
    std::vector<std::filesystem::path> files;
    for (const auto& path : request.paths) {
        std::error_code error;
        if (std::filesystem::exists(path, error) && !isFolder(path))
            files.emplace_back(path);
    }
    if (files.empty()) {
        m_box.remove(request.id);
        return;
    }
    if (shouldActivate())
        m_documents->activateApplication();
    QPointer<CommandRequestHandler> self(this);
    for (const auto& file : files) {
        m_documents->openFile(file, [self, file](const auto& failure) {
            if (!self || !failure)
                return;
            self->log(Level::error, "Finder 열기 실패 " + failure->first.toStdString());
            self->record(ErrorLog::Level::error,
                         "finder.open",
                         {{"path", file.string()}, {"err", failure->second}});
        });
    }
    log(Level::notice, "Finder 로 " + std::to_string(files.size()) + " 파일 엶");
    m_box.remove(request.id);
}

void CommandRequestHandler::newFile(const CommandRequest& request)
{
    // The window itself refuses a path that is no folder.
    if (!request.paths.empty())
        m_documents->showNewFileWindow(request.paths.front(), shouldActivate());
    m_box.remove(request.id);
}

void CommandRequestHandler::documentDidClose(QObject* document)
{
    const auto snapshot = m_waits;
    for (const auto& [id, documents] : snapshot) {
        if (std::find(documents.begin(), documents.end(), document) == documents.end())
            continue;
        std::vector<QObject*> left;
        std::copy_if(documents.begin(),
                     documents.end(),
                     std::back_inserter(left),
                     [document](QObject* waited) { return waited != document; });
        if (!left.empty()) {
            m_waits[id] = std::move(left);
            continue;
        }
        m_waits.erase(id);
        finish(id);
    }
}

void CommandRequestHandler::finish(const Platform::Uuid& id, EditorStore::RequestOutcome outcome)
{
    m_box.writeDone(id, outcome);
    m_box.remove(id);
    if (m_environment.signalDone)
        m_environment.signalDone(id.text());
    else
        sendDoneSignal(id.text());
    log(Level::notice, "olv -w 끝남 알림");
}

} // namespace EditorShell
