#pragma once
// German texts for what Qt itself shows: the standard buttons of its dialogs
// and the captions of its file views, which the local list's header uses.

// Installs Qt's German translations once; false when they are not installed
// on this system (the program then shows Qt's English words).
[[nodiscard]] bool InstallGermanQtTranslations();
