// The local file list against real directories: rows and texts, sizes in
// bytes, sorting, navigation, patterns, the watcher and the poll, events.

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <utime.h>

#include "local_test_support.h"
#include "state/DateFormat.h"

namespace {

[[nodiscard]] bool SetModified(const QString& path, qint64 secondsSinceEpoch) {
  const QByteArray native = QFile::encodeName(path);
  utimbuf times{secondsSinceEpoch, secondsSinceEpoch};
  return utime(native.constData(), &times) == 0;
}

using LocalList = LocalListFixture;

TEST_F(LocalList, StartsInTheVolumeViewWithThreeColumns) {
  EXPECT_EQ(LocalListDirectory(state), QString());
  ASSERT_GE(LocalRowCount(state), 1);
  EXPECT_EQ(LocalRowKindAt(state, 0), LocalRowKind::Volume);
  EXPECT_EQ(LocalRowName(state, 0), QStringLiteral("/"));
  ASSERT_EQ(List()->columnCount(), 3);
  // No translation is loaded in the tests, so the fallback words show.
  EXPECT_EQ(List()->headerItem()->text(0), QStringLiteral("Name"));
  EXPECT_EQ(List()->headerItem()->text(1), QStringLiteral("Size"));
  EXPECT_EQ(List()->headerItem()->text(2), QStringLiteral("Modified"));
  EXPECT_EQ(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(LocalList, RowsShowParentDirectoriesThenFilesWithSizesAndDates) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("sub")));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("one.txt"), 1));
  const QDateTime stamp(QDate(2018, 12, 24), QTime(18, 30, 45));
  ASSERT_TRUE(SetModified(dir + QStringLiteral("one.txt"), stamp.toSecsSinceEpoch()));
  Show(dir);

  EXPECT_EQ(LocalListDirectory(state), dir);
  EXPECT_EQ(Names(), (QStringList{QStringLiteral(".."), QStringLiteral("sub"), QStringLiteral("one.txt")}));
  EXPECT_EQ(LocalRowKindAt(state, 0), LocalRowKind::ParentOfDirectory);
  EXPECT_EQ(LocalRowKindAt(state, 1), LocalRowKind::Directory);
  EXPECT_EQ(LocalRowKindAt(state, 2), LocalRowKind::File);
  EXPECT_EQ(LocalRowText(state, 1, LocalColumn::Size), QString());
  EXPECT_EQ(LocalRowText(state, 2, LocalColumn::Size), QStringLiteral("1"));
  // The server list's form, whatever the system's locale (the tests run under C).
  EXPECT_EQ(LocalRowText(state, 2, LocalColumn::Modified), QStringLiteral("24.12.2018 18:30"));
  EXPECT_FALSE(List()->topLevelItem(2)->icon(0).isNull());
}

struct SizeRow {
  const char* name;
  qint64 size;
  const char* text;
};

TEST_F(LocalList, SizesAreBytesAndKeepTheirFormAfterAClick) {
  const SizeRow rows[] = {
      {"empty", 0, "0"},
      {"one", 1, "1"},
      {"kilo", 1024, "1024"},
      {"kiloplus", 1025, "1025"},
      {"fivegib", qint64{5} << 30, "5368709120"},
  };
  for (const SizeRow& row : rows) {
    QFile file(dir + QString::fromLatin1(row.name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(row.size)) << row.name;  // sparse: takes no disk space
  }
  Show(dir);
  for (const SizeRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LocalRowText(state, RowOf(QString::fromLatin1(row.name)), LocalColumn::Size),
              QString::fromLatin1(row.text));
  }
  EXPECT_TRUE(events.empty()) << "filling sends no event";

  // A real click on a row is the next event.
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  const QRect rect = List()->visualItemRect(List()->topLevelItem(1));
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::LeftClick);
  for (const SizeRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LocalRowText(state, RowOf(QString::fromLatin1(row.name)), LocalColumn::Size),
              QString::fromLatin1(row.text));
  }
  EXPECT_EQ(state.localFolder, dir);
  EXPECT_EQ(state.main.localPath->text(), dir);
}

struct SortClick {
  const char* name;
  LocalColumn column;
  QStringList firstClick;
  QStringList secondClick;
};

class LocalListSort : public LocalListFixture, public ::testing::WithParamInterface<SortClick> {};

TEST_P(LocalListSort, TwoClicksReverseAndKeepTheParentFirst) {
  const SortClick& c = GetParam();
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("d1")));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("a.txt"), 5));      // one digit: still a size, no directory
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("B.txt"), 3000));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("c.txt"), 1500));
  const qint64 base = QDateTime(QDate(2020, 1, 1), QTime(12, 0)).toSecsSinceEpoch();
  ASSERT_TRUE(SetModified(dir + QStringLiteral("d1"), base));
  ASSERT_TRUE(SetModified(dir + QStringLiteral("B.txt"), base + 10));
  ASSERT_TRUE(SetModified(dir + QStringLiteral("c.txt"), base + 20));
  ASSERT_TRUE(SetModified(dir + QStringLiteral("a.txt"), base + 30));
  Show(dir);

  const int column = static_cast<int>(state.localListState->columns.indexOf(c.column));
  ASSERT_GE(column, 0);
  SortLocalListByColumn(state, column);
  EXPECT_EQ(Names(), c.firstClick);
  SortLocalListByColumn(state, column);
  EXPECT_EQ(Names(), c.secondClick);
  // The sort survives a refill.
  FillLocalList(state);
  EXPECT_EQ(Names(), c.secondClick);
}

const QString P = QStringLiteral("..");
const QString D = QStringLiteral("d1");
const QString A = QStringLiteral("a.txt");
const QString B = QStringLiteral("B.txt");
const QString C = QStringLiteral("c.txt");

INSTANTIATE_TEST_SUITE_P(
    Columns, LocalListSort,
    ::testing::Values(SortClick{"Name", LocalColumn::Name, {P, D, A, B, C}, {P, C, B, A, D}},
                      SortClick{"Size", LocalColumn::Size, {P, D, A, C, B}, {P, B, C, A, D}},
                      SortClick{"Modified", LocalColumn::Modified, {P, D, B, C, A}, {P, A, C, B, D}}),
    [](const ::testing::TestParamInfo<SortClick>& info) { return std::string(info.param.name); });

TEST_F(LocalList, HeaderClickSorts) {
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("b"), 1));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("a"), 1));
  Show(dir);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QHeaderView* header = List()->header();
  const QPoint name(header->sectionViewportPosition(0) + 10, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name);
  EXPECT_EQ(Names(), (QStringList{P, QStringLiteral("a"), QStringLiteral("b")}));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name);
  EXPECT_EQ(Names(), (QStringList{P, QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_F(LocalList, NavigatesDownUpAndToTheVolumeView) {
  ASSERT_TRUE(QDir(dir).mkpath(QStringLiteral("outer/inner")));
  Show(dir);
  Select({QStringLiteral("outer")});
  ASSERT_TRUE(OpenSelectedLocalRow(state));
  EXPECT_EQ(LocalListDirectory(state), dir + QStringLiteral("outer/"));
  EXPECT_EQ(Names(), (QStringList{P, QStringLiteral("inner")}));
  Select({P});
  ASSERT_TRUE(OpenSelectedLocalRow(state));
  EXPECT_EQ(LocalListDirectory(state), dir);

  Show(QStringLiteral("/"));
  EXPECT_EQ(LocalRowKindAt(state, 0), LocalRowKind::ParentOfRoot);
  Select({P});
  ASSERT_TRUE(OpenSelectedLocalRow(state));
  EXPECT_EQ(LocalListDirectory(state), QString());
  EXPECT_EQ(LocalRowKindAt(state, 0), LocalRowKind::Volume);
  Select({QStringLiteral("/")});
  ASSERT_TRUE(OpenSelectedLocalRow(state));
  EXPECT_EQ(LocalListDirectory(state), QStringLiteral("/"));

  Show(QString());
  EXPECT_EQ(LocalListDirectory(state), QString());
}

TEST_F(LocalList, DoubleClickAndEnterNavigateBeforeTheEvent) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("sub")));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("sub/file.bin"), 10));
  Show(dir);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

  QPoint at = List()->visualItemRect(List()->topLevelItem(RowOf(QStringLiteral("sub")))).center();
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
  events.clear();
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(LocalListDirectory(state), dir + QStringLiteral("sub/"));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::Other);
  EXPECT_EQ(events.back().directoryAtEvent, dir + QStringLiteral("sub/"));
  EXPECT_EQ(state.localFolder, dir + QStringLiteral("sub/"));

  // A double click on a file does not navigate; the program hears of it.
  at = List()->visualItemRect(List()->topLevelItem(RowOf(QStringLiteral("file.bin")))).center();
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
  events.clear();
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(LocalListDirectory(state), dir + QStringLiteral("sub/"));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::DoubleClick);

  // Enter on the parent entry goes up.
  Select({P});
  List()->setCurrentItem(List()->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
  events.clear();
  QTest::keyClick(List(), Qt::Key_Return);
  EXPECT_EQ(LocalListDirectory(state), dir);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::Other);
}

TEST_F(LocalList, RightClickIsReported) {
  Show(dir);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  events.clear();
  emit List()->customContextMenuRequested(QPoint(5, 5));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events.back().type, EventType::RightClick);
  // The right button's press and release are no left click.
  events.clear();
  const QPoint at = List()->visualItemRect(List()->topLevelItem(0)).center();
  QTest::mouseClick(List()->viewport(), Qt::RightButton, {}, at);
  for (const SeenEvent& seen : events) EXPECT_NE(seen.type, EventType::LeftClick);
}

TEST_F(LocalList, RightDoubleClickIsToldApartAndDoesNotNavigate) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("sub")));
  Show(dir);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  const QRect rect = List()->visualItemRect(List()->topLevelItem(RowOf(QStringLiteral("sub"))));
  // Through the window, so the application knows which button is down.
  const QPoint at = List()->viewport()->mapTo(window.get(), rect.center());
  QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, at);
  events.clear();
  QTest::mouseDClick(window->windowHandle(), Qt::RightButton, {}, at);
  EXPECT_EQ(LocalListDirectory(state), dir);
  const bool seen = std::any_of(events.begin(), events.end(),
                                [](const SeenEvent& e) { return e.type == EventType::RightDoubleClick; });
  EXPECT_TRUE(seen);
}

TEST_F(LocalList, PatternsSelectFilesButNeverDirectories) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("dir.txt")));
  for (const char* name : {"a.txt", "b.TXT", "c.log", "noext"}) ASSERT_TRUE(WriteFile(dir + QString::fromLatin1(name), 1));
  Show(dir + QStringLiteral("*.txt;*.log;*.txt"));
  QStringList names = Names();
  EXPECT_EQ(names.size(), 5) << names.join(QLatin1Char(',')).toStdString();  // no file listed twice
  EXPECT_TRUE(names.contains(QStringLiteral("dir.txt")));
  EXPECT_FALSE(names.contains(QStringLiteral("noext")));
  EXPECT_EQ(names.indexOf(QStringLiteral("c.log")), 4) << "each pattern in turn";

  Show(QStringLiteral("*.*"));  // pattern only: the directory stays
  EXPECT_EQ(LocalListDirectory(state), dir);
  EXPECT_TRUE(Names().contains(QStringLiteral("noext")));
  EXPECT_EQ(Names().size(), 6);
}

TEST_F(LocalList, MissingDirectoryShowsOnlyTheParentEntry) {
  Show(dir + QStringLiteral("gone/"));
  EXPECT_EQ(Names(), QStringList{P});
}

TEST_F(LocalList, SelectedFilesInRowOrderWithoutParentOrDirectories) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("d")));
  for (const char* name : {"x", "y", "z"}) ASSERT_TRUE(WriteFile(dir + QString::fromLatin1(name), 1));
  Show(dir);
  Select({P, QStringLiteral("d"), QStringLiteral("x"), QStringLiteral("z")});
  events.clear();
  SortLocalListByColumn(state, 0);
  SortLocalListByColumn(state, 0);  // descending: z, y, x, d
  EXPECT_TRUE(events.empty()) << "sorting keeps the selection and reports nothing";
  EXPECT_EQ(SelectedLocalFiles(state), (QStringList{dir + QStringLiteral("z"), dir + QStringLiteral("x")}));
}

TEST_F(LocalList, FileMadeByAnotherProcessAppearsByItself) {
  Show(dir);
  ASSERT_EQ(Names(), QStringList{P});
  events.clear();
  QProcess touch;
  touch.start(QStringLiteral("touch"), {dir + QStringLiteral("fromoutside")});
  ASSERT_TRUE(touch.waitForFinished(5000));
  ASSERT_TRUE(WaitUntil([this] { return Names().contains(QStringLiteral("fromoutside")); }));
  EXPECT_TRUE(events.empty()) << "a refresh sends no event";

  ASSERT_TRUE(WriteFile(dir + QStringLiteral("second"), 1025));
  ASSERT_TRUE(WaitUntil([this] { return RowOf(QStringLiteral("second")) > 0; }));
  EXPECT_EQ(LocalRowText(state, RowOf(QStringLiteral("second")), LocalColumn::Size), QStringLiteral("1025"));

  // The shown directory itself removed: only the parent entry remains.
  ASSERT_TRUE(QDir(dir).removeRecursively());
  ASSERT_TRUE(WaitUntil([this] { return Names() == QStringList{P}; }));
}

// Writing into a file changes no name in its directory; its size and date
// follow all the same, while the rows and the selection stay.
TEST_F(LocalList, FilesChangedInPlaceShowTheirNewSizeAndDate) {
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("log.txt"), 10));
  ASSERT_TRUE(SetModified(dir + QStringLiteral("log.txt"), QDateTime(QDate(2019, 5, 1), QTime(8, 0)).toSecsSinceEpoch()));
  Show(dir);
  Select({QStringLiteral("log.txt")});
  const int row = RowOf(QStringLiteral("log.txt"));
  ASSERT_EQ(LocalRowText(state, row, LocalColumn::Modified), QStringLiteral("01.05.2019 08:00"));
  events.clear();

  QFile file(dir + QStringLiteral("log.txt"));
  ASSERT_TRUE(file.open(QIODevice::Append));
  ASSERT_EQ(file.write(QByteArray(1000, 'y')), 1000);
  file.close();
  const QString now = ListDateText(QFileInfo(dir + QStringLiteral("log.txt")).lastModified());

  ASSERT_TRUE(WaitUntil([&] { return LocalRowText(state, row, LocalColumn::Size) == QStringLiteral("1010"); }));
  EXPECT_EQ(LocalRowText(state, row, LocalColumn::Modified), now);
  EXPECT_EQ(RowOf(QStringLiteral("log.txt")), row);
  EXPECT_TRUE(IsLocalRowSelected(state, row)) << "no refill took the selection away";
  EXPECT_TRUE(events.empty()) << "a change on disk sends no event";
}

}  // namespace
