#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSessionManager>
#include <QTimer>
#include <QTreeWidget>

#include "app/Startup.h"
#include "crypto/KeyText.h"
#include "tests/app_test_support.h"
#include "ui/FileListColumns.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}


QByteArray Ini(const char* text) { return QByteArray("\xEF\xBB\xBF\r\n") + QByteArray(text).replace("\n", "\r\n"); }

constexpr const char* kKey =
    "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 "
    "18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F";

TEST(Startup, FirstStartCreatesTheFileAndStoresTheFoldersAtTheEnd) {
  TemporaryWorkingDirectory cwd;
  BoxRecorder boxes;
  StartedState program;
  ASSERT_EQ(RunStartup(program.state), StartupResult::Ready);
  EXPECT_TRUE(boxes.asked.empty());
  EXPECT_EQ(ReadAll(cwd.FilePath("ftp.ini")),
            Ini("[Global]\nselProfile = Profil1\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\n"
                "TooltipsOff = 0\nAppPathForTemp = 1\n\n[Profil1]\nLocalFolder = ") +
                program.state.localFolder.toUtf8() + "\r\nHostFolder = /\r\n");

  const MainWindowWidgets& w = program.state.main;
  EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Tarnholm - [Profil1]"));
  EXPECT_TRUE(w.keyIndicator->pixmap().isNull());
  EXPECT_FALSE(w.uploadButton->icon().isNull());
  EXPECT_FALSE(w.downloadButton->icon().isNull());
  ASSERT_EQ(w.serverList->columnCount(), 3);
  EXPECT_EQ(w.serverList->headerItem()->text(1), QStringLiteral("Größe"));
  EXPECT_EQ(w.serverList->headerItem()->text(2), QStringLiteral("Letzte Änderung..."));
  EXPECT_GE(w.serverList->columnWidth(0), FileNameWidth(w.serverList, QString::fromUtf8(kTypicalNameSample)));
  EXPECT_EQ(w.localList->columnCount(), 3);
  EXPECT_NE(program.state.menus.profile, nullptr);

  program.state.hostFolder = QStringLiteral("/pub/");
  RunShutdown(program.state);
  EXPECT_TRUE(ReadAll(cwd.FilePath("ftp.ini"))
                  .endsWith(QByteArray("\r\n\r\n[Profil1]\r\nLocalFolder = ") + program.state.localFolder.toUtf8() +
                            "\r\nHostFolder = /pub/\r\n"));
}

TEST(Startup, FatalSettingsFilesEndTheProgramWithoutWriting) {
  const struct {
    const char* name;
    QByteArray file;
    const char* message;
  } cases[] = {
      {"Global without selProfile", Ini("[Global]\nTextLocal = PC\n"),
       "The file 'ftp.ini' is destroyed. Can't find 'Profil1'"},
      {"selProfile names no group", Ini("[Global]\nselProfile = Arbeit\n\n[Profil1]\n"),
       "The file 'ftp.ini' is destroyed. Can't find 'Arbeit'"},
      {"empty selProfile", Ini("[Global]\nselProfile = \n\n[Profil1]\n"),
       "The file 'ftp.ini' is destroyed. Can't find ''"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryWorkingDirectory cwd;
    WriteAll(cwd.FilePath("ftp.ini"), c.file);
    BoxRecorder boxes;
    StartedState program;
    EXPECT_EQ(RunStartup(program.state), StartupResult::EndAtOnce);
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes.asked[0].text, QString::fromUtf8(c.message));
    EXPECT_EQ(ReadAll(cwd.FilePath("ftp.ini")), c.file);
  }
}

TEST(Startup, FileThatCannotBeCreated) {
  TemporaryWorkingDirectory cwd;
  ASSERT_TRUE(QDir(cwd.dir.path()).mkdir(QStringLiteral("ftp.ini")));  // a directory in its place
  BoxRecorder boxes;
  StartedState program;
  EXPECT_EQ(RunStartup(program.state), StartupResult::EndAtOnce);
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Error"));
  EXPECT_EQ(boxes.asked[0].text, QStringLiteral("The file 'ftp.ini' is not pesent and can not create."));
}

TEST(Startup, ProfileNamesThatPass) {
  const struct {
    const char* name;
    QByteArray file;
    const char* title;
  } cases[] = {
      {"Profil1 inside Profil12", Ini("[Global]\nselProfile = Profil1\n\n[Profil12]\nHostPort = 2121\n"),
       "Tarnholm - [Profil1]"},
      {"a lower-case global group is a profile", Ini("[Global]\nselProfile = global\n\n[global]\n"),
       "Tarnholm - [global]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryWorkingDirectory cwd;
    WriteAll(cwd.FilePath("ftp.ini"), c.file);
    BoxRecorder boxes;
    StartedState program;
    ASSERT_EQ(RunStartup(program.state), StartupResult::Ready);
    EXPECT_TRUE(boxes.asked.empty());
    EXPECT_EQ(program.state.main.window->windowTitle(), QString::fromUtf8(c.title));
    EXPECT_EQ(program.state.hostPort, 21) << "the profile's keys take their defaults";
  }
}

TEST(Startup, ProfileIsShownWithKeyTooltipsAndCaptions) {
  TemporaryWorkingDirectory cwd;
  WriteAll(cwd.FilePath("ftp.ini"),
           Ini((std::string("[Global]\nselProfile = Büro\nTextLocal = Hier\nTextHost = Dort\nTooltipsOff = 1\n\n"
                            "[Büro]\nUseCipher = 1\nCipherCode = ") +
                kKey + "\nHostPass = ==AAjJWY\n")
                   .c_str()));
  BoxRecorder boxes;
  StartedState program;
  ASSERT_EQ(RunStartup(program.state), StartupResult::Ready);
  const MainWindowWidgets& w = program.state.main;
  EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Tarnholm - [Büro]"));
  EXPECT_FALSE(w.keyIndicator->pixmap().isNull());
  EXPECT_EQ(program.state.useCipher, 1);
  EXPECT_EQ(program.state.keyMaterial[10], 0x0A);
  EXPECT_EQ(program.state.keyMaterial[47], 0x2F);
  EXPECT_EQ(program.state.hostPass, QStringLiteral("abc"));
  EXPECT_EQ(w.localCaption->text(), QStringLiteral("Hier"));
  EXPECT_EQ(w.serverCaption->text(), QStringLiteral("Dort"));
  EXPECT_TRUE(w.exitButton->toolTip().isEmpty());
  EXPECT_TRUE(boxes.asked.empty());
}

// Encryption stays on as stored: uploads are then refused with a reason
// rather than sent in plain text.
TEST(Startup, BadKeyTextLeavesEncryptionOnWithTheKeyMarkedInvalid) {
  TemporaryWorkingDirectory cwd;
  const QByteArray file = Ini("[Global]\nselProfile = Profil1\n\n[Profil1]\nUseCipher = 1\nCipherCode = 00 11\n");
  WriteAll(cwd.FilePath("ftp.ini"), file);
  BoxRecorder boxes;
  StartedState program;
  ASSERT_EQ(RunStartup(program.state), StartupResult::Ready);
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.asked[0].title, QStringLiteral("Fehler:"));
  EXPECT_EQ(boxes.asked[0].text, QStringLiteral("Für den Schlüssel werden 48 Hexwerte durch Leerzeichen getrennt erwartet."));
  EXPECT_EQ(program.state.useCipher, 1);
  EXPECT_TRUE(program.state.keyTextInvalid);
  EXPECT_TRUE(program.state.main.keyIndicator->pixmap().isNull());
  EXPECT_EQ(ReadAll(cwd.FilePath("ftp.ini")), file) << "the switch is not written back at start-up";
}

// The session manager asks to save data also for a logout that is then
// cancelled: the folders are stored, and the program goes on.
TEST(SessionEnd, SaveRequestStoresTheFoldersAndKeepsRunning) {
  TemporaryWorkingDirectory cwd;
  BoxRecorder boxes;
  StartedState program;
  ASSERT_EQ(RunStartup(program.state), StartupResult::Ready);
  QObject context;
  WatchSessionEnd(program.state, &context);
  program.state.hostFolder = QStringLiteral("/pub/");
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  ASSERT_NE(application, nullptr);
  QSessionManager* manager = application->findChild<QSessionManager*>();
  ASSERT_NE(manager, nullptr);
  emit application->commitDataRequest(*manager);
  EXPECT_FALSE(program.state.quitRequested);
  EXPECT_FALSE(program.state.loopLeft);
  EXPECT_FALSE(program.state.shutdownDone);
  EXPECT_TRUE(ReadAll(cwd.FilePath("ftp.ini")).endsWith("\r\nHostFolder = /pub/\r\n"));
}

// The session's real end (the session manager tells the application to
// quit) runs the shutdown as the exit button does.
TEST(SessionEnd, TheSessionsEndRunsTheShutdown) {
  TemporaryWorkingDirectory cwd;
  BoxRecorder boxes;
  StartedState program;
  ASSERT_EQ(RunStartup(program.state), StartupResult::Ready);
  QObject context;
  WatchSessionEnd(program.state, &context);
  program.state.hostFolder = QStringLiteral("/pub/");
  QTimer::singleShot(0, &context, [] {
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
  });
  QTimer::singleShot(5000, &context, [] { QCoreApplication::exit(1); });  // only if nothing ended the loop
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(program.state.loopLeft);
  EXPECT_TRUE(program.state.shutdownDone);
  EXPECT_TRUE(ReadAll(cwd.FilePath("ftp.ini")).endsWith("\r\nHostFolder = /pub/\r\n"));
}

}  // namespace
