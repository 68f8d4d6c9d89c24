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

} // namespace AppFeatures
