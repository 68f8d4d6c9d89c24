#pragma once

#include "app/features/StorePlaces.h"
#include "features/CodeLanguage.h"
#include "features/GrammarStore.h"
#include "features/SyntaxGrammarLoad.h"
#include "features/SyntaxGrammars.h"
#include "store/ErrorLog.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace AppFeatures {

// The application's one owner of downloadable grammars at run time: the grammar store, the
// installed list, the grammars loaded from installed libraries and one phase per language.
// Downloads, installations and library loads run on worker threads; their results are applied
// on the main thread in a later turn. Every change is announced by `grammarsDidChange`
// (queued, so also a change made on the main thread reaches listeners in a later turn), which
// the center forwards to the application's notification center. Main thread only.
class GrammarCenter : public QObject
{
    Q_OBJECT
public:
    using CodeLanguage = EditorFeatures::CodeLanguage;
    using SyntaxGrammar = EditorFeatures::SyntaxGrammar;
    using InstalledGrammar = EditorFeatures::InstalledGrammar;
    using LoadFailure = EditorFeatures::SyntaxGrammars::LoadFailure;

    // What the user interface shows for one language; a language never touched counts as idle.
    struct Phase
    {
        enum class Kind { idle, loading, downloading, failed };
        Kind kind = Kind::idle;
        // The failure's user text (failed only).
        QString message;

        static Phase failed(QString text) { return {Kind::failed, std::move(text)}; }
        bool operator==(const Phase&) const = default;
    };

    // An error that is neither the store's nor the loader's (an exception of the file system).
    struct OtherError
    {
        std::string text;
        std::string logKey;
        bool operator==(const OtherError&) const = default;
    };
    using Failure = std::variant<EditorFeatures::StoreFailure, LoadFailure, OtherError>;
    using LoadOutcome = EditorCore::Result<SyntaxGrammar, Failure>;

    using LogFunction = std::function<void(
        EditorStore::ErrorLog::Level, std::string_view, const EditorStore::ErrorLog::Fields&)>;

    // Where the grammars come from and go: "OLGrammarsURL" when it is a valid URL, else the
    // store's default; "OLGrammarsRoot" when present, else the default grammar folder.
    using Places = StorePlaces;
    static Places places(const PreferenceLookup& lookup);

    // The center of the running application, created on first use from the application's
    // preferences and the command line's argument domain; it lives for the whole run.
    static GrammarCenter& shared();
    // Makes `center` the shared one (tests and tools); returns the one it replaces, if any.
    static std::unique_ptr<GrammarCenter> replaceShared(std::unique_ptr<GrammarCenter> center);

    // `log` defaults to the application log.
    explicit GrammarCenter(EditorFeatures::GrammarStore store, LogFunction log = {});
    // Waits for background work still running.
    ~GrammarCenter() override;

    const EditorFeatures::GrammarStore& store() const { return m_store; }

    // The built-in grammar, else the one loaded for the language; never starts a load.
    std::optional<SyntaxGrammar> grammar(CodeLanguage language) const;
    bool isInstalled(CodeLanguage language) const;
    // The installed grammar of the language needs a newer edition (revision or companion).
    bool needsUpdate(CodeLanguage language) const;
    // Injected-only grammars by name, then built-in and loaded ones by language identifier.
    std::map<std::string, SyntaxGrammar> injectionGrammars() const;

    Phase phase(CodeLanguage language) const;
    const std::vector<InstalledGrammar>& installedList() const { return m_installed; }

    // Starts loading the language's installed grammar, unless it is loaded, has a phase other
    // than idle, or nothing installed serves it.
    void loadInstalled(CodeLanguage language);
    // Loads what a parse reported missing: language identifiers through loadInstalled, other
    // names when installed and neither loaded nor loading.
    void loadInjected(const std::set<std::string>& names);
    // Downloads, installs and loads the language's grammar; ignored while one loads or
    // downloads. Clears the language from the declined list first.
    void startDownload(CodeLanguage language);
    // Announces a change in a later turn of the main loop.
    void postChange();

    // The download server's name shown to the user: the base URL's host (the URL itself when
    // it has none, as a file URL).
    QString serverName() const;

    // The user's text and the log key of a failure.
    static QString failureMessage(const Failure& failure);
    static std::string logKey(const Failure& failure);

    // Blocks until every background task started so far has ended (its result is then
    // queued to the main thread, applied when the event loop runs).
    void waitForBackgroundWork();

signals:
    void grammarsDidChange();

private:
    void runInBackground(std::function<void()> work);
    void startLoad(const InstalledGrammar& record);
    void didInstall(const InstalledGrammar& record, const LoadOutcome& result);
    void finishLoad(const InstalledGrammar& record, const LoadOutcome& result);
    void downloadFailed(CodeLanguage language, const Failure& failure);
    void log(EditorStore::ErrorLog::Level level,
             std::string_view key,
             const EditorStore::ErrorLog::Fields& fields) const;

    EditorFeatures::GrammarStore m_store;
    LogFunction m_log;
    std::map<CodeLanguage, SyntaxGrammar> m_loaded;
    std::map<std::string, SyntaxGrammar> m_loadedByName;
    std::set<std::string> m_loadingNames;
    std::map<CodeLanguage, Phase> m_phases;
    std::vector<InstalledGrammar> m_installed;
    QThreadPool m_pool;
};

} // namespace AppFeatures
