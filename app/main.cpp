// Tarnholm: start-up, the event loop and shutdown.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "state/AppState.h"
#include "app/QuitSignals.h"
#include "app/Startup.h"

int main(int argc, char* argv[]) {
  // Before anything that takes time: a quit signal from here on ends the
  // program through its own shutdown.
  InstallQuitSignals();
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  // German labels for the standard buttons of Qt's own dialogs.
  QTranslator translator;
  if (translator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&translator);
  }

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
