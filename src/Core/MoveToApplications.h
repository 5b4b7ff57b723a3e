#pragma once

#include <QCoreApplication>
#include <QString>

class MoveServices;

// Offers once to move the app into /Applications when it runs from anywhere else.
class MoveToApplications {
    Q_DECLARE_TR_FUNCTIONS(MoveToApplications)
public:
    static inline const QString askedKey = QStringLiteral("movedToApplicationsAsked");

    // Blocks on its modal alerts. On acceptance it starts the copy and returns; the copy's
    // launch completion trashes this bundle, stops the relay and quits.
    static void offerIfNeeded(MoveServices& services);

    // Whether `path` lies inside `folder` (not merely beside a folder whose name starts the same).
    static bool isInside(const QString& path, const QString& folder);
};
