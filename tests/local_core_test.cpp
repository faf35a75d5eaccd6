// The widget-free rules of the local list: directory texts,
// patterns, names, the sort comparison and the volume decisions.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "local/LocalListCore.h"

namespace {

struct ChoiceCase {
  const char* name;
  const char* text;
  const char* directory;
  const char* pattern;
};

TEST(ChooseLocalDirectory, SplitsDirectoryAndPattern) {
  const QString current = QStringLiteral("/home/user/");
  const QString pattern = QStringLiteral("*.txt");
  const ChoiceCase cases[] = {
      {"empty text gives the volume view", "", "", "*.txt"},
      {"directory keeps the pattern", "/srv/data/", "/srv/data/", "*.txt"},
      {"root", "/", "/", "*.txt"},
      {"directory and pattern", "/srv/data/*.log", "/srv/data/", "*.log"},
      {"several patterns", "/srv/*.c;*.h", "/srv/", "*.c;*.h"},
      {"pattern only keeps the directory", "*.png", "/home/user/", "*.png"},
      {"leading slash is the root here", "/name", "/", "name"},
      {"dots are cleaned", "/srv/a/../b/./", "/srv/b/", "*.txt"},
      {"doubled separators are cleaned", "/srv//data//", "/srv/data/", "*.txt"},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const LocalDirectoryChoice choice = ChooseLocalDirectory(QString::fromUtf8(c.text), current, pattern);
    EXPECT_EQ(choice.directory, QString::fromUtf8(c.directory));
    EXPECT_EQ(choice.pattern, QString::fromUtf8(c.pattern));
  }
}

TEST(ChooseLocalDirectory, RaisesADriveLetterOnly) {
  EXPECT_TRUE(ChooseLocalDirectory(QStringLiteral("c:/x/"), {}, {}).directory.endsWith(QStringLiteral("C:/x/")));
  // A relative name that merely starts with a lower-case letter keeps it.
  EXPECT_TRUE(ChooseLocalDirectory(QStringLiteral("docs/"), {}, {}).directory.endsWith(QStringLiteral("/docs/")));
}

TEST(ParentDirectoryText, DropsTheLastComponent) {
  EXPECT_EQ(ParentDirectoryText(QStringLiteral("/a/b/")), QStringLiteral("/a/"));
  EXPECT_EQ(ParentDirectoryText(QStringLiteral("/a/")), QStringLiteral("/"));
  EXPECT_EQ(ParentDirectoryText(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(LocalPatterns, StarDotStarMatchesEveryName) {
  EXPECT_EQ(SplitLocalPatterns(QStringLiteral("*.*")), QStringList{QStringLiteral("*")});
  EXPECT_EQ(SplitLocalPatterns(QStringLiteral(" *.c ; ;*.h")), (QStringList{QStringLiteral("*.c"), QStringLiteral("*.h")}));
  EXPECT_EQ(SplitLocalPatterns(QString()), QStringList{QStringLiteral("*")});
  EXPECT_TRUE(MatchesLocalPattern(QStringLiteral("Makefile"), QStringLiteral("*")));
  EXPECT_TRUE(MatchesLocalPattern(QStringLiteral("README.TXT"), QStringLiteral("*.txt")));
  EXPECT_TRUE(MatchesLocalPattern(QStringLiteral("a1.log"), QStringLiteral("a?.log")));
  EXPECT_FALSE(MatchesLocalPattern(QStringLiteral("a.txt.bak"), QStringLiteral("*.txt")));
}

TEST(FileTypeCacheKey, ExtensionsUpToFourExceptPerFileIcons) {
  EXPECT_EQ(FileTypeCacheKey(QStringLiteral("a.txt")), QStringLiteral("TXT"));
  EXPECT_EQ(FileTypeCacheKey(QStringLiteral("b.TxT")), QStringLiteral("TXT"));
  EXPECT_EQ(FileTypeCacheKey(QStringLiteral("c.jpeg")), QStringLiteral("JPEG"));
  EXPECT_EQ(FileTypeCacheKey(QStringLiteral("archive.tar.gz")), QStringLiteral("GZ"));
  EXPECT_EQ(FileTypeCacheKey(QStringLiteral("Makefile")), QStringLiteral("."));
  EXPECT_EQ(FileTypeCacheKey(QStringLiteral("x.desktop")), QString());
  for (const char* perFile : {"setup.exe", "a.ICO", "link.lnk", "lib.icl"}) {
    SCOPED_TRACE(perFile);
    EXPECT_EQ(FileTypeCacheKey(QString::fromLatin1(perFile)), QString());
  }
}

TEST(IsPlainEntryName, RefusesNamesThatLeaveTheDirectory) {
  EXPECT_TRUE(IsPlainEntryName(QStringLiteral("neu")));
  EXPECT_TRUE(IsPlainEntryName(QStringLiteral(".hidden")));
  EXPECT_TRUE(IsPlainEntryName(QStringLiteral("a..b")));
  for (const char* bad : {"", ".", "..", "a/b", "../x", "/etc"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(IsPlainEntryName(QString::fromLatin1(bad)));
  }
  EXPECT_FALSE(IsPlainEntryName(QString(QStringLiteral("a")) + QChar(u'\0')));
}

LocalSortKey Row(LocalRowKind kind, const char* name, int64_t number, int64_t modified) {
  LocalSortKey key;
  key.kind = kind;
  key.name = QString::fromLatin1(name);
  key.number = number;
  key.modified = modified;
  return key;
}

std::vector<QString> Sorted(std::vector<LocalSortKey> rows, LocalColumn column, bool descending) {
  std::stable_sort(rows.begin(), rows.end(), [&](const LocalSortKey& a, const LocalSortKey& b) {
    return LocalRowLess(a, b, column, descending);
  });
  std::vector<QString> names;
  for (const LocalSortKey& row : rows) names.push_back(row.name);
  return names;
}

std::vector<QString> Names(std::initializer_list<const char*> names) {
  std::vector<QString> result;
  for (const char* n : names) result.push_back(QString::fromLatin1(n));
  return result;
}

struct SortCase {
  const char* name;
  LocalColumn column;
  bool descending;
  std::vector<QString> expected;
};

TEST(LocalRowLess, ParentFirstAndColumnOrders) {
  // The parent entry is deliberately not first in the input.
  const std::vector<LocalSortKey> rows = {
      Row(LocalRowKind::File, "c.txt", 2, 20),      Row(LocalRowKind::Directory, "Zeta", -1, 5),
      Row(LocalRowKind::ParentOfDirectory, "..", -1, 0), Row(LocalRowKind::File, "B.txt", 3, 10),
      Row(LocalRowKind::Directory, "alpha", -1, 50),    Row(LocalRowKind::File, "a.txt", 1, 30),
  };
  const SortCase cases[] = {
      {"name ascending: dirs first, case ignored", LocalColumn::Name, false,
       Names({"..", "alpha", "Zeta", "a.txt", "B.txt", "c.txt"})},
      {"name descending: files first", LocalColumn::Name, true,
       Names({"..", "c.txt", "B.txt", "a.txt", "Zeta", "alpha"})},
      {"size ascending", LocalColumn::Size, false, Names({"..", "Zeta", "alpha", "a.txt", "c.txt", "B.txt"})},
      {"size descending", LocalColumn::Size, true, Names({"..", "B.txt", "c.txt", "a.txt", "Zeta", "alpha"})},
      {"modified ascending: dirs first", LocalColumn::Modified, false,
       Names({"..", "Zeta", "alpha", "B.txt", "c.txt", "a.txt"})},
      {"modified descending", LocalColumn::Modified, true,
       Names({"..", "a.txt", "c.txt", "B.txt", "alpha", "Zeta"})},
  };
  for (const SortCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Sorted(rows, c.column, c.descending), c.expected);
  }
}

TEST(LocalRowLess, VolumesByMountPointAndEqualByDate) {
  const std::vector<LocalSortKey> rows = {Row(LocalRowKind::Volume, "/mnt/usb", 0, 0),
                                          Row(LocalRowKind::Volume, "/", 0, 0),
                                          Row(LocalRowKind::Volume, "/home", 0, 0)};
  EXPECT_EQ(Sorted(rows, LocalColumn::Name, false), Names({"/", "/home", "/mnt/usb"}));
  EXPECT_EQ(Sorted(rows, LocalColumn::Name, true), Names({"/mnt/usb", "/home", "/"}));
  EXPECT_EQ(Sorted(rows, LocalColumn::Modified, false), Names({"/mnt/usb", "/", "/home"}));
}

TEST(IsListedVolume, SkipsPseudoFileSystems) {
  struct Case {
    const char* root;
    const char* type;
    bool listed;
  };
  const Case cases[] = {
      {"/", "overlay", true},           {"/home", "ext4", true},
      {"/media/user/STICK", "vfat", true}, {"/run/media/user/STICK", "exfat", true},
      {"/tmp", "tmpfs", true},          {"/proc", "proc", false},
      {"/sys/fs/cgroup", "cgroup2", false}, {"/dev/shm", "tmpfs", false},
      {"/run/user/1000", "tmpfs", false}, {"/snap/core/1", "squashfs", false},
      {"/var/lib/docker/overlay2/x/merged", "overlay", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.root);
    EXPECT_EQ(IsListedVolume(QString::fromLatin1(c.root), QString::fromLatin1(c.type)), c.listed);
  }
}

TEST(DecideVolumeChange, ReactsLikeTheDriveNotices) {
  const QStringList before = {QStringLiteral("/"), QStringLiteral("/media/usb"), QStringLiteral("/media/usb2")};
  const QStringList withoutUsb = {QStringLiteral("/"), QStringLiteral("/media/usb2")};
  struct Case {
    const char* name;
    QStringList after;
    const char* directory;
    VolumeChange change;
  };
  const Case cases[] = {
      {"nothing changed", before, "/media/usb/x/", VolumeChange::None},
      {"volume view is filled again", withoutUsb, "", VolumeChange::Refill},
      {"shown volume removed", withoutUsb, "/media/usb/x/", VolumeChange::ShowVolumeView},
      {"mount point itself shown", withoutUsb, "/media/usb/", VolumeChange::ShowVolumeView},
      {"similar name is another volume", withoutUsb, "/media/usb2/", VolumeChange::None},
      {"other volume removed", withoutUsb, "/home/", VolumeChange::None},
      {"volume arrived", before + QStringList{QStringLiteral("/mnt")}, "/home/", VolumeChange::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecideVolumeChange(before, c.after, QString::fromLatin1(c.directory)), c.change);
  }
}

}  // namespace
