#include "Core/Log.h"

Q_LOGGING_CATEGORY(lcSupervisor, "wrenbox.supervisor", QtInfoMsg)
