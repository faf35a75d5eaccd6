#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "settings/ProfileMenu.h"
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
}

TEST(ProfileMenu, NewProfileAppendsEvenADuplicateAndResetsTheProfileFields) {
  SettingsProgram program(kGlobalA + kGroupA + kGroupB);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  SettingsWindow& w = *program.state.settings;
  w.textLocal->setText(QStringLiteral("Links"));
  w.overwrite->setChecked(true);
  InputScript input({QStringLiteral("A")});
  program.ChooseMenuItem(21);
  ASSERT_EQ(input.asked.size(), 1);
  EXPECT_EQ(input.asked[0].title, QStringLiteral("Tarnholm"));
  EXPECT_EQ(input.asked[0].prompt, QStringLiteral("Bitte den Namen für das neue Profil eingeben:"));
  EXPECT_EQ(input.asked[0].preset, QString());
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "B", "A"}));
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
  EXPECT_EQ(program.state.profileList, QStringLiteral("A°°°B°°°A°°°"));
  EXPECT_EQ(program.state.hostUrl, QStringLiteral("ftp.example.org")) << "both entries stand for the group A";
}

TEST(ProfileMenu, RefusedNamesChangeNothing) {
  for (const char* answer : {"", "a]b", "zwei\nZeilen", "x°°°y", "Global"}) {
    SCOPED_TRACE(answer);
    SettingsProgram program(kGlobalA + kGroupA + kGroupB);
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    InputScript input({QString::fromUtf8(answer), QString::fromUtf8(answer)});
    program.ChooseMenuItem(21);
    program.ChooseMenuItem(23);
    EXPECT_EQ(input.asked.size(), 2);
    EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "B"}));
    EXPECT_EQ(program.state.settings->hostUrl->text(), QStringLiteral("a.example"));
  }
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

  // C gets B's fields, but the folders of the state: it has none stored yet.
  EXPECT_EQ(program.FileBytes(),
            program.Ini(WithSelected(kGlobalA, QStringLiteral("C")) +
                        QString(kGroupA).replace(QStringLiteral("/a/\n"), QStringLiteral("/a/jetzt/\n")) +
                        QStringLiteral("\n[C]\nLocalFolder = $DIR\nHostFolder = /a/jetzt/\nDnLdFolder = b.example/dl\n"
                                       "Protocol = 4\nHostURL = b.example\nHostPort = 990\nHostUser = bert\n"
                                       "HostPass = \nUseCipher = 0\nCipherCode = \n")));
  EXPECT_EQ(program.state.profileName, QStringLiteral("C"));
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

TEST(ProfileMenu, GroupsAreRemovedOnlyWhenTheirNameNoLongerOccursInTheList) {
  const QString global = WithSelected(kGlobalA, QStringLiteral("Profil1"));
  const QString pro = QStringLiteral("\n[Pro]\nHostPort = 1\n");
  const QString profil1 = QString(kGroupA).replace(QStringLiteral("[A]"), QStringLiteral("[Profil1]"));
  const QString zweit = QStringLiteral("\n[Zweit]\nHostPort = 2\n");
  SettingsProgram program(global + pro + profil1 + zweit);
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  program.ClickProfile(0);
  program.ChooseMenuItem(24);  // Pro
  program.ClickProfile(1);
  program.ChooseMenuItem(24);  // Zweit
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"Profil1"}));
  program.PressOk();
  // "Pro" occurs inside "Profil1°°°", so its group stays.
  EXPECT_EQ(program.FileBytes(), program.Ini(global + pro + profil1));
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
