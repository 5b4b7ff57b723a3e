#pragma once

#include "Core/Platform/MoveServices.h"

// The real thing: a QMessageBox, the first button the default.
int showModalAlert(const QString& message, const QString& informative, const QStringList& buttons);
