#pragma once

#include <QJsonObject>
#include <QString>

namespace devrelay {

class StateStore;

// Each command prints its whole answer on standard output and returns the exit status.
int status(const StateStore& store);
int doctor(const StateStore& store);
int pair(const StateStore& store, const QString& code, const QString& server);
int unpair(const StateStore& store);
int uninstall();
int queue(const StateStore& store, const QString& to, const QString& text);
int run(const StateStore& store, bool dryRun);

// One JSON document on one line, flushed at once: standard output is usually a pipe.
void printLine(const QJsonObject& object);

// Prints {"error": {"code": …, "message": …}} and returns the failure status, 1.
int failure(const QString& code, const QString& message);

// True for a number that can receive texts: E.164, a plus and 8 to 15 digits.
bool canReceiveTexts(const QString& number);

} // namespace devrelay
