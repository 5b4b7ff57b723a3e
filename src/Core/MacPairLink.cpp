#include "Core/MacPairLink.h"

#include "Core/PairCode.h"

#include <QUrlQuery>

std::optional<MacPairLink> MacPairLink::fromUrl(const QUrl& url) {
    if (!url.isValid() || url.toEncoded().size() > maxEncodedLength)
        return std::nullopt;
    if (url.scheme().toLower() != QLatin1String("wrenbox-mac"))
        return std::nullopt;
    if (url.host(QUrl::FullyEncoded).toLower() != QLatin1String("pair"))
        return std::nullopt;
    if (!url.hasQuery())
        return std::nullopt;

    // QUrlQuery leaves '+' alone; names and values are decoded here.
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    if (items.isEmpty())
        return std::nullopt;

    std::optional<QString> code;
    std::optional<QString> server;
    bool codeSeen = false;
    bool serverSeen = false;
    for (const auto& [name, value] : items) {
        if (!codeSeen && name == QLatin1String("code")) {
            codeSeen = true;
            if (!value.isEmpty())
                code = value;
        } else if (!serverSeen && name == QLatin1String("server")) {
            serverSeen = true;
            if (!value.isNull())
                server = value;
        }
    }
    if (!code)
        return std::nullopt;
    return MacPairLink{server, PairCode::clean(*code)};
}
