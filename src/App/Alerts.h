#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Shows a modal alert and returns the index of the button pressed; with no buttons, one default
// button (index 0). Injected so tests answer alerts instead of blocking on them.
using AlertPresenter = std::function<int(const QString& message, const QString& informative,
                                         const QStringList& buttons)>;

// The real thing: a QMessageBox, the first button the default.
int showModalAlert(const QString& message, const QString& informative, const QStringList& buttons);
