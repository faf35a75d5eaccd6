#pragma once
// SIGTERM, SIGINT and SIGHUP end the program through the same shutdown as the
// exit button: the handler only writes to a pipe, the GUI thread does the rest.

#include <functional>

class QObject;

void InstallQuitSignals(QObject* owner, std::function<void()> onSignal);
