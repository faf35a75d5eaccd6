#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTreeWidget>

#include "app/Commands.h"
#include "tests/app_test_support.h"
#include "ui/ContextMenus.h"

namespace {

Event WidgetEvent(WindowId window, WidgetId widget, EventType type = EventType::None) {
  return Event{EventKind::Widget, window, widget, type, 0};
}

void ProcessPendingEvents() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(Routing, MainWindowTable) {
  const struct {
    const char* name;
    Event event;
    Command expected;
  } cases[] = {
      {"close box ends the program", {EventKind::CloseRequest, WindowId::Main}, Command::EndProgram},
      {"local list left click", WidgetEvent(WindowId::Main, WidgetId::LocalList, EventType::LeftClick), Command::FollowLocalList},
      {"local list double click", WidgetEvent(WindowId::Main, WidgetId::LocalList, EventType::DoubleClick), Command::FollowLocalList},
      {"server list right click", WidgetEvent(WindowId::Main, WidgetId::ServerList, EventType::RightClick), Command::ServerListEvent},
      {"settings button", WidgetEvent(WindowId::Main, WidgetId::SettingsButton), Command::OpenSettingsWindow},
      {"exit button", WidgetEvent(WindowId::Main, WidgetId::ExitButton), Command::RequestQuit},
      {"connect button", WidgetEvent(WindowId::Main, WidgetId::ConnectButton), Command::ConnectToggle},
      {"upload button", WidgetEvent(WindowId::Main, WidgetId::UploadButton), Command::UploadSelected},
      {"download button", WidgetEvent(WindowId::Main, WidgetId::DownloadButton), Command::DownloadSelected},
      {"overview button", WidgetEvent(WindowId::Main, WidgetId::OverviewButton), Command::OpenOverviewWindow},
      {"path field is ignored", WidgetEvent(WindowId::Main, WidgetId::LocalPath), Command::None},
      {"menu choice is left to the menu handler", {EventKind::MenuChoice, WindowId::Main, WidgetId::None, EventType::None, 3}, Command::None},
      {"timeout", {EventKind::None, WindowId::Main}, Command::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MainWindowCommand(c.event), c.expected);
  }
}

TEST(Routing, SettingsWindowTable) {
  const struct {
    const char* name;
    Event event;
    Command expected;
  } cases[] = {
      {"close box stores nothing", {EventKind::CloseRequest, WindowId::Settings}, Command::CloseSettingsWindow},
      {"Abbrechen has the same effect", WidgetEvent(WindowId::Settings, WidgetId::SettingsCancel), Command::CloseSettingsWindow},
      {"Ok confirms", WidgetEvent(WindowId::Settings, WidgetId::SettingsOk), Command::ConfirmSettings},
      {"left click loads the profile", WidgetEvent(WindowId::Settings, WidgetId::ProfileList, EventType::LeftClick), Command::LoadProfileIntoFields},
      {"right click shows menu 2", WidgetEvent(WindowId::Settings, WidgetId::ProfileList, EventType::RightClick), Command::ShowProfileMenu},
      {"double click is ignored", WidgetEvent(WindowId::Settings, WidgetId::ProfileList, EventType::DoubleClick), Command::None},
      {"key generator button", WidgetEvent(WindowId::Settings, WidgetId::KeyGenerateButton), Command::GenerateKey},
      {"deactivation", {EventKind::Deactivation, WindowId::Settings}, Command::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SettingsWindowCommand(c.event), c.expected);
  }
}

TEST(Routing, MenuItemsDecideAlone) {
  const std::pair<int, Command> cases[] = {
      {1, Command::RenameServerEntry},  {2, Command::CreateServerDirectory}, {3, Command::DeleteServerEntries},
      {4, Command::CopyDownloadLink},   {11, Command::RenameLocalEntry},     {12, Command::CreateLocalDirectory},
      {13, Command::DeleteLocalEntries}, {14, Command::OpenLocalFile},      {21, Command::NewProfile},
      {22, Command::CloneProfile},      {23, Command::RenameProfile},       {24, Command::DeleteProfile},
      {0, Command::None},               {5, Command::None},                 {10, Command::None},
      {15, Command::None},              {20, Command::None},                {25, Command::None},
  };
  for (const auto& [item, expected] : cases) {
    SCOPED_TRACE(item);
    EXPECT_EQ(MenuCommand(item), expected);
  }
}

TEST(MainWindow, WidgetsAtTheirPlaces) {
  TestWindow program;
  const MainWindowWidgets& w = program.state.main;
  EXPECT_EQ(w.window->size(), QSize(840, 420));
  EXPECT_EQ(w.window->minimumSize(), w.window->maximumSize());
  EXPECT_FALSE(w.window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Tarnholm"));

  const struct {
    const char* name;
    QWidget* widget;
    QRect geometry;
  } places[] = {
      {"local list", w.localList, {40, 90, 320, 190}},        {"server list", w.serverList, {470, 90, 330, 190}},
      {"settings button", w.settingsButton, {40, 370, 110, 25}}, {"exit button", w.exitButton, {690, 370, 110, 25}},
      {"local path", w.localPath, {40, 60, 320, 25}},         {"server path", w.serverPath, {470, 60, 330, 25}},
      {"local caption", w.localCaption, {40, 15, 320, 40}},   {"server caption", w.serverCaption, {470, 15, 330, 40}},
      {"progress bar", w.progressBar, {40, 300, 760, 15}},    {"connect button", w.connectButton, {690, 330, 110, 25}},
      {"key indicator", w.keyIndicator, {382, 100, 66, 30}},  {"upload button", w.uploadButton, {420, 170, 40, 100}},
      {"download button", w.downloadButton, {370, 170, 40, 100}}, {"message area", w.messageArea, {170, 330, 500, 70}},
      {"overview button", w.overviewButton, {40, 330, 110, 25}},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(p.widget->geometry(), p.geometry);
  }

  EXPECT_EQ(w.settingsButton->text(), QStringLiteral("Einstellungen"));
  EXPECT_EQ(w.exitButton->text(), QStringLiteral("Beenden"));
  EXPECT_EQ(w.connectButton->text(), QStringLiteral("Verbinden"));
  EXPECT_EQ(w.overviewButton->text(), QStringLiteral("Übersicht"));
  EXPECT_TRUE(w.connectButton->isCheckable());
  EXPECT_FALSE(w.connectButton->isChecked());
  EXPECT_EQ(w.localCaption->text(), QStringLiteral("PC"));
  EXPECT_EQ(w.serverCaption->text(), QStringLiteral("FTP-Server"));
  for (const QLabel* caption : {w.localCaption, w.serverCaption}) {
    EXPECT_EQ(caption->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(caption->font().pointSize(), 18);
    EXPECT_EQ(caption->alignment(), Qt::AlignCenter);
  }
  EXPECT_TRUE(w.localPath->isReadOnly());
  EXPECT_TRUE(w.serverPath->isReadOnly());
  EXPECT_TRUE(w.messageArea->isReadOnly());
  EXPECT_EQ(w.progressBar->minimum(), 0);
  EXPECT_EQ(w.progressBar->maximum(), 1000);
  EXPECT_EQ(w.serverList->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(w.serverList->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST(MainWindow, ContextMenusAndTheirItemNumbers) {
  TestWindow program;
  BuildContextMenus(program.state.menus, MakeEventSink(program.state));
  const ContextMenus& m = program.state.menus;
  EXPECT_EQ(MenuItemNumbers(m.server), (QList<int>{1, 2, 3, 0, 4}));
  EXPECT_EQ(MenuItemNumbers(m.local), (QList<int>{11, 12, 13, 0, 14}));
  EXPECT_EQ(MenuItemNumbers(m.profile), (QList<int>{21, 22, 23, 24}));
  QStringList captions;
  for (const QMenu* menu : {m.server, m.local, m.profile}) {
    for (const QAction* action : menu->actions()) {
      if (!action->isSeparator()) captions << action->text();
    }
  }
  EXPECT_EQ(captions, (QStringList{"Umbenennen", "Verzeichnis erstellen", "Löschen", "Downloadlink kopieren",
                                   "Umbenennen", "Verzeichnis erstellen", "Löschen", "Öffnen", "Neu", "Klonen",
                                   "Umbenennen", "Löschen"}));
}

TEST(EventLoop, ExitButtonEndsTheLoopOnTheNextPass) {
  TestWindow program;
  program.state.main.exitButton->click();
  EXPECT_TRUE(program.state.quitRequested);
  ProcessPendingEvents();
  EXPECT_TRUE(program.state.loopLeft);
}

TEST(EventLoop, CloseBoxEndsTheLoopAtOnce) {
  TestWindow program;
  program.state.main.window->show();
  program.state.main.window->close();
  EXPECT_TRUE(program.state.loopLeft);
  EXPECT_FALSE(program.state.quitRequested);
}

TEST(EventLoop, OtherEventsKeepTheLoopRunning) {
  TestWindow program;
  RouteEvent(program.state, WidgetEvent(WindowId::Main, WidgetId::LocalPath));
  RouteEvent(program.state, Event{EventKind::None, WindowId::None});
  EXPECT_FALSE(program.state.loopLeft);
}

TEST(OverviewWindow, OpensOnceWithItsText) {
  TestWindow program;
  AppState& state = program.state;
  state.main.window->show();
  state.main.overviewButton->click();
  ASSERT_NE(state.overview, nullptr);
  OverviewWindow* first = state.overview;
  state.main.overviewButton->click();
  EXPECT_EQ(state.overview, first);

  EXPECT_EQ(OverviewText().size(), 1957);
  EXPECT_EQ(OverviewText().count(QLatin1Char('\n')), 26);
  EXPECT_FALSE(OverviewText().endsWith(QLatin1Char('\n')));
  EXPECT_EQ(first->text->text(), OverviewText());
  EXPECT_EQ(first->window->windowTitle(), QStringLiteral("Tarnholm"));
  EXPECT_EQ(first->window->size(), QSize(480, 420));
  EXPECT_EQ(first->textArea->geometry(), QRect(20, 20, 450, 360));
  EXPECT_EQ(first->closeButton->geometry(), QRect(350, 380, 100, 25));
  EXPECT_EQ(first->closeButton->text(), QStringLiteral("Abbrechen"));
}

TEST(OverviewWindow, ClosedByItsButtonOrItsCloseBox) {
  for (bool byButton : {true, false}) {
    SCOPED_TRACE(byButton ? "button" : "close box");
    TestWindow program;
    AppState& state = program.state;
    state.main.window->show();
    state.main.overviewButton->click();
    ASSERT_NE(state.overview, nullptr);
    if (byButton) {
      state.overview->closeButton->click();
    } else {
      state.overview->window->close();
    }
    EXPECT_EQ(state.overview, nullptr);
    EXPECT_FALSE(state.loopLeft);
    state.main.overviewButton->click();
    EXPECT_NE(state.overview, nullptr) << "a closed overview opens again";
  }
}

}  // namespace
