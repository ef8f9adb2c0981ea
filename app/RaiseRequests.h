// One copy of the monitor per user: a second start asks the running copy to
// come to the front, through a Unix socket beside the instance lock on
// Linux and a named pipe on Windows, and ends.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

// The running copy's side. Every connection is a request to come to the
// front and carries nothing else. The window it brings to the front is the
// object's parent (none while the gate is open), then the box or dialog
// open over it. nullptr (with a warning) when nothing can listen on name.
std::unique_ptr<QObject> listenForRaiseRequests(const QString &name);

// The second copy's side: a request, without waiting for an answer (a
// running copy that does not listen is left alone).
void askToComeToFront(const QString &name);

// What a request does; called by the listener.
void answerRaiseRequest(QObject *listener);
