#include "StartupProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

// The yardstick of the start-up benchmark: the least a Qt widgets program does to show a window
// with a menu bar, measured the same way as the calculator.
int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"));
    window.setCentralWidget(new QLabel(QStringLiteral("Hello"), &window));
    window.show();
    window.repaint();
    QTimer::singleShot(0, &WriteStartupProbe);
    return QApplication::exec();
}
