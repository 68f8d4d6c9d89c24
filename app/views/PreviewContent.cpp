#include "app/views/PreviewContent.h"

#include <QMimeDatabase>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <system_error>

namespace EditorViews::PreviewContent {
namespace {

struct Property
{
    const char* name;
    const char* light;
    const char* dark;
};

constexpr std::array<Property, 5> properties{{
    {"--fg", "#1f2328", "#e6edf3"},
    {"--muted", "#59636e", "#9198a1"},
    {"--line", "#d1d9e0", "#3d444d"},
    {"--code", "rgba(129,139,152,.12)", "rgba(101,108,118,.2)"},
    {"--link", "#0969da", "#4493f8"},
}};

const char* valueOf(const Property& property, Appearance appearance)
{
    return appearance == Appearance::dark ? property.dark : property.light;
}

QString colorScheme(Appearance appearance)
{
    return appearance == Appearance::dark ? QStringLiteral("dark") : QStringLiteral("light");
}

constexpr const char* styleRules = R"css(
html { background: transparent; }
body { margin: 0; padding: 20px 28px 40px; color: var(--fg); font: 14px/1.6 -apple-system, "Apple SD Gothic Neo", sans-serif; overflow-wrap: break-word; word-wrap: break-word; }
article > :first-child { margin-top: 0; }
h1, h2 { padding-bottom: .3em; border-bottom: 1px solid var(--line); }
h1, h2, h3, h4, h5, h6 { margin: 1.4em 0 .6em; line-height: 1.25; font-weight: 600; }
h1 { font-size: 1.9em; }
h2 { font-size: 1.45em; }
h3 { font-size: 1.2em; }
p, ul, ol, table, pre, blockquote { margin: 0 0 1em; }
a { color: var(--link); text-decoration: none; }
a:hover { text-decoration: underline; }
code, pre { font-family: ui-monospace, Menlo, monospace; font-size: 12.5px; }
code { background: var(--code); padding: .15em .35em; border-radius: 5px; }
pre { background: var(--code); padding: 12px 14px; border-radius: 8px; overflow: auto; line-height: 1.45; }
pre code { background: none; padding: 0; }
blockquote { color: var(--muted); border-left: .25em solid var(--line); padding: 0 1em; margin-left: 0; }
table { border-collapse: collapse; display: block; overflow: auto; }
th, td { border: 1px solid var(--line); padding: 5px 12px; }
th { font-weight: 600; }
img { max-width: 100%; }
hr { border: none; border-top: 1px solid var(--line); margin: 1.5em 0; }
li > input[type=checkbox] { margin: 0 .4em .2em -1.3em; vertical-align: middle; }
ul:has(> li > input[type=checkbox]) { list-style: none; }
)css";

} // namespace

QUrl baseURL()
{
    static const QUrl url(QStringLiteral("memo-doc://doc/"));
    return url;
}

QString htmlTemplate(Appearance appearance)
{
    QString root = QStringLiteral(":root { color-scheme: %1;").arg(colorScheme(appearance));
    for (const Property& property : properties)
        root +=
            QStringLiteral(" %1: %2;")
                .arg(QLatin1String(property.name), QLatin1String(valueOf(property, appearance)));
    root += QStringLiteral(" }");
    return QStringLiteral(
               "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
               "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
               "img-src * data: memo-doc:; style-src 'unsafe-inline'\">\n"
               "<meta name=\"color-scheme\" content=\"light dark\">\n<style>\n")
           + root + QLatin1String(styleRules)
           + QStringLiteral("</style>\n</head>\n<body><article id=\"content\"></article></body>\n"
                            "</html>\n");
}

QString appearanceScript(Appearance appearance)
{
    QString script = QStringLiteral("(function(s){s.setProperty('color-scheme','%1');")
                         .arg(colorScheme(appearance));
    for (const Property& property : properties)
        script +=
            QStringLiteral("s.setProperty('%1','%2');")
                .arg(QLatin1String(property.name), QLatin1String(valueOf(property, appearance)));
    return script + QStringLiteral("})(document.documentElement.style);");
}

QString javaScriptString(QStringView text)
{
    QString literal;
    literal.reserve(text.size() + text.size() / 8 + 2);
    literal += QLatin1Char('"');
    static constexpr char hex[] = "0123456789abcdef";
    const QChar* begin = text.data();
    const QChar* end = begin + text.size();
    const QChar* run = begin;
    for (const QChar* at = begin; at != end; ++at) {
        const char16_t unit = at->unicode();
        const bool plain =
            unit >= 0x20 && unit != u'"' && unit != u'\\' && unit != 0x2028 && unit != 0x2029;
        if (plain)
            continue;
        literal.append(run, at - run);
        run = at + 1;
        switch (unit) {
        case u'"':
            literal += QLatin1String("\\\"");
            break;
        case u'\\':
            literal += QLatin1String("\\\\");
            break;
        case u'\n':
            literal += QLatin1String("\\n");
            break;
        case u'\r':
            literal += QLatin1String("\\r");
            break;
        case u'\t':
            literal += QLatin1String("\\t");
            break;
        default: {
            const char escaped[] = {'\\',
                                    'u',
                                    hex[(unit >> 12) & 0xF],
                                    hex[(unit >> 8) & 0xF],
                                    hex[(unit >> 4) & 0xF],
                                    hex[unit & 0xF],
                                    0};
            literal += QLatin1String(escaped);
        }
        }
    }
    literal.append(run, end - run);
    literal += QLatin1Char('"');
    return literal;
}

QString articleScript(QStringView html)
{
    // `void 0`: the script's value (here the whole article) would travel back to the
    // application, which ignores it.
    return QStringLiteral("document.getElementById('content').innerHTML = ")
           + javaScriptString(html) + QStringLiteral("; void 0;");
}

QStringList articleScripts(QStringView html, qsizetype pieceLength)
{
    if (html.size() <= pieceLength || pieceLength < 2)
        return {articleScript(html)};
    QStringList scripts;
    qsizetype start = 0;
    while (start < html.size()) {
        qsizetype length = std::min(pieceLength, html.size() - start);
        // A piece never ends between the two halves of a surrogate pair.
        if (start + length < html.size() && html[start + length - 1].isHighSurrogate())
            --length;
        const QString literal = javaScriptString(html.mid(start, length));
        scripts << (start == 0
                        ? QStringLiteral("window.olvArticle = [%1]; void 0;").arg(literal)
                        : QStringLiteral("window.olvArticle.push(%1); void 0;").arg(literal));
        start += length;
    }
    scripts << QStringLiteral("document.getElementById('content').innerHTML = "
                              "window.olvArticle.join(''); window.olvArticle = null; void 0;");
    return scripts;
}

QString scrollScript(int line)
{
    return QStringLiteral("(function(line){var kept=null;"
                          "var blocks=document.querySelectorAll('[data-sourcepos]');"
                          "for(var i=0;i<blocks.length;i++){"
                          "var first=parseInt(blocks[i].getAttribute('data-sourcepos'),10);"
                          "if(isNaN(first))continue;if(first>line)break;kept=blocks[i];}"
                          "if(!kept||line<=1){window.scrollTo(0,0);return;}"
                          "window.scrollTo(0,kept.getBoundingClientRect().top+window.scrollY-8);"
                          "})(%1);")
        .arg(line);
}

QString tooLargeHTML(const QString& message)
{
    return QStringLiteral("<p><em>") + message + QStringLiteral("</em></p>");
}

NavigationDecision decideNavigation(const QUrl& url, Navigation kind)
{
    switch (kind) {
    case Navigation::ownLoad:
        return {true, false};
    case Navigation::other:
        return {false, false};
    case Navigation::linkActivated:
        break;
    }
    if (!url.isValid() || url.isEmpty())
        return {false, false};
    if (url.scheme() == QLatin1String(scheme) && url.hasFragment() && url.host() == baseURL().host()
        && url.path() == baseURL().path())
        return {true, false};
    const QString lowered = url.scheme().toLower();
    const bool external = lowered == QLatin1String("http") || lowered == QLatin1String("https")
                          || lowered == QLatin1String("mailto");
    return {false, external};
}

std::optional<std::filesystem::path> servedFile(const std::optional<std::filesystem::path>& root,
                                                const QUrl& url)
{
    if (!root || !url.isValid() || url.isEmpty())
        return std::nullopt;
    // The engine hands the path decoded once; what is left encoded is decoded once more.
    QString path = url.path(QUrl::FullyDecoded);
    {
        const QByteArray again = QByteArray::fromPercentEncoding(path.toUtf8());
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString decoded = decoder(again);
        if (!decoder.hasError())
            path = decoded;
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(*root, error);
    if (error || folder.empty())
        return std::nullopt;
    std::filesystem::path relative = path.toStdString();
    relative = relative.relative_path();
    std::filesystem::path candidate =
        std::filesystem::weakly_canonical(*root / relative, error).lexically_normal();
    if (error)
        return std::nullopt;
    std::string boundary = folder.string();
    if (boundary.empty() || boundary.back() != '/')
        boundary += '/';
    const std::string& inside = candidate.native();
    if (inside.size() <= boundary.size() || inside.compare(0, boundary.size(), boundary) != 0)
        return std::nullopt;
    return candidate;
}

QByteArray mimeType(const std::filesystem::path& file)
{
    static const QByteArray fallback("application/octet-stream");
    QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QString::fromStdString(file.string()),
                                                    QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return fallback;
    return type.name().toUtf8();
}

} // namespace EditorViews::PreviewContent
