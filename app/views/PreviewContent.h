#pragma once

#include "app/views/EditorColors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <filesystem>
#include <optional>

namespace EditorViews {

// The page of the Markdown preview and the rules it is kept by, apart from the web engine:
// the template, the scripts the view runs in it, which navigations it allows and which files
// of the document's folder it serves. Pure functions, any thread.
namespace PreviewContent {

// "memo-doc://doc/": relative links and images of the document resolve against it.
QUrl baseURL();
inline constexpr const char* scheme = "memo-doc";

// The whole page with an empty article (id "content"). The engine takes
// `prefers-color-scheme` from its own settings, not from the application's theme, so the
// colours of `appearance` are written in instead of a media query.
QString htmlTemplate(Appearance appearance);
// Sets the page's colour properties to those of `appearance` (a theme change while shown).
QString appearanceScript(Appearance appearance);

// `text` as a JavaScript string literal.
QString javaScriptString(QStringView text);
// Replaces the article's content with `html`.
QString articleScript(QStringView html);
// The same as scripts run one per turn of the event loop, so that a long article does not hold
// the main thread (handing a script to the engine costs about 8 ms per million units): one
// script for a short article; for a long one, pieces gathered in the application world, then
// the script that puts them in.
inline constexpr qsizetype articlePieceLength = 128 * 1024;
QStringList articleScripts(QStringView html, qsizetype pieceLength = articlePieceLength);
// Scrolls so that the last block starting at or before `line` lies 8 px below the top of the
// viewport; the top for a line of 1 or less or before every block.
QString scrollScript(int line);

// The paragraph shown in place of a text too long to convert.
QString tooLargeHTML(const QString& message);
inline constexpr qsizetype maximumConvertedLength = 5'000'000;

enum class Navigation { linkActivated, ownLoad, other };
struct NavigationDecision
{
    bool allow = false;
    // Handed to the system (the browser or mail program); the page stays.
    bool openExternally = false;
    bool operator==(const NavigationDecision&) const = default;
};
// Links within the page are followed; web and mail links go to the system; the view's own
// load of the template is allowed; everything else is refused.
NavigationDecision decideNavigation(const QUrl& url, Navigation kind);

// The file a "memo-doc" request names inside `root`: none for an untitled document, a path
// that leaves the folder (parent components, a symbolic link pointing out), the folder itself.
std::optional<std::filesystem::path> servedFile(const std::optional<std::filesystem::path>& root,
                                                const QUrl& url);
// By the file's extension; "application/octet-stream" when it names no type.
QByteArray mimeType(const std::filesystem::path& file);

} // namespace PreviewContent

} // namespace EditorViews
