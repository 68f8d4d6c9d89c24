#pragma once

#include "app/features/StorePlaces.h"
#include "core/Result.h"
#include "features/FormatterStore.h"
#include "features/PrettierEngine.h"
#include "store/ErrorLog.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {
class SerialQueue;
}

namespace AppFeatures {

// The application's one owner of the downloadable formatter: its store, the one installation
// that may be under way with its phase, and one Prettier engine, made on first use and kept,
// that formats on the formatter's serial queue (the engine's context belongs to that thread).
// Installations run on a worker; every completion is called on the main thread. Main thread
// only, except what runs on the queue.
class FormatterCenter : public QObject
{
    Q_OBJECT
public:
    using Installed = EditorFeatures::FormatterStore::Installed;
    using FormatOutcome =
        EditorCore::Result<std::u16string, EditorFeatures::PrettierEngine::Failure>;
    using LogFunction = std::function<void(
        EditorStore::ErrorLog::Level, std::string_view, const EditorStore::ErrorLog::Fields&)>;

    static constexpr std::string_view formatterName = "prettier";
    static constexpr std::string_view queueLabel = "app.orlune.viewer.formatter";

    struct Phase
    {
        enum class Kind { idle, downloading, failed };
        Kind kind = Kind::idle;
        // The failure's user text (failed only).
        QString message;

        static Phase failed(QString text) { return {Kind::failed, std::move(text)}; }
        bool operator==(const Phase&) const = default;
    };

    // Where the formatter comes from and goes: "OLFormattersURL" when it is a valid URL, else
    // the store's default; "OLFormattersRoot" when present, else the default folder.
    using Places = StorePlaces;
    static Places places(const PreferenceLookup& lookup);

    // The center of the running application, created on first use from the application's
    // preferences and the command line's argument domain; it lives for the whole run.
    static FormatterCenter& shared();
    // Makes `center` the shared one (tests); returns the one it replaces, if any.
    static std::unique_ptr<FormatterCenter> replaceShared(std::unique_ptr<FormatterCenter> center);

    // `log` defaults to the application log.
    explicit FormatterCenter(EditorFeatures::FormatterStore store, LogFunction log = {});
    // Waits for the installation and the queued work; the engine goes on its queue.
    ~FormatterCenter() override;

    const EditorFeatures::FormatterStore& store() const { return m_store; }
    std::optional<Installed> installed() const { return m_store.installed(formatterName); }
    const Phase& phase() const { return m_phase; }
    // The download server's name shown to the user: the base URL's host (the URL itself when
    // it has none, as a file URL).
    QString serverName() const;

    // Installs the formatter on a worker; `completion` gets whether it worked, on the main
    // thread. A call while an installation runs joins it: its completion gets the same result.
    void install(std::function<void(bool)> completion);

    // Formats on the queue with the engine (made from `formatter` on the first request; a
    // failed build is tried again at the next one). Completions come on the main thread, in
    // the order of the requests.
    void format(const Installed& formatter,
                std::u16string source,
                std::string parser,
                int tabWidth,
                bool useTabs,
                std::function<void(const FormatOutcome&)> completion);

    // Blocks until the installation and every format job submitted so far have ended (their
    // results are then queued to the main thread).
    void waitForBackgroundWork();

signals:
    void phaseDidChange();

private:
    void finishInstall(const EditorCore::Result<Installed, EditorFeatures::StoreFailure>& result);
    void log(EditorStore::ErrorLog::Level level,
             std::string_view key,
             const EditorStore::ErrorLog::Fields& fields) const;

    EditorFeatures::FormatterStore m_store;
    LogFunction m_log;
    Phase m_phase;
    std::vector<std::function<void(bool)>> m_waiting;
    QThreadPool m_pool;
    std::unique_ptr<Platform::SerialQueue> m_queue;
    // Touched only on the queue.
    std::unique_ptr<EditorFeatures::PrettierEngine> m_engine;
};

} // namespace AppFeatures
