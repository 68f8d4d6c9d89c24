#include "app/kit/Localized.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

namespace EditorKit {

QString localized(std::string_view koreanText)
{
    // translate() wants a terminated string; the view may not be one.
    const QByteArray key(koreanText.data(), static_cast<qsizetype>(koreanText.size()));
    return QCoreApplication::translate(translationContext, key.constData());
}

bool installTranslation(const QString& language)
{
    // Owned by the application object, so it goes away with it.
    static QPointer<QTranslator> current;
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
    }
    if (language != QLatin1String("en") && language != QLatin1String("ja"))
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

} // namespace EditorKit
