#include "settings/SettingsWindow.h"

#include <openssl/crypto.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <limits>

#include "crypto/KeyText.h"
#include "settings/PasswordForm.h"
#include "settings/ProfileNames.h"
#include "settings/ProfileSwitch.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsWindowWidgets.h"
#include "state/StatusLog.h"
#include "ui/Images.h"
#include "ui/MessageBox.h"

namespace {

const QString kCipherCodeKey = QStringLiteral("CipherCode");

const QString kKeyReplacedQuestion = QStringLiteral(
    "Der Schlüssel wurde verändert. Wenn Sie jetzt auf 'Ja' klicken wird\n"
    "der alte Schlüssel überschrieben. Sie können danach die Dateien\n"
    "nicht mehr öffnen, die mit dem alten Schlüssel verschlüsselt wurden.\n"
    "Brechen Sie den Vorgang ab, indem Sie das Einstellungen-Fenster\n"
    "schließen. Öffenen Sie es dann erneut und kopieren Sie den alten\n"
    "Schlüssel über die Zwischenablage in eine Datei, bevor Sie den\n"
    "Vorgang wiederholen. Sie können dann bei Bedarf den Schlüssel später\n"
    "hier wieder einsetzen.\n"
    "\n"
    "Wollen Sie den neuen Schlüssel speichern und\n"
    "den vorhandenen damit überschreiben?");

// The value of the leading digits; no digits give 0. Saturates rather than
// wrapping, since the field takes any number of digits.
int32_t LeadingDigitsValue(const QString& text) {
  int64_t value = 0;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + (c.unicode() - u'0');
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(value);
}

QString WithoutTrailingSlashes(QString text) {
  while (text.endsWith(QLatin1Char('/'))) text.chop(1);
  return text;
}

void SetWindowTooltips(SettingsWindow& w) {
  w.profileList->setToolTip(QStringLiteral("das genutzte Profil einstellen - ein Rechtsklick zeigt ein Menü"));
  w.appPathForTemp->setToolTip(
      QStringLiteral("nur für ältere FTP-Bibliotheken ohne Datenströme: verschlüsselte Übertragungen brauchen "
                     "dann eine Zwischendatei, alternativ im temporären Verzeichnis auf dem PC des Anwenders"));
  w.cipherCode->setToolTip(QStringLiteral(
      "Schlüssel und InitialisierungsVektor: 48 zweistellige Hex-Werte durch Leerzeichen getrennt"));
  w.keyButton->setToolTip(
      QStringLiteral("öffnet ein Fenster, auf dem durch eine Mausbewegung ein neuer Schlüssel erstellt wird"));
}

void ShowKeyIndicator(AppState& state, bool shown) {
  QLabel* indicator = state.main.keyIndicator;
  if (indicator == nullptr) return;
  if (shown) {
    indicator->setPixmap(LoadProgramImages().key);
  } else {
    indicator->clear();
  }
}

}  // namespace

void OpenSettingsWindow(AppState& state, const EventSink& sink) {
  if (state.settings != nullptr || state.overview != nullptr) return;
  if (state.connection != 0) {
    ShowInfo(state.main.window, QStringLiteral("Tarnholm"),
             QStringLiteral("Sie sind mit einem FTP-Server verbunden.\nBitte trennen Sie erst die Verbindung."));
    return;
  }
  state.settings = CreateSettingsWindow(state.main.window, sink);
  SettingsWindow& w = *state.settings;

  w.protocol->addItems(
      {QStringLiteral("FTP"), QStringLiteral("SFTP"), QStringLiteral("FTPS_Implicit"), QStringLiteral("FTPS_Explicit")});
  ProfileFields fields;
  fields.protocol = state.protocol;
  fields.hostUrl = state.hostUrl;
  fields.hostPort = state.hostPort;
  fields.hostUser = state.hostUser;
  fields.hostPass = state.hostPass;
  fields.dnLdFolder = state.dnLdFolder;
  fields.cipherCode = state.cipherCode;
  fields.useCipher = state.useCipher;
  PutProfileFields(w, fields);
  w.textLocal->setText(state.textLocal);
  w.textHost->setText(state.textHost);
  w.overwrite->setChecked(state.overwrite != 0);
  w.tooltipsOff->setChecked(state.tooltipsOff != 0);
  w.appPathForTemp->setChecked(state.appPathForTemp != 0);
  if (state.tooltipsOff == 0) SetWindowTooltips(w);

  const QStringList names = SplitProfileList(state.profileList);
  for (const QString& name : names) w.profiles.listed.push_back({name, name});
  {
    // The fields show the application state, not the file.
    const QSignalBlocker quiet(w.profileList);
    w.profileList->addItems(names);
  }
  const int current = int(names.indexOf(state.profileName));
  if (current >= 0) {
    SelectProfileRow(w, current);
  } else if (!names.isEmpty()) {
    // The current profile is not listed (its name is only part of another's):
    // the first entry is selected, and its fields are shown with it, so that
    // "Ok" does not store the current profile's values under its name.
    SelectProfileRow(w, 0);
    LoadProfileIntoFields(state);
  }

  w.window->show();
  w.window->activateWindow();
  w.profileList->setFocus();
}

void CloseSettingsWindow(AppState& state) {
  DestroySettingsWindow(state.settings);
  state.settings = nullptr;
}

void PutProfileFields(SettingsWindow& w, const ProfileFields& fields) {
  w.protocol->setCurrentIndex(fields.protocol - 1);
  w.hostUrl->setText(fields.hostUrl);
  w.hostPort->setText(QString::number(fields.hostPort));
  w.hostUser->setText(fields.hostUser);
  w.hostPass->setText(fields.hostPass);
  w.dnLdFolder->setText(fields.dnLdFolder);
  w.cipherCode->setPlainText(fields.cipherCode);
  w.useCipher->setChecked(fields.useCipher != 0);
}

int SelectedProfileRow(const SettingsWindow& w) {
  const QList<QListWidgetItem*> selected = w.profileList->selectedItems();
  if (selected.isEmpty()) return -1;
  const int row = w.profileList->row(selected.first());
  return row < int(w.profiles.listed.size()) ? row : -1;
}

QString SelectedProfileName(const SettingsWindow& w) {
  const int row = SelectedProfileRow(w);
  return row < 0 ? QString() : w.profiles.listed[size_t(row)].name;
}

void SelectProfileRow(SettingsWindow& w, int row) {
  const QSignalBlocker quiet(w.profileList);
  w.profileList->setCurrentRow(row);
}

void LoadProfileIntoFields(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return;
  const int row = SelectedProfileRow(*state.settings);
  if (row < 0) return;
  // A renamed entry's values are still under its old name until "Ok"; an
  // entry made in the window has none, and a missing file or group gives the
  // defaults too (reads without an open file answer their defaults).
  const QString group = state.settings->profiles.listed[size_t(row)].storedAs;
  if (!group.isEmpty()) {
    (void)SettingsFile::Open(fileName);
    (void)SettingsFile::SelectGroup(group);
  }
  ProfileFields fields;
  fields.protocol = SettingsFile::ReadInteger(QStringLiteral("Protocol"), 1);
  fields.hostUrl = SettingsFile::ReadString(QStringLiteral("HostURL"), state.hostUrl);
  fields.hostPort = SettingsFile::ReadInteger(QStringLiteral("HostPort"), 21);
  fields.hostUser = SettingsFile::ReadString(QStringLiteral("HostUser"), QString());
  fields.hostPass = DecodePassword(SettingsFile::ReadString(QStringLiteral("HostPass"), QString()));
  fields.dnLdFolder = SettingsFile::ReadString(QStringLiteral("DnLdFolder"), state.dnLdFolder);
  fields.cipherCode = SettingsFile::ReadString(kCipherCodeKey, QString());
  fields.useCipher = SettingsFile::ReadInteger(QStringLiteral("UseCipher"), 0);
  (void)SettingsFile::Close();
  PutProfileFields(*state.settings, fields);
}

ConfirmResult ConfirmSettings(AppState& state, const QString& fileName) {
  if (state.settings == nullptr) return ConfirmResult::KeptOpen;
  SettingsWindow& w = *state.settings;
  const int row = SelectedProfileRow(w);
  if (row < 0 || w.profiles.listed[size_t(row)].name.isEmpty()) return ConfirmResult::KeptOpen;
  const ListedProfile selected = w.profiles.listed[size_t(row)];

  const QString keyText = NormaliseKeyText(w.cipherCode->toPlainText());
  // The key stored for this entry, also when it has been renamed since.
  QString storedKey;
  if (!selected.storedAs.isEmpty()) {
    (void)SettingsFile::Open(fileName);
    if (SettingsFile::SelectGroup(selected.storedAs)) storedKey = SettingsFile::ReadString(kCipherCodeKey, QString());
    (void)SettingsFile::Close();
  }
  if (keyText != storedKey && !storedKey.isEmpty() &&
      !AskYesNo(w.window, QStringLiteral("Achtung:"), kKeyReplacedQuestion, BoxIcon::None, true)) {
    return ConfirmResult::KeptOpen;
  }

  state.cipherCode = keyText;
  state.protocol = w.protocol->currentIndex() + 1;
  state.hostUrl = w.hostUrl->text();
  state.hostPort = LeadingDigitsValue(w.hostPort->text());
  state.hostUser = w.hostUser->text();
  state.hostPass = w.hostPass->text();
  state.dnLdFolder = WithoutTrailingSlashes(w.dnLdFolder->text());
  state.textLocal = w.textLocal->text();
  state.textHost = w.textHost->text();
  state.overwrite = w.overwrite->isChecked() ? 1 : 0;
  state.tooltipsOff = w.tooltipsOff->isChecked() ? 1 : 0;
  ApplyTooltips(state);
  state.appPathForTemp = w.appPathForTemp->isChecked() ? 1 : 0;
  state.useCipher = w.useCipher->isChecked() ? 1 : 0;

  bool keyUsable = false;
  if (state.useCipher != 0) {
    keyUsable = ParseKeyText(state.cipherCode, state.keyMaterial, [&w](const QString& title, const QString& text) {
      ShowInfo(w.window, title, text);
    });
  }
  // Encryption stays as the user set it: with a key that is no key, uploads
  // are refused rather than sent in plain text.
  state.keyTextInvalid = state.useCipher != 0 && !keyUsable;
  ShowKeyIndicator(state, keyUsable);

  ApplyProfileList(state, selected, w.profiles, fileName);
  // A failed save has told the user; the state keeps the new values and the window closes.
  (void)SaveSettings(state, fileName);
  return ConfirmResult::Applied;
}

KeyGeneratorResult GenerateKey(AppState& state) {
  if (state.settings == nullptr) return KeyGeneratorResult::Done;
  QString keyText;
  const KeyGeneratorResult result = RunKeyGenerator(state.settings->window, keyText);
  if (result == KeyGeneratorResult::Done && state.settings != nullptr) {
    state.settings->cipherCode->setPlainText(keyText);
  }
  // The field holds its own copy; this one must not linger in freed memory.
  keyText.detach();
  OPENSSL_cleanse(keyText.data(), static_cast<size_t>(keyText.size()) * sizeof(QChar));
  return result;
}
