#include "app/Startup.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include "app/Router.h"
#include "app/ShowProfile.h"
#include "ftp/Connection.h"
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

void SetUpServerListColumns(QTreeWidget* list) {
  list->setColumnCount(3);
  list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Größe"), QStringLiteral("Letzte Änderung...")});
  list->setColumnWidth(0, 135);
  list->setColumnWidth(1, 70);
  list->setColumnWidth(2, 100);
}

}  // namespace

bool RunStartup(AppState& state) {
  state.localFolder = HomeDirectoryText();

  // Without the library the program runs on; every FTP command then refuses.
  (void)LoadFtpLibrary(state);
  StartFtpEngine(state);

  const EventSink sink = MakeEventSink(state);
  CreateMainWindow(state.main, sink);
  (void)LoadProgramImages();
  SetupLocalList(state, [&state](EventType type) {
    RouteEvent(state, Event{EventKind::Widget, WindowId::Main, WidgetId::LocalList, type, 0});
  });
  // Any fatal settings message appears over the already open window.
  state.main.window->show();

  if (!ReadSettingsAtStart(state)) return false;
  LoadProfile(state);
  ShowProfileInWindow(state);

  const ProgramImages& images = LoadProgramImages();
  state.main.downloadButton->setIcon(images.downloadDisconnected);
  state.main.uploadButton->setIcon(images.uploadDisconnected);
  SetUpServerListColumns(state.main.serverList);
  BuildContextMenus(state.menus, sink);
  return true;
}

void RunShutdown(AppState& state) {
  if (state.shutdownDone) return;
  state.shutdownDone = true;
  CloseConnection(state);
  UnloadFtpLibrary(state);
  // A failed write loses only this run's directories; nothing to tell the user.
  (void)SaveFolders(state);
  DestroyLocalList(state);
}
