#include "app/Commands.h"

namespace {

struct KeyRoute {
  WindowId window;
  WidgetId widget;
  KeyId key;
  Command command;
};

constexpr KeyRoute kKeyRoutes[] = {
    {WindowId::Main, WidgetId::LocalList, KeyId::Backspace, Command::LocalListUp},
    {WindowId::Main, WidgetId::LocalList, KeyId::F5, Command::RefreshLocalList},
    {WindowId::Main, WidgetId::LocalList, KeyId::Delete, Command::DeleteLocalEntries},
    {WindowId::Main, WidgetId::LocalList, KeyId::F2, Command::RenameLocalEntry},
    {WindowId::Main, WidgetId::ServerList, KeyId::Enter, Command::OpenServerEntry},
    {WindowId::Main, WidgetId::ServerList, KeyId::Backspace, Command::ServerListUp},
    {WindowId::Main, WidgetId::ServerList, KeyId::F5, Command::RefreshServerList},
    {WindowId::Main, WidgetId::ServerList, KeyId::Delete, Command::DeleteServerEntries},
    {WindowId::Main, WidgetId::ServerList, KeyId::F2, Command::RenameServerEntry},
    {WindowId::Settings, WidgetId::None, KeyId::Escape, Command::CloseSettingsWindow},
    {WindowId::Overview, WidgetId::None, KeyId::Escape, Command::CloseOverviewWindow},
};

}  // namespace

Command KeyCommand(const Event& event) {
  if (event.kind != EventKind::Key) return Command::None;
  for (const KeyRoute& route : kKeyRoutes) {
    if (route.window == event.window && route.widget == event.widget && route.key == event.key) return route.command;
  }
  return Command::None;
}

Command MainWindowCommand(const Event& event) {
  if (event.kind == EventKind::CloseRequest) return Command::EndProgram;
  if (event.kind == EventKind::Key) return KeyCommand(event);
  if (event.kind != EventKind::Widget) return Command::None;
  switch (event.widget) {
    case WidgetId::LocalList:
      return event.type == EventType::Drop ? Command::DropOnLocalList : Command::FollowLocalList;
    case WidgetId::ServerList:
      if (event.type == EventType::HeaderClick) return Command::SortServerList;
      return event.type == EventType::Drop ? Command::DropOnServerList : Command::ServerListEvent;
    case WidgetId::SettingsButton: return Command::OpenSettingsWindow;
    case WidgetId::ExitButton: return Command::RequestQuit;
    case WidgetId::ConnectButton: return Command::ConnectToggle;
    case WidgetId::UploadButton: return Command::UploadSelected;
    case WidgetId::DownloadButton: return Command::DownloadSelected;
    case WidgetId::OverviewButton: return Command::OpenOverviewWindow;
    case WidgetId::CancelButton: return Command::CancelServerJob;
    default: return Command::None;
  }
}

Command SettingsWindowCommand(const Event& event) {
  if (event.kind == EventKind::CloseRequest) return Command::CloseSettingsWindow;
  if (event.kind == EventKind::Key) return KeyCommand(event);
  if (event.kind != EventKind::Widget) return Command::None;
  switch (event.widget) {
    case WidgetId::SettingsCancel: return Command::CloseSettingsWindow;
    case WidgetId::SettingsOk: return Command::ConfirmSettings;
    case WidgetId::KeyGenerateButton: return Command::GenerateKey;
    case WidgetId::ProfileList:
      if (event.type == EventType::LeftClick) return Command::LoadProfileIntoFields;
      if (event.type == EventType::RightClick) return Command::ShowProfileMenu;
      return Command::None;
    default: return Command::None;
  }
}

Command MenuCommand(int menuItem) {
  switch (menuItem) {
    case 1: return Command::RenameServerEntry;
    case 2: return Command::CreateServerDirectory;
    case 3: return Command::DeleteServerEntries;
    case 4: return Command::CopyDownloadLink;
    case 11: return Command::RenameLocalEntry;
    case 12: return Command::CreateLocalDirectory;
    case 13: return Command::DeleteLocalEntries;
    case 14: return Command::OpenLocalFile;
    case 21: return Command::NewProfile;
    case 22: return Command::CloneProfile;
    case 23: return Command::RenameProfile;
    case 24: return Command::DeleteProfile;
    default: return Command::None;
  }
}

Command OverviewWindowCommand(const Event& event) {
  if (event.kind == EventKind::CloseRequest) return Command::CloseOverviewWindow;
  return KeyCommand(event);
}
