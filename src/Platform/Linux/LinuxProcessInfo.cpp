#include "Platform/Linux/LinuxProcessInfo.h"

#include <QFile>

#include <ctime>
#include <unistd.h>

QString LinuxProcessInfo::userId() const {
    return QString::number(::getuid());
}

std::optional<double> LinuxProcessInfo::msSinceStart() const {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which may itself hold spaces and parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    constexpr int startTimeField = 22 - 3; // field 22, counted from field 3
    if (fields.size() <= startTimeField)
        return std::nullopt;
    const double startSeconds =
        fields.at(startTimeField).toDouble() / double(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startSeconds) * 1000.0;
}
