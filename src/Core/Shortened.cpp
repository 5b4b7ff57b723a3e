#include "Core/Shortened.h"

QString shortened(const QString& text, qsizetype maxChars) {
    if (text.size() <= maxChars)
        return text;
    QString cut = text.left(maxChars);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut + QChar(0x2026);
}
