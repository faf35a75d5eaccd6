#pragma once
// A minimal application state around a real local list, in a temporary
// directory, for the local-list and local-command tests.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <ostream>
#include <memory>
#include <vector>

#include "state/AppState.h"
#include "local/LocalList.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Runs the event loop until `done` holds or `ms` pass; answers whether it held.
[[nodiscard]] inline bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

[[nodiscard]] inline bool WriteFile(const QString& path, qint64 size) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  return file.write(QByteArray(size, 'x')) == size;
}

class LocalListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp.isValid());
    dir = temp.path() + QLatin1Char('/');
    window = std::make_unique<QWidget>();
    window->resize(400, 600);
    state.main.window = window.get();
    state.main.localList = new QTreeWidget(window.get());
    state.main.localList->setGeometry(0, 0, 400, 500);
    state.main.localPath = new QLineEdit(window.get());
    state.main.localPath->setGeometry(0, 520, 400, 25);
    // Like the router: the list follows on every event it reports.
    SetupLocalList(state, [this](EventType type) {
      events.push_back({type, LocalListDirectory(state)});
      FollowLocalList(state);
    });
  }

  void TearDown() override {
    DestroyLocalList(state);
    EXPECT_EQ(state.localListState, nullptr);
  }

  void Show(const QString& path) { SetLocalDirectory(state, path); }

  [[nodiscard]] QTreeWidget* List() const { return state.main.localList; }

  [[nodiscard]] QStringList Names() const {
    QStringList names;
    for (int row = 0; row < LocalRowCount(state); ++row) names << LocalRowName(state, row);
    return names;
  }

  [[nodiscard]] int RowOf(const QString& name) const { return static_cast<int>(Names().indexOf(name)); }

  void Select(const QStringList& names) {
    List()->clearSelection();
    for (const QString& name : names) {
      const int row = RowOf(name);
      ASSERT_GE(row, 0) << name.toStdString();
      List()->topLevelItem(row)->setSelected(true);
    }
  }

  struct SeenEvent {
    EventType type;
    QString directoryAtEvent;
  };

  QTemporaryDir temp;
  QString dir;
  std::unique_ptr<QWidget> window;
  AppState state;
  std::vector<SeenEvent> events;
};
