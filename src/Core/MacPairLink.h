#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// A pairing link: wrenbox-mac://pair?code=ABC234&server=https://example.com
struct MacPairLink {
    std::optional<QString> server;
    QString code; // already cleaned; may be shorter than a full code, or empty

    // Longer links are not pairing links; the cap keeps hostile input cheap to reject.
    static constexpr qsizetype maxEncodedLength = 4096;

    // None unless `url` is a pairing link carrying a non-empty "code".
    static std::optional<MacPairLink> fromUrl(const QUrl& url);

    bool operator==(const MacPairLink&) const = default;
};
