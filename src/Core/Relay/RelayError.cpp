#include "Core/Relay/RelayError.h"

#include <QByteArrayView>
#include <QChar>

#include <algorithm>

namespace {

constexpr qsizetype unreadablePayloadBytes = 200;

// Decodes UTF-8, replacing each maximal subpart of an ill-formed sequence with one U+FFFD (the
// practice the Unicode Standard recommends, §3.9, and the one Swift's and the WHATWG decoders
// follow). Qt's decoders (QString::fromUtf8, QStringDecoder) would instead replace every byte
// of a cut character, so that a three-byte character cut after two bytes, as the 200-byte cut
// below makes, became two replacement characters.
QString decodeUtf8Replacing(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size) {
        const uchar lead = uchar(bytes[at]);
        if (lead < 0x80) {
            out.append(QChar(lead));
            ++at;
            continue;
        }
        int continuations = 0;
        char32_t codePoint = 0;
        uchar low = 0x80; // allowed range of the first continuation byte (Table 3-7)
        uchar high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            continuations = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuations = 2;
            codePoint = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0; // no overlong forms
            else if (lead == 0xED)
                high = 0x9F; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            continuations = 3;
            codePoint = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90; // no overlong forms
            else if (lead == 0xF4)
                high = 0x8F; // nothing above U+10FFFF
        } else {
            out.append(QChar(QChar::ReplacementCharacter)); // 0x80–0xC1, 0xF5–0xFF
            ++at;
            continue;
        }
        ++at;
        bool complete = true;
        for (int i = 0; i < continuations; ++i) {
            if (at >= size || uchar(bytes[at]) < low || uchar(bytes[at]) > high) {
                complete = false; // the bytes so far are one maximal subpart
                break;
            }
            codePoint = (codePoint << 6) | (uchar(bytes[at]) & 0x3F);
            ++at;
            low = 0x80;
            high = 0xBF;
        }
        if (!complete) {
            out.append(QChar(QChar::ReplacementCharacter));
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            out.append(QChar(QChar::highSurrogate(codePoint)));
            out.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            out.append(QChar(char16_t(codePoint)));
        }
    }
    return out;
}

} // namespace

RelayError RelayError::failed(std::optional<QString> code, QString message) {
    RelayError error(Kind::Failed);
    error.m_code = std::move(code);
    error.m_message = std::move(message);
    return error.described();
}

RelayError RelayError::unreadable(const QByteArray& output) {
    RelayError error(Kind::Unreadable);
    const QByteArrayView bytes(output);
    error.m_payload =
        decodeUtf8Replacing(bytes.first(std::min(bytes.size(), unreadablePayloadBytes)));
    return error.described();
}

RelayError RelayError::missingHelper() {
    return RelayError(Kind::MissingHelper).described();
}

RelayError RelayError::launchFailed(QString platformText) {
    RelayError error(Kind::Launch);
    error.m_message = std::move(platformText);
    return error.described();
}

RelayError& RelayError::described() {
    m_what = description().toUtf8();
    return *this;
}

QString RelayError::description() const {
    switch (m_kind) {
    case Kind::Failed:
    case Kind::Launch:
        return m_message;
    case Kind::Unreadable:
        return tr("The relay answered in a way this version doesn't understand. Update Wrenbox.");
    case Kind::MissingHelper:
        return tr("The relay inside Wrenbox is missing. Download Wrenbox again.");
    }
    return QString();
}

bool RelayError::operator==(const RelayError& other) const {
    // Fields a case does not use stay empty, so comparing all of them compares case and payload.
    return m_kind == other.m_kind && m_code == other.m_code && m_message == other.m_message &&
           m_payload == other.m_payload;
}
