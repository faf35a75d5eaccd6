// The keys people expect: real key presses on the real widgets become key
// events, the routing tables turn them into commands, and the commands do in
// the program what their menu item or double click does.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "app/Commands.h"
#include "ftp/Connection.h"
#include "ftp/FtpLibrary.h"
#include "settings/SettingsWindowWidgets.h"
#include "tests/fake_ftp/FakeControls.h"
#include "tests/local_test_support.h"
#include "tests/settings_window_support.h"
#include "ui/MainWindow.h"
#include "ui/OverviewWindowWidgets.h"

namespace {

// The three windows with a sink that only records.
struct RecordedWindows {
  AppState state;
  std::vector<Event> events;
  SettingsWindow* settings = nullptr;
  OverviewWindow* overview = nullptr;
  RecordedWindows() {
    const EventSink sink = [this](const Event& event) { events.push_back(event); };
    CreateMainWindow(state.main, sink);
    settings = CreateSettingsWindow(state.main.window, sink);
    overview = CreateOverviewWindow(state.main.window, sink);
  }
  ~RecordedWindows() {
    DestroySettingsWindow(settings);
    DestroyOverviewWindow(overview);
    delete state.main.window;
  }
};

Command CommandOf(const Event& event) {
  switch (event.window) {
    case WindowId::Main: return MainWindowCommand(event);
    case WindowId::Settings: return SettingsWindowCommand(event);
    case WindowId::Overview: return OverviewWindowCommand(event);
    case WindowId::None: break;
  }
  return Command::None;
}

struct KeyCase {
  const char* name;
  std::function<QWidget*(const RecordedWindows&)> widget;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  Command expected;  // None: the key is no event of the program
};

QWidget* LocalList(const RecordedWindows& w) { return w.state.main.localList; }
QWidget* ServerList(const RecordedWindows& w) { return w.state.main.serverList; }

TEST(Keys, PressesBecomeTheCommandsOfTheirWidget) {
  const KeyCase cases[] = {
      {"F5 in the local list", LocalList, Qt::Key_F5, {}, Command::RefreshLocalList},
      {"Backspace in the local list", LocalList, Qt::Key_Backspace, {}, Command::LocalListUp},
      {"Delete in the local list", LocalList, Qt::Key_Delete, {}, Command::DeleteLocalEntries},
      {"F2 in the local list", LocalList, Qt::Key_F2, {}, Command::RenameLocalEntry},
      {"Enter in the local list is the list's own", LocalList, Qt::Key_Return, {}, Command::None},
      {"Enter in the server list", ServerList, Qt::Key_Return, {}, Command::OpenServerEntry},
      {"keypad Enter in the server list", ServerList, Qt::Key_Enter, Qt::KeypadModifier, Command::OpenServerEntry},
      {"Backspace in the server list", ServerList, Qt::Key_Backspace, {}, Command::ServerListUp},
      {"F5 in the server list", ServerList, Qt::Key_F5, {}, Command::RefreshServerList},
      {"Delete in the server list", ServerList, Qt::Key_Delete, {}, Command::DeleteServerEntries},
      {"F2 in the server list", ServerList, Qt::Key_F2, {}, Command::RenameServerEntry},
      {"Shift+Delete is another key", ServerList, Qt::Key_Delete, Qt::ShiftModifier, Command::None},
      {"Escape on the profile list", [](const RecordedWindows& w) { return w.settings->profileList; }, Qt::Key_Escape, {},
       Command::CloseSettingsWindow},
      {"Escape in a settings field", [](const RecordedWindows& w) { return w.settings->hostUrl; }, Qt::Key_Escape, {},
       Command::CloseSettingsWindow},
      {"Escape in the key field", [](const RecordedWindows& w) { return w.settings->cipherCode; }, Qt::Key_Escape, {},
       Command::CloseSettingsWindow},
      {"Escape in the overview", [](const RecordedWindows& w) { return w.overview->closeButton; }, Qt::Key_Escape, {},
       Command::CloseOverviewWindow},
      {"Escape in the main window closes nothing", [](const RecordedWindows& w) { return w.state.main.localPath; },
       Qt::Key_Escape, {}, Command::None},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordedWindows windows;
    QTest::keyClick(c.widget(windows), c.key, c.modifiers);
    Command seen = Command::None;
    for (const Event& event : windows.events) {
      if (event.kind == EventKind::Key) seen = CommandOf(event);
    }
    EXPECT_EQ(seen, c.expected);
  }
}

TEST(Keys, TablesAnswerOnlyForTheirWindowAndWidget) {
  const struct {
    const char* name;
    Event event;
    Command expected;
  } cases[] = {
      {"F5 of the local list", {EventKind::Key, WindowId::Main, WidgetId::LocalList, EventType::None, 0, KeyId::F5},
       Command::RefreshLocalList},
      {"F5 of a button", {EventKind::Key, WindowId::Main, WidgetId::ExitButton, EventType::None, 0, KeyId::F5},
       Command::None},
      {"Escape of the main window", {EventKind::Key, WindowId::Main, WidgetId::None, EventType::None, 0, KeyId::Escape},
       Command::None},
      {"Escape of the settings window",
       {EventKind::Key, WindowId::Settings, WidgetId::None, EventType::None, 0, KeyId::Escape},
       Command::CloseSettingsWindow},
      {"a widget event is no key", {EventKind::Widget, WindowId::Main, WidgetId::LocalList, EventType::None, 0, KeyId::F5},
       Command::FollowLocalList},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CommandOf(c.event), c.expected);
  }
}

const QString kIni = QStringLiteral(
    "[Global]\nselProfile = A\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\nTooltipsOff = 0\n"
    "AppPathForTemp = 1\n\n[A]\nLocalFolder = $DIR\nHostFolder = /\nProtocol = 1\nHostURL = 127.0.0.1\n"
    "HostPort = 21\n");

void SelectOnly(QTreeWidget* list, const QString& name) {
  list->clearSelection();
  const QList<QTreeWidgetItem*> rows = list->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(rows.size(), 1) << name.toStdString();
  rows[0]->setSelected(true);
}

TEST(Keys, LocalListKeysGoUpRefreshDeleteAndRename) {
  SettingsProgram program(kIni);
  AppState& state = program.state;
  QTreeWidget* list = state.main.localList;
  ASSERT_TRUE(QDir(program.dir).mkdir(QStringLiteral("sub")));
  ASSERT_TRUE(WriteFile(program.dir + QStringLiteral("a.txt"), 3));
  SetLocalDirectory(state, program.dir + QStringLiteral("sub/"));

  QTest::keyClick(list, Qt::Key_Backspace);
  EXPECT_EQ(LocalListDirectory(state), program.dir);
  EXPECT_EQ(state.localFolder, program.dir) << "LocalFolder follows the list";
  EXPECT_EQ(state.main.localPath->text(), program.dir);

  // Read again at once, before the watcher would notice.
  ASSERT_TRUE(WriteFile(program.dir + QStringLiteral("neu.txt"), 1));
  QTest::keyClick(list, Qt::Key_F5);
  EXPECT_EQ(list->findItems(QStringLiteral("neu.txt"), Qt::MatchExactly).size(), 1);

  InputScript input({QStringLiteral("b.txt")});
  SelectOnly(list, QStringLiteral("a.txt"));
  QTest::keyClick(list, Qt::Key_F2);
  ASSERT_EQ(input.asked.size(), 1);
  EXPECT_EQ(input.asked[0].title, QStringLiteral("Datei umbenennen"));
  EXPECT_TRUE(QFileInfo::exists(program.dir + QStringLiteral("b.txt")));

  QTest::keyClick(list, Qt::Key_F5);
  SelectOnly(list, QStringLiteral("b.txt"));
  QTest::keyClick(list, Qt::Key_Delete);
  ASSERT_EQ(program.boxes.asked.size(), 1u);
  EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Frage:"));
  EXPECT_FALSE(QFileInfo::exists(program.dir + QStringLiteral("b.txt")));

  // Up from "/" is the volume view, and there is no level above it.
  SetLocalDirectory(state, QStringLiteral("/"));
  QTest::keyClick(list, Qt::Key_Backspace);
  EXPECT_EQ(LocalListDirectory(state), QString());
  QTest::keyClick(list, Qt::Key_Backspace);
  EXPECT_EQ(LocalListDirectory(state), QString());
}

TEST(Keys, EscapeClosesTheSettingsAndTheOverviewWindow) {
  SettingsProgram program(kIni);
  AppState& state = program.state;
  const QByteArray before = program.FileBytes();
  program.OpenSettings();
  ASSERT_NE(state.settings, nullptr);
  state.settings->hostUrl->setText(QStringLiteral("changed.example"));
  QTest::keyClick(state.settings->hostUrl, Qt::Key_Escape);
  EXPECT_EQ(state.settings, nullptr);
  EXPECT_EQ(state.hostUrl, QStringLiteral("127.0.0.1")) << "nothing taken over, as with \"Abbrechen\"";
  EXPECT_EQ(program.FileBytes(), before);

  program.Route(EventKind::Widget, WindowId::Main, WidgetId::OverviewButton);
  ASSERT_NE(state.overview, nullptr);
  QTest::keyClick(state.overview->window, Qt::Key_Escape);
  EXPECT_EQ(state.overview, nullptr);
  EXPECT_FALSE(state.loopLeft);
}

TEST(Keys, ServerListKeysOpenGoUpRefreshDeleteAndRename) {
  FakeControls fake;
  ASSERT_NE(fake.reset, nullptr) << fake.library.errorString().toStdString();
  fake.reset();
  fake.Add(QStringLiteral("sub"), 0, -1, 2);
  fake.Add(QStringLiteral("f.txt"), 5, -1, 1);
  SettingsProgram program(kIni);
  AppState& state = program.state;
  UnloadFtpLibrary(state);
  ASSERT_TRUE(LoadFtpLibrary(state, QStringLiteral("fake-ftp")));
  QTreeWidget* list = state.main.serverList;
  auto hasRow = [list](const QString& name) { return !list->findItems(name, Qt::MatchExactly).isEmpty(); };

  // Not connected, the keys find nothing to act on.
  QTest::keyClick(list, Qt::Key_F5);
  QTest::keyClick(list, Qt::Key_Backspace);
  EXPECT_EQ(list->topLevelItemCount(), 0);

  state.main.connectButton->click();
  ASSERT_TRUE(WaitUntil([&] { return hasRow(QStringLiteral("sub")); }));

  SelectOnly(list, QStringLiteral("sub"));
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return state.hostFolder == QStringLiteral("/sub/"); }));
  QTest::keyClick(list, Qt::Key_Backspace);
  EXPECT_TRUE(WaitUntil([&] { return state.hostFolder == QStringLiteral("/"); }));

  fake.Add(QStringLiteral("later.txt"), 1, -1, 1);
  QTest::keyClick(list, Qt::Key_F5);
  EXPECT_TRUE(WaitUntil([&] { return hasRow(QStringLiteral("later.txt")); }));

  InputScript input({QString()});
  SelectOnly(list, QStringLiteral("f.txt"));
  QTest::keyClick(list, Qt::Key_F2);
  ASSERT_TRUE(WaitUntil([&] { return !input.asked.isEmpty(); }));
  EXPECT_EQ(input.asked[0].title, QStringLiteral("Datei umbenennen"));

  program.boxes.asked.clear();
  QTest::keyClick(list, Qt::Key_Delete);
  ASSERT_TRUE(WaitUntil([&] { return !program.boxes.asked.empty(); }));
  EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Frage:"));
  EXPECT_TRUE(program.boxes.asked[0].text.contains(QStringLiteral("\"f.txt\"")));

  CloseConnection(state);
  UnloadFtpLibrary(state);
}

}  // namespace
