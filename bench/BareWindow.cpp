// A bare Qt window, the yardstick of bench_startup: a QApplication and one
// empty main window of the desktop program's size, shown.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
