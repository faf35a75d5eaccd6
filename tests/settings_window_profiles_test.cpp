#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>

#include "settings/ProfileMenu.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "settings/ProfileNames.h"
#include "tests/settings_window_support.h"

namespace {

const QString kGlobalA = QStringLiteral(
    "[Global]\nselProfile = A\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\nTooltipsOff = 0\n"
    "AppPathForTemp = 1\n");
const QString kGroupA = QStringLiteral(
    "\n[A]\nLocalFolder = $DIR\nHostFolder = /a/\nDnLdFolder = a.example/dl\nProtocol = 2\nHostURL = a.example\n"
    "HostPort = 22\nHostUser = anna\nHostPass = \nUseCipher = 0\nCipherCode = \n");
const QString kGroupB = QStringLiteral(
    "\n[B]\nLocalFolder = $DIR\nHostFolder = /b/\nDnLdFolder = b.example/dl\nProtocol = 4\nHostURL = b.example\n"
    "HostPort = 990\nHostUser = bert\nHostPass = \nUseCipher = 0\nCipherCode = \n");

QString WithSelected(const QString& global, const QString& name) {
  return QString(global).replace(QStringLiteral("selProfile = A"), QStringLiteral("selProfile = ") + name);
}

TEST(ProfileListText, SplitJoinAndUsableNames) {
  EXPECT_EQ(SplitProfileList(QStringLiteral("A°°°B°°°")), (QStringList{"A", "B"}));
  EXPECT_EQ(SplitProfileList(QString()), QStringList());
  EXPECT_EQ(JoinProfileList({"A", "B - Kopie"}), QStringLiteral("A°°°B - Kopie°°°"));

  const struct {
    const char* name;
    bool usable;
  } cases[] = {
      {"", false},        {"a]b", false},     {"zwei\nZeilen", false}, {"cr\rname", false},
      {"x°°°y", false},   {"Grad°", false},   {"Global", false},       {"GLOBAL", false},
      {" vorn", false},   {"\tTab", false},   {"hinten ", true},
      {"Pro=1", true},    {"°C Büro", true},  {"[Klammer", true},      {"Globalx", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString name = QString::fromUtf8(c.name);
    EXPECT_EQ(IsUsableProfileName(name), c.usable);
    if (c.usable) {
      EXPECT_EQ(SplitProfileList(JoinProfileList({name, name})), (QStringList{name, name}));
    }
  }

  // The file tells groups apart by name, ignoring the case of A to Z only.
  const struct {
    const char* a;
    const char* b;
    bool clash;
  } pairs[] = {
      {"Arbeit", "Arbeit", true}, {"Arbeit", "aRBEIT", true},  {"Arb", "Arbeit", false},
      {"Büro", "BÜRO", false},    {"Büro", "bÜro", false},     {"Büro", "büro", true},
  };
  for (const auto& p : pairs) {
    SCOPED_TRACE(std::string(p.a) + " / " + p.b);
    EXPECT_EQ(ProfileNamesClash(QString::fromUtf8(p.a), QString::fromUtf8(p.b)), p.clash);
  }
}

TEST(ProfileMenu, NewProfileAppendsAndResetsTheProfileFields) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  SettingsWindow& w = *program.state.settings;
  w.textLocal->setText(QStringLiteral("Links"));
  w.overwrite->setChecked(true);
  InputScript input({QStringLiteral("C")});
  program.ChooseMenuItem(21);
  ASSERT_EQ(input.asked.size(), 1);
  EXPECT_EQ(input.asked[0].title, QStringLiteral("Tarnholm"));
  EXPECT_EQ(input.asked[0].prompt, QStringLiteral("Bitte den Namen für das neue Profil eingeben:"));
  EXPECT_EQ(input.asked[0].preset, QString());
  EXPECT_TRUE(program.boxes.asked.empty());
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "B", "C"}));
  EXPECT_EQ(w.profileList->currentRow(), 2);
  EXPECT_EQ(w.hostUrl->text(), QStringLiteral("ftp.example.org"));
  EXPECT_EQ(w.hostPort->text(), QStringLiteral("21"));
  EXPECT_EQ(w.hostUser->text(), QString());
  EXPECT_EQ(w.dnLdFolder->text(), QStringLiteral("ftp.example.org/download"));
  EXPECT_EQ(w.protocol->currentIndex(), 1) << "the protocol choice stays";
  EXPECT_EQ(w.textLocal->text(), QStringLiteral("Links")) << "program-wide fields stay";
  EXPECT_TRUE(w.overwrite->isChecked());

  program.PressOk();
  EXPECT_EQ(program.state.settings, nullptr);
  EXPECT_EQ(program.state.profileList, QStringLiteral("A°°°B°°°C°°°"));
  EXPECT_EQ(program.state.profileName, QStringLiteral("C"));
  EXPECT_EQ(program.state.hostUrl, QStringLiteral("ftp.example.org"));
}

// A name the file could not keep apart from another profile, or could not
// hold at all, is refused with a message; the list and fields stay. Without
// that, "Ok" wrote into the other profile's group, and a case variant made
// the next start end with the "destroyed" message.
TEST(ProfileMenu, RefusedNamesChangeNothing) {
  const QString unusable = QStringLiteral("' kann nicht verwendet werden.");
  const QString taken = QStringLiteral("Es gibt schon ein Profil mit dem Namen '");
  const struct {
    const char* name;
    int menuItem;
    const char* answer;
    QString message;  // a part of the box's text; empty: no box
    bool addForeignGroup = false;
  } rows[] = {
      {"cancelled new", 21, "", {}},
      {"new with an existing name", 21, "B", taken},
      {"new differing only in case", 21, "b", taken},
      {"rename to another profile's name", 23, "B", taken},
      {"rename to a case variant of another", 23, "b", taken},
      {"clone whose copy exists", 22, "", taken},
      {"new named as a group added by another copy", 21, "extra", taken, true},
      {"closing bracket", 21, "a]b", unusable},
      {"line break", 23, "zwei\nZeilen", unusable},
      {"separator", 21, "x°°°y", unusable},
      {"leading blank", 21, " A2", unusable},
      {"Global in any case", 23, "gLoBaL", unusable},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SettingsProgram program(kGlobalA + kGroupA + kGroupB + QStringLiteral("\n[A - Kopie]\nHostPort = 3\n"));
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    if (row.addForeignGroup) {
      QFile file(program.cwd.FilePath(QStringLiteral("ftp.ini")));
      ASSERT_TRUE(file.open(QIODevice::Append));
      file.write("\r\n[Extra]\r\nHostPort = 4\r\n");
    }
    const QStringList before = program.ProfileEntries();
    InputScript input({QString::fromUtf8(row.answer)});
    program.ChooseMenuItem(row.menuItem);
    EXPECT_EQ(program.ProfileEntries(), before);
    EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("A"));
    EXPECT_EQ(program.state.settings->hostUrl->text(), QStringLiteral("a.example"));
    if (row.message.isEmpty()) {
      EXPECT_TRUE(program.boxes.asked.empty());
    } else {
      ASSERT_EQ(program.boxes.asked.size(), 1u);
      EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Tarnholm"));
      EXPECT_TRUE(program.boxes.asked[0].text.contains(row.message)) << program.boxes.asked[0].text.toStdString();
    }
  }
}

// A profile may take another spelling of its own name.
TEST(ProfileMenu, RenamingToACaseVariantOfItsOwnName) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  InputScript input({QStringLiteral("a")});
  program.ChooseMenuItem(23);
  EXPECT_TRUE(program.boxes.asked.empty());
  program.PressOk();
  EXPECT_EQ(program.state.profileName, QStringLiteral("a"));
  EXPECT_EQ(program.FileBytes(), program.Ini(WithSelected(kGlobalA, QStringLiteral("a")) +
                                             QString(kGroupA).replace(QStringLiteral("[A]"), QStringLiteral("[a]")) +
                                             kGroupB));
  AppState next;
  EXPECT_TRUE(ReadSettingsAtStart(next, program.cwd.FilePath(QStringLiteral("ftp.ini"))));
}

// Every selection change the user makes loads that profile's fields, so "Ok"
// never writes the fields shown into another profile.
TEST(ProfileList, KeyboardSelectionLoadsTheProfile) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  SettingsWindow& w = *program.state.settings;
  const struct {
    const char* name;
    Qt::Key key;
    const char* selected;
    const char* host;
  } steps[] = {
      {"down", Qt::Key_Down, "B", "b.example"},
      {"home", Qt::Key_Home, "A", "a.example"},
      {"end", Qt::Key_End, "B", "b.example"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    QTest::keyClick(w.profileList, step.key);
    EXPECT_EQ(SelectedProfileName(w), QString::fromUtf8(step.selected));
    EXPECT_EQ(w.hostUrl->text(), QString::fromUtf8(step.host));
  }
  EXPECT_EQ(w.hostPort->text(), QStringLiteral("990"));
  EXPECT_EQ(w.hostUser->text(), QStringLiteral("bert"));
  EXPECT_EQ(w.protocol->currentIndex(), 3);
  program.PressOk();
  EXPECT_EQ(program.state.profileName, QStringLiteral("B"));
  EXPECT_EQ(program.state.hostUrl, QStringLiteral("b.example"));
  EXPECT_EQ(program.FileBytes(), program.Ini(WithSelected(kGlobalA, QStringLiteral("B")) + kGroupA + kGroupB));
}

// Where the current profile is not listed (its name only part of another's),
// the first entry is selected with its own fields.
TEST(ProfileList, FirstEntrySelectedInsteadOfTheCurrentShowsItsFields) {
  SettingsProgram program(WithSelected(kGlobalA, QStringLiteral("B")) +
                          QString(kGroupB).replace(QStringLiteral("[B]"), QStringLiteral("[B2]")) + kGroupA);
  program.state.hostUrl = QStringLiteral("current.example");
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("B2"));
  EXPECT_EQ(program.state.settings->hostUrl->text(), QStringLiteral("b.example"));
  program.PressOk();
  EXPECT_EQ(program.state.profileName, QStringLiteral("B2"));
  EXPECT_EQ(program.state.hostUrl, QStringLiteral("b.example"));
}

// A right click selects the profile under the mouse and loads it, so the menu
// acts on the profile whose fields are shown: a renamed profile keeps its own
// values and key, and nobody is asked about a key that did not change.
TEST(ProfileList, RightClickLoadsTheProfileTheMenuActsOn) {
  const QString key = QStringLiteral(
      "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 "
      "18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F");
  const QString groupB = QString(kGroupB).replace(QStringLiteral("CipherCode = \n"),
                                                  QStringLiteral("CipherCode = ") + key + QLatin1Char('\n'));
  SettingsProgram program(kGlobalA + kGroupA + groupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  SettingsWindow& w = *program.state.settings;
  QListWidget* list = w.profileList;
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(SelectedProfileName(w), QStringLiteral("B"));
  EXPECT_EQ(w.hostUrl->text(), QStringLiteral("b.example"));
  EXPECT_EQ(w.cipherCode->toPlainText(), key);

  InputScript input({QStringLiteral("C")});
  program.ChooseMenuItem(23);
  program.PressOk();
  EXPECT_TRUE(program.boxes.asked.empty()) << "the key did not change";
  EXPECT_EQ(program.state.settings, nullptr);
  EXPECT_EQ(program.FileBytes(), program.Ini(WithSelected(kGlobalA, QStringLiteral("C")) + kGroupA +
                                             QString(groupB).replace(QStringLiteral("[B]"), QStringLiteral("[C]"))));
}

TEST(ProfileMenu, CloningAppendsTheSuffixEachTime) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  program.state.settings->hostUser->setText(QStringLiteral("geändert"));
  program.ChooseMenuItem(22);
  program.ChooseMenuItem(22);
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "B", "A - Kopie", "A - Kopie - Kopie"}));
  EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("A - Kopie - Kopie"));
  EXPECT_EQ(program.state.settings->hostUser->text(), QStringLiteral("geändert")) << "the fields are not touched";
}

TEST(ProfileMenu, RenamingAnotherProfileMovesItsGroup) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.state.hostFolder = QStringLiteral("/a/jetzt/");
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  program.ClickProfile(1);
  InputScript input({QStringLiteral("C")});
  program.ChooseMenuItem(23);
  ASSERT_EQ(input.asked.size(), 1);
  EXPECT_EQ(input.asked[0].prompt, QStringLiteral("Das Profil 'B' wird umbenannt.\nBitte den neuen Namen eingeben:"));
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "C"}));
  EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("C"));
  program.PressOk();

  // B's group, folders included, now bears the name C, in its place.
  EXPECT_EQ(program.FileBytes(),
            program.Ini(WithSelected(kGlobalA, QStringLiteral("C")) +
                        QString(kGroupA).replace(QStringLiteral("/a/\n"), QStringLiteral("/a/jetzt/\n")) +
                        QString(kGroupB).replace(QStringLiteral("[B]"), QStringLiteral("[C]"))));
  EXPECT_EQ(program.state.profileName, QStringLiteral("C"));
  EXPECT_EQ(program.state.hostFolder, QStringLiteral("/b/"));
  EXPECT_EQ(program.state.profileList, QStringLiteral("A°°°C°°°"));
}

TEST(ProfileMenu, DeletingTheCurrentProfileSwitchesToTheFirst) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  program.ChooseMenuItem(24);
  ASSERT_EQ(program.boxes.asked.size(), 1u);
  EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Tarnholm"));
  EXPECT_EQ(program.boxes.asked[0].text, QStringLiteral("Wollen Sie das Profil 'A' wirklich löschen?"));
  EXPECT_EQ(program.boxes.asked[0].buttons, BoxButtons::YesNo);
  EXPECT_EQ(program.boxes.asked[0].icon, BoxIcon::Question);
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"B"}));
  EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("B"));
  EXPECT_EQ(program.state.settings->hostUrl->text(), QStringLiteral("b.example")) << "the first entry was loaded";
  program.PressOk();
  EXPECT_EQ(program.state.settings, nullptr);
  EXPECT_EQ(program.state.profileName, QStringLiteral("B"));
  EXPECT_EQ(program.FileBytes(), program.Ini(WithSelected(kGlobalA, QStringLiteral("B")) + kGroupB));
}

TEST(ProfileMenu, DeleteAnsweredNoChangesNothing) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB, BoxAnswer::No);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  program.ChooseMenuItem(24);
  EXPECT_EQ(program.boxes.asked.size(), 1u);
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "B"}));
}

// The groups in the file after "Ok", each with its HostURL.
QStringList GroupsWithHosts(const QString& path) {
  QStringList groups;
  (void)SettingsFile::Open(path);
  QStringList names;
  if (SettingsFile::RewindGroups()) {
    while (SettingsFile::NextGroup()) names << SettingsFile::GroupName();
  }
  for (const QString& name : names) {
    (void)SettingsFile::SelectGroup(name);
    groups << name + QLatin1Char('=') + SettingsFile::ReadString(QStringLiteral("HostURL"), QString());
  }
  (void)SettingsFile::Close();
  return groups;
}

// "Ok" deletes exactly the groups of the profiles deleted in the window, moves
// renamed ones, and leaves every group the window did not know.
TEST(ProfileMenu, OkChangesExactlyTheGroupsTheUserChanged) {
  const QString arb = QStringLiteral("\n[Arb]\nHostURL = arb\n");
  const QString arbeit = QStringLiteral("\n[Arbeit]\nHostURL = arbeit\n");
  const struct {
    const char* name;
    QString ini;
    std::function<void(SettingsProgram&)> act;  // the window is open, A selected
    QStringList groups;
  } rows[] = {
      {"deleted profile whose name is part of another", kGlobalA + kGroupA + arb + arbeit,
       [](SettingsProgram& p) {
         p.ClickProfile(1);
         p.ChooseMenuItem(24);
       },
       {"Global=", "A=a.example", "Arbeit=arbeit"}},
      {"group added by another copy meanwhile", kGlobalA + kGroupA + kGroupB,
       [](SettingsProgram& p) {
         QFile file(p.cwd.FilePath(QStringLiteral("ftp.ini")));
         ASSERT_TRUE(file.open(QIODevice::Append));
         file.write("\r\n[Extra]\r\nHostURL = extra\r\n");
       },
       {"Global=", "A=a.example", "B=b.example", "Extra=extra"}},
      {"renamed and deleted", kGlobalA + kGroupA + kGroupB + arb,
       [](SettingsProgram& p) {
         InputScript input({QStringLiteral("Bert")});
         p.ClickProfile(1);
         p.ChooseMenuItem(23);
         p.ClickProfile(2);
         p.ChooseMenuItem(24);
         p.ClickProfile(0);
       },
       {"Global=", "A=a.example", "Bert=b.example"}},
      {"two profiles swap their names", kGlobalA + kGroupA + kGroupB,
       [](SettingsProgram& p) {
         InputScript input({QStringLiteral("X"), QStringLiteral("A"), QStringLiteral("B")});
         p.ChooseMenuItem(23);  // A -> X
         p.ClickProfile(1);
         p.ChooseMenuItem(23);  // B -> A
         p.ClickProfile(0);
         p.ChooseMenuItem(23);  // X -> B
       },
       {"Global=", "B=a.example", "A=b.example"}},
      {"deleted and made anew", kGlobalA + kGroupA + kGroupB,
       [](SettingsProgram& p) {
         p.ClickProfile(1);
         p.ChooseMenuItem(24);
         InputScript input({QStringLiteral("B")});
         p.ChooseMenuItem(21);
         p.state.settings->hostUrl->setText(QStringLiteral("neu.example"));
       },
       {"Global=", "A=a.example", "B=neu.example"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SettingsProgram program(row.ini);
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    row.act(program);
    program.PressOk();
    EXPECT_EQ(program.state.settings, nullptr);
    EXPECT_EQ(GroupsWithHosts(program.cwd.FilePath(QStringLiteral("ftp.ini"))), row.groups);
  }
}

TEST(ProfileMenu, AnEmptyListMakesOkDoNothing) {
  SettingsProgram program(kGlobalA + kGroupA);
  const QByteArray before = program.FileBytes();
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  program.ChooseMenuItem(24);
  EXPECT_EQ(program.ProfileEntries(), QStringList());
  program.ChooseMenuItem(22);
  program.ChooseMenuItem(24);
  program.PressOk();
  EXPECT_NE(program.state.settings, nullptr) << "no profile selected: the window stays open";
  EXPECT_EQ(program.FileBytes(), before);
  EXPECT_EQ(program.state.profileList, QStringLiteral("A°°°"));
}

// The profile of a first start is listed and selected like any other, and
// "Ok" stores the fields in it.
TEST(ProfileMenu, FirstRunListsTheFirstProfile) {
  SettingsProgram program{QString()};
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  EXPECT_EQ(program.ProfileEntries(), QStringList{"Profil1"});
  EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("Profil1"));

  program.state.settings->hostUser->setText(QStringLiteral("ich"));
  program.PressOk();
  EXPECT_EQ(program.state.settings, nullptr);
  EXPECT_EQ(program.state.profileName, QStringLiteral("Profil1"));
  EXPECT_EQ(program.state.hostUser, QStringLiteral("ich"));
  EXPECT_EQ(program.state.profileList, QStringLiteral("Profil1°°°"));
  EXPECT_TRUE(program.FileBytes().contains("\r\n\r\n[Profil1]\r\nLocalFolder = "));
  EXPECT_TRUE(program.FileBytes().endsWith("\r\nHostUser = ich\r\nHostPass = \r\nUseCipher = 0\r\nCipherCode = \r\n"));
}

}  // namespace
