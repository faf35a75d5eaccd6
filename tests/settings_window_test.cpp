#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "state/StatusLog.h"
#include "crypto/KeyText.h"
#include "settings/ProfileMenu.h"
#include "tests/settings_window_support.h"

namespace {

const QString kKey = QStringLiteral(
    "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 "
    "18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F");
const QString kOtherKey = QStringLiteral(
    "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF E0 E1 E2 E3 E4 E5 E6 E7 "
    "E8 E9 EA EB EC ED EE EF D0 D1 D2 D3 D4 D5 D6 D7 D8 D9 DA DB DC DD DE DF");

const QString kGlobal = QStringLiteral(
    "[Global]\nselProfile = A\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\nTooltipsOff = 0\n"
    "AppPathForTemp = 1\n");

QString ProfileA(const QString& cipherCode = QString(), int useCipher = 0) {
  return QStringLiteral(
             "\n[A]\nLocalFolder = $DIR\nHostFolder = /a/\nDnLdFolder = a.example/dl\nProtocol = 2\n"
             "HostURL = a.example\nHostPort = 22\nHostUser = anna\nHostPass = ==AAjJWY\nUseCipher = %1\n"
             "CipherCode = %2\n")
      .arg(useCipher)
      .arg(cipherCode);
}

const QString kProfileB = QStringLiteral(
    "\n[B]\nLocalFolder = $DIR\nHostFolder = /b/\nDnLdFolder = b.example/dl\nProtocol = 4\n"
    "HostURL = b.example\nHostPort = 990\nHostUser = bert\nHostPass = \nUseCipher = 1\nCipherCode = ") + kKey +
                         QStringLiteral("\n");

QString TwoProfiles() { return kGlobal + ProfileA() + kProfileB; }

// What the main window and the state say about the settings, for "nothing changed" checks.
QStringList StateSnapshot(const AppState& s) {
  return {s.profileName, s.textLocal, s.textHost, QString::number(s.overwrite), QString::number(s.tooltipsOff),
          QString::number(s.appPathForTemp), s.localFolder, s.hostFolder, s.dnLdFolder, s.hostUrl,
          QString::number(s.hostPort), QString::number(s.protocol), s.hostUser, s.hostPass,
          QString::number(s.useCipher), s.cipherCode, s.profileList, s.main.window->windowTitle()};
}

TEST(SettingsWindowOpening, RefusedWhileConnectedAndIgnoredWhileAnotherWindowIsOpen) {
  SettingsProgram program(TwoProfiles());
  program.state.connection = 1;
  program.OpenSettings();
  EXPECT_EQ(program.state.settings, nullptr);
  ASSERT_EQ(program.boxes.asked.size(), 1u);
  EXPECT_EQ(program.boxes.asked[0].title, QStringLiteral("Tarnholm"));
  EXPECT_EQ(program.boxes.asked[0].text,
            QStringLiteral("Sie sind mit einem FTP-Server verbunden.\nBitte trennen Sie erst die Verbindung."));

  program.state.connection = 0;
  program.boxes.asked.clear();
  program.Route(EventKind::Widget, WindowId::Main, WidgetId::OverviewButton);
  ASSERT_NE(program.state.overview, nullptr);
  program.OpenSettings();
  EXPECT_EQ(program.state.settings, nullptr);
  EXPECT_TRUE(program.boxes.asked.empty());
  CloseOverviewWindow(program.state);

  program.OpenSettings();
  SettingsWindow* first = program.state.settings;
  ASSERT_NE(first, nullptr);
  program.OpenSettings();
  EXPECT_EQ(program.state.settings, first);
  program.Route(EventKind::Widget, WindowId::Main, WidgetId::OverviewButton);
  EXPECT_EQ(program.state.overview, nullptr);
}

TEST(SettingsWindowOpening, EveryElementAtItsPlace) {
  SettingsProgram program(TwoProfiles());
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  QWidget* window = program.state.settings->window;
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Tarnholm-Einstellungen"));
  EXPECT_EQ(window->size(), QSize(840, 420));
  EXPECT_EQ(window->windowType(), Qt::Tool);
  EXPECT_EQ(window->parentWidget(), program.state.main.window);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window->isModal()) << "the main window takes no input meanwhile";
  EXPECT_TRUE(window->isVisible());

  constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
  constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
  constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
  const struct {
    const char* kind;
    QRect geometry;
    const char* text;  // caption of buttons, labels and check boxes
    Qt::Alignment alignment;
  } elements[] = {
      {"QPushButton", {690, 370, 100, 25}, "Abbrechen", {}},
      {"QPushButton", {570, 370, 100, 25}, "Ok", {}},
      {"QLabel", {10, 150, 200, 20}, "FTP-Server-Adresse (IP oder URL):", kRight},
      {"QLabel", {10, 210, 200, 20}, "FTP-Benutzername:", kRight},
      {"QLabel", {10, 240, 200, 20}, "FTP-Passwort:", kRight},
      {"QLineEdit", {220, 147, 230, 20}, nullptr, {}},
      {"QLineEdit", {220, 207, 230, 20}, nullptr, {}},
      {"QLineEdit", {220, 237, 230, 20}, nullptr, {}},
      {"QLabel", {10, 180, 200, 20}, "FTP-Server-Port:", kRight},
      {"QLineEdit", {220, 177, 230, 20}, nullptr, {}},
      {"QLabel", {0, 20, 840, 20}, "Tarnholm 0.1", kCentre},
      {"QLabel", {10, 290, 200, 20}, "Download-Pfad für Zwischenablage:", kRight},
      {"QLabel", {10, 320, 200, 20}, "Beschriftung der PC-Dateiliste:", kRight},
      {"QLabel", {10, 350, 200, 20}, "Beschriftung der FTP-Dateiliste:", kRight},
      {"QLineEdit", {220, 287, 230, 20}, nullptr, {}},
      {"QLineEdit", {220, 317, 230, 20}, nullptr, {}},
      {"QLineEdit", {220, 347, 230, 20}, nullptr, {}},
      {"QCheckBox", {510, 255, 320, 25}, " Gleichnamige Dateien ohne Nachfrage überschreiben", {}},
      {"QCheckBox", {510, 305, 170, 25}, " Tooltips ausschalten", {}},
      {"QCheckBox", {510, 210, 240, 25}, " AES-256-Verschlüsselung einschalten", {}},
      {"QCheckBox", {510, 280, 320, 25}, " Anwendungsverzeichnis für temporäre Dateien nutzen", {}},
      {"QListWidget", {220, 65, 230, 30}, nullptr, {}},
      {"QLabel", {510, 80, 200, 20}, " Schlüssel (48 Byte):", kLeft},
      {"QPushButton", {510, 170, 180, 25}, "neuen Schlüssel erzeugen", {}},
      {"QPlainTextEdit", {510, 100, 280, 60}, nullptr, {}},
      {"QLabel", {10, 83, 200, 20}, "Profil:", kRight},
      {"QFrame", {480, 50, 1, 350}, nullptr, {}},
      {"QLabel", {10, 120, 200, 20}, "FTP-Protocol:", kRight},
      {"QComboBox", {220, 117, 230, 20}, nullptr, {}},
  };
  const QList<QWidget*> children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(children.size(), static_cast<qsizetype>(std::size(elements)));
  for (size_t i = 0; i < std::size(elements); ++i) {
    const auto& e = elements[i];
    QWidget* child = children[static_cast<qsizetype>(i)];
    SCOPED_TRACE(testing::Message() << "element " << i << " " << e.kind);
    EXPECT_STREQ(child->metaObject()->className(), e.kind);
    EXPECT_EQ(child->geometry(), e.geometry);
    if (auto* label = qobject_cast<QLabel*>(child)) {
      EXPECT_EQ(label->text(), QString::fromUtf8(e.text));
      EXPECT_EQ(label->alignment(), e.alignment);
    } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
      EXPECT_EQ(button->text(), QString::fromUtf8(e.text));
    }
  }

  const SettingsWindow& w = *program.state.settings;
  EXPECT_EQ(w.hostPass->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w.separator->frameShape(), QFrame::VLine);
  EXPECT_FALSE(w.protocol->isEditable());
  ASSERT_EQ(w.protocol->count(), 4);
  const char* protocols[] = {"FTP", "SFTP", "FTPS_Implicit", "FTPS_Explicit"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w.protocol->itemText(i), QString::fromUtf8(protocols[i]));
  EXPECT_NE(w.cipherCode->lineWrapMode(), QPlainTextEdit::NoWrap);

  w.hostPort->clear();
  QTest::keyClicks(w.hostPort, QStringLiteral("8a0-1 2"));
  EXPECT_EQ(w.hostPort->text(), QStringLiteral("8012")) << "the port field takes digits only";
}

TEST(SettingsWindowOpening, FieldsShowTheApplicationState) {
  SettingsProgram program(kGlobal + kProfileB + ProfileA(kKey, 1));
  AppState& s = program.state;
  s.textLocal = QStringLiteral("Links");
  s.overwrite = 1;
  s.appPathForTemp = 0;
  s.hostPass = QStringLiteral("geheim");
  program.OpenSettings();
  ASSERT_NE(s.settings, nullptr);
  const SettingsWindow& w = *s.settings;
  EXPECT_EQ(w.hostUrl->text(), QStringLiteral("a.example"));
  EXPECT_EQ(w.hostPort->text(), QStringLiteral("22"));
  EXPECT_EQ(w.hostUser->text(), QStringLiteral("anna"));
  EXPECT_EQ(w.hostPass->text(), QStringLiteral("geheim"));
  EXPECT_EQ(w.dnLdFolder->text(), QStringLiteral("a.example/dl"));
  EXPECT_EQ(w.textLocal->text(), QStringLiteral("Links"));
  EXPECT_EQ(w.textHost->text(), QStringLiteral("FTP-Server"));
  EXPECT_TRUE(w.overwrite->isChecked());
  EXPECT_FALSE(w.tooltipsOff->isChecked());
  EXPECT_FALSE(w.appPathForTemp->isChecked());
  EXPECT_TRUE(w.useCipher->isChecked());
  EXPECT_EQ(w.cipherCode->toPlainText(), kKey);
  EXPECT_EQ(w.protocol->currentIndex(), 1);
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"B", "A"}));
  EXPECT_EQ(SelectedProfileName(w), QStringLiteral("A")) << "the current profile, not the first";
  EXPECT_EQ(w.profileList->toolTip(), QStringLiteral("das genutzte Profil einstellen - ein Rechtsklick zeigt ein Menü"));
  EXPECT_EQ(w.appPathForTemp->toolTip(),
            QStringLiteral("nur für ältere FTP-Bibliotheken ohne Datenströme: verschlüsselte Übertragungen brauchen "
                           "dann eine Zwischendatei, alternativ im temporären Verzeichnis auf dem PC des Anwenders"));
  EXPECT_EQ(w.cipherCode->toolTip(),
            QStringLiteral("Schlüssel und InitialisierungsVektor: 48 zweistellige Hex-Werte durch Leerzeichen getrennt"));
  EXPECT_EQ(w.keyButton->toolTip(),
            QStringLiteral("öffnet ein Fenster, auf dem durch eine Mausbewegung ein neuer Schlüssel erstellt wird"));
}

TEST(SettingsWindowOpening, CurrentProfileMissingFromTheListSelectsTheFirst) {
  SettingsProgram program(QStringLiteral("[Global]\nselProfile = Profil1\n\n[Profil12]\n\n[Zwei]\n"));
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  EXPECT_EQ(program.ProfileEntries(), (QStringList{"Profil12", "Zwei"}));
  EXPECT_EQ(SelectedProfileName(*program.state.settings), QStringLiteral("Profil12"));
}

TEST(SettingsWindowOk, WritesTheKeysOfSaveSettingsAndShowsTheProfile) {
  SettingsProgram program(TwoProfiles());
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  SettingsWindow& w = *program.state.settings;
  w.hostUrl->setText(QStringLiteral("neu.example"));
  w.hostPort->setText(QStringLiteral("2121"));
  w.hostUser->setText(QStringLiteral("neu"));
  w.hostPass->setText(QStringLiteral("geheim"));
  w.dnLdFolder->setText(QStringLiteral("neu.example/x//"));
  w.textLocal->setText(QStringLiteral("Links"));
  w.textHost->setText(QStringLiteral("Rechts"));
  w.overwrite->setChecked(true);
  w.tooltipsOff->setChecked(true);
  w.appPathForTemp->setChecked(false);
  w.protocol->setCurrentIndex(2);
  QTest::mouseClick(w.okButton, Qt::LeftButton);

  EXPECT_EQ(program.state.settings, nullptr) << "closed after saving";
  EXPECT_TRUE(program.boxes.asked.empty());
  EXPECT_EQ(program.FileBytes(),
            program.Ini(QStringLiteral("[Global]\nselProfile = A\nTextLocal = Links\nTextHost = Rechts\nOverwrite = 1\n"
                                       "TooltipsOff = 1\nAppPathForTemp = 0\n"
                                       "\n[A]\nLocalFolder = $DIR\nHostFolder = /a/\nDnLdFolder = neu.example/x\n"
                                       "Protocol = 3\nHostURL = neu.example\nHostPort = 2121\nHostUser = neu\n"
                                       "HostPass = ==AAtlWZoV2Z\nUseCipher = 0\nCipherCode = \n") +
                        kProfileB));
  const AppState& s = program.state;
  EXPECT_EQ(s.hostPort, 2121);
  EXPECT_EQ(s.protocol, 3);
  EXPECT_EQ(s.hostPass, QStringLiteral("geheim"));
  EXPECT_EQ(s.main.localCaption->text(), QStringLiteral("Links"));
  EXPECT_EQ(s.main.serverCaption->text(), QStringLiteral("Rechts"));
  EXPECT_TRUE(s.main.serverList->toolTip().isEmpty()) << "TooltipsOff reached the main window";
  EXPECT_EQ(s.main.window->windowTitle(), QStringLiteral("Tarnholm - [A]"));
}

TEST(SettingsWindowOk, PortAndDownloadLinkForms) {
  const struct {
    const char* name;
    const char* port;
    const char* link;
    int32_t savedPort;
    const char* savedLink;
  } cases[] = {
      {"empty port saves 0", "", "host/dl", 0, "host/dl"},
      {"leading zeros", "0021", "host/dl//", 21, "host/dl"},
      {"only slashes", "22", "///", 22, ""},
      {"more digits than a port can have", "99999999999", "host/a/b/", 2147483647, "host/a/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsProgram program(TwoProfiles());
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    program.state.settings->hostPort->setText(QString::fromUtf8(c.port));
    program.state.settings->dnLdFolder->setText(QString::fromUtf8(c.link));
    program.PressOk();
    EXPECT_EQ(program.state.settings, nullptr);
    EXPECT_EQ(program.state.hostPort, c.savedPort);
    EXPECT_EQ(program.state.dnLdFolder, QString::fromUtf8(c.savedLink));
    const QByteArray bytes = program.FileBytes();
    EXPECT_TRUE(bytes.contains("\r\nHostPort = " + QByteArray::number(c.savedPort) + "\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains(QByteArray("\r\nDnLdFolder = ") + c.savedLink + "\r\n")) << bytes.constData();
  }
}

TEST(SettingsWindowOk, KeyTextIsNormalisedCheckedAndConfirmed) {
  QString lowerDashed = kKey.toLower();
  lowerDashed.replace(2, 1, QStringLiteral("-")).replace(5, 1, QStringLiteral(","));
  QString commaBlank = kKey;
  commaBlank.replace(QStringLiteral(" "), QStringLiteral(", "));
  const QString commaBlankNormalised = QString(commaBlank).replace(QStringLiteral(","), QStringLiteral(" "));
  const QString kQuestion = QStringLiteral(
      "Der Schlüssel wurde verändert. Wenn Sie jetzt auf 'Ja' klicken wird\nder alte Schlüssel überschrieben. Sie "
      "können danach die Dateien\nnicht mehr öffnen, die mit dem alten Schlüssel verschlüsselt wurden.\nBrechen Sie "
      "den Vorgang ab, indem Sie das Einstellungen-Fenster\nschließen. Öffenen Sie es dann erneut und kopieren Sie "
      "den alten\nSchlüssel über die Zwischenablage in eine Datei, bevor Sie den\nVorgang wiederholen. Sie können "
      "dann bei Bedarf den Schlüssel später\nhier wieder einsetzen.\n\nWollen Sie den neuen Schlüssel speichern "
      "und\nden vorhandenen damit überschreiben?");
  const QString kBadKey = QStringLiteral("Für den Schlüssel werden 48 Hexwerte durch Leerzeichen getrennt erwartet.");

  const struct {
    const char* name;
    QString stored;
    QString typed;
    BoxAnswer answer;
    bool asked;       // the "Achtung:" question
    bool applied;     // window closed, file written
    QString saved;    // CipherCode in the file afterwards
    bool keyUsable;   // the key took; otherwise encryption stays on and uploads are refused
    bool badKeyBox;
  } cases[] = {
      {"lower case, '-' and ',' become canonical", "", lowerDashed, BoxAnswer::Yes, false, true, kKey, true, false},
      {"', ' gives two blanks and is refused", "", commaBlank, BoxAnswer::Yes, false, true, commaBlankNormalised, false, true},
      {"empty key with encryption on", "", "", BoxAnswer::Yes, false, true, "", false, true},
      {"stored key typed in lower case is no change", kKey, kKey.toLower(), BoxAnswer::No, false, true, kKey, true, false},
      {"changed stored key, Yes", kKey, kOtherKey, BoxAnswer::Yes, true, true, kOtherKey, true, false},
      {"changed stored key, No keeps the window", kKey, kOtherKey, BoxAnswer::No, true, false, kKey, false, false},
      {"removing a stored key asks too", kKey, "", BoxAnswer::Yes, true, true, "", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString ini = kGlobal + kProfileB + ProfileA(c.stored);
    SettingsProgram program(ini, c.answer);
    const QByteArray before = program.FileBytes();
    const QStringList stateBefore = StateSnapshot(program.state);
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    program.state.settings->cipherCode->setPlainText(c.typed);
    program.state.settings->useCipher->setChecked(true);
    program.PressOk();

    QStringList titles;
    for (const MessageBoxRequest& box : program.boxes.asked) titles.append(box.title);
    EXPECT_EQ(titles.contains(QStringLiteral("Achtung:")), c.asked) << titles.join(u',').toStdString();
    for (const MessageBoxRequest& box : program.boxes.asked) {
      if (box.title == QStringLiteral("Achtung:")) {
        EXPECT_EQ(box.text, kQuestion);
        EXPECT_EQ(box.buttons, BoxButtons::YesNo);
      }
      if (box.title == QStringLiteral("Fehler:")) {
        EXPECT_EQ(box.text, kBadKey);
      }
    }
    EXPECT_EQ(titles.contains(QStringLiteral("Fehler:")), c.badKeyBox);
    if (!c.applied) {
      EXPECT_NE(program.state.settings, nullptr);
      EXPECT_EQ(program.state.settings->cipherCode->toPlainText(), c.typed) << "the window keeps its contents";
      EXPECT_EQ(program.FileBytes(), before);
      EXPECT_EQ(StateSnapshot(program.state), stateBefore);
      continue;
    }
    EXPECT_EQ(program.state.settings, nullptr);
    EXPECT_EQ(program.state.cipherCode, c.saved);
    EXPECT_EQ(program.state.useCipher, 1) << "the user's choice stands, also with a key that is none";
    EXPECT_EQ(program.state.keyTextInvalid, !c.keyUsable);
    EXPECT_EQ(program.state.main.keyIndicator->pixmap().isNull(), !c.keyUsable);
    EXPECT_TRUE(program.FileBytes().endsWith(("UseCipher = 1\r\nCipherCode = " + c.saved + "\r\n").toUtf8()))
        << program.FileBytes().constData();
    if (c.keyUsable) {
      EXPECT_EQ(KeyTextFromMaterial(program.state.keyMaterial), c.saved);
    }
  }
}

TEST(SettingsWindowOk, ClickingAnotherProfileSwitchesToIt) {
  SettingsProgram program(TwoProfiles());
  AppState& s = program.state;
  s.hostFolder = QStringLiteral("/a/unter/");
  AppendStatusMessage(s, QStringLiteral("Verbunden"));
  program.OpenSettings();
  ASSERT_NE(s.settings, nullptr);
  program.ClickProfile(1);
  SettingsWindow& w = *s.settings;
  EXPECT_EQ(w.hostUrl->text(), QStringLiteral("b.example"));
  EXPECT_EQ(w.hostPort->text(), QStringLiteral("990"));
  EXPECT_EQ(w.hostUser->text(), QStringLiteral("bert"));
  EXPECT_EQ(w.hostPass->text(), QString());
  EXPECT_EQ(w.protocol->currentIndex(), 3);
  EXPECT_TRUE(w.useCipher->isChecked());
  EXPECT_EQ(w.cipherCode->toPlainText(), kKey);
  EXPECT_EQ(w.textLocal->text(), QStringLiteral("PC")) << "program-wide fields stay";
  w.hostUser->setText(QStringLiteral("berta"));
  QTest::mouseClick(w.okButton, Qt::LeftButton);

  EXPECT_EQ(s.settings, nullptr);
  EXPECT_EQ(s.profileName, QStringLiteral("B"));
  EXPECT_EQ(s.hostFolder, QStringLiteral("/b/"));
  EXPECT_EQ(s.main.window->windowTitle(), QStringLiteral("Tarnholm - [B]"));
  EXPECT_TRUE(s.main.messageArea->toPlainText().isEmpty());
  EXPECT_FALSE(s.main.keyIndicator->pixmap().isNull());
  EXPECT_EQ(program.FileBytes(),
            program.Ini(QStringLiteral("[Global]\nselProfile = B\nTextLocal = PC\nTextHost = FTP-Server\nOverwrite = 0\n"
                                       "TooltipsOff = 0\nAppPathForTemp = 1\n") +
                        QString(ProfileA()).replace(QStringLiteral("/a/\n"), QStringLiteral("/a/unter/\n")) +
                        QString(kProfileB).replace(QStringLiteral("bert"), QStringLiteral("berta"))));
}

TEST(SettingsWindowOk, WindowTooltipsFollowTheSettingAtOpening) {
  SettingsProgram program(QString(kGlobal).replace(QStringLiteral("TooltipsOff = 0"), QStringLiteral("TooltipsOff = 1")) +
                          ProfileA());
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  EXPECT_TRUE(program.state.settings->profileList->toolTip().isEmpty());
  EXPECT_TRUE(program.state.main.uploadButton->toolTip().isEmpty());
  program.state.settings->tooltipsOff->setChecked(false);
  program.PressOk();
  EXPECT_EQ(program.state.main.uploadButton->toolTip(), QStringLiteral("die links markierten Dateien hochladen"));
  program.OpenSettings();
  ASSERT_NE(program.state.settings, nullptr);
  EXPECT_FALSE(program.state.settings->keyButton->toolTip().isEmpty());
}

TEST(SettingsWindowClosing, CancelAndCloseBoxStoreNothing) {
  for (const bool viaCloseBox : {false, true}) {
    SCOPED_TRACE(viaCloseBox ? "close box" : "Abbrechen");
    SettingsProgram program(TwoProfiles());
    const QByteArray before = program.FileBytes();
    const QStringList stateBefore = StateSnapshot(program.state);
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    SettingsWindow& w = *program.state.settings;
    InputScript input({QStringLiteral("Neu")});
    program.ChooseMenuItem(21);
    w.hostUrl->setText(QStringLiteral("anders.example"));
    w.tooltipsOff->setChecked(true);
    if (viaCloseBox) {
      EXPECT_FALSE(w.window->close()) << "the router decides, not the window";
    } else {
      QTest::mouseClick(w.cancelButton, Qt::LeftButton);
    }
    EXPECT_EQ(program.state.settings, nullptr);
    EXPECT_EQ(program.FileBytes(), before);
    EXPECT_EQ(StateSnapshot(program.state), stateBefore);
    EXPECT_FALSE(program.state.main.serverList->toolTip().isEmpty());
    program.OpenSettings();
    ASSERT_NE(program.state.settings, nullptr);
    EXPECT_EQ(program.ProfileEntries(), (QStringList{"A", "B"})) << "the list comes from the profile list text again";
  }
}

}  // namespace
