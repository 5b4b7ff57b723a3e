#include "Features/Panel/ClockText.h"

#include <QRegularExpression>

QString clockText(const QDateTime& at, const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')) && !format.contains(QLatin1Char('\''))) {
        // The seconds field with the separator in front of it: "HH:mm:ss" → "HH:mm".
        static const QRegularExpression seconds(QStringLiteral("[^A-Za-z]*s+"));
        format.remove(seconds);
    }
    return locale.toString(at.toLocalTime().time(), format);
}
