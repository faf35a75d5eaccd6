#pragma once
// Opening a file with the program the desktop associates with its type.

#include <QString>
#include <functional>

class QObject;

// Hands `path` to the desktop's opener, with the file's folder as working
// directory, and returns at once. `refused` runs later, on this thread, when no
// program took the file; never after `context` is gone.
void OpenWithProgram(const QString& path, QObject* context, std::function<void()> refused);
