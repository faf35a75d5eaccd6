// Tarnholm: start-up, the event loop and shutdown.

#include <QApplication>

#include "state/AppState.h"
#include "app/QuitSignals.h"
#include "app/Startup.h"
#include "ui/Translations.h"

int main(int argc, char* argv[]) {
  // Before anything that takes time: a quit signal from here on ends the
  // program through its own shutdown.
  InstallQuitSignals();
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  // Without them Qt's own words stay English; the program's are German anyway.
  (void)InstallGermanQtTranslations();

  AppState state;
  WatchQuitSignals(&application, state);
  switch (RunStartup(state)) {
    case StartupResult::EndAtOnce: return 0;
    case StartupResult::Interrupted: RunShutdown(state, StoreFolders::No); return 0;
    case StartupResult::Ready: break;
  }
  WatchSessionEnd(state, &application);
  if (!state.quitRequested) QApplication::exec();
  RunShutdown(state);
  return 0;
}
