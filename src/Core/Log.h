#pragma once

#include <QLoggingCategory>

// The supervisor's decisions, one line each on standard error (where a session's launcher
// hands them to the journal): the relay started, exited, restarts, pauses, wake-ups. Shown
// from the info level on; QT_LOGGING_RULES="wrenbox.*.debug=true" adds the chatter.
Q_DECLARE_LOGGING_CATEGORY(lcSupervisor)
