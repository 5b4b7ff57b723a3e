#pragma once

#include <qcoro/qcorotask.h>

// Starts a task that nobody awaits. An exception escaping it is reported instead of being lost.
void detach(QCoro::Task<> task, const char* what);
