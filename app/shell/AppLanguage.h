#pragma once

#include "platform/PreferencesDomain.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The interface language the user chose ("general.language": "system", "ko", "en", "ja"). It
// takes effect at launch: the choice is written into the application's own preferences as
// "AppleLanguages" (with "OLAppliedLanguage" saying that we wrote it), and the interface loads
// that language. A change while running takes effect after a relaunch. Main thread.
namespace EditorShell::AppLanguage {

// "general.language" as read at launch ("system" until then).
const std::string& launchLanguage();

// The one-element list of `language` in `own` as the launch would leave it; "system" removes
// both values, but only when "OLAppliedLanguage" says they are ours.
void applyAtLaunch(const std::string& language, Platform::PreferencesDomain& own);
// With "general.language" and the application's own preferences; sets `launchLanguage`.
void applyAtLaunch();

// The "AppleLanguages" list of `own`, when it is a list of texts.
std::optional<std::vector<std::string>>
storedAppleLanguages(const Platform::PreferencesDomain& own);

// What the interface loads ("ko", "en", "ja"): a one-element "AppleLanguages" of one of them,
// else the first of the user's languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) among them, else
// Korean.
QString interfaceLanguage(const Platform::PreferencesDomain& own,
                          const std::function<QByteArray(const char*)>& variable);
QString interfaceLanguage();

// The name of the language the user's environment would give ("English", "日本語", "한국어"),
// shown for the choice "system".
QString systemLanguageName(const std::function<QByteArray(const char*)>& variable);
QString systemLanguageName();

// The shell script that waits while `pid` runs (at most `attempts` times 0.1 s) and then, only
// when it has ended, starts "$0".
std::string relaunchScript(pid_t pid, int attempts = 100);
// Starts the waiting shell for `pid` with `binary` as "$0"; false when it could not start.
bool startRelaunchShell(pid_t pid, const std::string& binary, int attempts = 100);
// The settings window's relaunch: the waiting shell for this process and binary, then the quit
// through the document controller's review ("terminate:"). A cancelled or slow quit means no
// relaunch; a shell that cannot start still quits.
void relaunch();

} // namespace EditorShell::AppLanguage
