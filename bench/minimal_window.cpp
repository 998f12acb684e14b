#include "StartupProbe.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

// The yardstick of the start-up benchmark: a bare Qt widgets window with one plain-text editor
// and five buttons, shown, painted and probed the same way as the calculator.
int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QPlainTextEdit(&window));
    auto* buttons = new QHBoxLayout;
    for (int i = 1; i <= 5; ++i)
        buttons->addWidget(new QPushButton(QStringLiteral("Button %1").arg(i), &window));
    layout->addLayout(buttons);
    window.show();
    window.repaint();
    WriteStartupProbeOncePainted(window);
    return QApplication::exec();
}
