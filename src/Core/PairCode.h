#pragma once

#include <QChar>
#include <QSet>
#include <QString>

// The six-character pairing code typed by the user or carried by a pairing link.
namespace PairCode {
// "ABCDEFGHJKMNPQRSTUVWXYZ23456789": no I, L, O, 0 or 1, which are easy to misread.
const QSet<QChar>& alphabet();

// Upper-cases `text`, keeps only alphabet characters in order, and returns at most the first six.
QString clean(const QString& text);

// The number of characters in a complete code.
inline constexpr qsizetype length = 6;
} // namespace PairCode
