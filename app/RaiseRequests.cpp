#include "RaiseRequests.h"

#include <QApplication>
#include <QWidget>

namespace {

void bringToFront(QWidget *window)
{
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

} // namespace

void answerRaiseRequest(QObject *listener)
{
    bringToFront(qobject_cast<QWidget *>(listener->parent()));
    bringToFront(QApplication::activeModalWidget());
}
