// The two lists as the user handles them, through the program's own routing
// against the scripted backend with its folders on disk: sorting the server
// list by a column header, and dragging and dropping between the lists and
// from the desktop's file manager.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/Router.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "tests/app_test_support.h"
#include "tests/fake_ftp/FakeControls.h"
#include "tests/transfer_test_support.h"

namespace {

class Lists : public ::testing::Test {
 protected:
  TemporaryWorkingDirectory cwd;
  FakeControls fake;
  BoxScript boxes;
  TestWindow program;
  AppState& state = program.state;
  QTemporaryDir serverDir, localDir;
  QString server, local;

  void SetUp() override {
    ASSERT_NE(fake.listFromRoot, nullptr);
    fake.reset();
    server = serverDir.path() + QLatin1Char('/');
    local = localDir.path() + QLatin1Char('/');
    fake.setServerRoot(FakeControls::Text(serverDir.path()));
    fake.listFromRoot(1);
    SetupLocalList(state, [this](EventType) { FollowLocalList(state); });
    ASSERT_TRUE(LoadFtpLibrary(state, QStringLiteral("fake-ftp")));
    state.keyMaterial = TestKey();
    state.main.window->show();
  }
  void TearDown() override { UnloadFtpLibrary(state); }

  void Route(const Event& event) { RouteEvent(state, event); }
  void Settle() { WaitForServerJob(state); }
  void Connect() {
    state.lastConnectClickMs -= 1000;
    state.main.connectButton->click();
    Settle();
    ASSERT_EQ(state.connection, 1);
  }
  void Make(const QString& root, const std::vector<std::pair<QString, qint64>>& files) {
    for (const auto& [path, size] : files) {
      if (path.endsWith('/')) {
        ASSERT_TRUE(QDir().mkpath(root + path));
      } else {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(root + path).path()));
        ASSERT_TRUE(WriteBytes(root + path, Pattern(size)));
      }
    }
  }
  QStringList ServerNames() const {
    QStringList names;
    for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
      names << state.main.serverList->topLevelItem(row)->text(0);
    }
    return names;
  }
  QStringList SelectedServerNames() const {
    QStringList names;
    for (const QTreeWidgetItem* item : state.main.serverList->selectedItems()) names << item->text(0);
    names.sort();
    return names;
  }
  void SelectServer(const QStringList& names) {
    QTreeWidget* list = state.main.serverList;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      list->topLevelItem(row)->setSelected(names.contains(list->topLevelItem(row)->text(0)));
    }
  }
  static Event HeaderClick(int column) {
    Event event{EventKind::Widget, WindowId::Main, WidgetId::ServerList, EventType::HeaderClick, 0};
    event.column = column;
    return event;
  }
  static Event Key(KeyId key) {
    Event event{EventKind::Key, WindowId::Main, WidgetId::ServerList, EventType::None, 0};
    event.key = key;
    return event;
  }
};

TEST_F(Lists, AHeaderClickSortsTheServerListAndTheOrderStaysAcrossRefreshesAndFolders) {
  Make(server, {{"Bilder/z.jpg", 5}, {"Bilder/y.jpg", 50}, {"archiv/", 0}, {"b.txt", 10}, {"A.txt", 9},
                {"c.bin", 100}});
  Connect();
  Route(HeaderClick(1));
  EXPECT_EQ(ServerNames(), (QStringList{"..", "Bilder", "archiv", "A.txt", "b.txt", "c.bin"}));
  const QHeaderView* header = state.main.serverList->header();
  EXPECT_TRUE(header->isSortIndicatorShown());
  EXPECT_EQ(header->sortIndicatorSection(), 1);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);

  SelectServer({"b.txt", "archiv"});
  Route(HeaderClick(1));
  EXPECT_EQ(ServerNames(), (QStringList{"..", "Bilder", "archiv", "c.bin", "b.txt", "A.txt"}))
      << "descending, folders still first";
  EXPECT_EQ(SelectedServerNames(), (QStringList{"archiv", "b.txt"})) << "the selection stays";
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

  Route(Key(KeyId::F5));
  Settle();
  EXPECT_EQ(ServerNames(), (QStringList{"..", "Bilder", "archiv", "c.bin", "b.txt", "A.txt"}));
  SelectServer({"Bilder"});
  Route(Key(KeyId::Enter));
  Settle();
  ASSERT_EQ(state.hostFolder, QStringLiteral("/Bilder/"));
  EXPECT_EQ(ServerNames(), (QStringList{"..", "y.jpg", "z.jpg"}));

  // A real click on the "Name" header.
  QTest::mouseClick(state.main.serverList->header()->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionPosition(0) + 5, header->height() / 2));
  EXPECT_EQ(ServerNames(), (QStringList{"..", "y.jpg", "z.jpg"}));
  EXPECT_EQ(header->sortIndicatorSection(), 0);
  QTest::mouseClick(state.main.serverList->header()->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionPosition(0) + 5, header->height() / 2));
  EXPECT_EQ(ServerNames(), (QStringList{"..", "z.jpg", "y.jpg"}));
}

}  // namespace
