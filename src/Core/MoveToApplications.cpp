#include "Core/MoveToApplications.h"

#include "Core/Platform/MoveServices.h"
#include "Core/Platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

bool MoveToApplications::isInside(const QString& path, const QString& folder) {
    return path.startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
}

void MoveToApplications::offerIfNeeded(MoveServices& services) {
    if (!services.offersMove())
        return;
    const QString bundle = QDir::cleanPath(services.bundlePath());
    if (isInside(bundle, services.systemApplicationsPath()))
        return;
    if (isInside(bundle, QDir(services.homePath()).filePath(QStringLiteral("Applications"))))
        return;
    UserDefaults& defaults = services.defaults();
    if (defaults.boolValue(askedKey))
        return;
    // Asked at most once, whatever the answer.
    defaults.setBool(askedKey, true);

    services.activateApp();
    const int answer = services.alert(
        tr("Move Wrenbox to Applications?"),
        tr("Wrenbox works best from your Applications folder: macOS finds it there for Full Disk "
           "Access and for starting at login."),
        {tr("Move to Applications"), tr("Not Now")});
    if (answer != 0)
        return;

    const QString destination =
        QDir(services.systemApplicationsPath()).filePath(QFileInfo(bundle).fileName());
    const auto fail = [&services] {
        services.alert(tr("Wrenbox couldn't move itself"),
                       tr("Drag Wrenbox into your Applications folder in Finder, then open it "
                          "from there."),
                       {});
    };
    if (services.exists(destination) && services.trash(destination)) {
        fail();
        return;
    }
    if (services.copy(bundle, destination)) {
        fail();
        return;
    }
    MoveServices* target = &services;
    services.launchNewInstance(destination, [target, bundle] {
        // The old copy may already be gone; we quit all the same.
        (void)target->trash(bundle);
        target->stopRelay();
        target->terminate();
    });
}

bool FileMoveServices::exists(const QString& path) const {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

std::optional<QString> FileMoveServices::trash(const QString& path) {
    // Without the data folder, Qt trashes into ./files under the working directory.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data))
        return QStringLiteral("No data folder for the trash");
    QFile file(path);
    if (!file.moveToTrash())
        return file.errorString();
    return std::nullopt;
}

std::optional<QString> FileMoveServices::copy(const QString& from, const QString& to) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::copy(fs::path(from.toStdString()), fs::path(to.toStdString()),
             fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    if (error)
        return QString::fromStdString(error.message());
    return std::nullopt;
}
