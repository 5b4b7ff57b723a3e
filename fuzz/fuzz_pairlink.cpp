// libFuzzer target: pairing links and pairing codes from arbitrary bytes.
#include "Core/MacPairLink.h"
#include "Core/PairCode.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void check(const QUrl& url) {
    const std::optional<MacPairLink> link = MacPairLink::fromUrl(url);
    if (link && link->code.size() > PairCode::length)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    check(QUrl(text));
    check(QUrl::fromEncoded(bytes));
    check(QUrl(QStringLiteral("wrenbox-mac://pair?") + text));
    check(QUrl::fromEncoded("wrenbox-mac://pair?code=" + bytes));

    const QString code = PairCode::clean(text);
    if (code.size() > PairCode::length)
        std::abort();
    for (const QChar c : code) {
        if (!PairCode::alphabet().contains(c))
            std::abort();
    }
    return 0;
}
