// vx500-monitor: the monitor program. It takes no command-line arguments.
#include "modInitial.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return modInitial::Main();
}
