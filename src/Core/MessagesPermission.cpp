#include "Core/MessagesPermission.h"

QString messagesPermissionName(MessagesPermission permission) {
    switch (permission) {
    case MessagesPermission::Granted:
        return QStringLiteral("granted");
    case MessagesPermission::NotAsked:
        return QStringLiteral("notAsked");
    case MessagesPermission::Denied:
        return QStringLiteral("denied");
    case MessagesPermission::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}
