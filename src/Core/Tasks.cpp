#include "Core/Tasks.h"

#include <QtGlobal>

#include <exception>

void detach(QCoro::Task<> task, const char* what) {
    task.then([] {},
              [what](const std::exception& error) {
                  qWarning("Wrenbox: %s failed: %s", what, error.what());
              });
}
