#pragma once
// The program's event record: every widget signal, close request, deactivation
// and menu choice becomes one of these and goes to the one router in app/.

#include <QString>
#include <QStringList>
#include <functional>

enum class EventKind { None, Widget, MenuChoice, CloseRequest, Deactivation, Key };

enum class WindowId { None, Main, Settings, Overview };

enum class WidgetId {
  None,
  // main window
  LocalList, ServerList, SettingsButton, ExitButton, LocalPath, ServerPath,
  LocalCaption, ServerCaption, ProgressBar, ConnectButton, KeyIndicator,
  UploadButton, DownloadButton, MessageArea, OverviewButton, CancelButton,
  // settings window
  SettingsOk, SettingsCancel, ProfileList, KeyGenerateButton,
  // overview window
  OverviewClose,
};

// The keys the program answers to; a key event names the widget it was
// pressed in (the window itself for Escape).
enum class KeyId { None, Escape, Enter, Backspace, F5, Delete, F2 };

// Buttons send None; lists say what happened. HeaderClick names its column,
// Drop carries what was dropped.
enum class EventType { None, LeftClick, RightClick, DoubleClick, RightDoubleClick, Other, HeaderClick, Drop };

// What was dropped on a list, and where.
struct DropData {
  QStringList localPaths;   // files and folders of this computer (from the local list or the file manager)
  QString serverFolder;     // entries dragged from the server list: the folder they were in ...
  QStringList serverNames;  // ... and their names
  int row = -1;             // the row dropped on; -1 below the rows
};

struct Event {
  EventKind kind = EventKind::None;
  WindowId window = WindowId::None;
  WidgetId widget = WidgetId::None;
  EventType type = EventType::None;
  int menuItem = 0;
  KeyId key = KeyId::None;
  int column = -1;  // HeaderClick: the column clicked
  DropData drop{};  // Drop
};

using EventSink = std::function<void(const Event&)>;
