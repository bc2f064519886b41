// The desktop program: the Qt application object and the program's own.
#include "ui/app/QZM530RXApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Qt sees the program's name only, so none of its own switches act; the
    // program's application object looks at the whole command line.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication qtApp(qtArgc, argv);
    CQZM530RXApp app(argc, argv);
    return app.Run();
}
