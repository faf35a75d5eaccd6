// The two lists as the user handles them, through the program's own routing
// against the scripted backend with its folders on disk: sorting the server
// list by a column header, and dragging and dropping between the lists and
// from the desktop's file manager.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <QFile>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/Router.h"
#include "ftp/Drops.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "tests/fake_server_window.h"
#include "ui/FileListWidget.h"

namespace {

class Lists : public FakeServerWindowTest {
 protected:
  void SetUp() override {
    FakeServerWindowTest::SetUp();
    ASSERT_NE(fake.listFromRoot, nullptr);
    fake.listFromRoot(1);
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
  QStringList Lines() const {
    QStringList texts;
    for (const QString& line : state.main.messageArea->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      texts << line.mid(11);
    }
    return texts;
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

Event DropOn(WidgetId list, DropData drop) {
  Event event{EventKind::Widget, WindowId::Main, list, EventType::Drop, 0};
  event.drop = std::move(drop);
  return event;
}

// Drops as the lists turn them into records: what goes where.
TEST_F(Lists, DropsUploadAndDownloadIntoTheFolderTheyLandOn) {
  Make(server, {{"Ziel/alt.txt", 7}, {"Serverordner/s.txt", 30}, {"doc.txt", 20}});
  Make(local, {{"a.txt", 10}, {"Ordner/b.txt", 11}, {"Hier/", 0}});
  QTemporaryDir elsewhere;  // the file manager's folder, not the one the list shows
  ASSERT_TRUE(WriteBytes(elsewhere.filePath("fm.txt"), Pattern(12)));
  SetLocalDirectory(state, local);
  FollowLocalList(state);
  Connect();
  const auto rowOf = [](QTreeWidget* list, const QString& name) {
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      if (list->topLevelItem(row)->text(0) == name) return row;
    }
    return -1;
  };

  // Local file and folder below the server rows: into the shown folder.
  Route(DropOn(WidgetId::ServerList, {{local + "a.txt", local + "Ordner/"}, {}, {}, -1}));
  Settle();
  EXPECT_EQ(ReadBytes(server + "a.txt"), Pattern(10));
  EXPECT_EQ(ReadBytes(server + "Ordner/b.txt"), Pattern(11));
  // From the file manager onto the row of a server folder: into that folder,
  // asked about what is there already.
  boxes.answers = {BoxAnswer::Yes};
  ASSERT_TRUE(WriteBytes(elsewhere.filePath("alt.txt"), Pattern(13)));
  Route(DropOn(WidgetId::ServerList, {{elsewhere.filePath("fm.txt"), elsewhere.filePath("alt.txt")}, {}, {},
                                      rowOf(state.main.serverList, "Ziel")}));
  Settle();
  EXPECT_EQ(boxes.Texts(), QStringList{OverwriteText("alt.txt")});
  EXPECT_EQ(ReadBytes(server + "Ziel/fm.txt"), Pattern(12));
  EXPECT_EQ(ReadBytes(server + "Ziel/alt.txt"), Pattern(13));
  EXPECT_EQ(state.hostFolder, QStringLiteral("/")) << "the shown folder stays";

  // Server entries below the local rows, and onto a local folder's row.
  boxes.boxes.clear();
  Route(DropOn(WidgetId::LocalList, {{}, "/", {"doc.txt", "Serverordner"}, -1}));
  Settle();
  EXPECT_EQ(ReadBytes(local + "doc.txt"), Pattern(20));
  EXPECT_EQ(ReadBytes(local + "Serverordner/s.txt"), Pattern(30));
  Route(DropOn(WidgetId::LocalList, {{}, "/", {"doc.txt"}, rowOf(state.main.localList, "Hier")}));
  Settle();
  EXPECT_EQ(ReadBytes(local + "Hier/doc.txt"), Pattern(20));
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join('\n').toStdString();

  // Entries of another server folder than the shown one are not taken.
  Route(DropOn(WidgetId::LocalList, {{}, "/Ziel/", {"fm.txt"}, -1}));
  Settle();
  EXPECT_FALSE(QFile::exists(local + "fm.txt"));
  EXPECT_EQ(Lines().last(), QStringLiteral("Die gezogenen Einträge stammen aus einem anderen Serververzeichnis."));
}

TEST_F(Lists, DropsWhileAJobRunsAreRefusedLikeTheArrows) {
  Make(local, {{"a.txt", 10}});
  Make(server, {{"doc.txt", 20}});
  Connect();
  fake.hold("Examine");
  Route(Key(KeyId::F5));
  ASSERT_EQ(fake.waitHeld(5000), 1);
  EXPECT_FALSE(state.main.serverList->acceptDrops());
  EXPECT_FALSE(state.main.localList->acceptDrops());
  for (const Event& drop : {DropOn(WidgetId::ServerList, {{local + "a.txt"}, {}, {}, -1}),
                            DropOn(WidgetId::LocalList, {{}, "/", {"doc.txt"}, -1})}) {
    Route(drop);
    EXPECT_TRUE(Lines().last().startsWith(QStringLiteral("Bitte warten"))) << Lines().last().toStdString();
  }
  fake.release();
  Settle();
  EXPECT_TRUE(state.main.serverList->acceptDrops());
  EXPECT_FALSE(QFile::exists(server + "a.txt"));
  EXPECT_FALSE(QFile::exists(local + "doc.txt"));
}

// Real drag events on the lists' viewports: the widgets take what they take
// and make the records.
TEST_F(Lists, RealDropEventsReachTheRouting) {
  Make(local, {{"a.txt", 10}});
  Make(server, {{"doc.txt", 20}});
  SetLocalDirectory(state, local);
  FollowLocalList(state);
  Connect();
  const auto deliver = [](QTreeWidget* list, QMimeData* mime) {
    const QPoint at(10, list->viewport()->height() - 5);
    QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return drop.isAccepted();
  };
  // What a drag from the local list carries: its selected rows as file URLs.
  for (int row = 0; row < LocalRowCount(state); ++row) {
    state.main.localList->topLevelItem(row)->setSelected(LocalRowName(state, row) == QStringLiteral("a.txt") ||
                                                         row == 0);
  }
  std::unique_ptr<QMimeData> fromLocal(LocalDragData(state));
  ASSERT_NE(fromLocal, nullptr);
  EXPECT_EQ(fromLocal->urls(), QList<QUrl>{QUrl::fromLocalFile(local + "a.txt")}) << "never the parent entry";
  ASSERT_TRUE(deliver(state.main.serverList, fromLocal.get()));
  Settle();
  EXPECT_EQ(ReadBytes(server + "a.txt"), Pattern(10));
  EXPECT_FALSE(deliver(state.main.localList, fromLocal.get())) << "the local list takes only server entries";

  // A file manager's drop: only local files count.
  ASSERT_TRUE(WriteBytes(local + "b.txt", Pattern(11)));
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(local + "b.txt"), QUrl(QStringLiteral("https://example.org/x"))});
  ASSERT_TRUE(deliver(state.main.serverList, &files));
  Settle();
  EXPECT_EQ(ReadBytes(server + "b.txt"), Pattern(11));

  std::unique_ptr<QMimeData> entries(ServerEntriesMimeData(QStringLiteral("/"), {QStringLiteral("doc.txt")}));
  ASSERT_TRUE(deliver(state.main.localList, entries.get()));
  Settle();
  EXPECT_EQ(ReadBytes(local + "doc.txt"), Pattern(20));
  EXPECT_FALSE(deliver(state.main.serverList, entries.get())) << "server entries do not go back up";
}

// Dragged out to another program, the entries are downloaded when it asks
// for the files, once, into a folder of their own.
TEST_F(Lists, ServerEntriesDraggedOutAreFetchedWhenTheFilesAreAskedFor) {
  Make(server, {{"doc.txt", 20}, {"Ordner/x.bin", 40}});
  ASSERT_TRUE(WriteBytes(server + "geheim.txt.aes", Encrypted(Pattern(50, 2), TestKey())));
  state.useCipher = 1;
  Connect();
  SelectServer({"doc.txt", "Ordner", "geheim.txt.aes"});
  std::unique_ptr<QMimeData> mime(ServerListDrag(state));
  ASSERT_NE(mime, nullptr);
  EXPECT_TRUE(mime->hasFormat(QString::fromLatin1(kServerEntriesMime)));
  EXPECT_TRUE(mime->hasUrls());
  EXPECT_TRUE(fake.Log().filter("Receive").isEmpty()) << "nothing moves before the files are asked for";
  const DropData own = ReadDropData(mime.get(), -1);
  EXPECT_EQ(own.serverNames, (QStringList{"Ordner", "doc.txt", "geheim.txt.aes"}));
  EXPECT_TRUE(fake.Log().filter("Receive").isEmpty()) << "this program's lists take the entries alone";

  const QList<QUrl> urls = mime->urls();
  ASSERT_EQ(urls.size(), 3);
  const QString folder = QFileInfo(urls[0].toLocalFile()).path();
  EXPECT_TRUE(QFileInfo(folder).fileName().startsWith(QStringLiteral("tarnholm-drag-")));
  EXPECT_EQ(QFile::permissions(folder), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
  EXPECT_EQ(ReadBytes(folder + "/doc.txt"), Pattern(20));
  EXPECT_EQ(ReadBytes(folder + "/Ordner/x.bin"), Pattern(40));
  EXPECT_EQ(urls[2].toLocalFile(), folder + "/geheim.txt") << "decrypted, without .aes";
  EXPECT_EQ(ReadBytes(folder + "/geheim.txt"), Pattern(50, 2));
  const qsizetype receives = fake.Log().filter("Receive").size();
  EXPECT_EQ(mime->urls(), urls);
  EXPECT_EQ(fake.Log().filter("Receive").size(), receives) << "asked again, fetched once";

  // Nothing to drag while a job runs.
  fake.hold("Examine");
  Route(Key(KeyId::F5));
  ASSERT_EQ(fake.waitHeld(5000), 1);
  EXPECT_EQ(ServerListDrag(state), nullptr);
  fake.release();
  Settle();
}

}  // namespace
