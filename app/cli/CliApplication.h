#pragma once
#include <QCoreApplication>

// QSerialPort needs an event dispatcher in the thread that uses it: the
// tool's commands that open ports make the application object once.
inline QCoreApplication& EnsureCliApplication()
{
    static int argc = 1;
    static char name[] = "qzm530rx-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}
