#include "Features/Panel/WebAddress.h"

bool isWebAddress(const QUrl& url) {
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

std::optional<QUrl> webAddress(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    const QUrl url(*text, QUrl::StrictMode);
    if (!isWebAddress(url))
        return std::nullopt;
    return url;
}
