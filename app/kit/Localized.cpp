#include "app/kit/Localized.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <algorithm>
#include <climits>

namespace EditorKit {

QString localized(std::string_view koreanText)
{
    // translate() wants a terminated string; the view may not be one.
    const QByteArray key(koreanText.data(), static_cast<qsizetype>(koreanText.size()));
    return QCoreApplication::translate(translationContext, key.constData());
}

QString localized(std::string_view koreanText, const char* disambiguation, long long count)
{
    const QByteArray key(koreanText.data(), static_cast<qsizetype>(koreanText.size()));
    // The plural rule wants an int; a count past its range is still shown in full.
    const int form = static_cast<int>(std::clamp<long long>(count, 0, INT_MAX));
    QString text = QCoreApplication::translate(translationContext, key.constData(),
                                               disambiguation, form);
    if (form != count)
        text.replace(QString::number(form), QString::number(count));
    return text;
}

bool installTranslation(const QString& language)
{
    // Owned by the application object, so it goes away with it.
    static QPointer<QTranslator> current;
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
    }
    // The Korean catalogue holds only the texts whose keys name the Mac.
    if (language != QLatin1String("en") && language != QLatin1String("ja")
        && language != QLatin1String("ko"))
        return false;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/i18n/orlune_%1.qm").arg(language))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    current = translator;
    return true;
}

namespace {

// "ja_JP.UTF-8", "en-GB", "ko_KR@euro" -> "ja", "en", "ko"; empty for another language.
QString ourLanguage(QByteArrayView name)
{
    auto end = name.size();
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '_' || name[i] == '-' || name[i] == '.' || name[i] == '@') {
            end = i;
            break;
        }
    }
    const QString language = QString::fromLatin1(name.first(end)).toLower();
    if (language == QLatin1String("en") || language == QLatin1String("ja")
        || language == QLatin1String("ko"))
        return language;
    return {};
}

} // namespace

QString interfaceLanguage(const std::function<QByteArray(const char*)>& variable)
{
    const QString korean = QStringLiteral("ko");
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = variable(name);
        if (value.isEmpty())
            continue;
        for (const QByteArray& entry : value.split(':')) {
            if (QString language = ourLanguage(entry); !language.isEmpty())
                return language;
        }
        return korean;
    }
    return korean;
}

QString interfaceLanguage()
{
    return interfaceLanguage([](const char* name) { return qgetenv(name); });
}

void installInterfaceTranslations(const QString& language)
{
    installTranslation(language);
    // Owned by the application object, so it goes away with it.
    auto* qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(QStringLiteral("qtbase_") + language,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}

} // namespace EditorKit
