// Start-up, profile loading and saving through the settings file, in a
// temporary directory, with the message boxes recorded instead of shown.

#include "settings/SettingsStore.h"
#include "tests/settings_test_support.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

const QByteArray kMark("\xEF\xBB\xBF\r\n");
const QByteArray kNewGlobal(
    "[Global]\r\nselProfile = Profil1\r\nTextLocal = PC\r\nTextHost = FTP-Server\r\n"
    "Overwrite = 0\r\nTooltipsOff = 0\r\nAppPathForTemp = 1\r\n");

class SettingsStore : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetMessageBoxResponder([this](const MessageBoxRequest& request) {
      boxes_.push_back(request);
      return BoxAnswer::Ok;
    });
  }
  void TearDown() override { SetMessageBoxResponder(nullptr); }

  QString Path() const { return dir_.filePath(QStringLiteral("ftp.ini")); }
  void Given(const QByteArray& bytes) { ASSERT_TRUE(WriteFileBytes(Path(), bytes)); }

  QTemporaryDir dir_;
  std::vector<MessageBoxRequest> boxes_;
};

// The one test that goes through the bare file name in the current directory.
TEST_F(SettingsStore, FirstStartCreatesGlobalAndExitAddsTheProfile) {
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  AppState state;
  state.localFolder = QStringLiteral("/home/anna/");

  const bool started = ReadSettingsAtStart(state);
  // The first profile has its group at once, so a run that never reaches its
  // end leaves a file that the next start accepts.
  EXPECT_EQ(FileBytes(QStringLiteral("ftp.ini")),
            kMark + kNewGlobal + "\r\n[Profil1]\r\nLocalFolder = /home/anna/\r\nHostFolder = /\r\n");
  AppState next;
  const bool nextStarts = ReadSettingsAtStart(next);
  LoadProfile(state);
  state.hostFolder = QStringLiteral("/pub/");
  const bool saved = SaveFolders(state);
  const QByteArray atExit = FileBytes(QStringLiteral("ftp.ini"));
  ASSERT_TRUE(QDir::setCurrent(previous));

  EXPECT_TRUE(started);
  EXPECT_TRUE(nextStarts);
  EXPECT_TRUE(saved);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(state.profileList, QStringLiteral("Profil1°°°"));
  EXPECT_EQ(state.localFolder, QStringLiteral("/home/anna/"));
  EXPECT_EQ(state.hostPort, 21);
  EXPECT_EQ(atExit, kMark + kNewGlobal +
                        "\r\n[Profil1]\r\nLocalFolder = /home/anna/\r\nHostFolder = /pub/\r\n");
}

TEST_F(SettingsStore, FileThatCannotBeCreatedEndsTheStart) {
  struct Case {
    const char* name;
    const char* path;
    bool makeDirectory;
  };
  const Case cases[] = {
      {"FolderMissing", "missing/ftp.ini", false},
      {"NameTakenByADirectory", "ftp.ini", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.clear();
    const QString path = dir_.filePath(QString::fromUtf8(c.path));
    if (c.makeDirectory) {
      ASSERT_TRUE(QDir().mkpath(path));
    }
    AppState state;
    EXPECT_FALSE(ReadSettingsAtStart(state, path));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes_[0].text,
              QStringLiteral("The file 'ftp.ini' is not pesent and can not create."));
    EXPECT_EQ(QFileInfo(path).isFile(), false);
  }
}

TEST_F(SettingsStore, GlobalValuesAndProfileListAreRead) {
  Given("\xEF\xBB\xBF[Global]\r\nselProfile=A\r\nTextLocal=Hier\r\nTextHost=Dort\r\nOverwrite=1\r\n"
        "TooltipsOff=x\r\n[A]\r\n[global]\r\n[Zwei Wörter]\r\n");
  AppState state;
  state.tooltipsOff = 1;
  ASSERT_TRUE(ReadSettingsAtStart(state, Path()));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(state.profileName, QStringLiteral("A"));
  EXPECT_EQ(state.textLocal, QStringLiteral("Hier"));
  EXPECT_EQ(state.textHost, QStringLiteral("Dort"));
  EXPECT_EQ(state.overwrite, 1);
  EXPECT_EQ(state.tooltipsOff, 0);
  EXPECT_EQ(state.appPathForTemp, 1);
  // Only the exact name "Global" is skipped.
  EXPECT_EQ(state.profileList, QStringLiteral("A°°°global°°°Zwei Wörter°°°"));
}

TEST_F(SettingsStore, LowerCaseGlobalIsReadAndListedAsAProfile) {
  Given("[global]\r\nselProfile=global\r\n");
  AppState state;
  ASSERT_TRUE(ReadSettingsAtStart(state, Path()));
  EXPECT_EQ(state.profileName, QStringLiteral("global"));
  EXPECT_EQ(state.profileList, QStringLiteral("global°°°"));
}

TEST_F(SettingsStore, ProfileNameInsideAnotherPassesAndLoadsDefaults) {
  Given("[Global]\r\nselProfile=Profil1\r\n[Profil12]\r\nHostPort=2121\r\nHostURL=elsewhere\r\n");
  AppState state;
  ASSERT_TRUE(ReadSettingsAtStart(state, Path()));
  EXPECT_EQ(state.profileList, QStringLiteral("Profil12°°°"));
  const QString startUrl = state.hostUrl;
  state.hostPort = 990;
  LoadProfile(state, Path());
  EXPECT_EQ(state.hostPort, 21);
  EXPECT_EQ(state.hostUrl, startUrl);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(SettingsStore, UnknownProfileNameReportsTheDestroyedFile) {
  struct Case {
    const char* name;
    QByteArray file;
    QString message;
  };
  const Case cases[] = {
      {"GlobalWithoutSelProfile", "[Global]\r\nTextLocal=X\r\n",
       QStringLiteral("The file 'ftp.ini' is destroyed. Can't find 'Profil1'")},
      {"EmptySelProfile", "[Global]\r\nselProfile=\r\n[A]\r\n",
       QStringLiteral("The file 'ftp.ini' is destroyed. Can't find ''")},
      {"NameCaseDiffers", "[Global]\r\nselProfile=profil1\r\n[Profil1]\r\n",
       QStringLiteral("The file 'ftp.ini' is destroyed. Can't find 'profil1'")},
      {"NoGlobalAtAll", "; leer\r\n",
       QStringLiteral("The file 'ftp.ini' is destroyed. Can't find 'Profil1'")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.clear();
    Given(c.file);
    AppState state;
    EXPECT_FALSE(ReadSettingsAtStart(state, Path()));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes_[0].text, c.message);
    EXPECT_EQ(FileBytes(Path()), c.file);
  }
}

TEST_F(SettingsStore, LoadProfileUsesKeepOrResetDefaults) {
  Given("[Global]\r\nselProfile=P\r\n[P]\r\nHostFolder=/in/\r\nProtocol=2\r\nHostPass===AAjJWY\r\n"
        "UseCipher=1\r\n");
  AppState state;
  state.profileName = QStringLiteral("P");
  state.localFolder = QStringLiteral("/home/anna/");
  state.hostUrl = QStringLiteral("kept.example");
  state.dnLdFolder = QStringLiteral("kept.example/dl");
  state.hostPort = 2222;
  state.hostUser = QStringLiteral("bob");
  state.cipherCode = QStringLiteral("00 11");
  LoadProfile(state, Path());
  EXPECT_EQ(state.localFolder, QStringLiteral("/home/anna/"));
  EXPECT_EQ(state.hostFolder, QStringLiteral("/in/"));
  EXPECT_EQ(state.dnLdFolder, QStringLiteral("kept.example/dl"));
  EXPECT_EQ(state.protocol, 2);
  EXPECT_EQ(state.hostUrl, QStringLiteral("kept.example"));
  EXPECT_EQ(state.hostPort, 21);
  EXPECT_EQ(state.hostUser, QString());
  EXPECT_EQ(state.hostPass, QStringLiteral("abc"));
  EXPECT_EQ(state.useCipher, 1);
  EXPECT_EQ(state.cipherCode, QString());
}

TEST_F(SettingsStore, LoadProfileWithoutFileCreatesNothing) {
  AppState state;
  state.protocol = 3;
  LoadProfile(state, Path());
  EXPECT_EQ(state.protocol, 1);
  EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(SettingsStore, SaveSettingsWritesItsKeysInOrder) {
  Given("\xEF\xBB\xBF[Global]\r\nselProfile=A\r\nOverwrite=0\r\n; Notiz\r\n[A]\r\nHostURL=a\r\n");
  AppState state;
  state.profileName = QStringLiteral("Neu");  // not yet in the file: group appended
  state.textLocal = QStringLiteral("Lokal");
  state.overwrite = 1;
  state.localFolder = QStringLiteral("/home/anna/");
  state.hostFolder = QStringLiteral("/");
  state.dnLdFolder = QStringLiteral("dl.example/download");
  state.protocol = 4;
  state.hostUrl = QStringLiteral("ftp.example");
  state.hostPort = 990;
  state.hostUser = QStringLiteral("anna");
  state.hostPass = QStringLiteral("abc");
  state.useCipher = 1;
  state.cipherCode = QStringLiteral("0A 0B");
  ASSERT_TRUE(SaveSettings(state, Path()));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(FileBytes(Path()),
            kMark +
                "[Global]\r\nselProfile = A\r\nOverwrite = 1\r\n; Notiz\r\nTextLocal = Lokal\r\n"
                "TextHost = FTP-Server\r\nTooltipsOff = 0\r\nAppPathForTemp = 1\r\n"
                "\r\n[A]\r\nHostURL = a\r\n"
                "\r\n[Neu]\r\nLocalFolder = /home/anna/\r\nHostFolder = /\r\n"
                "DnLdFolder = dl.example/download\r\nProtocol = 4\r\nHostURL = ftp.example\r\n"
                "HostPort = 990\r\nHostUser = anna\r\nHostPass = ==AAjJWY\r\nUseCipher = 1\r\n"
                "CipherCode = 0A 0B\r\n");
}

// "Ok" in the settings window tells the user when nothing could be stored:
// no file, or one that cannot be written.
TEST_F(SettingsStore, SaveSettingsReportsWhenNothingCouldBeStored) {
  const QByteArray readOnly("[Global]\r\nselProfile=Profil1\r\n");
  const struct {
    const char* name;
    QByteArray file;  // null: no file
  } rows[] = {{"no file", QByteArray()}, {"read-only file", readOnly}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    boxes_.clear();
    (void)QFile::remove(Path());
    if (!row.file.isNull()) {
      Given(row.file);
      ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner));
    }
    AppState state;
    {
      PermissionBitsApply permissions;
      EXPECT_FALSE(SaveSettings(state, Path()));
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes_[0].text, QStringLiteral("Can't write the file 'ftp.ini'."));
    EXPECT_EQ(FileBytes(Path()), row.file);
  }
}

// An ftp.ini that is there but cannot be read ends the start as one that
// cannot be created, and no later write replaces it.
TEST_F(SettingsStore, UnreadableFileEndsTheStartAndIsKept) {
  const QByteArray original("[Global]\r\nselProfile=A\r\n[A]\r\nCipherCode=00 11\r\n");
  Given(original);
  ASSERT_TRUE(QFile::setPermissions(Path(), QFile::WriteOwner));
  AppState state;
  {
    PermissionBitsApply permissions;
    EXPECT_FALSE(ReadSettingsAtStart(state, Path()));
    EXPECT_FALSE(SaveFolders(state, Path()));
  }
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, QStringLiteral("Error"));
  EXPECT_EQ(boxes_[0].text, QStringLiteral("The file 'ftp.ini' is not pesent and can not create."));
  ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner));
  EXPECT_EQ(FileBytes(Path()), original);
}

TEST_F(SettingsStore, SaveFoldersRecreatesADeletedFile) {
  AppState state;
  ASSERT_TRUE(ReadSettingsAtStart(state, Path()));
  ASSERT_TRUE(QFile::remove(Path()));
  state.localFolder = QStringLiteral("/mnt/stick/");
  EXPECT_TRUE(SaveFolders(state, Path()));
  EXPECT_EQ(FileBytes(Path()),
            kMark + "[Profil1]\r\nLocalFolder = /mnt/stick/\r\nHostFolder = /\r\n");
}

TEST_F(SettingsStore, SaveFoldersReplacesOnlyTheTwoKeys) {
  Given("[Global]\r\nselProfile=B\r\n[B]\r\nHostPort=21\r\nHostFolder=/old/\r\n");
  AppState state;
  state.profileName = QStringLiteral("b");
  state.localFolder = QStringLiteral("/tmp/");
  state.hostFolder = QStringLiteral("/new/");
  EXPECT_TRUE(SaveFolders(state, Path()));
  EXPECT_EQ(FileBytes(Path()), kMark + "[Global]\r\nselProfile = B\r\n\r\n[B]\r\nHostPort = 21\r\n"
                                       "HostFolder = /new/\r\nLocalFolder = /tmp/\r\n");
}

}  // namespace
