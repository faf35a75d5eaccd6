#pragma once
// A started program in a temporary working directory whose ftp.ini the test
// chose, driven through the program's own event routing.

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>

#include "app/Router.h"
#include "app/Startup.h"
#include "settings/SettingsWindow.h"
#include "tests/app_test_support.h"

// The text of an ftp.ini as the writer lays it out: byte-order mark, an empty
// first line, CR LF line ends. "$DIR" stands for the working directory.
inline QByteArray IniBytes(const QString& text, const QString& directory) {
  QString body = text;
  body.replace(QStringLiteral("$DIR"), directory);
  return QByteArray("\xEF\xBB\xBF\r\n") + body.toUtf8().replace("\n", "\r\n");
}

inline QByteArray ReadFileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct SettingsProgram : StartedState {
  TemporaryWorkingDirectory cwd;
  BoxRecorder boxes;
  QString dir = cwd.dir.path() + QLatin1Char('/');
  bool started = false;

  // `ini` as for IniBytes; an empty text starts without a file.
  explicit SettingsProgram(const QString& ini, BoxAnswer answer = BoxAnswer::Yes) : boxes(answer) {
    if (!ini.isEmpty()) {
      QFile file(cwd.FilePath(QStringLiteral("ftp.ini")));
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(Ini(ini));
    }
    started = RunStartup(state) == StartupResult::Ready;
    EXPECT_TRUE(started);
    boxes.asked.clear();  // start-up's own boxes (a missing backend) are not the test's
  }
  ~SettingsProgram() {
    CloseSettingsWindow(state);
    SetInputBoxResponder(nullptr);
  }

  QByteArray Ini(const QString& text) const { return IniBytes(text, dir); }
  QByteArray FileBytes() const { return ReadFileBytes(cwd.FilePath(QStringLiteral("ftp.ini"))); }

  void Route(EventKind kind, WindowId window, WidgetId widget = WidgetId::None, EventType type = EventType::None,
             int menuItem = 0) {
    RouteEvent(state, Event{kind, window, widget, type, menuItem});
  }
  void OpenSettings() { Route(EventKind::Widget, WindowId::Main, WidgetId::SettingsButton); }
  void PressOk() { Route(EventKind::Widget, WindowId::Settings, WidgetId::SettingsOk); }
  void ChooseMenuItem(int item) { Route(EventKind::MenuChoice, WindowId::Settings, WidgetId::None, EventType::None, item); }
  // Selects a row as a click does and reports the click.
  void ClickProfile(int row) {
    state.settings->profileList->setCurrentRow(row);
    Route(EventKind::Widget, WindowId::Settings, WidgetId::ProfileList, EventType::LeftClick);
  }
  QStringList ProfileEntries() const {
    QStringList names;
    for (int i = 0; i < state.settings->profileList->count(); ++i) names.append(state.settings->profileList->item(i)->text());
    return names;
  }
};

// Answers every input box with the next text of `answers` (empty when they run out).
struct InputScript {
  QStringList answers;
  QList<InputBoxRequest> asked;
  explicit InputScript(QStringList texts) : answers(std::move(texts)) {
    SetInputBoxResponder([this](const InputBoxRequest& request) {
      asked.append(request);
      return answers.isEmpty() ? QString() : answers.takeFirst();
    });
  }
  ~InputScript() { SetInputBoxResponder(nullptr); }
};
