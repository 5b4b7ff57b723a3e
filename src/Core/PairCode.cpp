#include "PairCode.h"

namespace PairCode {

const QSet<QChar>& alphabet() {
    static const QSet<QChar> set = [] {
        QSet<QChar> chars;
        for (const QChar c : QStringLiteral("ABCDEFGHJKMNPQRSTUVWXYZ23456789"))
            chars.insert(c);
        return chars;
    }();
    return set;
}

QString clean(const QString& text) {
    const QSet<QChar>& allowed = alphabet();
    QString code;
    for (const QChar c : text.toUpper()) {
        if (!allowed.contains(c))
            continue;
        code.append(c);
        if (code.size() == length)
            break;
    }
    return code;
}

} // namespace PairCode
