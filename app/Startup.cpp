#include "app/Startup.h"

#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QSessionManager>
#include <QTreeWidget>

#include "app/QuitSignals.h"
#include "app/Router.h"
#include "app/ShowProfile.h"
#include "ftp/Connection.h"
#include "ftp/Drops.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "local/LocalList.h"
#include "settings/SettingsStore.h"
#include "ui/ContextMenus.h"
#include "ui/Images.h"
#include "ui/MainWindow.h"

namespace {

QString HomeDirectoryText() {
  const QString home = QDir::homePath();
  if (home.isEmpty()) return QString();
  return home.endsWith(QLatin1Char('/')) ? home : home + QLatin1Char('/');
}

// A quit signal handled by a message box's loop sets the request; one that
// came while no loop ran has only been noted by the handler.
bool QuitRequested(AppState& state) {
  if (QuitSignalArrived()) state.quitRequested = true;
  return state.quitRequested;
}

}  // namespace

StartupResult RunStartup(AppState& state) {
  if (QuitRequested(state)) return StartupResult::Interrupted;
  state.localFolder = HomeDirectoryText();

  // Without the library the program runs on; every FTP command then refuses.
  (void)LoadFtpLibrary(state);
  if (QuitRequested(state)) return StartupResult::Interrupted;
  StartFtpEngine(state);

  const EventSink sink = MakeEventSink(state);
  CreateMainWindow(state.main, sink);
  (void)LoadProgramImages();
  SetUpServerListDrag(state);
  SetupLocalList(state, [&state](EventType type) {
    RouteEvent(state, Event{EventKind::Widget, WindowId::Main, WidgetId::LocalList, type, 0});
  });
  // Any fatal settings message appears over the already open window.
  state.main.window->show();

  if (QuitRequested(state)) return StartupResult::Interrupted;
  if (!ReadSettingsAtStart(state)) return StartupResult::EndAtOnce;
  // Until the profile is read, the folders in the state are not its own.
  if (QuitRequested(state)) return StartupResult::Interrupted;
  LoadProfile(state);
  ShowProfileInWindow(state);

  const ProgramImages& images = LoadProgramImages();
  state.main.downloadButton->setIcon(images.downloadDisconnected);
  state.main.uploadButton->setIcon(images.uploadDisconnected);
  SetUpServerListColumns(state.main.serverList);
  BuildContextMenus(state.menus, sink);
  (void)QuitRequested(state);
  return StartupResult::Ready;
}

void RunShutdown(AppState& state, StoreFolders store) {
  if (state.shutdownDone) return;
  state.shutdownDone = true;
  CloseConnection(state);
  UnloadFtpLibrary(state);
  // A failed write loses only this run's directories; nothing to tell the user.
  if (store == StoreFolders::Yes) (void)SaveFolders(state);
  DestroyLocalList(state);
}

void WatchSessionEnd(AppState& state, QObject* context) {
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (application == nullptr) return;
  QObject::connect(application, &QCoreApplication::aboutToQuit, context, [&state] { RunShutdown(state); });
  QObject::connect(application, &QGuiApplication::commitDataRequest, context, [&state](QSessionManager&) {
    if (!state.shutdownDone) (void)SaveFolders(state);
  });
}
