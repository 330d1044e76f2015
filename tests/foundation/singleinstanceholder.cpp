// Helper process of the single-instance tests.
//   singleinstanceholder <id> probe  prints "running" or "primary" and exits
//   singleinstanceholder <id> hold   prints the same; a primary then stays until its
//                                    standard input is closed
#include "qtsingleapplication.h"

#include <QSocketNotifier>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 2;
    const QString id = QString::fromLocal8Bit(argv[1]);
    const bool hold = std::strcmp(argv[2], "hold") == 0;

    QtSingleApplication app(id, argc, argv);
    const bool running = app.isRunning();
    std::printf("%s\n", running ? "running" : "primary");
    std::fflush(stdout);
    if (!hold || running)
        return 0;

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buf[64];
        if (::read(0, buf, sizeof buf) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return app.exec();
}
