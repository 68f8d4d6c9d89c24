#include "app/features/StorePlaces.h"

#include <QString>
#include <QUrl>

namespace AppFeatures {

StorePlaces storePlaces(const PreferenceLookup& lookup,
                        std::string_view urlKey,
                        std::string_view rootKey,
                        StorePlaces defaults)
{
    if (auto url = lookup(urlKey)) {
        const QUrl parsed(QString::fromStdString(*url), QUrl::StrictMode);
        if (parsed.isValid() && !parsed.scheme().isEmpty() && !parsed.isRelative())
            defaults.baseURL = *url;
    }
    if (auto root = lookup(rootKey); root && !root->empty())
        defaults.root = *root;
    return defaults;
}

QString storeServerName(const std::string& baseURL)
{
    const QUrl url(QString::fromStdString(baseURL));
    if (url.isLocalFile()) {
        QString folder = url.toLocalFile();
        while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
            folder.chop(1);
        return folder;
    }
    return url.host().isEmpty() ? QString::fromStdString(baseURL) : url.host();
}

} // namespace AppFeatures
