// The settings file reader and writer on real files: what is read, and the
// exact bytes of the write-back.

#include "settings/SettingsFile.h"
#include "tests/settings_test_support.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

const QByteArray kBom("\xEF\xBB\xBF\r\n");

// The "user" bits repeat the owner's bits for the running user.
const QFile::Permissions kUserBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

// Anything after the first line end of the expected text follows the mark.
QByteArray Written(const char* lines) { return kBom + QByteArray(lines); }

QStringList AllGroupNames() {
  QStringList names;
  if (!SettingsFile::RewindGroups()) return names;
  while (SettingsFile::NextGroup()) names << SettingsFile::GroupName();
  return names;
}

struct SyntaxCase {
  const char* name;
  const char* fixture;
  std::function<void()> act;  // runs between Open and Close; checks its reads
  QByteArray expected;        // null: the file must keep its bytes
};

const SyntaxCase kSyntaxCases[] = {
    {"Utf8WithMarkAndUmlautGroupMatchedExactly", "bom_umlaut_group.ini",
     [] {
       EXPECT_FALSE(SettingsFile::SelectGroup(QStringLiteral("über")));
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("Über")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("name"), {}), QStringLiteral("Jürgen"));
       SettingsFile::WriteString(QStringLiteral("Name"), QStringLiteral("Jürgen"));
     },
     Written("[\xC3\x9C" "ber]\r\nName = J\xC3\xBCrgen\r\n")},
    {"Latin1WithoutMarkBecomesUtf8", "latin1_e4.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("global")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("TextLocal"), {}), QStringLiteral("März"));
       SettingsFile::WriteInteger(QStringLiteral("Overwrite"), 1);
     },
     Written("[Global]\r\nTextLocal = M\xC3\xA4rz\r\nOverwrite = 1\r\n")},
    {"CommentsKeepTextLoseLeadingBlanks", "comments.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("A")));
       SettingsFile::WriteString(QStringLiteral("k"), QStringLiteral("v"));
     },
     Written("; x\r\n;  two\r\n; one\r\n[A]\r\n; tab\r\nk = v\r\n")},
    {"EmptyLinesDroppedOneBeforeLaterHeaders", "empty_lines.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("B")));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("c"), 0), 3);
       SettingsFile::WriteInteger(QStringLiteral("c"), 3);
     },
     Written("[A]\r\na = 1\r\nb = 2\r\n\r\n[B]\r\nc = 3\r\n")},
    {"HeaderWithoutBracketOrWithTrailingText", "header_forms.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("Profil1")));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("x"), 0), 1);
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("profil2")));
       EXPECT_EQ(SettingsFile::GroupName(), QStringLiteral("Profil2"));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("y"), 0), 2);
       SettingsFile::WriteInteger(QStringLiteral("y"), 3);
     },
     Written("[Profil1]\r\nx = 1\r\n\r\n[Profil2]\r\ny = 3\r\n")},
    {"DuplicateGroupsReadAndWriteTheFirst", "duplicate_groups.ini",
     [] {
       EXPECT_EQ(AllGroupNames(), (QStringList{"A", "B", "A"}));
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("A")));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("k"), 0), 1);
       SettingsFile::WriteInteger(QStringLiteral("k"), 5);
     },
     Written("[A]\r\nk = 5\r\n\r\n[B]\r\n\r\n[A]\r\nk = 2\r\n")},
    {"DuplicateGroupsRemoveOnlyTheFirst", "duplicate_groups.ini",
     [] {
       SettingsFile::RemoveGroup(QStringLiteral("a"));
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("A")));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("k"), 0), 2);
     },
     Written("[B]\r\n\r\n[A]\r\nk = 2\r\n")},
    {"RemovingAnEarlierGroupKeepsTheCurrentOne", "three_groups.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("B")));
       SettingsFile::RemoveGroup(QStringLiteral("A"));
       EXPECT_EQ(SettingsFile::GroupName(), QStringLiteral("B"));
       SettingsFile::WriteInteger(QStringLiteral("n"), 4);
       ASSERT_TRUE(SettingsFile::NextGroup());
       EXPECT_EQ(SettingsFile::GroupName(), QStringLiteral("C"));
     },
     Written("[B]\r\ny = 2\r\nn = 4\r\n\r\n[C]\r\nz = 3\r\n")},
    {"RemovingTheCurrentGroupFallsBackToLeadingSection", "two_groups.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("A")));
       SettingsFile::RemoveGroup(QStringLiteral("A"));
       EXPECT_EQ(SettingsFile::GroupName(), QString());
       SettingsFile::WriteInteger(QStringLiteral("z"), 3);
     },
     Written("z = 3\r\n[B]\r\ny = 2\r\n")},
    {"RemovingAMissingGroupChangesNothing", "two_groups.ini",
     [] { SettingsFile::RemoveGroup(QStringLiteral("C")); }, {}},
    {"MissingGroupIsCreatedAtTheEndByTheFirstWrite", "one_group.ini",
     [] {
       EXPECT_FALSE(SettingsFile::SelectGroup(QStringLiteral("Neu")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("a"), QStringLiteral("d")),
                 QStringLiteral("d"));
       SettingsFile::WriteString(QStringLiteral("key"), QStringLiteral("v"));
       EXPECT_EQ(SettingsFile::GroupName(), QStringLiteral("Neu"));
       SettingsFile::WriteString(QStringLiteral("more"), QStringLiteral("w"));
     },
     Written("[Global]\r\na = 1\r\n\r\n[Neu]\r\nkey = v\r\nmore = w\r\n")},
    {"RewindForgetsThePendingGroup", "one_group.ini",
     [] {
       EXPECT_FALSE(SettingsFile::SelectGroup(QStringLiteral("Neu")));
       ASSERT_TRUE(SettingsFile::RewindGroups());
       ASSERT_TRUE(SettingsFile::NextGroup());
       EXPECT_FALSE(SettingsFile::NextGroup());
       EXPECT_EQ(SettingsFile::GroupName(), QStringLiteral("Global"));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("a"), 0), 1);
       SettingsFile::WriteInteger(QStringLiteral("b"), 2);
     },
     Written("[Global]\r\na = 1\r\nb = 2\r\n")},
    {"KeyRenamedToTheSpellingOfTheWrite", "key_case.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       SettingsFile::WriteInteger(QStringLiteral("hostport"), 21);
     },
     Written("[P]\r\nhostport = 21\r\n")},
    {"ValueKeepsTrailingBlanksLosesLeadingOnes", "value_blanks.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("Key"), {}), QStringLiteral("a b  "));
       SettingsFile::WriteString(QStringLiteral("Other"), QStringLiteral("  c"));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("Other"), {}), QStringLiteral("c"));
     },
     Written("[P]\r\nKey = a b  \r\nOther =   c\r\n")},
    {"IntegerConversions", "integers.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("Overwrite"), 1), 0);
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("Missing"), 1), 1);
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("HostPort"), 0), 2121);
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("Plus"), 0), 5);
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("Minus"), 0), -7);
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("Empty"), 9), 0);
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("Empty"), QStringLiteral("d")), QString());
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("Huge"), 0),
                 std::numeric_limits<int32_t>::max());
     },
     {}},
    {"IntegerWrittenAsPlainDecimal", "key_case.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       SettingsFile::WriteInteger(QStringLiteral("Min"), std::numeric_limits<int32_t>::min());
       SettingsFile::WriteInteger(QStringLiteral("Zero"), 0);
     },
     Written("[P]\r\nHostPort = 21\r\nMin = -2147483648\r\nZero = 0\r\n")},
    {"LineWithoutEqualsIsAnEmptyKeyCrLf", "flag_crlf.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("Flag"), QStringLiteral("d")), QString());
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("k"), {}), QStringLiteral("v"));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("#c"), 0), 1);
       SettingsFile::WriteString(QStringLiteral("k"), QStringLiteral("v"));
     },
     Written("[P]\r\nFlag = \r\nk = v\r\n#c = 1\r\n")},
    {"LineWithoutEqualsIsAnEmptyKeyLfOnly", "flag_lf.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("Flag"), QStringLiteral("d")), QString());
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("k"), {}), QStringLiteral("v"));
       SettingsFile::WriteString(QStringLiteral("k"), QStringLiteral("v"));
     },
     Written("[P]\r\nFlag = \r\nk = v\r\n#c = 1\r\n")},
    {"LeadingSectionGetsNewKeysBeforeFirstHeader", "leading_section.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QString()));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("top"), 0), 1);
       SettingsFile::WriteInteger(QStringLiteral("new"), 2);
     },
     Written("top = 1\r\nnew = 2\r\n[A]\r\n")},
    {"LeadingSectionOfAFileStartingWithAHeader", "header_first.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QString()));
       EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("a"), 0), 0);
       SettingsFile::WriteInteger(QStringLiteral("new"), 2);
     },
     Written("new = 2\r\n[A]\r\na = 1\r\n")},
    {"NewKeyGoesToTheEndOfItsGroup", "two_groups.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("A")));
       SettingsFile::WriteInteger(QStringLiteral("n"), 4);
     },
     Written("[A]\r\nx = 1\r\nn = 4\r\n\r\n[B]\r\ny = 2\r\n")},
    {"LineEndsInWrittenValuesCannotAddLines", "key_case.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
       SettingsFile::WriteString(QStringLiteral("HostUser"),
                                 QStringLiteral("a\r\n[Global]\nselProfile=x"));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("HostUser"), {}),
                 QStringLiteral("a[Global]selProfile=x"));
     },
     Written("[P]\r\nHostPort = 21\r\nHostUser = a[Global]selProfile=x\r\n")},
    {"ReadingLatin1LfFileLeavesItsBytes", "latin1_lf.ini",
     [] {
       ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("Global")));
       EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("TextLocal"), {}), QStringLiteral("März"));
       EXPECT_EQ(AllGroupNames(), (QStringList{"Global", "Profil1"}));
     },
     {}},
};

void PrintTo(const SyntaxCase& row, std::ostream* os) { *os << row.name; }

class SettingsSyntax : public testing::TestWithParam<SyntaxCase> {};

TEST_P(SettingsSyntax, ReadsAndWritesBack) {
  const SyntaxCase& row = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("ftp.ini"));
  const QByteArray original = FileBytes(SettingsFixture(row.fixture));
  ASSERT_FALSE(original.isNull()) << row.fixture;
  ASSERT_TRUE(WriteFileBytes(path, original));

  ASSERT_TRUE(SettingsFile::Open(path));
  row.act();
  EXPECT_TRUE(SettingsFile::Close());

  const QByteArray expected = row.expected.isNull() ? original : row.expected;
  EXPECT_EQ(FileBytes(path), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsSyntax, testing::ValuesIn(kSyntaxCases),
                         [](const testing::TestParamInfo<SyntaxCase>& info) {
                           return std::string(info.param.name);
                         });

class SettingsFileOnDisk : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  void TearDown() override { (void)SettingsFile::Close(); }
  QString Path(const char* name = "ftp.ini") const {
    return dir_.filePath(QString::fromUtf8(name));
  }
  QTemporaryDir dir_;
};

TEST_F(SettingsFileOnDisk, MissingFileReadsDefaultsAndIsCreatedOnlyByAWrite) {
  EXPECT_FALSE(SettingsFile::Open(Path()));
  EXPECT_FALSE(SettingsFile::SelectGroup(QStringLiteral("Global")));
  EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("HostPort"), 21), 21);
  EXPECT_TRUE(SettingsFile::Close());
  EXPECT_FALSE(QFile::exists(Path()));

  EXPECT_FALSE(SettingsFile::Open(Path()));
  EXPECT_FALSE(SettingsFile::SelectGroup(QStringLiteral("Profil1")));
  SettingsFile::WriteString(QStringLiteral("HostFolder"), QStringLiteral("/"));
  EXPECT_TRUE(SettingsFile::Close());
  EXPECT_EQ(FileBytes(Path()), Written("[Profil1]\r\nHostFolder = /\r\n"));
}

TEST_F(SettingsFileOnDisk, CreateMakesTheFileAtOnceAndWritesTheMarkAtClose) {
  ASSERT_TRUE(SettingsFile::Create(Path()));
  EXPECT_TRUE(QFile::exists(Path()));
  EXPECT_TRUE(SettingsFile::Close());
  EXPECT_EQ(FileBytes(Path()), kBom);
}

TEST_F(SettingsFileOnDisk, FailedCreateLeavesNoFileOpen) {
  EXPECT_FALSE(SettingsFile::Create(Path("missing/ftp.ini")));
  EXPECT_FALSE(SettingsFile::SelectGroup(QString()));
  EXPECT_FALSE(SettingsFile::RewindGroups());
  SettingsFile::WriteString(QStringLiteral("k"), QStringLiteral("v"));
  EXPECT_EQ(SettingsFile::ReadString(QStringLiteral("k"), QStringLiteral("d")), QStringLiteral("d"));
  EXPECT_TRUE(SettingsFile::Close());
  EXPECT_FALSE(QFile::exists(Path("missing/ftp.ini")));
}

TEST_F(SettingsFileOnDisk, OpeningAnotherFileWritesBackTheFirst) {
  ASSERT_TRUE(WriteFileBytes(Path("a.ini"), "[A]\n"));
  ASSERT_TRUE(WriteFileBytes(Path("b.ini"), "[B]\n"));
  ASSERT_TRUE(SettingsFile::Open(Path("a.ini")));
  ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("A")));
  SettingsFile::WriteInteger(QStringLiteral("k"), 1);
  ASSERT_TRUE(SettingsFile::Open(Path("b.ini")));
  EXPECT_EQ(FileBytes(Path("a.ini")), Written("[A]\r\nk = 1\r\n"));
  EXPECT_FALSE(SettingsFile::SelectGroup(QStringLiteral("A")));
  EXPECT_TRUE(SettingsFile::Close());
  EXPECT_EQ(FileBytes(Path("b.ini")), "[B]\n");
}

TEST_F(SettingsFileOnDisk, ReadOnlyFileIsReadAndKeepsItsBytes) {
  const QByteArray original("[P]\nk=1\n");
  ASSERT_TRUE(WriteFileBytes(Path(), original));
  ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup));
  {
    PermissionBitsApply permissions;
    QFile probe(Path());
    ASSERT_FALSE(probe.open(QIODevice::WriteOnly | QIODevice::Append)) << "file still writable";

    ASSERT_TRUE(SettingsFile::Open(Path()));
    ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("p")));
    EXPECT_EQ(SettingsFile::ReadInteger(QStringLiteral("k"), 0), 1);
    SettingsFile::WriteInteger(QStringLiteral("k"), 2);
    EXPECT_FALSE(SettingsFile::Close());
  }
  EXPECT_EQ(FileBytes(Path()), original);
}

// A folder that refuses new files (the temporary file of the write-back)
// while the file itself may be written: the file is rewritten in place. When
// the file may not be written either, it keeps its bytes.
TEST_F(SettingsFileOnDisk, WriteBackInAFolderThatRefusesNewFiles) {
  const struct {
    const char* name;
    QFile::Permissions file;
    bool stored;
  } rows[] = {
      {"writable file", QFile::ReadOwner | QFile::WriteOwner, true},
      {"read-only file", QFile::ReadOwner, false},
  };
  const QByteArray original("[P]\nk=1\n");
  const QFile::Permissions dirPermissions = QFile::permissions(dir_.path());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), dirPermissions));
    (void)QFile::remove(Path());
    ASSERT_TRUE(WriteFileBytes(Path(), original));
    ASSERT_TRUE(QFile::setPermissions(Path(), row.file));
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
    {
      PermissionBitsApply permissions;
      QFile probe(Path("probe"));
      ASSERT_FALSE(probe.open(QIODevice::WriteOnly)) << "directory still writable";

      (void)SettingsFile::Open(Path());
      ASSERT_TRUE(SettingsFile::SelectGroup(QStringLiteral("P")));
      SettingsFile::WriteInteger(QStringLiteral("k"), 2);
      EXPECT_EQ(SettingsFile::Close(), row.stored);
    }
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), dirPermissions));
    EXPECT_EQ(FileBytes(Path()), row.stored ? Written("[P]\r\nk = 2\r\n") : original);
    EXPECT_EQ(QFile::permissions(Path()) & ~kUserBits, row.file) << "the file keeps its mode";
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ftp.ini"});
  }
}

// The file holds passwords and keys: a new one is owner-only, whichever way
// it comes into being; an existing one keeps the mode its user gave it.
TEST_F(SettingsFileOnDisk, NewFilesAreOwnerOnlyExistingOnesKeepTheirMode) {
  const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
  const QFile::Permissions shared = ownerOnly | QFile::ReadGroup | QFile::ReadOther;
  const struct {
    const char* name;
    QFile::Permissions existing;  // none: no file yet
    bool create;                  // Create instead of Open
    QFile::Permissions expected;
  } rows[] = {
      {"created at start", {}, true, ownerOnly},
      {"created by a write after a failed open", {}, false, ownerOnly},
      {"existing file readable by all", shared, false, shared},
      {"existing owner-only file", ownerOnly, false, ownerOnly},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    (void)QFile::remove(Path());
    if (row.existing.toInt() != 0) {
      ASSERT_TRUE(WriteFileBytes(Path(), "[P]\n"));
      ASSERT_TRUE(QFile::setPermissions(Path(), row.existing));
    }
    if (row.create) {
      ASSERT_TRUE(SettingsFile::Create(Path()));
      EXPECT_EQ(QFile::permissions(Path()) & ~kUserBits, row.expected) << "at once";
    } else {
      (void)SettingsFile::Open(Path());
    }
    (void)SettingsFile::SelectGroup(QStringLiteral("P"));
    SettingsFile::WriteInteger(QStringLiteral("k"), 2);
    EXPECT_TRUE(SettingsFile::Close());
    EXPECT_EQ(QFile::permissions(Path()) & ~kUserBits, row.expected);
  }
}

// Something at the name that cannot be read is never replaced by what one
// command writes: a file without read permission, a directory, a dangling
// symbolic link.
TEST_F(SettingsFileOnDisk, UnreadableFileIsNeverReplaced) {
  const struct {
    const char* name;
    std::function<void(const QString&)> make;
  } rows[] = {
      {"no read permission",
       [](const QString& path) {
         ASSERT_TRUE(WriteFileBytes(path, "[P]\nk=1\n"));
         ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
       }},
      {"a directory", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); }},
      {"a dangling link",
       [this](const QString& path) { ASSERT_TRUE(QFile::link(Path("gone.ini"), path)); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("ftp.ini"));
    row.make(path);
    const QFileInfo before(path);
    {
      PermissionBitsApply permissions;
      EXPECT_FALSE(SettingsFile::Open(path));
      (void)SettingsFile::SelectGroup(QStringLiteral("P"));
      SettingsFile::WriteString(QStringLiteral("LocalFolder"), QStringLiteral("/"));
      EXPECT_FALSE(SettingsFile::Close());
    }
    const QFileInfo after(path);
    EXPECT_EQ(after.isDir(), before.isDir());
    EXPECT_EQ(after.isSymLink(), before.isSymLink());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.permissions(), before.permissions());
    EXPECT_FALSE(QFile::exists(Path("gone.ini")));
  }
}

}  // namespace
