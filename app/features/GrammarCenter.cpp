#include "app/features/GrammarCenter.h"

#include "app/kit/Localized.h"
#include "app/kit/NotificationCenter.h"
#include "app/kit/AppLog.h"
#include "store/AppGroup.h"

#include <QMetaObject>
#include <QUrl>

#include <exception>
#include <system_error>

namespace AppFeatures {

using EditorFeatures::CodeLanguage;
using EditorFeatures::GrammarStore;
using EditorFeatures::StoreFailure;
using Level = EditorStore::ErrorLog::Level;
namespace SyntaxGrammars = EditorFeatures::SyntaxGrammars;

namespace {

std::unique_ptr<GrammarCenter>& sharedSlot()
{
    // Never destroyed: the center lives for the whole run, and its workers may still run
    // while static objects go at exit.
    static auto* slot = new std::unique_ptr<GrammarCenter>();
    return *slot;
}

QString downloadMessage(const QString& detail)
{
    return EditorKit::localized("받지 못했어요 — 인터넷 연결을 확인해 주세요 (%@)")
        .replace(QStringLiteral("%@"), detail);
}

// An exception that escaped a blocking step (the file system's, mostly).
GrammarCenter::OtherError otherError(const std::exception& error)
{
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return {system->what(), AppLog::describe(system->code())};
    return {error.what(), "exception"};
}

// Loads an installed grammar library; blocking.
GrammarCenter::LoadOutcome loadGrammar(const EditorFeatures::InstalledGrammar& record,
                                       const std::filesystem::path& directory)
{
    try {
        auto loaded = SyntaxGrammars::load(record, directory);
        if (!loaded)
            return EditorCore::failure(GrammarCenter::Failure(loaded.error()));
        return *loaded;
    } catch (const std::exception& error) {
        return EditorCore::failure(GrammarCenter::Failure(otherError(error)));
    }
}

} // namespace

GrammarCenter::Places GrammarCenter::places(const PreferenceLookup& lookup)
{
    return storePlaces(lookup,
                       "OLGrammarsURL",
                       "OLGrammarsRoot",
                       {GrammarStore::defaultBaseURL(), GrammarStore::defaultRoot()});
}

GrammarCenter& GrammarCenter::shared()
{
    auto& slot = sharedSlot();
    if (!slot) {
        const Places where = places(EditorStore::standardPreference);
        slot = std::make_unique<GrammarCenter>(GrammarStore(where.root, where.baseURL));
    }
    return *slot;
}

std::unique_ptr<GrammarCenter> GrammarCenter::replaceShared(std::unique_ptr<GrammarCenter> center)
{
    auto previous = std::move(sharedSlot());
    sharedSlot() = std::move(center);
    return previous;
}

GrammarCenter::GrammarCenter(GrammarStore store, LogFunction log)
    : m_store(std::move(store))
    , m_log(std::move(log))
    , m_installed(m_store.installed())
{
    // Every notification goes to the windows through the application's center.
    connect(this, &GrammarCenter::grammarsDidChange, this, [] {
        EditorKit::NotificationCenter::shared().post(
            EditorKit::NotificationCenter::grammarsDidChange);
    });
}

GrammarCenter::~GrammarCenter()
{
    m_pool.waitForDone();
}

void GrammarCenter::waitForBackgroundWork()
{
    m_pool.waitForDone();
}

void GrammarCenter::runInBackground(std::function<void()> work)
{
    m_pool.start(std::move(work));
}

void GrammarCenter::log(Level level,
                        std::string_view key,
                        const EditorStore::ErrorLog::Fields& fields) const
{
    if (m_log)
        m_log(level, key, fields);
    else
        AppLog::record(level, key, fields);
}

// MARK: questions

std::optional<EditorFeatures::SyntaxGrammar> GrammarCenter::grammar(CodeLanguage language) const
{
    if (auto builtin = SyntaxGrammars::grammar(language))
        return builtin;
    if (auto found = m_loaded.find(language); found != m_loaded.end())
        return found->second;
    return std::nullopt;
}

bool GrammarCenter::isInstalled(CodeLanguage language) const
{
    return std::any_of(m_installed.begin(), m_installed.end(), [&](const auto& record) {
        return record.serves(language);
    });
}

bool GrammarCenter::needsUpdate(CodeLanguage language) const
{
    for (const auto& record : m_installed) {
        if (record.serves(language))
            return GrammarStore::needsUpdate(record, m_installed);
    }
    return false;
}

std::map<std::string, EditorFeatures::SyntaxGrammar> GrammarCenter::injectionGrammars() const
{
    std::map<std::string, SyntaxGrammar> result = m_loadedByName;
    for (CodeLanguage language : EditorFeatures::allCodeLanguages) {
        if (!SyntaxGrammars::isBuiltin(language))
            continue;
        if (auto builtin = SyntaxGrammars::grammar(language))
            result.insert_or_assign(std::string(EditorFeatures::rawValue(language)), *builtin);
    }
    for (const auto& [language, loaded] : m_loaded)
        result.insert_or_assign(std::string(EditorFeatures::rawValue(language)), loaded);
    return result;
}

GrammarCenter::Phase GrammarCenter::phase(CodeLanguage language) const
{
    auto found = m_phases.find(language);
    return found == m_phases.end() ? Phase{} : found->second;
}

QString GrammarCenter::serverName() const
{
    return storeServerName(m_store.baseURL());
}

// MARK: loading and downloading

void GrammarCenter::loadInstalled(CodeLanguage language)
{
    if (m_loaded.contains(language))
        return;
    if (phase(language).kind != Phase::Kind::idle)
        return;
    auto record = std::find_if(m_installed.begin(), m_installed.end(), [&](const auto& entry) {
        return entry.serves(language);
    });
    if (record == m_installed.end())
        return;
    m_phases[language] = Phase{Phase::Kind::loading, {}};
    startLoad(*record);
}

void GrammarCenter::loadInjected(const std::set<std::string>& names)
{
    for (const auto& name : names) {
        if (auto language = EditorFeatures::codeLanguageFromRawValue(name)) {
            loadInstalled(*language);
            continue;
        }
        if (m_loadedByName.contains(name) || m_loadingNames.contains(name))
            continue;
        auto record = std::find_if(m_installed.begin(), m_installed.end(), [&](const auto& entry) {
            return entry.name == name;
        });
        if (record == m_installed.end())
            continue;
        m_loadingNames.insert(name);
        startLoad(*record);
    }
}

void GrammarCenter::startLoad(const InstalledGrammar& record)
{
    const auto directory = m_store.versionDirectory(record);
    runInBackground([this, record, directory] {
        LoadOutcome outcome = loadGrammar(record, directory);
        QMetaObject::invokeMethod(
            this,
            [this, record, outcome = std::move(outcome)] { finishLoad(record, outcome); },
            Qt::QueuedConnection);
    });
}

void GrammarCenter::startDownload(CodeLanguage language)
{
    const auto current = phase(language).kind;
    if (current == Phase::Kind::downloading || current == Phase::Kind::loading)
        return;
    m_store.setDeclined(language, false);
    m_phases[language] = Phase{Phase::Kind::downloading, {}};
    postChange();
    runInBackground([this, language] {
        std::optional<InstalledGrammar> installed;
        std::optional<Failure> failure;
        try {
            auto result = m_store.install(language);
            if (result)
                installed = *result;
            else
                failure = result.error();
        } catch (const std::exception& error) {
            failure = otherError(error);
        }
        LoadOutcome outcome = EditorCore::failure(Failure(OtherError{}));
        if (installed)
            outcome = loadGrammar(*installed, m_store.versionDirectory(*installed));
        QMetaObject::invokeMethod(
            this,
            [this, language, installed, failure, outcome = std::move(outcome)] {
                if (installed)
                    didInstall(*installed, outcome);
                else if (failure)
                    downloadFailed(language, *failure);
            },
            Qt::QueuedConnection);
    });
}

void GrammarCenter::didInstall(const InstalledGrammar& record, const LoadOutcome& result)
{
    m_installed = m_store.installed();
    log(Level::notice,
        "grammar.installed",
        {{"name", record.name},
         {"version", record.version},
         {"revision", std::to_string(record.revision)}});
    const auto& companions = SyntaxGrammars::companions();
    if (auto found = companions.find(record.name); found != companions.end()) {
        for (const auto& companion : found->second)
            m_loadedByName.erase(companion);
    }
    finishLoad(record, result);
}

void GrammarCenter::finishLoad(const InstalledGrammar& record, const LoadOutcome& result)
{
    std::vector<CodeLanguage> served;
    for (CodeLanguage language : EditorFeatures::allCodeLanguages) {
        if (record.serves(language))
            served.push_back(language);
    }
    m_loadingNames.erase(record.name);
    if (!result) {
        const Failure& failure = result.error();
        const std::string key = logKey(failure);
        if (served.empty()) {
            log(Level::warning, "grammar.failed", {{"name", record.name}, {"error", key}});
        } else {
            const QString message = failureMessage(failure);
            for (CodeLanguage language : served) {
                m_phases[language] = Phase::failed(message);
                log(Level::warning,
                    "grammar.failed",
                    {{"language", std::string(EditorFeatures::rawValue(language))},
                     {"error", key}});
            }
        }
    } else if (served.empty()) {
        m_loadedByName.insert_or_assign(record.name, *result);
    } else {
        for (CodeLanguage language : served) {
            m_loaded.insert_or_assign(language, *result);
            m_phases[language] = Phase{};
        }
    }
    postChange();
}

void GrammarCenter::downloadFailed(CodeLanguage language, const Failure& failure)
{
    m_phases[language] = Phase::failed(failureMessage(failure));
    log(Level::warning,
        "grammar.failed",
        {{"language", std::string(EditorFeatures::rawValue(language))},
         {"error", logKey(failure)}});
    postChange();
}

void GrammarCenter::postChange()
{
    QMetaObject::invokeMethod(
        this, [this] { emit grammarsDidChange(); }, Qt::QueuedConnection);
}

// MARK: failure texts

QString GrammarCenter::failureMessage(const Failure& failure)
{
    struct Text
    {
        QString operator()(const StoreFailure& store) const
        {
            struct StoreText
            {
                QString operator()(const StoreFailure::Download& download) const
                {
                    return downloadMessage(QString::fromStdString(download.text));
                }
                QString operator()(const StoreFailure::Index&) const
                {
                    return EditorKit::localized("문법 목록의 서명이 맞지 않아 받지 않았어요");
                }
                QString operator()(const StoreFailure::Unpack&) const
                {
                    return EditorKit::localized("받은 문법을 풀지 못했어요");
                }
                QString operator()(const StoreFailure::NotAvailable&) const
                {
                    return EditorKit::localized("이 언어의 문법이 아직 없어요");
                }
                QString operator()(const StoreFailure::Corrupted&) const
                {
                    return EditorKit::localized("받은 파일이 목록과 달라 쓰지 않았어요");
                }
            };
            return std::visit(StoreText{}, store.value);
        }
        QString operator()(const LoadFailure& load) const
        {
            if (std::holds_alternative<LoadFailure::Refused>(load.value))
                return EditorKit::localized("맥이 이 문법을 열지 않았어요 (서명 확인)");
            return EditorKit::localized("이 문법을 읽지 못했어요");
        }
        QString operator()(const OtherError& other) const
        {
            return downloadMessage(QString::fromStdString(other.text));
        }
    };
    return std::visit(Text{}, failure);
}

std::string GrammarCenter::logKey(const Failure& failure)
{
    struct Key
    {
        std::string operator()(const StoreFailure& store) const
        {
            struct StoreKey
            {
                std::string operator()(const StoreFailure::Download&) const { return "download"; }
                std::string operator()(const StoreFailure::Index& index) const
                {
                    return "index." + std::string(EditorFeatures::rawValue(index.reason));
                }
                std::string operator()(const StoreFailure::Unpack&) const { return "unpack"; }
                std::string operator()(const StoreFailure::NotAvailable&) const
                {
                    return "notAvailable";
                }
                std::string operator()(const StoreFailure::Corrupted&) const { return "corrupted"; }
            };
            return std::visit(StoreKey{}, store.value);
        }
        std::string operator()(const LoadFailure& load) const
        {
            struct LoadKey
            {
                std::string operator()(const LoadFailure::Refused&) const { return "refused"; }
                std::string operator()(const LoadFailure::MissingSymbol&) const
                {
                    return "load.missingSymbol";
                }
                std::string operator()(const LoadFailure::Incompatible&) const
                {
                    return "load.incompatible";
                }
                std::string operator()(const LoadFailure::BadQuery&) const
                {
                    return "load.badQuery";
                }
            };
            return std::visit(LoadKey{}, load.value);
        }
        std::string operator()(const OtherError& other) const { return other.logKey; }
    };
    return std::visit(Key{}, failure);
}

} // namespace AppFeatures
