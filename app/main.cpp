// Tarnholm: start-up, the event loop and shutdown.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QTranslator>

#include "state/AppState.h"
#include "app/QuitSignals.h"
#include "app/Router.h"
#include "app/Startup.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  // German labels for the standard buttons of Qt's own dialogs.
  QTranslator translator;
  if (translator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&translator);
  }

  AppState state;
  if (!RunStartup(state)) return 0;

  auto requestQuit = [&state] {
    state.quitRequested = true;
    RouteEvent(state, Event{EventKind::None, WindowId::Main, WidgetId::None, EventType::None, 0});
  };
  InstallQuitSignals(&application, requestQuit);
  // The desktop session ending runs the same shutdown as the exit button.
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                   [requestQuit](QSessionManager&) { requestQuit(); });

  QApplication::exec();
  RunShutdown(state);
  return 0;
}
