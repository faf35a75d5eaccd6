// The program's FTP side against a scripted stand-in for the backend.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLibrary>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "ftp/Connection.h"
#include "ftp/ErrorReasons.h"
#include "ftp/FtpFunctions.h"
#include "ftp/FtpLibrary.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerCommands.h"
#include "ftp/ServerList.h"
#include "state/DateFormat.h"
#include "ui/MainWindow.h"
#include "tests/fake_ftp/FakeControls.h"
#include "ui/MessageBox.h"

namespace {

struct Recorder {
  std::vector<MessageBoxRequest> boxes;
  std::vector<InputBoxRequest> inputs;
  BoxAnswer answer = BoxAnswer::Yes;
  QString inputAnswer;
  Recorder() {
    SetMessageBoxResponder([this](const MessageBoxRequest& r) {
      boxes.push_back(r);
      return r.buttons == BoxButtons::Ok ? BoxAnswer::Ok : answer;
    });
    SetInputBoxResponder([this](const InputBoxRequest& r) {
      inputs.push_back(r);
      return inputAnswer;
    });
  }
  ~Recorder() {
    SetMessageBoxResponder(nullptr);
    SetInputBoxResponder(nullptr);
  }
};

class FakeBackend : public ::testing::Test {
 protected:
  AppState state;
  FakeControls fake;
  Recorder recorder;

  void SetUp() override {
    ASSERT_NE(fake.reset, nullptr) << fake.library.errorString().toStdString();
    fake.reset();
    CreateMainWindow(state.main, [](const Event&) {});
    state.main.serverList->setColumnCount(3);
    ASSERT_TRUE(LoadFtpLibrary(state, QStringLiteral("fake-ftp")));
  }
  void TearDown() override {
    UnloadFtpLibrary(state);
    delete state.main.window;
  }

  void ClickConnect() {
    state.main.connectButton->setChecked(!state.main.connectButton->isChecked());
    ConnectToggle(state);
    Settle();
  }
  // Lets the engine's job end and its result arrive.
  void Settle() { WaitForServerJob(state); }
  void LetASecondPass() { state.lastConnectClickMs -= 1000; }

  QStringList Column(int column) const {
    QStringList texts;
    for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
      texts << state.main.serverList->topLevelItem(row)->text(column);
    }
    return texts;
  }
  QList<int> Kinds() const {
    QList<int> kinds;
    for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
      kinds << RowKindOfServerItem(state.main.serverList->topLevelItem(row));
    }
    return kinds;
  }
  void Select(const QStringList& names) {
    for (int row = 0; row < state.main.serverList->topLevelItemCount(); ++row) {
      QTreeWidgetItem* item = state.main.serverList->topLevelItem(row);
      item->setSelected(names.contains(item->text(0)));
    }
  }
  QStringList StatusTexts() const {
    QStringList texts;
    for (const QString& line : state.main.messageArea->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      texts << line.mid(11);  // without "hh:ii:ss   "
    }
    return texts;
  }
};

TEST(FtpLibraryLoading, MissingOrIncompleteLibraries) {
  const struct {
    const char* name;
    bool loads;
  } cases[] = {{"fake-ftp", true}, {"no-such-ftp-library", false}, {"fake-ftp-incomplete", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder recorder;
    AppState state;
    EXPECT_EQ(LoadFtpLibrary(state, QString::fromUtf8(c.name)), c.loads);
    EXPECT_EQ(state.ftp != nullptr, c.loads);
    if (c.loads) {
      EXPECT_TRUE(recorder.boxes.empty());
    } else {
      ASSERT_EQ(recorder.boxes.size(), 1u);
      EXPECT_EQ(recorder.boxes[0].title, QStringLiteral("Error"));
      EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Die DLL wurde nicht gefunden."));
    }
    UnloadFtpLibrary(state);
  }
}

TEST(FtpLibraryLoading, WithoutTheLibraryEveryCommandRefuses) {
  Recorder recorder;
  recorder.inputAnswer = QStringLiteral("neu");
  AppState state;
  CreateMainWindow(state.main, [](const Event&) {});
  state.main.connectButton->setChecked(true);
  ConnectToggle(state);
  CreateServerDirectory(state);
  EXPECT_EQ(state.connection, 0);
  EXPECT_FALSE(state.main.connectButton->isChecked());
  ASSERT_EQ(recorder.boxes.size(), 2u);
  for (const MessageBoxRequest& box : recorder.boxes) {
    EXPECT_EQ(box.title, QStringLiteral("Fehler:"));
    EXPECT_TRUE(box.text.contains(QStringLiteral("FTP-Bibliothek")));
  }
  delete state.main.window;
}

TEST_F(FakeBackend, ConnectUsesTheProfileAndShowsTheConnectedLook) {
  state.protocol = 4;
  state.hostUrl = QStringLiteral("files.example");
  state.hostPort = 2121;
  state.hostUser = QStringLiteral("anna");
  state.hostFolder = QStringLiteral("/pub/");
  state.main.messageArea->appendPlainText(QStringLiteral("old line"));
  ClickConnect();
  EXPECT_EQ(state.connection, 1);
  EXPECT_EQ(fake.Log().mid(0, 2), (QStringList{"Open 4 files.example 2121 anna 2", "SetDirectory /pub/"}));
  EXPECT_EQ(StatusTexts(), QStringList{"Verbunden"});
  EXPECT_EQ(state.main.connectButton->text(), QStringLiteral("trennen"));
  EXPECT_EQ(state.main.serverPath->text(), QStringLiteral("/pub/"));
  EXPECT_EQ(Column(0), QStringList{".."});
}

TEST_F(FakeBackend, MissingProfileFolderFallsBackToTheLoginDirectory) {
  state.hostFolder = QStringLiteral("/gone/");
  fake.fail("SetDirectory", u"/gone/");
  ClickConnect();
  EXPECT_EQ(state.hostFolder, QStringLiteral("/"));
  EXPECT_EQ(state.main.serverPath->text(), QStringLiteral("/"));
}

TEST_F(FakeBackend, FailedConnectLeavesEverythingAsItWas) {
  fake.fail("Open", u"*");
  state.main.messageArea->appendPlainText(QStringLiteral("old line"));
  ClickConnect();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].title, QStringLiteral("Fehler:"));
  EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden."));
  EXPECT_EQ(state.connection, 0);
  EXPECT_FALSE(state.main.connectButton->isChecked());
  EXPECT_EQ(state.main.connectButton->text(), QStringLiteral("Verbinden"));
  EXPECT_TRUE(state.main.messageArea->toPlainText().isEmpty());
}

TEST_F(FakeBackend, SecondClickWithinASecondIsUndone) {
  ClickConnect();
  // A few milliseconds later: the clock's first reading is 0, and a reading
  // of 0 is never refused.
  state.connectClockOrigin -= 5;
  ClickConnect();
  EXPECT_TRUE(state.main.connectButton->isChecked());
  EXPECT_EQ(state.connection, 1);
  EXPECT_FALSE(fake.Log().contains(QStringLiteral("Close")));

  LetASecondPass();
  state.hostFolder = QStringLiteral("/sub/");
  ClickConnect();
  EXPECT_EQ(state.connection, 0);
  EXPECT_TRUE(fake.Log().contains(QStringLiteral("Close")));
  EXPECT_EQ(StatusTexts().last(), QStringLiteral("Verbindung geschlossen"));
  EXPECT_EQ(state.main.serverList->topLevelItemCount(), 0);
  EXPECT_EQ(state.hostFolder, QStringLiteral("/"));
  EXPECT_TRUE(state.main.serverPath->text().isEmpty());
  EXPECT_EQ(state.main.connectButton->text(), QStringLiteral("verbinden"));
}

TEST_F(FakeBackend, ListingOrderKindsAndTexts) {
  const int64_t date = MakeDateValue(2018, 12, 24, 18, 30, 0);
  fake.Add(QStringLiteral("."), 0, -1, 2);
  fake.Add(QStringLiteral(".."), 0, -1, 2);
  fake.Add(QStringLiteral("a.txt"), 0, date, 1);
  fake.Add(QStringLiteral("sub"), 4096, date, 2);
  fake.Add(QStringLiteral("data.aes"), 5368709120LL, -1, 1);
  fake.Add(QStringLiteral("device"), 0, date, 0);
  fake.Add(QStringLiteral("Backup.AES"), 17, date, 1);
  fake.Add(QStringLiteral("Z"), 0, date, 2);
  ClickConnect();
  EXPECT_EQ(Column(0), (QStringList{"..", "sub", "Z", "a.txt", "data.aes", "Backup.AES"}));
  EXPECT_EQ(Kinds(), (QList<int>{5, 6, 6, 7, 8, 7}));
  EXPECT_EQ(Column(1), (QStringList{"", "", "", "0", "5368709120", "17"}));
  EXPECT_EQ(Column(2), (QStringList{"", "", "", "24.12.2018 18:30", "00.00.0000 00:00", "24.12.2018 18:30"}));
}

TEST_F(FakeBackend, HostileNamesAreNotListed) {
  for (const QString& name : {QStringLiteral("../../etc/passwd"), QStringLiteral("a/b"), QStringLiteral("..\\x"),
                              QStringLiteral("bell\a"), QStringLiteral("line\nfeed"), QString()}) {
    fake.Add(name, 1, -1, 1);
    fake.Add(name, 0, -1, 2);
  }
  fake.Add(QStringLiteral("ok.txt"), 1, -1, 1);
  ClickConnect();
  EXPECT_EQ(Column(0), (QStringList{"..", "ok.txt"}));
}

TEST_F(FakeBackend, NavigationDownAndUp) {
  fake.Add(QStringLiteral("sub"), 0, -1, 2);
  ClickConnect();
  Select({"sub"});
  HandleServerListEvent(state, EventType::DoubleClick);
  Settle();
  EXPECT_EQ(state.hostFolder, QStringLiteral("/sub/"));
  EXPECT_EQ(state.main.serverPath->text(), QStringLiteral("/sub/"));
  EXPECT_EQ(StatusTexts().last(), QStringLiteral("Wechsel in das Verzeichnis ''sub''"));

  Select({".."});
  HandleServerListEvent(state, EventType::DoubleClick);
  Settle();
  EXPECT_EQ(state.hostFolder, QStringLiteral("/"));
  EXPECT_EQ(StatusTexts().last(), QStringLiteral("Wechsel in das übergeordnete Verzeichnis"));

  Select({".."});
  HandleServerListEvent(state, EventType::DoubleClick);
  Settle();
  EXPECT_EQ(state.hostFolder, QStringLiteral("/")) << "the root has no parent";

  fake.fail("SetDirectory", u"/sub/");
  Select({"sub"});
  const qsizetype lines = StatusTexts().size();
  HandleServerListEvent(state, EventType::DoubleClick);
  Settle();
  HandleServerListEvent(state, EventType::LeftClick);
  EXPECT_EQ(state.hostFolder, QStringLiteral("/"));
  EXPECT_EQ(StatusTexts().size(), lines);
}

TEST_F(FakeBackend, RenameAndCreate) {
  fake.Add(QStringLiteral("a.txt"), 1, -1, 1);
  fake.Add(QStringLiteral("sub"), 0, -1, 2);
  state.hostFolder = QStringLiteral("/pub/");
  ClickConnect();

  Select({"a.txt"});
  recorder.inputAnswer = QStringLiteral("b.txt");
  RenameServerEntry(state);
  Settle();
  ASSERT_EQ(recorder.inputs.size(), 1u);
  EXPECT_EQ(recorder.inputs[0].title, QStringLiteral("Datei umbenennen"));
  EXPECT_EQ(recorder.inputs[0].prompt, QStringLiteral("Neuer Dateiname:"));
  EXPECT_EQ(recorder.inputs[0].preset, QStringLiteral("a.txt"));
  EXPECT_TRUE(fake.Log().contains(QStringLiteral("Rename /pub/a.txt /pub/b.txt")));
  EXPECT_EQ(StatusTexts().last(), QStringLiteral("Datei umbenannt"));

  Select({"sub"});
  recorder.inputAnswer.clear();  // Escape
  RenameServerEntry(state);
  Settle();
  EXPECT_EQ(recorder.inputs.back().prompt, QStringLiteral("Neuer Verzeichnisname:"));
  EXPECT_EQ(fake.Log().filter(QStringLiteral("Rename")).size(), 1);

  recorder.inputAnswer = QStringLiteral("neu");
  CreateServerDirectory(state);
  Settle();
  EXPECT_EQ(recorder.inputs.back().title, QStringLiteral("Verzeichnis erstellen"));
  EXPECT_EQ(recorder.inputs.back().prompt, QStringLiteral("Bitte geben Sie den Verzeichnisnamen ein:"));
  EXPECT_TRUE(fake.Log().contains(QStringLiteral("CreateDirectory 1 /pub/neu")));
  EXPECT_EQ(StatusTexts().last(), QStringLiteral("Verzeichnis ''neu'' erstellt"));
}

// Not connected, there is no server to create it on: the name is asked for,
// then nothing happens (the backend is not even called).
TEST_F(FakeBackend, CreateWhileNotConnectedFailsSilently) {
  recorder.inputAnswer = QStringLiteral("neu");
  CreateServerDirectory(state);
  Settle();
  EXPECT_EQ(recorder.inputs.size(), 1u);
  EXPECT_TRUE(fake.Log().filter(QStringLiteral("CreateDirectory")).isEmpty());
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_TRUE(state.main.messageArea->toPlainText().isEmpty());
}

TEST_F(FakeBackend, DeleteQuestionListsTwentyOfTwentyFiveFiles) {
  QStringList names;
  for (int i = 1; i <= 25; ++i) {
    names << QStringLiteral("f%1.txt").arg(i);
    fake.Add(names.last(), 1, -1, 1);
  }
  ClickConnect();
  Select(names);
  recorder.answer = BoxAnswer::No;
  DeleteServerEntries(state);
  Settle();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  QString expected = QStringLiteral("Es wurde(n) 25 Datei(en) markiert.\r\nWollen Sie die wirklich löschen?\r\n");
  for (int i = 0; i < 20; ++i) expected += QStringLiteral("\r\n\"") + names[i] + QLatin1Char('"');
  expected += QStringLiteral("\r\n ... \r\n(Die anderen können hier aus Platzgründen\r\nnicht dargestellt werden.)");
  EXPECT_EQ(recorder.boxes[0].text, expected);
  EXPECT_EQ(recorder.boxes[0].title, QStringLiteral("Frage:"));
  EXPECT_EQ(recorder.boxes[0].icon, BoxIcon::Question);
  EXPECT_TRUE(fake.Log().filter(QStringLiteral("DeleteFile")).isEmpty());
}

TEST_F(FakeBackend, DeleteStopsAtTheFirstRefusal) {
  for (const char* name : {"a", "b", "c"}) fake.Add(QString::fromUtf8(name), 1, -1, 1);
  fake.fail("DeleteFile", u"b");
  ClickConnect();
  Select({"a", "b", "c"});
  DeleteServerEntries(state);
  Settle();
  EXPECT_EQ(fake.Log().filter(QStringLiteral("DeleteFile")), (QStringList{"DeleteFile a", "DeleteFile b"}));
  EXPECT_EQ(StatusTexts().mid(StatusTexts().size() - 2),
            (QStringList{"Datei ''a'' gelöscht", "Das Löschen von ''b'' hat der Server abgelehnt."}));
  EXPECT_EQ(Column(0).size(), 4) << "the list was refreshed";
}

// The folders below a temporary server root are the server's.
class FakeServerFolders : public FakeBackend {
 protected:
  QTemporaryDir root;
  QString on;  // the server root on disk, ending in "/"
  void SetUp() override {
    FakeBackend::SetUp();
    ASSERT_NE(fake.listFromRoot, nullptr);
    on = root.path() + QLatin1Char('/');
    fake.setServerRoot(FakeControls::Text(root.path()));
    fake.listFromRoot(1);
  }
  void Make(const QStringList& paths) {
    for (const QString& path : paths) {
      if (path.endsWith('/')) {
        ASSERT_TRUE(QDir().mkpath(on + path));
      } else {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(on + path).path()));
        QFile file(on + path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
      }
    }
  }
  void Refresh() {
    RefreshServerList(state);
    Settle();
  }
};

TEST_F(FakeServerFolders, FirstSelectedRowDecidesBetweenFilesAndDirectory) {
  Make({"dir/", "f1", "f2"});
  ClickConnect();

  Select({"dir", "f1", "f2"});
  DeleteServerEntries(state);
  Settle();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n\"dir\""))
      << "an empty folder: the question as ever";
  EXPECT_EQ(fake.Log().filter(QStringLiteral("Delete")), QStringList{"DeleteDirectory dir"});
  EXPECT_EQ(StatusTexts().last(), QStringLiteral("Verzeichnis ''dir'' gelöscht"));
  EXPECT_TRUE(QFile::exists(on + "f1"));

  Make({"dir/"});
  Refresh();
  fake.fail("DeleteDirectory", u"dir");
  Select({"dir"});
  DeleteServerEntries(state);
  Settle();
  ASSERT_EQ(recorder.boxes.size(), 3u);
  EXPECT_EQ(recorder.boxes[2].title, QStringLiteral("Fehler:"));
  EXPECT_EQ(recorder.boxes[2].text,
            QStringLiteral("Konnte das Verzeichnis nicht löschen.\nDas Verzeichnis ist vermutlich nicht leer."));
}

// Fotos holds a.jpg, 2024/ with b.jpg and c.jpg, an empty leer/, and a link
// out of it: four files (the link is deleted, never followed) and two folders.
TEST_F(FakeServerFolders, AFolderGoesWithItsContentAfterOneQuestionThatCountsIt) {
  const struct {
    const char* name;
    const char* operation;  // the fake's operation that refuses ...
    const char16_t* path;   // ... for this path; null: none refuses
    QString box;            // "": the folder is gone
  } cases[] = {
      {"everything goes, bottom-up", nullptr, nullptr, ""},
      {"a file is refused: the rest stays and is counted", "DeleteFile", u"/Fotos/2024/b.jpg",
       "Die Datei ''Fotos/2024/b.jpg'' konnte nicht gelöscht werden.\n" +
           ReasonForErrorClass(kFtpErrorPermission, 1) +
           "\n\nNoch vorhanden: ''Fotos'' mit 2 Datei(en) und 2 Unterverzeichnis(se)."},
      {"a folder is refused: the message as for a single folder, with its name", "DeleteDirectory", u"/Fotos/leer",
       "Konnte das Verzeichnis nicht löschen.\nDas Verzeichnis ist vermutlich nicht leer.\n(''Fotos/leer'')"
       "\n\nNoch vorhanden: ''Fotos'' mit 0 Datei(en) und 2 Unterverzeichnis(se)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* operation : {"DeleteFile", "DeleteDirectory"}) fake.fail(operation, u"-");  // none refuses
    Make({"Fotos/a.jpg", "Fotos/2024/b.jpg", "Fotos/2024/c.jpg", "Fotos/leer/", "outside.txt"});
    ASSERT_TRUE(QFile::link(on + "outside.txt", on + "Fotos/link"));
    if (c.operation != nullptr) {
      fake.fail(c.operation, c.path);
      fake.setErrorClass(c.operation, 8);
    }
    if (state.connection == 0) ClickConnect();
    Refresh();
    recorder.boxes.clear();
    Select({"Fotos"});
    DeleteServerEntries(state);
    Settle();
    ASSERT_GE(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n"
                                                     "\"Fotos\"\r\n\r\nMit ihm werden 4 Datei(en) und 2 "
                                                     "Unterverzeichnis(se) gelöscht."));
    EXPECT_TRUE(QFile::exists(on + "outside.txt")) << "the link's target is not touched";
    const QStringList deletes = fake.Log().filter(QStringLiteral("Delete"));
    if (c.box.isEmpty()) {
      EXPECT_EQ(recorder.boxes.size(), 1u);
      EXPECT_FALSE(QFileInfo::exists(on + "Fotos"));
      EXPECT_EQ(StatusTexts().last(), QStringLiteral("Verzeichnis ''Fotos'' gelöscht"));
      EXPECT_EQ(deletes.mid(deletes.size() - 3),
                (QStringList{"DeleteDirectory /Fotos/leer", "DeleteDirectory /Fotos/2024", "DeleteDirectory Fotos"}));
      EXPECT_EQ(deletes.filter("DeleteFile").size(), 4);
      EXPECT_FALSE(Column(0).contains("Fotos"));
    } else {
      ASSERT_EQ(recorder.boxes.size(), 2u);
      EXPECT_EQ(recorder.boxes[1].title, QStringLiteral("Fehler:"));
      EXPECT_EQ(recorder.boxes[1].text, c.box);
      EXPECT_TRUE(Column(0).contains("Fotos")) << "the list shows what is left";
      EXPECT_TRUE(deletes.last().endsWith(QString::fromStdU16String(c.path))) << "nothing after the refusal";
      QDir(on + "Fotos").removeRecursively();
      QFile::remove(on + "Fotos/link");
    }
  }
}

TEST_F(FakeBackend, DownloadLink) {
  fake.Add(QStringLiteral("sub"), 0, -1, 2);
  fake.Add(QStringLiteral("data.aes"), 1, -1, 1);
  state.dnLdFolder = QStringLiteral("files.example/download");
  ClickConnect();

  for (const char* folder : {"/", "/sub/"}) {
    SCOPED_TRACE(folder);
    state.hostFolder = QString::fromUtf8(folder);
    RefreshServerList(state);
    Settle();
    Select({"data.aes"});
    recorder.inputAnswer = QStringLiteral("edited link");
    CopyDownloadLink(state);
    EXPECT_EQ(recorder.inputs.back().title, QStringLiteral("Download-Link"));
    EXPECT_EQ(recorder.inputs.back().prompt, QStringLiteral("In die Zwischenablage kopieren:"));
    EXPECT_EQ(recorder.inputs.back().preset, QStringLiteral("files.example/download") + state.hostFolder + "data.aes");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("edited link"));
  }

  Select({"sub"});
  CopyDownloadLink(state);
  EXPECT_EQ(recorder.boxes.back().text, QStringLiteral("Es können nur Dateien heruntergeladen werden, keine Verzeichnisse."));
}

}  // namespace
