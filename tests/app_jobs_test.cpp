// The transfer engine as the user meets it, through the program's routing
// against the scripted backend: nothing replayed while a job runs, the
// cancel control and Escape, progress, "Beenden" during a job, a lost
// connection, folders as the server confirms them, and German reasons.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/Router.h"
#include "ftp/Connection.h"
#include "ftp/Download.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerCommands.h"
#include "ftp/ServerList.h"
#include "ftp/TransferCommand.h"
#include "ftp/Upload.h"
#include "tests/fake_server_window.h"

namespace {

Event Button(WidgetId widget) { return Event{EventKind::Widget, WindowId::Main, widget, EventType::None, 0}; }
Event Menu(int item) { return Event{EventKind::MenuChoice, WindowId::Main, WidgetId::None, EventType::None, item}; }

class Jobs : public FakeServerWindowTest {
 protected:
  std::vector<InputBoxRequest> inputs;

  void SetUp() override {
    FakeServerWindowTest::SetUp();
    SetInputBoxResponder([this](const InputBoxRequest& r) {
      inputs.push_back(r);
      return QStringLiteral("neu");
    });
    state.hostUrl = QStringLiteral("files.example");
    state.hostUser = QStringLiteral("anna");
  }
  void TearDown() override {
    FakeServerWindowTest::TearDown();
    SetInputBoxResponder(nullptr);
  }

  void ShowLocal(const QString& directory) {
    SetLocalDirectory(state, directory);
    FollowLocalList(state);
  }
  void SelectLocal(const QStringList& names) {
    state.main.localList->clearSelection();
    for (int row = 0; row < LocalRowCount(state); ++row) {
      if (names.contains(LocalRowName(state, row))) state.main.localList->topLevelItem(row)->setSelected(true);
    }
  }
  void SelectServer(const QStringList& names) {
    QTreeWidget* list = state.main.serverList;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      list->topLevelItem(row)->setSelected(names.contains(list->topLevelItem(row)->text(0)));
    }
  }
  QString Log() const { return state.main.messageArea->toPlainText(); }
  QStringList Lines() const {
    QStringList texts;
    for (const QString& line : Log().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) texts << line.mid(11);
    return texts;
  }
  bool Busy() const { return ServerJobRunning(state); }
};

TEST_F(Jobs, WhileAJobRunsNothingElseStartsAndNothingIsReplayedAfterwards) {
  fake.Add(QStringLiteral("a.txt"), 3, -1, 1);
  ASSERT_TRUE(WriteBytes(local + "up.txt", "up"));
  ShowLocal(local);
  SelectLocal({"up.txt"});
  fake.hold("Open");
  ClickConnect();
  ASSERT_EQ(fake.waitHeld(5000), 1);
  ASSERT_TRUE(Busy());
  for (QPushButton* button : {state.main.uploadButton, state.main.downloadButton, state.main.connectButton,
                              state.main.settingsButton}) {
    EXPECT_FALSE(button->isEnabled());
  }
  EXPECT_TRUE(state.main.cancelButton->isVisible());
  EXPECT_TRUE(state.main.progressText->text().startsWith(QStringLiteral("Verbinden mit files.example:21")));

  const struct {
    const char* name;
    Event event;
  } attempts[] = {
      {"upload arrow", Button(WidgetId::UploadButton)},
      {"download arrow", Button(WidgetId::DownloadButton)},
      {"settings", Button(WidgetId::SettingsButton)},
      {"connect toggle", Button(WidgetId::ConnectButton)},
      {"server double click", Event{EventKind::Widget, WindowId::Main, WidgetId::ServerList, EventType::DoubleClick, 0}},
      {"server rename", Menu(1)},
      {"server create directory", Menu(2)},
      {"server delete", Menu(3)},
  };
  for (const auto& a : attempts) {
    SCOPED_TRACE(a.name);
    const qsizetype before = Lines().size();
    Route(a.event);
    EXPECT_EQ(Lines().size(), before + 1);
    EXPECT_TRUE(Lines().last().startsWith(QStringLiteral("Bitte warten: \"Verbinden\" läuft noch")))
        << Lines().last().toStdString();
  }
  EXPECT_EQ(state.settings, nullptr);
  EXPECT_TRUE(inputs.empty());

  fake.release();
  Settle();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_EQ(state.connection, 1);
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join('\n').toStdString();
  EXPECT_EQ(fake.Log().filter(QStringLiteral("Open")).size(), 1);
  for (const char* later : {"Send", "Receive", "Rename", "CreateDirectory", "DeleteFile", "Close"}) {
    EXPECT_TRUE(fake.Log().filter(QString::fromLatin1(later)).isEmpty()) << later;
  }
  EXPECT_TRUE(state.main.uploadButton->isEnabled());
  EXPECT_FALSE(state.main.cancelButton->isVisible());
  EXPECT_TRUE(state.main.progressText->text().isEmpty());
}

TEST_F(Jobs, TheCancelControlAndEscapeEndEveryLongJob) {
  enum class Job { Connect, Listing, Upload, Download };
  const struct {
    const char* name;
    Job job;
    const char* operation;
    bool escape;
    const char* said;
  } cases[] = {
      {"connect, cancel control", Job::Connect, "Open", false, "Der Verbindungsaufbau wurde abgebrochen."},
      {"listing, Escape", Job::Listing, "Examine", true, "Das Lesen des Verzeichnisses wurde abgebrochen."},
      {"upload, Escape", Job::Upload, "Send", true, "Der Upload wurde abgebrochen."},
      {"download, cancel control", Job::Download, "Receive", false, "Der Download wurde abgebrochen."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reset();
    fake.setServerRoot(FakeControls::Text(serverDir.path()));
    ASSERT_TRUE(WriteBytes(server + "f.bin", "server's old content"));
    ASSERT_TRUE(WriteBytes(local + "f.bin", Pattern(300000)));
    fake.Add(QStringLiteral("f.bin"), 20, -1, 1);
    ShowLocal(local);
    state.overwrite = 1;
    if (c.job != Job::Connect) Connect();
    fake.hold(c.operation);
    switch (c.job) {
      case Job::Connect: ClickConnect(); break;
      case Job::Listing: RefreshServerList(state); break;
      case Job::Upload:
        SelectLocal({"f.bin"});
        Route(Button(WidgetId::UploadButton));
        break;
      case Job::Download:
        SelectServer({"f.bin"});
        Route(Button(WidgetId::DownloadButton));
        break;
    }
    ASSERT_EQ(fake.waitHeld(5000), 1);
    if (c.escape) {
      state.main.window->activateWindow();
      QApplication::setActiveWindow(state.main.window);
      QTest::keyClick(state.main.window, Qt::Key_Escape);
    } else {
      state.main.cancelButton->click();
    }
    Settle();
    EXPECT_EQ(Lines().last(), QString::fromUtf8(c.said));
    EXPECT_EQ(ReadBytes(server + "f.bin"), "server's old content");
    EXPECT_EQ(ReadBytes(local + "f.bin"), Pattern(300000));
    EXPECT_TRUE(TempFilesIn(local).isEmpty());
    EXPECT_FALSE(state.main.cancelButton->isVisible());
    EXPECT_TRUE(state.main.connectButton->isEnabled());
    EXPECT_EQ(state.main.progressBar->value(), 0);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join('\n').toStdString();
    if (state.connection != 0) CloseConnection(state);
    state.main.connectButton->setChecked(false);
  }
}

TEST_F(Jobs, ProgressNamesTheFileItsBytesAndWhichOfHowMany) {
  for (const char* name : {"a.bin", "b.bin"}) ASSERT_TRUE(WriteBytes(local + name, Pattern(200000)));
  ShowLocal(local);
  Connect();
  SelectLocal({"a.bin", "b.bin"});
  fake.setChunk(50000);
  fake.hold("Send");
  Route(Button(WidgetId::UploadButton));
  ASSERT_EQ(fake.waitHeld(5000), 1);
  // The worker's reports arrive as queued calls.
  for (int i = 0; i < 50 && state.main.progressBar->value() == 0; ++i) {
    QApplication::processEvents();
    QTest::qWait(5);
  }
  const QString text = state.main.progressText->text();
  EXPECT_TRUE(text.startsWith(QStringLiteral("a.bin: 48,8 KiB von 195,3 KiB (25 %)"))) << text.toStdString();
  EXPECT_TRUE(text.endsWith(QStringLiteral("Datei 1 von 2, gesamt 48,8 KiB von 390,6 KiB (12 %)")))
      << text.toStdString();
  EXPECT_EQ(state.main.progressBar->value(), 125) << "the whole run's share";
  EXPECT_EQ(Lines().last(), QStringLiteral("Upload ''a.bin''")) << "named as it starts";
  fake.release();
  Settle();
  EXPECT_EQ(Lines().mid(Lines().size() - 2), (QStringList{"Upload ''a.bin''", "Upload ''b.bin''"}));
  EXPECT_EQ(state.main.progressBar->value(), 0);
  EXPECT_TRUE(state.main.progressText->text().isEmpty());
  EXPECT_EQ(ReadBytes(server + "b.bin"), Pattern(200000));
}

TEST_F(Jobs, BeendenDuringAJobAsksAndYesCancelsAndEnds) {
  fake.hold("Open");
  ClickConnect();
  ASSERT_EQ(fake.waitHeld(5000), 1);
  boxes.answers = {BoxAnswer::No, BoxAnswer::No};
  state.main.exitButton->click();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].title, QStringLiteral("Frage:"));
  EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("Es läuft noch: Verbinden")));
  EXPECT_TRUE(boxes.boxes[0].defaultNo);
  EXPECT_FALSE(state.quitRequested);
  EXPECT_TRUE(Busy());

  state.main.window->close();  // the close box asks the same
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_FALSE(state.loopLeft);

  boxes.answers = {BoxAnswer::Yes};
  state.main.exitButton->click();
  EXPECT_TRUE(state.quitRequested);
  CloseConnection(state);  // what the shutdown does: cancel, close, end the engine
  EXPECT_FALSE(Busy());
  EXPECT_TRUE(fake.Log().contains(QStringLiteral("Cancel")));
  EXPECT_FALSE(state.ftpSession);
}

TEST_F(Jobs, ARefreshThatFindsTheConnectionGoneSaysSoAndOffersToConnectAgain) {
  fake.Add(QStringLiteral("a.txt"), 3, -1, 1);
  Connect();
  fake.Fail("LoseOnExamine", QStringLiteral("*"));
  RefreshServerList(state);
  Settle();
  EXPECT_EQ(Lines().last(), QStringLiteral("Die Verbindung zum Server ist verloren gegangen."));
  EXPECT_EQ(state.connection, 0);
  EXPECT_FALSE(state.main.connectButton->isChecked());
  EXPECT_EQ(state.main.connectButton->text(), QStringLiteral("verbinden"));
  EXPECT_EQ(state.main.serverList->topLevelItemCount(), 0);
  EXPECT_EQ(state.hostFolder, QStringLiteral("/"));

  fake.Fail("LoseOnExamine", QStringLiteral("-"));
  Connect();
  EXPECT_EQ(state.main.serverList->topLevelItemCount(), 2);
}

TEST_F(Jobs, ServerPathsAreBuiltFromTheFolderTheServerConfirms) {
  fake.Add(QStringLiteral("a.txt"), 3, -1, 1);
  state.hostFolder = QStringLiteral("/sub");  // as a hand-edited ftp.ini has it
  state.dnLdFolder = QStringLiteral("files.example/dl");
  Connect();
  EXPECT_EQ(state.hostFolder, QStringLiteral("/sub/"));
  EXPECT_EQ(state.main.serverPath->text(), QStringLiteral("/sub/"));
  EXPECT_TRUE(fake.Log().contains(QStringLiteral("SetDirectory /sub/")));

  ASSERT_TRUE(QDir(server).mkdir(QStringLiteral("sub")));
  ASSERT_TRUE(WriteBytes(local + "x.txt", "x"));
  ShowLocal(local);
  SelectLocal({"x.txt"});
  Route(Button(WidgetId::UploadButton));
  Settle();
  EXPECT_EQ(ReadBytes(server + "sub/x.txt"), "x");
  EXPECT_FALSE(QFile::exists(server + "subx.txt"));

  SelectServer({"a.txt"});
  Route(Menu(1));
  Settle();
  EXPECT_TRUE(fake.Log().contains(QStringLiteral("Rename /sub/a.txt /sub/neu")));
  SelectServer({"a.txt"});
  Route(Menu(4));
  EXPECT_EQ(inputs.back().preset, QStringLiteral("files.example/dl/sub/a.txt"));
}

TEST_F(Jobs, SftpWithTheRootFolderOpensTheLoginFolder) {
  const struct {
    const char* name;
    int protocol;
    const char* hostFolder;
    const char* shown;
    bool setsDirectory;
  } cases[] = {{"SFTP, \"/\": the login folder", 2, "/", "/home/anna/", false},
               {"SFTP, a folder of the profile", 2, "/srv/", "/srv/", true},
               {"FTP, \"/\" as it is", 1, "/", "/", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reset();
    state.protocol = c.protocol;
    state.hostFolder = QString::fromUtf8(c.hostFolder);
    Connect();
    EXPECT_EQ(state.hostFolder, QString::fromUtf8(c.shown));
    EXPECT_EQ(!fake.Log().filter(QStringLiteral("SetDirectory")).isEmpty(), c.setsDirectory);
    CloseConnection(state);
    state.main.connectButton->setChecked(false);
  }
}

TEST_F(Jobs, WithEncryptionOnAndNoValidKeyNothingGoesOutInPlainText) {
  ASSERT_TRUE(WriteBytes(local + "secret.txt", Pattern(100)));
  ASSERT_TRUE(WriteBytes(server + "data.aes", Pattern(64)));
  ASSERT_TRUE(WriteBytes(server + "plain.txt", "plain"));
  fake.Add(QStringLiteral("data.aes"), 64, -1, 1);
  fake.Add(QStringLiteral("plain.txt"), 5, -1, 1);
  ShowLocal(local);
  Connect();
  state.useCipher = 1;
  state.keyTextInvalid = true;
  SelectLocal({"secret.txt"});
  Route(Button(WidgetId::UploadButton));
  SelectServer({"data.aes"});
  Route(Button(WidgetId::DownloadButton));
  Settle();
  EXPECT_EQ(boxes.Texts(), (QStringList{ErrorText(kKeyInvalid), ErrorText(kKeyInvalid)}));
  EXPECT_TRUE(fake.Log().filter(QStringLiteral("Send")).isEmpty());
  EXPECT_TRUE(fake.Log().filter(QStringLiteral("Receive")).isEmpty());

  SelectServer({"plain.txt"});  // a plain file needs no key
  Route(Button(WidgetId::DownloadButton));
  Settle();
  EXPECT_EQ(ReadBytes(local + "plain.txt"), "plain");
}

TEST_F(Jobs, FailuresSayWhyInGerman) {
  const struct {
    const char* name;
    int protocol;
    int64_t errorClass;
  } cases[] = {{"login refused", 1, 1}, {"no SFTP server on that port", 2, 5}, {"host unknown", 4, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reset();
    fake.Fail("Open", QStringLiteral("*"));
    fake.setErrorClass("Open", c.errorClass);
    state.protocol = c.protocol;
    boxes.boxes.clear();
    ClickConnect();
    Settle();
    const QString reason = ReasonForErrorClass(c.errorClass, c.protocol);
    ASSERT_FALSE(reason.isEmpty());
    EXPECT_EQ(boxes.Texts(), QStringList{ErrorText("Es konnte keine Verbindung mit dem Server hergestellt werden.\n" + reason)});
    EXPECT_EQ(Lines(), QStringList{reason});
    EXPECT_FALSE(state.main.connectButton->isChecked());
  }

  fake.reset();
  fake.Add(QStringLiteral("a.txt"), 3, -1, 1);
  state.protocol = 1;
  Connect();
  fake.Fail("Rename", QStringLiteral("/a.txt"));
  fake.setErrorClass("Rename", 8);
  SelectServer({"a.txt"});
  Route(Menu(1));
  Settle();
  EXPECT_TRUE(Log().endsWith(QStringLiteral("Das Umbenennen von ''a.txt'' in ''neu'' hat der Server abgelehnt.\n") +
                             ReasonForErrorClass(8, 1)))
      << Log().toStdString();
}

}  // namespace
