#include "app/shell/AppLanguage.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/Localized.h"
#include "app/shell/LoginItem.h"
#include "store/AppGroup.h"
#include "store/Settings.h"

#include <QProcess>
#include <QStringList>

#include <unistd.h>

namespace EditorShell::AppLanguage {

namespace {

constexpr std::string_view appleLanguagesKey = "AppleLanguages";
constexpr std::string_view appliedKey = "OLAppliedLanguage";

std::string& launchLanguageValue()
{
    static std::string language = "system";
    return language;
}

bool isOurs(const std::string& language)
{
    return language == "ko" || language == "en" || language == "ja";
}

} // namespace

const std::string& launchLanguage()
{
    return launchLanguageValue();
}

std::optional<std::vector<std::string>> storedAppleLanguages(const Platform::PreferencesDomain& own)
{
    auto value = own.object(appleLanguagesKey);
    if (!value)
        return std::nullopt;
    if (const auto* list = std::get_if<std::vector<std::string>>(&*value))
        return *list;
    return std::nullopt;
}

void applyAtLaunch(const std::string& language, Platform::PreferencesDomain& own)
{
    if (language != "system") {
        auto applied = own.object(appliedKey);
        const bool same = applied && applied == Platform::PreferenceValue(language)
                          && storedAppleLanguages(own) == std::vector<std::string>{language};
        if (same)
            return;
        (void)own.set(appleLanguagesKey, std::vector<std::string>{language});
        (void)own.set(appliedKey, language);
        return;
    }
    if (own.contains(appliedKey)) {
        const std::string names[] = {std::string(appleLanguagesKey), std::string(appliedKey)};
        (void)own.remove(names);
    }
}

void applyAtLaunch()
{
    launchLanguageValue() =
        EditorStore::Settings::shared().value(EditorStore::SettingKeys::generalLanguage);
    Platform::PreferencesDomain own(EditorStore::standardPreferencesFile());
    applyAtLaunch(launchLanguageValue(), own);
}

QString interfaceLanguage(const Platform::PreferencesDomain& own,
                          const std::function<QByteArray(const char*)>& variable)
{
    if (auto stored = storedAppleLanguages(own);
        stored && stored->size() == 1 && isOurs(stored->front()))
        return QString::fromStdString(stored->front());
    return EditorKit::interfaceLanguage(variable);
}

QString interfaceLanguage()
{
    const Platform::PreferencesDomain own(EditorStore::standardPreferencesFile());
    return interfaceLanguage(own, [](const char* name) { return qgetenv(name); });
}

QString systemLanguageName(const std::function<QByteArray(const char*)>& variable)
{
    const QString pick = EditorKit::interfaceLanguage(variable);
    if (pick.startsWith(QLatin1String("en")))
        return QStringLiteral("English");
    if (pick.startsWith(QLatin1String("ja")))
        return QStringLiteral("日本語");
    return QStringLiteral("한국어");
}

QString systemLanguageName()
{
    return systemLanguageName([](const char* name) { return qgetenv(name); });
}

std::string relaunchScript(pid_t pid, int attempts)
{
    const std::string id = std::to_string(pid);
    return "i=0; while kill -0 " + id + " 2>/dev/null && [ $i -lt " + std::to_string(attempts)
           + " ]; do sleep 0.1; i=$((i+1)); done; kill -0 " + id + " 2>/dev/null || exec \"$0\"";
}

bool startRelaunchShell(pid_t pid, const std::string& binary, int attempts)
{
    return QProcess::startDetached(QStringLiteral("/bin/sh"),
                                   {QStringLiteral("-c"),
                                    QString::fromStdString(relaunchScript(pid, attempts)),
                                    QString::fromStdString(binary)});
}

void relaunch()
{
    (void)startRelaunchShell(::getpid(), LoginItem::applicationBinary().string());
    EditorKit::ActionRouter::shared().send("terminate:", {}, nullptr);
}

} // namespace EditorShell::AppLanguage
