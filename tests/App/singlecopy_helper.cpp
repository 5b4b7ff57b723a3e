// A tiny program that claims the single copy the way the app does, for tests that need two
// real processes. Prints "first", "second", "failed" (the reason on standard error) or "alone";
// the first copy then prints each set of arguments it receives on one line, joined by "|".
#include "App/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return 2;
    SingleInstance single(arguments.at(1));
    const auto role = single.claim(arguments.mid(2));
    const auto say = [](const QByteArray& line) {
        std::fputs((line + '\n').constData(), stdout);
        std::fflush(stdout);
    };
    switch (role) {
    case SingleInstance::Role::Second:
        say("second");
        return 0;
    case SingleInstance::Role::Failed:
        say("failed");
        std::fputs(qPrintable(single.failure() + '\n'), stderr);
        return 4;
    case SingleInstance::Role::Alone:
        say("alone");
        return 3;
    case SingleInstance::Role::First:
        break;
    }
    QObject::connect(&single, &SingleInstance::argumentsReceived,
                     [&say](const QStringList& received) {
                         say("received:" + received.join(QLatin1Char('|')).toUtf8());
                     });
    say("first");
    return QCoreApplication::exec();
}
