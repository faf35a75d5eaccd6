#include "app/Router.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "app/Commands.h"
#include "app/ListKeys.h"
#include "app/Overview.h"
#include "app/ShowProfile.h"
#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/Drops.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerCommands.h"
#include "ftp/ServerList.h"
#include "ftp/Upload.h"
#include "local/LocalCommands.h"
#include "local/LocalList.h"
#include "settings/ProfileMenu.h"
#include "settings/SettingsWindow.h"
#include "ui/ContextMenus.h"

namespace {

void LeaveEventLoop(AppState& state) {
  state.loopLeft = true;
  QCoreApplication::exit(0);
}

// The settings and overview windows stay in front until they are closed.
void TakeActivationBack(QWidget* window) {
  if (window == nullptr) return;
  QTimer::singleShot(0, window, [window] {
    // A message box of the program keeps the activation while it is shown.
    QWidget* modal = QApplication::activeModalWidget();
    if (window->isVisible() && (modal == nullptr || modal == window)) window->activateWindow();
  });
}

void RunCommand(AppState& state, Command command, const Event& event) {
  switch (command) {
    case Command::OpenOverviewWindow: OpenOverviewWindow(state, MakeEventSink(state)); break;
    case Command::CloseOverviewWindow: CloseOverviewWindow(state); break;
    case Command::RequestQuit:
      if (!ConfirmQuitDuringJob(state)) break;
      state.quitRequested = true;
      // The next pass of the loop sees the request, as a wait period would.
      QTimer::singleShot(0, state.main.window, [&state] {
        RouteEvent(state, Event{EventKind::None, WindowId::Main, WidgetId::None, EventType::None, 0});
      });
      break;
    case Command::FollowLocalList:
      FollowLocalList(state);
      if (event.type == EventType::RightClick) ShowContextMenu(state.menus.local, WindowId::Main);
      break;
    case Command::ServerListEvent:
      HandleServerListEvent(state, event.type);
      if (event.type == EventType::RightClick) ShowContextMenu(state.menus.server, WindowId::Main);
      break;
    case Command::ConnectToggle: ConnectToggle(state); break;
    case Command::UploadSelected: UploadSelected(state); break;
    case Command::DownloadSelected: DownloadSelected(state); break;
    case Command::RenameServerEntry: RenameServerEntry(state); break;
    case Command::CreateServerDirectory: CreateServerDirectory(state); break;
    case Command::DeleteServerEntries: DeleteServerEntries(state); break;
    case Command::CopyDownloadLink: CopyDownloadLink(state); break;
    case Command::RenameLocalEntry: RenameLocalEntry(state); break;
    case Command::CreateLocalDirectory: CreateLocalDirectory(state); break;
    case Command::DeleteLocalEntries: DeleteLocalEntries(state); break;
    case Command::OpenLocalFile: OpenLocalFile(state); break;
    case Command::ShowProfileMenu: ShowContextMenu(state.menus.profile, WindowId::Settings); break;
    case Command::OpenSettingsWindow:
      // The profile must not change under a connect that is still running.
      if (!RefuseWhileBusy(state)) OpenSettingsWindow(state, MakeEventSink(state));
      break;
    case Command::CancelServerJob: CancelServerJob(state); break;
    case Command::SortServerList: SortServerListByColumn(state, event.column); break;
    case Command::DropOnServerList: UploadDropped(state, event.drop); break;
    case Command::DropOnLocalList: DownloadDropped(state, event.drop); break;
    case Command::CloseSettingsWindow: CloseSettingsWindow(state); break;
    case Command::ConfirmSettings:
      if (ConfirmSettings(state) == ConfirmResult::Applied) {
        ShowProfileInWindow(state);
        CloseSettingsWindow(state);
      }
      break;
    case Command::LoadProfileIntoFields: LoadProfileIntoFields(state); break;
    case Command::GenerateKey:
      // Without a random source the program ends at once, storing nothing.
      if (GenerateKey(state) == KeyGeneratorResult::Unavailable) {
        state.shutdownDone = true;
        LeaveEventLoop(state);
      }
      break;
    case Command::NewProfile: NewProfile(state); break;
    case Command::CloneProfile: CloneProfile(state); break;
    case Command::RenameProfile: RenameProfile(state); break;
    case Command::DeleteProfile: DeleteProfile(state); break;
    case Command::LocalListUp: GoUpLocalList(state); break;
    case Command::RefreshLocalList: RefreshLocalListByKey(state); break;
    case Command::OpenServerEntry: OpenSelectedServerEntry(state); break;
    case Command::ServerListUp: GoUpServerList(state); break;
    case Command::RefreshServerList: RefreshServerListByKey(state); break;
    default: break;
  }
}

}  // namespace

bool HandleMainWindowEvent(AppState& state, const Event& event) {
  const Command command = MainWindowCommand(event);
  if (command == Command::EndProgram) return !ConfirmQuitDuringJob(state);
  RunCommand(state, command, event);
  return true;
}

bool HandleSettingsWindowEvent(AppState& state, const Event& event) {
  if (event.kind == EventKind::CloseRequest) return false;
  RunCommand(state, SettingsWindowCommand(event), event);
  return true;
}

bool HandleOverviewWindowEvent(AppState&, const Event& event) {
  return OverviewWindowCommand(event) != Command::CloseOverviewWindow;
}

void HandleMenuChoice(AppState& state, const Event& event) {
  RunCommand(state, MenuCommand(event.menuItem), event);
}

void RouteEvent(AppState& state, const Event& event) {
  // The key generator's own loop drops every event of the other windows.
  if (state.loopLeft || KeyGeneratorRunning()) return;
  switch (event.window) {
    case WindowId::Main:
      if (state.quitRequested || !HandleMainWindowEvent(state, event)) {
        LeaveEventLoop(state);
        return;
      }
      break;
    case WindowId::Settings:
      if (state.settings != nullptr) {
        if (!HandleSettingsWindowEvent(state, event)) {
          RunCommand(state, Command::CloseSettingsWindow, event);
        } else if (event.kind == EventKind::Deactivation && state.settings != nullptr) {
          TakeActivationBack(state.settings->window);
        }
      }
      break;
    case WindowId::Overview:
      if (state.overview != nullptr) {
        if (!HandleOverviewWindowEvent(state, event)) {
          CloseOverviewWindow(state);
        } else if (event.kind == EventKind::Deactivation) {
          TakeActivationBack(state.overview->window);
        }
      }
      break;
    case WindowId::None: break;
  }
  if (event.kind == EventKind::MenuChoice) HandleMenuChoice(state, event);
  if (event.kind == EventKind::Widget && event.widget == WidgetId::OverviewClose && state.overview != nullptr) {
    CloseOverviewWindow(state);
  }
}

EventSink MakeEventSink(AppState& state) {
  return [&state](const Event& event) { RouteEvent(state, event); };
}
