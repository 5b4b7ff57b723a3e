#include "Platform/Linux/XdgLoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

XdgLoginItem::XdgLoginItem(QString executable)
    : m_executable(std::move(executable)) {}

QString XdgLoginItem::autostartDir() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // Relative values are invalid by the base-directory rules and must be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart");
}

QString XdgLoginItem::entryPath() {
    return autostartDir() + QLatin1Char('/') + QLatin1String(fileName);
}

QString XdgLoginItem::execValue(const QString& program) {
    // Quoting rule first (\" \` \$ \\ inside double quotes), then the string escape doubles
    // every backslash; a literal % is written %%.
    QString quoted;
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool XdgLoginItem::isEnabled() const {
    // Read at start-up: a pipe there would block it for good, a huge file stall it.
    const QFileInfo info(entryPath());
    if (!info.isFile() || info.size() > qint64(1024) * 1024)
        return false;
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        // Both ways a desktop turns an entry off without removing it.
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if ((key == QLatin1String("Hidden") && value == QLatin1String("true")) ||
            (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false")))
            return false;
    }
    return true;
}

std::optional<QString> XdgLoginItem::setEnabled(bool enabled) {
    const QString path = entryPath();
    if (!enabled) {
        QFile file(path);
        if (file.exists() && !file.remove())
            return tr("Couldn't turn off start at login: %1").arg(file.errorString());
        return std::nullopt;
    }

    const QString program =
        m_executable.isEmpty() ? QCoreApplication::applicationFilePath() : m_executable;
    if (program.isEmpty() || program.contains(QLatin1Char('\n')) ||
        program.contains(QLatin1Char('\r')))
        return tr("Couldn't turn on start at login: the program's location is unusable.");

    if (!QDir().mkpath(autostartDir()))
        return tr("Couldn't turn on start at login: the folder %1 can't be created.")
            .arg(autostartDir());

    // Started after the panel where the desktop can order it; the tray icon follows the tray
    // anyway, so no delay holds the relay back.
    const QByteArray entry = QByteArrayLiteral("[Desktop Entry]\n"
                                               "Type=Application\n"
                                               "Name=Wrenbox\n"
                                               "Comment=Sends your texts through this computer\n"
                                               "Exec=") +
                             execValue(program).toUtf8() +
                             QByteArrayLiteral("\n"
                                               "Terminal=false\n"
                                               "X-GNOME-Autostart-enabled=true\n"
                                               "X-GNOME-Autostart-Phase=Applications\n"
                                               "X-KDE-autostart-after=panel\n"
                                               "X-LXQt-Need-Tray=true\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
        return tr("Couldn't turn on start at login: %1").arg(file.errorString());
    return std::nullopt;
}
