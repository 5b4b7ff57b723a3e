#pragma once

#include <QString>

// Permission to automate the Messages app.
enum class MessagesPermission { Granted, NotAsked, Denied, Unknown };

// "granted", "notAsked", "denied", "unknown"
QString messagesPermissionName(MessagesPermission permission);
