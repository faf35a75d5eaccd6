#pragma once
// Application states with their windows, torn down with the test; a recorder
// for message boxes; a temporary working directory.

#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QWidget>
#include <vector>

#include "state/AppState.h"
#include "app/Overview.h"
#include "app/Router.h"
#include "local/LocalList.h"
#include "ui/MainWindow.h"
#include "ui/MessageBox.h"

// An application state whose windows start-up creates; torn down with the test.
struct StartedState {
  AppState state;
  ~StartedState() {
    DestroyLocalList(state);
    CloseOverviewWindow(state);
    delete state.menus.server;
    delete state.menus.local;
    delete state.menus.profile;
    delete state.main.window;
  }
};

struct TestWindow : StartedState {
  TestWindow() { CreateMainWindow(state.main, MakeEventSink(state)); }
};

// Answers every box with `answer` and keeps what was asked.
struct BoxRecorder {
  std::vector<MessageBoxRequest> asked;
  explicit BoxRecorder(BoxAnswer answer = BoxAnswer::Ok) {
    SetMessageBoxResponder([this, answer](const MessageBoxRequest& request) {
      asked.push_back(request);
      return request.buttons == BoxButtons::Ok ? BoxAnswer::Ok : answer;
    });
  }
  ~BoxRecorder() { SetMessageBoxResponder(nullptr); }
};

// Runs the test inside a fresh temporary working directory.
struct TemporaryWorkingDirectory {
  QTemporaryDir dir;
  QString previous = QDir::currentPath();
  TemporaryWorkingDirectory() { QDir::setCurrent(dir.path()); }
  ~TemporaryWorkingDirectory() { QDir::setCurrent(previous); }
  QString FilePath(const QString& name) const { return dir.filePath(name); }
};
