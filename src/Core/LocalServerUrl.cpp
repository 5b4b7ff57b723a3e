#include "Core/LocalServerUrl.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

// The host exactly as written in `text` (percent-encoding kept, IPv6 brackets removed). QUrl's
// own host() is normalised: it decodes "%6C" and shortens "0:0:0:0:0:0:0:1" to "::1", which
// would let other spellings of a loopback host count as local.
QString writtenHost(const QString& text, const QUrl& url) {
    QStringView rest(text);
    if (!url.scheme().isEmpty())
        rest = rest.mid(url.scheme().size() + 1);
    if (!rest.startsWith(u"//"))
        return {};
    rest = rest.mid(2);
    const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    QStringView authority = end < 0 ? rest : rest.left(end);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = authority.mid(at + 1);
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? QString() : authority.mid(1, close - 1).toString();
    }
    const qsizetype colon = authority.indexOf(u':');
    return (colon < 0 ? authority : authority.left(colon)).toString();
}

} // namespace

bool isLocalServer(const std::optional<QString>& server) {
    if (!server)
        return false;
    const QUrl url(*server);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString host = writtenHost(*server, url).toLower();
    if (host == u"localhost" || host == u"127.0.0.1" || host == u"::1")
        return true;
    return host.endsWith(u".localhost");
}
