#include "app/features/FormatterCenter.h"

#include "app/features/GrammarCenter.h"
#include "app/kit/AppLog.h"
#include "platform/SerialQueue.h"
#include "store/AppGroup.h"

#include <QMetaObject>
#include <QPointer>
#include <QUrl>

#include <exception>

namespace AppFeatures {

using EditorFeatures::FormatterStore;
using EditorFeatures::PrettierEngine;
using Level = EditorStore::ErrorLog::Level;

namespace {

std::unique_ptr<FormatterCenter>& sharedSlot()
{
    // Never destroyed: the center lives for the whole run.
    static auto* slot = new std::unique_ptr<FormatterCenter>();
    return *slot;
}

} // namespace

FormatterCenter::Places FormatterCenter::places(const PreferenceLookup& lookup)
{
    return storePlaces(lookup,
                       "OLFormattersURL",
                       "OLFormattersRoot",
                       {FormatterStore::defaultBaseURL(), FormatterStore::defaultRoot()});
}

FormatterCenter& FormatterCenter::shared()
{
    auto& slot = sharedSlot();
    if (!slot) {
        const Places where = places(EditorStore::standardPreference);
        slot = std::make_unique<FormatterCenter>(FormatterStore(where.root, where.baseURL));
    }
    return *slot;
}

std::unique_ptr<FormatterCenter>
FormatterCenter::replaceShared(std::unique_ptr<FormatterCenter> center)
{
    auto previous = std::move(sharedSlot());
    sharedSlot() = std::move(center);
    return previous;
}

FormatterCenter::FormatterCenter(FormatterStore store, LogFunction log)
    : m_store(std::move(store))
    , m_log(std::move(log))
    , m_queue(std::make_unique<Platform::SerialQueue>(std::string(queueLabel)))
{
    m_pool.setMaxThreadCount(1);
}

FormatterCenter::~FormatterCenter()
{
    m_pool.waitForDone();
    // The engine's context belongs to the queue's thread.
    m_queue->async([this] { m_engine.reset(); });
    m_queue.reset();
}

QString FormatterCenter::serverName() const
{
    return storeServerName(m_store.baseURL());
}

void FormatterCenter::waitForBackgroundWork()
{
    m_pool.waitForDone();
    m_queue->waitUntilIdle();
}

void FormatterCenter::log(Level level,
                          std::string_view key,
                          const EditorStore::ErrorLog::Fields& fields) const
{
    if (m_log)
        m_log(level, key, fields);
    else
        AppLog::record(level, key, fields);
}

void FormatterCenter::install(std::function<void(bool)> completion)
{
    if (completion)
        m_waiting.push_back(std::move(completion));
    if (m_phase.kind == Phase::Kind::downloading)
        return;
    m_phase = {Phase::Kind::downloading, {}};
    emit phaseDidChange();
    QPointer<FormatterCenter> weak(this);
    const FormatterStore store = m_store;
    m_pool.start([weak, store] {
        EditorCore::Result<Installed, EditorFeatures::StoreFailure> result =
            store.install(formatterName);
        QMetaObject::invokeMethod(
            weak.data(),
            [weak, result] {
                if (weak)
                    weak->finishInstall(result);
            },
            Qt::QueuedConnection);
    });
}

void FormatterCenter::finishInstall(
    const EditorCore::Result<Installed, EditorFeatures::StoreFailure>& result)
{
    const bool succeeded = result.has_value();
    if (succeeded) {
        m_phase = {};
        log(Level::notice, "formatter.installed", {{"name", std::string(formatterName)}});
    } else {
        const GrammarCenter::Failure failure(result.error());
        m_phase = Phase::failed(GrammarCenter::failureMessage(failure));
        log(Level::warning, "formatter.failed", {{"error", GrammarCenter::logKey(failure)}});
    }
    emit phaseDidChange();
    // Every caller that asked while this installation ran hears its one result.
    for (auto& completion : std::exchange(m_waiting, {}))
        completion(succeeded);
}

void FormatterCenter::format(const Installed& formatter,
                             std::u16string source,
                             std::string parser,
                             int tabWidth,
                             bool useTabs,
                             std::function<void(const FormatOutcome&)> completion)
{
    QPointer<FormatterCenter> weak(this);
    m_queue->async([this,
                    weak,
                    formatter,
                    source = std::move(source),
                    parser = std::move(parser),
                    tabWidth,
                    useTabs,
                    completion = std::move(completion)]() mutable {
        FormatOutcome outcome = EditorCore::failure(PrettierEngine::Failure{});
        try {
            if (!m_engine) {
                auto made = PrettierEngine::create(formatter.directory, formatter.entry.scripts);
                if (made)
                    m_engine = std::move(*made);
                else
                    outcome = EditorCore::failure(made.error());
            }
            if (m_engine)
                outcome = m_engine->format(source, parser, tabWidth, useTabs);
        } catch (const std::exception& error) {
            outcome = EditorCore::failure(PrettierEngine::Failure{error.what(), {}, {}});
        }
        // The center outlives its queue's jobs; the invocation goes with it when it is gone.
        QMetaObject::invokeMethod(
            this,
            [weak, outcome = std::move(outcome), completion = std::move(completion)] {
                if (weak && completion)
                    completion(outcome);
            },
            Qt::QueuedConnection);
    });
}

} // namespace AppFeatures
