// The local list's context-menu commands against real files, with the message
// and input boxes answered by responders and a stand-in for the desktop's opener.

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <unistd.h>

#include "local/LocalCommands.h"
#include "ui/DeleteQuestion.h"
#include "local_test_support.h"
#include "ui/MessageBox.h"

namespace {

class LocalCommands : public LocalListFixture {
 protected:
  void SetUp() override {
    LocalListFixture::SetUp();
    SetMessageBoxResponder([this](const MessageBoxRequest& request) {
      asked.push_back(request);
      return answer;
    });
    SetInputBoxResponder([this](const InputBoxRequest& request) {
      prompted.push_back(request);
      return typed;
    });
    ASSERT_TRUE(openerDirectory.isValid());
    previousPath = qgetenv("PATH");
    chattr = QStandardPaths::findExecutable(QStringLiteral("chattr"));
    // Only the stand-in opener is found; it runs with no PATH of its own.
    qputenv("PATH", QFile::encodeName(openerDirectory.path()));
  }

  void TearDown() override {
    qputenv("PATH", previousPath);
    SetMessageBoxResponder({});
    SetInputBoxResponder({});
    LocalListFixture::TearDown();
  }

  // The desktop's opener, standing in: notes its working directory and the
  // file it was given, and ends with `exitCode` (3: no program for the type).
  void InstallOpener(int exitCode) {
    const QString script = openerDirectory.filePath(QStringLiteral("xdg-open"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("#!/bin/sh\necho \"$PWD|$1\" >> '%1'\nexit %2\n")
                   .arg(OpenedRecord()).arg(exitCode).toUtf8());
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  }

  [[nodiscard]] QString OpenedRecord() const { return openerDirectory.filePath(QStringLiteral("opened")); }

  // "working directory|path" per file the opener was given.
  [[nodiscard]] QStringList Opened() const {
    QFile record(OpenedRecord());
    if (!record.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  // Openers still at work or waiting to be cleared away.
  [[nodiscard]] int OpenersStarted() const {
    return static_cast<int>(window->findChildren<QProcess*>().size());
  }

  // Shows the directory sorted by name, ascending or descending.
  void ShowSorted(bool descending) {
    Show(dir);
    if (state.localListState->sortColumn != 0) SortLocalListByColumn(state, 0);
    if (state.localListState->sortDescending != descending) SortLocalListByColumn(state, 0);
  }

  [[nodiscard]] bool Exists(const QString& name) const { return QFileInfo::exists(dir + name); }

  BoxAnswer answer = BoxAnswer::No;
  QString typed;
  std::vector<MessageBoxRequest> asked;
  std::vector<InputBoxRequest> prompted;
  QByteArray previousPath;
  QString chattr;
  QTemporaryDir openerDirectory;
};

TEST_F(LocalCommands, TwentyFiveFilesAskWithTwentyNamesAndTheNote) {
  QStringList names;
  for (int i = 0; i < 25; ++i) {
    names << QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'));
    ASSERT_TRUE(WriteFile(dir + names.back(), 1));
  }
  ShowSorted(false);
  Select(names);

  QString expected = QStringLiteral("Es wurde(n) 25 Datei(en) markiert.\r\nWollen Sie die wirklich löschen?\r\n");
  for (int i = 0; i < 20; ++i) expected += QStringLiteral("\r\n\"f%1\"").arg(i, 2, 10, QLatin1Char('0'));
  expected += QStringLiteral("\r\n ... \r\n(Die anderen können hier aus Platzgründen\r\nnicht dargestellt werden.)");

  answer = BoxAnswer::No;
  DeleteLocalEntries(state);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, QStringLiteral("Frage:"));
  EXPECT_EQ(asked[0].buttons, BoxButtons::YesNo);
  EXPECT_EQ(asked[0].text, expected);
  for (const QString& name : names) EXPECT_TRUE(Exists(name)) << "No keeps " << name.toStdString();

  answer = BoxAnswer::Yes;
  DeleteLocalEntries(state);
  for (const QString& name : names) EXPECT_FALSE(Exists(name)) << name.toStdString();
}

TEST_F(LocalCommands, ExactlyTwentyFilesHaveNoNote) {
  QStringList names;
  for (int i = 0; i < 20; ++i) names << QStringLiteral("n%1").arg(i);
  const QString text = FileDeleteQuestion(names);
  EXPECT_TRUE(text.startsWith(QStringLiteral("Es wurde(n) 20 Datei(en)")));
  EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n\"n19\"")));
  EXPECT_FALSE(text.contains(QStringLiteral("Platzgründen")));
}

struct DirectoryCase {
  const char* name;
  std::function<bool(const QString& path)> fill;
  bool refusedAsNotEmpty;
};

TEST_F(LocalCommands, DirectoryIsRemovedOnlyWhenEmpty) {
  const DirectoryCase cases[] = {
      {"empty", [](const QString&) { return true; }, false},
      {"holds an empty subdirectory", [](const QString& p) { return QDir(p).mkdir(QStringLiteral("inner")); }, true},
      {"holds a hidden file", [](const QString& p) { return WriteFile(p + QStringLiteral("/.hidden"), 0); }, true},
  };
  for (const DirectoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString name = QStringLiteral("victim");
    ASSERT_TRUE(QDir(dir).mkdir(name));
    ASSERT_TRUE(c.fill(dir + name));
    ShowSorted(false);
    Select({name});
    asked.clear();
    answer = BoxAnswer::Yes;
    DeleteLocalEntries(state);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0].title, QStringLiteral("Frage:"));
    EXPECT_EQ(asked[0].text, QStringLiteral("Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n\"victim\""));
    if (c.refusedAsNotEmpty) {
      ASSERT_EQ(asked.size(), 2u);
      EXPECT_EQ(asked[1].title, QStringLiteral("Fehler:"));
      EXPECT_EQ(asked[1].text,
                QStringLiteral("Das Verzeichnis ist nicht leer.\r\nLöschen Sie zuerst die darin enthaltenen Dateien."));
      EXPECT_TRUE(Exists(name));
      ASSERT_TRUE(QDir(dir + name).removeRecursively());
    } else {
      EXPECT_EQ(asked.size(), 1u);
      EXPECT_FALSE(Exists(name));
    }
  }
}

TEST_F(LocalCommands, DirectoryQuestionAnsweredNoKeepsIt) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("keep")));
  ShowSorted(false);
  Select({QStringLiteral("keep")});
  answer = BoxAnswer::No;
  DeleteLocalEntries(state);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_TRUE(Exists(QStringLiteral("keep")));
}

// Makes a file that this process cannot delete; false when the system offers
// no way. As root permissions do not stop deletion, so the immutable flag is
// used; otherwise the file goes into a directory without write permission.
struct Undeletable {
  QString chattr;  // found before the fixture narrows PATH to the stand-in opener
  QString path;
  bool immutable = false;
  QString lockedDirectory;
  ~Undeletable() {
    if (immutable) QProcess::execute(chattr, {QStringLiteral("-i"), path});
    if (!lockedDirectory.isEmpty())
      QFile::setPermissions(lockedDirectory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
};

TEST_F(LocalCommands, UndeletableFileStopsTheRun) {
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(WriteFile(dir + QString::fromLatin1(name), 1));
  Undeletable guard;
  guard.chattr = chattr;
  guard.path = dir + QStringLiteral("b");
  if (geteuid() == 0) {
    guard.immutable = !chattr.isEmpty() && QProcess::execute(chattr, {QStringLiteral("+i"), guard.path}) == 0;
    if (!guard.immutable) GTEST_SKIP() << "running as root on a file system without the immutable flag";
  } else {
    // Without root, a file in a write-protected directory cannot be removed;
    // the other two stay in a writable one, so the run is still a mix.
    GTEST_SKIP() << "needs root for the immutable flag; permissions alone cannot lock one file of a directory";
  }
  ShowSorted(false);
  Select({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
  answer = BoxAnswer::Yes;
  DeleteLocalEntries(state);
  ASSERT_EQ(asked.size(), 2u) << "the question, then the failure";
  EXPECT_TRUE(asked[1].text.startsWith(QStringLiteral("Die Datei \"b\" kann nicht gelöscht werden")));
  EXPECT_FALSE(Exists(QStringLiteral("a")));
  EXPECT_TRUE(Exists(QStringLiteral("b")));
  EXPECT_TRUE(Exists(QStringLiteral("c"))) << "the run stops at the first failure";
}

TEST_F(LocalCommands, FirstSelectedRowDecidesBetweenDirectoryAndFiles) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("d")));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("f1"), 1));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("f2"), 1));
  const QStringList selection{QStringLiteral("d"), QStringLiteral("f1"), QStringLiteral("f2")};
  answer = BoxAnswer::No;

  ShowSorted(false);  // .., d, f1, f2
  Select(selection);
  DeleteLocalEntries(state);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, QStringLiteral("Wollen Sie folgendes Verzeichnis wirklich löschen?\r\n\r\n\"d\""));

  ShowSorted(true);  // .., f2, f1, d
  Select(selection);
  DeleteLocalEntries(state);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].text, QStringLiteral("Es wurde(n) 2 Datei(en) markiert.\r\nWollen Sie die wirklich löschen?\r\n"
                                          "\r\n\"f2\"\r\n\"f1\""));
}

TEST_F(LocalCommands, NothingOrOnlyTheParentSelectedDoesNothing) {
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("f"), 1));
  ShowSorted(false);
  for (const QStringList& selection : {QStringList{}, QStringList{QStringLiteral("..")}}) {
    Select(selection);
    DeleteLocalEntries(state);
    RenameLocalEntry(state);
    OpenLocalFile(state);
  }
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(prompted.empty());
  EXPECT_EQ(OpenersStarted(), 0);
  EXPECT_TRUE(Exists(QStringLiteral("f")));
}

struct RenameCase {
  const char* name;
  const char* typed;
  const char* remainingName;  // where the entry is afterwards
  bool refused;               // a message says why nothing changed
};

TEST_F(LocalCommands, RenameTakesOnlyPlainNames) {
  const RenameCase cases[] = {
      {"unchanged default name", "old.txt", "old.txt", false},
      {"empty answer", "", "old.txt", false},
      {"new name", "new.txt", "new.txt", false},
      {"change of case only", "OLD.txt", "OLD.txt", false},
      {"path upwards refused", "../escaped.txt", "old.txt", true},
      {"sub path refused", "sub/x.txt", "old.txt", true},
      {"dot dot refused", "..", "old.txt", true},
  };
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("sub")));
  for (const RenameCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("old.txt"), 5));
    ShowSorted(false);
    Select({QStringLiteral("old.txt")});
    prompted.clear();
    asked.clear();
    typed = QString::fromLatin1(c.typed);
    RenameLocalEntry(state);
    ASSERT_EQ(prompted.size(), 1u);
    ASSERT_EQ(asked.size(), c.refused ? 1u : 0u);
    if (c.refused) {
      EXPECT_EQ(asked[0].title, QStringLiteral("Fehler:"));
      EXPECT_EQ(asked[0].text, QStringLiteral("Die Datei \"old.txt\" kann nicht in \"") + QString::fromLatin1(c.typed) +
                                   QStringLiteral("\" umbenannt werden.\r\nEin Name darf kein \"/\" enthalten und "
                                                  "nicht \".\" oder \"..\" sein."));
    }
    EXPECT_EQ(prompted[0].title, QStringLiteral("Datei umbenennen"));
    EXPECT_EQ(prompted[0].prompt, QStringLiteral("Neuer Dateiname:"));
    EXPECT_EQ(prompted[0].preset, QStringLiteral("old.txt"));
    EXPECT_TRUE(Exists(QString::fromLatin1(c.remainingName)));
    EXPECT_EQ(QFileInfo(dir + QString::fromLatin1(c.remainingName)).size(), 5);
    EXPECT_FALSE(QFileInfo::exists(temp.path() + QStringLiteral("/../escaped.txt")));
    EXPECT_FALSE(Exists(QStringLiteral("sub/x.txt")));
    QFile::remove(dir + QString::fromLatin1(c.remainingName));
  }
}

TEST_F(LocalCommands, RenameNeverOverwritesAnotherEntry) {
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("a"), 1));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("b"), 2));
  ShowSorted(false);
  Select({QStringLiteral("a")});
  typed = QStringLiteral("b");
  RenameLocalEntry(state);
  EXPECT_EQ(QFileInfo(dir + QStringLiteral("a")).size(), 1);
  EXPECT_EQ(QFileInfo(dir + QStringLiteral("b")).size(), 2);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, QStringLiteral("Die Datei \"a\" kann nicht in \"b\" umbenannt werden.\r\n"
                                          "In diesem Verzeichnis gibt es schon einen Eintrag mit diesem Namen."));
}

// Changes that the file system refuses, each told with its reason; the list
// still shows the entry as it was when the command was chosen.
struct RefusedCase {
  const char* name;
  std::function<void(const QString& dir)> afterListing;  // what changed on disk since
  const char* select;
  const char* typed;
  void (*command)(AppState&);
  const char* message;
};

TEST_F(LocalCommands, RefusedChangesAreToldWithTheirReason) {
  const RefusedCase cases[] = {
      {"rename of a file that vanished", [](const QString& d) { QFile::remove(d + QStringLiteral("f")); }, "f", "g",
       RenameLocalEntry,
       "Die Datei \"f\" kann nicht in \"g\" umbenannt werden.\r\nDer Eintrag ist nicht mehr vorhanden."},
      {"directory that exists already", nullptr, nullptr, "d", CreateLocalDirectory,
       "Das Verzeichnis \"d\" kann nicht erstellt werden.\r\n"
       "In diesem Verzeichnis gibt es schon einen Eintrag mit diesem Namen."},
      {"directory with a path", nullptr, nullptr, "x/y", CreateLocalDirectory,
       "Das Verzeichnis \"x/y\" kann nicht erstellt werden.\r\n"
       "Ein Name darf kein \"/\" enthalten und nicht \".\" oder \"..\" sein."},
      {"file that became a directory",
       [](const QString& d) { QFile::remove(d + QStringLiteral("f")) && QDir(d).mkdir(QStringLiteral("f")); }, "f", "",
       DeleteLocalEntries,
       "Die Datei \"f\" kann nicht gelöscht werden; sie und die nach ihr markierten bleiben.\r\n"
       "Das Dateisystem hat das Löschen abgelehnt."},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("d")));
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("f"), 1));
    ShowSorted(false);
    if (c.select != nullptr) Select({QString::fromLatin1(c.select)});
    if (c.afterListing) c.afterListing(dir);  // no events run: the list has not seen it
    asked.clear();
    typed = QString::fromUtf8(c.typed);
    answer = BoxAnswer::Yes;
    c.command(state);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().title, QStringLiteral("Fehler:"));
    EXPECT_EQ(asked.back().text, QString::fromUtf8(c.message));
  }
}

TEST_F(LocalCommands, RenameDirectoryUsesItsWord) {
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("alt")));
  ShowSorted(false);
  Select({QStringLiteral("alt")});
  typed = QStringLiteral("neu");
  RenameLocalEntry(state);
  ASSERT_EQ(prompted.size(), 1u);
  EXPECT_EQ(prompted[0].title, QStringLiteral("Verzeichnis umbenennen"));
  EXPECT_EQ(prompted[0].prompt, QStringLiteral("Neuer Verzeichnisname:"));
  EXPECT_TRUE(QFileInfo(dir + QStringLiteral("neu")).isDir());
}

TEST_F(LocalCommands, CreateDirectoryInTheShownDirectoryOnly) {
  ShowSorted(false);
  for (const char* name : {"neu", "", "../draussen", "a/b", "."}) {
    typed = QString::fromLatin1(name);
    CreateLocalDirectory(state);
  }
  ASSERT_EQ(prompted.size(), 5u);
  EXPECT_EQ(prompted[0].title, QStringLiteral("Verzeichnis erstellen"));
  EXPECT_EQ(prompted[0].prompt, QStringLiteral("Bitte geben Sie den Verzeichnisnamen ein:"));
  EXPECT_EQ(prompted[0].preset, QString());
  EXPECT_TRUE(QFileInfo(dir + QStringLiteral("neu")).isDir());
  EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("neu")});
  EXPECT_FALSE(QFileInfo::exists(temp.path() + QStringLiteral("/../draussen")));

  // The volume view has no directory to create in.
  prompted.clear();
  Show(QString());
  CreateLocalDirectory(state);
  EXPECT_TRUE(prompted.empty());
}

TEST_F(LocalCommands, OpenHandsOnlyFilesToTheDesktopInTheirFolder) {
  InstallOpener(0);
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("d")));
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("doc.txt"), 1));
  ShowSorted(false);
  Select({QStringLiteral("d")});
  OpenLocalFile(state);
  EXPECT_EQ(OpenersStarted(), 0);
  Select({QStringLiteral("doc.txt")});
  OpenLocalFile(state);
  ASSERT_TRUE(WaitUntil([this] { return OpenersStarted() == 0; })) << "the opener ends and is cleared away";
  QString folder = dir;
  folder.chop(1);
  EXPECT_EQ(Opened(), QStringList{folder + QLatin1Char('|') + dir + QStringLiteral("doc.txt")});
  EXPECT_TRUE(asked.empty());
}

TEST_F(LocalCommands, FileThatNoProgramOpensIsTold) {
  const struct {
    const char* name;
    bool openerInstalled;
  } cases[] = {{"the opener finds no program for the type", true}, {"the desktop has no opener at all", false}};
  ASSERT_TRUE(WriteFile(dir + QStringLiteral("bild.xyz"), 1));
  ShowSorted(false);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(openerDirectory.filePath(QStringLiteral("xdg-open")));
    if (c.openerInstalled) InstallOpener(3);
    asked.clear();
    Select({QStringLiteral("bild.xyz")});
    OpenLocalFile(state);
    ASSERT_TRUE(WaitUntil([this] { return !asked.empty(); }));
    EXPECT_EQ(asked[0].title, QStringLiteral("Fehler:"));
    EXPECT_EQ(asked[0].text, QStringLiteral("Die Datei \"bild.xyz\" kann nicht geöffnet werden.\r\n"
                                            "Für ihren Dateityp ist kein Programm eingerichtet."));
  }
}

TEST_F(LocalCommands, VolumeRowsAreNeverActedOn) {
  Show(QString());
  ASSERT_GE(LocalRowCount(state), 1);
  List()->selectAll();
  typed = QStringLiteral("x");
  answer = BoxAnswer::Yes;
  DeleteLocalEntries(state);
  RenameLocalEntry(state);
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(prompted.empty());
}

}  // namespace
