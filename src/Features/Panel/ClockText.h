#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Hour and minute of `at` in the local time zone, in the locale's short time style ("14:05",
// "2:05 PM"). Some locales (C, POSIX) put seconds into their short style; they are dropped.
QString clockText(const QDateTime& at, const QLocale& locale = QLocale::system());
